#include "console/console_win.h"

#include <windows.h>

#include <memory>
#include <optional>

#include "backup/apply_win.h"
#include "backup/backup_win.h"
#include "backup/regexport_win.h"
#include "console/commandline.h"
#include "console/consoletext.h"
#include "core/effects.h"
#include "core/osversion.h"
#include "core/preview.h"
#include "core/text.h"
#include "monitor/cpumeter_win.h"
#include "monitor/memory_win.h"
#include "monitor/systemstatus.h"
#include "net/echo_win.h"
#include "net/mtufinder.h"
#include "tuning/presets.h"
#include "win/effects_win.h"
#include "win/files_win.h"
#include "win/osversion_win.h"
#include "win/regops_win.h"

namespace quellar::console {

namespace {

constexpr DWORD kProcessorSpanMs = 1000;

// The first failure to write standard output: a script that reads it
// must not take a lost line ("Backup: 005.BCK") for a whole answer.
DWORD outputFailure = ERROR_SUCCESS;

// 0 when all of `text` was written, else the system's code.
DWORD writeTo(DWORD which, const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return out.empty() ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    std::size_t done = 0;
    while (done < out.size()) {
        DWORD written = 0;
        if (!WriteFile(handle, out.data() + done, static_cast<DWORD>(out.size() - done), &written, nullptr))
            return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        done += written;
    }
    return ERROR_SUCCESS;
}

// What is left to say when standard output failed: on standard error, as
// long as that still works.
int outputLost() {
    writeError(std::string(kProgramName) + ": the output could not be written in full: " +
               win::systemErrorText(static_cast<long>(outputFailure)) + "\n");
    return kExitFailed;
}

int fail(const std::string& text) {
    writeError(std::string(kProgramName) + ": " + text + "\n");
    return kExitFailed;
}

quellar::Preview previewOf(const std::vector<RegistryOperation>& operations) {
    return buildPreview(operations, win::currentValueOf);
}

std::string fileNameOf(const std::string& path) {
    return std::string(text::fileNameOf(path));
}

std::string backupPathFor(int number) {
    return backup::backupsFolder() + "\\" + backup::backupFileNameFor(number).value_or("");
}

int unknownWindows() {
    return fail("the TCP/IP settings of this Windows version (" + std::to_string(winVersion) +
                ") are not ones the program knows");
}

int presets() {
    writeOut(presetsText());
    return kExitDone;
}

// The preset with the MTU and MSS limited to `adapters` (all when empty);
// false, after saying so, when one of them is not an adapter here.
bool presetFor(std::size_t index, const std::vector<std::string>& adapters, tuning::TuningParams& params) {
    params = tuning::tuningPresets[index];
    if (adapters.empty()) return true;
    const std::vector<tuning::AdapterEntry> present = backup::currentAdapters();
    for (const std::string& wanted : adapters) {
        bool found = false;
        for (const tuning::AdapterEntry& adapter : present) found = found || text::equalsIgnoreCase(adapter.subkey, wanted);
        if (!found) {
            fail("no adapter has the subkey \"" + wanted + "\"; \"" + kProgramName + " adapters\" lists them");
            return false;
        }
    }
    params.mtuAdapters = adapters;
    return true;
}

int listAdapters() {
    if (!tuning::familyOf(winVersion)) return unknownWindows();
    writeOut(adaptersText(backup::currentAdapters()));
    return kExitDone;
}

int previewPreset(std::size_t index, const std::vector<std::string>& adapters) {
    tuning::TuningParams params;
    if (!presetFor(index, adapters, params)) return kExitFailed;
    const std::vector<RegistryOperation> operations = backup::plannedTuningOperations(params);
    if (operations.empty()) return unknownWindows();
    writeOut(std::string("Preview: ") + tuning::kTuningPresetNames[index] + " on " + windowsText(winVersion) +
             ", after a backup of the values now\n");
    writeOut(previewRowsText(previewOf(operations), backup::currentAdapterNamer()));
    if (const std::string note = backup::leftAloneAdapters(); !note.empty()) writeOut(note + "\n");
    return kExitDone;
}

int applyPreset(std::size_t index, const std::vector<std::string>& adapters) {
    tuning::TuningParams params;
    if (!presetFor(index, adapters, params)) return kExitFailed;
    const std::vector<RegistryOperation> operations = backup::plannedTuningOperations(params);
    const quellar::Preview before = previewOf(operations);
    // Exactly the Wizard's path: the preset becomes the set to apply, and
    // the apply takes its backup first.
    tuning::currentTuning = params;
    const backup::ApplyResult result = backup::applyTuningReporting();
    if (result.outcome == backup::ApplyOutcome::NotApplied) return kExitFailed;
    writeOut("Backup: " + fileNameOf(result.backupPath) + " (" + result.backupPath + ")\n");
    writeOut(std::string("Applied ") + tuning::kTuningPresetNames[index] + ":\n");
    writeOut(changedRowsText(changedRows(before, previewOf(operations)), backup::currentAdapterNamer()));
    if (!result.leftAlone.empty()) writeOut(result.leftAlone + "\n");
    return result.outcome == backup::ApplyOutcome::Applied ? kExitDone : kExitFailed;
}

int listBackups() {
    const std::string folder = backup::backupsFolder();
    std::vector<BackupListing> listings;
    for (const WIN32_FIND_DATAA& found : win::filesIn(folder, "*.BCK")) {
        const std::string name = found.cFileName;
        if (!backup::isNumberedBackupName(name)) continue;
        BackupListing listing;
        // Listed as the manager lists it: "005.bck" on disk is 005.BCK.
        listing.fileName = std::string(backup::baseNameOf(name)) + "." + backup::kBackupExtension;
        listing.number = backup::backupNumberOf(backup::baseNameOf(name));
        const backup::BackupHeaderRead header = backup::readBackupHeader(folder + "\\" + name);
        listing.readable = header.opened;
        listing.fields = header.fields;
        listings.push_back(std::move(listing));
    }
    writeOut(backupsText(std::move(listings), folder));
    return kExitDone;
}

// A whole backup file read and checked, or the exit code of its failure.
bool readChecked(int number, backup::BackupReadResult& read, int& exitCode) {
    const std::string path = backupPathFor(number);
    read = backup::readBackupFile(path);
    if (read.ok) return true;
    exitCode = fail(fileNameOf(path) + ": " + (read.line ? read.describe() : read.problem));
    return false;
}

int showBackup(int number) {
    backup::BackupReadResult read;
    int exitCode = kExitFailed;
    if (!readChecked(number, read, exitCode)) return exitCode;
    writeOut(backupHeading(fileNameOf(backupPathFor(number)), read.contents.header, winVersion));
    writeOut(previewRowsText(previewOf(read.contents.writes), backup::currentAdapterNamer()));
    return kExitDone;
}

int restore(int number) {
    backup::BackupReadResult read;
    int exitCode = kExitFailed;
    if (!readChecked(number, read, exitCode)) return exitCode;
    const quellar::Preview before = previewOf(read.contents.writes);
    const std::string path = backupPathFor(number);
    const backup::RestoreResult result = backup::restoreBackupFile(path, winVersion);
    // Nothing was written unless a backup of the values now was.
    if (result.backupPath.empty()) return fail(result.message);
    writeOut("Backup: " + fileNameOf(result.backupPath) + " (" + result.backupPath + ")\n");
    writeOut("Restored " + fileNameOf(path) + ":\n");
    writeOut(changedRowsText(changedRows(before, previewOf(read.contents.writes)), backup::currentAdapterNamer()));
    if (!result.ok()) return fail(result.message);
    return kExitDone;
}

int exportFile(const Command& command) {
    std::vector<RegistryOperation> operations;
    std::string what;
    if (command.backup != 0) {
        backup::BackupReadResult read;
        int exitCode = kExitFailed;
        if (!readChecked(command.backup, read, exitCode)) return exitCode;
        operations = read.contents.writes;
        what = "backup " + fileNameOf(backupPathFor(command.backup)) + " of " + windowsText(read.contents.header.winVersion);
    } else {
        tuning::TuningParams params;
        if (!presetFor(command.preset, command.adapters, params)) return kExitFailed;
        operations = backup::plannedTuningOperations(params);
        if (operations.empty()) return unknownWindows();
        what = std::string(tuning::kTuningPresetNames[command.preset]) + " on " + windowsText(winVersion);
    }
    const backup::ExportResult result = backup::exportRegistryFile(command.file, operations, what);
    if (!result.ok) return fail(result.problem);
    writeOut("Exported " + what + " to " + command.file + " (" + std::to_string(operations.size()) +
             " values; nothing was written to the registry)\n");
    return kExitDone;
}

void showMessages(const std::vector<net::NetMessage>& messages) {
    for (const net::NetMessage& message : messages) writeError(message.text + "\n");
}

int ping(const std::string& host, unsigned timeoutMs) {
    const net::EchoOutcome outcome = net::runEcho(host, timeoutMs);
    showMessages(outcome.messages);
    if (outcome.replied) {
        writeOut("Reply from " + host + "\n");
        return kExitDone;
    }
    if (!outcome.sent) return fail("\"" + host + "\" is not a host name or an IPv4 address that can be reached");
    return fail("no reply from " + host + " within " + std::to_string(timeoutMs) + " ms");
}

int freeRam(int megabytes) {
    monitor::Memory memoryFigures;
    const std::uint64_t before = memoryFigures.freePhysical();
    const monitor::OptimizeResult result = monitor::optimizeMemory(memoryFigures, megabytes, [](bool) {});
    if (result == monitor::OptimizeResult::AnotherRunning) return fail("another memory optimisation is running");
    if (result == monitor::OptimizeResult::NotClaimed) return fail("the memory to free could not be claimed");
    writeOut(freeRamText(before, memoryFigures.freePhysical()));
    return kExitDone;
}

int status() {
    StatusFigures figures;
    figures.winVersion = winVersion;
    const monitor::MemoryStatus m = monitor::readMemoryStatus();
    figures.memoryLoad = m.memoryLoad;
    figures.totalPhysical = m.totalPhysical;
    figures.availPhysical = m.availPhysical;
    figures.totalPageFile = m.totalPageFile;
    figures.availPageFile = m.availPageFile;
    figures.totalVirtual = m.totalVirtual;
    figures.availVirtual = m.availVirtual;
    std::unique_ptr<monitor::ProcessorMeter> meter = monitor::createProcessorMeter();
    meter->start();
    Sleep(kProcessorSpanMs);
    const std::int32_t busy = meter->read();
    meter->stop();
    if (busy >= 0) figures.processorPercent = busy;
    writeOut(statusText(figures));
    return kExitDone;
}

int mtu(const std::string& host, unsigned timeoutMs) {
    const net::MtuOutcome outcome = net::runMtuSearch(host, timeoutMs);
    showMessages(outcome.messages);
    if (outcome.status != net::MtuStatus::Found) return fail(net::describeMtuOutcome(outcome, host));
    writeOut(net::describeMtuOutcome(outcome, host) + "\n");
    return kExitDone;
}

int run(const Command& command) {
    switch (command.kind) {
    case CommandKind::Overview: return kExitDone;
    case CommandKind::Presets: return presets();
    case CommandKind::Preview: return previewPreset(command.preset, command.adapters);
    case CommandKind::Apply: return applyPreset(command.preset, command.adapters);
    case CommandKind::Adapters: return listAdapters();
    case CommandKind::Export: return exportFile(command);
    case CommandKind::Backups: return listBackups();
    case CommandKind::Show: return showBackup(command.backup);
    case CommandKind::Restore: return restore(command.backup);
    case CommandKind::Ping: return ping(command.host, command.timeoutMs);
    case CommandKind::FreeRam: return freeRam(command.megabytes);
    case CommandKind::Status: return status();
    case CommandKind::Mtu: return mtu(command.host, command.timeoutMs);
    }
    return kExitUsage;
}

}  // namespace

void writeOut(const std::string& text) {
    const DWORD status = writeTo(STD_OUTPUT_HANDLE, text);
    if (status != ERROR_SUCCESS && outputFailure == ERROR_SUCCESS) outputFailure = status;
}

void writeError(const std::string& text) {
    writeTo(STD_ERROR_HANDLE, text);
}

void installConsoleEffects() {
    win::installWin32Effects();
    effects().messageBox = [](std::uintptr_t, const std::string& text, const std::string&, unsigned flags) {
        writeError(std::string(kProgramName) + ": " + text + "\n");
        // A question nobody can answer is answered no.
        return (flags & MB_TYPEMASK) == MB_OK ? IDOK : IDNO;
    };
    monitor::installWin32MonitorHooks();
}

int runConsole(const std::vector<std::string>& arguments) {
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.command) {
        writeError(std::string(kProgramName) + ": " + parsed.error + "\n" + usageHint());
        return kExitUsage;
    }
    const Command& command = *parsed.command;
    if (command.version || command.help) {
        writeOut(command.version ? versionLine() : commandHelp(command.kind));
        return outputFailure == ERROR_SUCCESS ? kExitDone : outputLost();
    }
    win::detectWindowsVersion();
    const int exitCode = run(command);
    return outputFailure == ERROR_SUCCESS ? exitCode : outputLost();
}

}  // namespace quellar::console
