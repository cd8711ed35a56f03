#include "console/consoletext.h"

#include <algorithm>

#include "core/osversion.h"
#include "monitor/memory.h"
#include "tuning/fields.h"
#include "tuning/presets.h"

namespace quellar::console {

namespace {

// At least `width` characters, and at least one blank after the text, so a
// column never runs into the next whatever it holds.
std::string padded(std::string text, std::size_t width) {
    text += ' ';
    while (text.size() < width) text += ' ';
    return text;
}

std::string twoDigits(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// A preset's value as the list shows it: "removed" where the apply removes
// it, switches as True or False.
std::string presetValueText(const tuning::TuningField& field, const tuning::TuningParams& p) {
    if (field.removedIn(p)) return "removed";
    if (field.flag) return p.*field.flag ? "True" : "False";
    return std::to_string(tuning::numberOf(field, p));
}

std::size_t nameWidth(const std::vector<PreviewRow>& rows) {
    std::size_t width = 0;
    for (const PreviewRow& row : rows) width = std::max(width, row.valueName.size());
    return width + 2;
}

std::string keyLine(const std::string& key, const tuning::AdapterNamer& adapterOf) {
    const std::string adapter = adapterOf ? adapterOf(key) : std::string();
    return key + (adapter.empty() ? std::string() : "  (" + adapter + ")") + "\n";
}

std::string megabytes(std::uint64_t bytes) {
    return std::to_string(monitor::toMegabytes(bytes)) + " MB";
}

}  // namespace

std::string adaptersText(const std::vector<tuning::AdapterEntry>& adapters) {
    if (adapters.empty()) return "No adapters: the registry holds no per-adapter TCP/IP keys.\n";
    std::size_t subkeyWidth = std::string("Subkey").size();
    for (const tuning::AdapterEntry& a : adapters) subkeyWidth = std::max(subkeyWidth, a.subkey.size());
    std::size_t mtuWidth = std::string(tuning::kMtuNotSet).size();
    for (const tuning::AdapterEntry& a : adapters) mtuWidth = std::max(mtuWidth, a.mtu.value_or("").size());
    std::string text = padded("Subkey", subkeyWidth + 2) + padded("MTU", mtuWidth + 2) + "Name\n";
    for (const tuning::AdapterEntry& a : adapters) {
        text += padded(a.subkey, subkeyWidth + 2) + padded(a.mtu.value_or(tuning::kMtuNotSet), mtuWidth + 2) + a.name;
        if (!a.description.empty() && a.description != a.subkey) text += " (" + a.description + ")";
        text += "\n";
    }
    return text;
}

std::string presetsText() {
    std::string text;
    for (std::size_t i = 0; i < tuning::kTuningPresetCount; ++i) {
        const tuning::TuningParams& p = tuning::tuningPresets[i];
        text += tuning::kTuningPresetNames[i];
        text += "\n";
        if (p.systemDefaults) {
            text += "  removes every value the presets set, so Windows uses its own defaults\n";
            continue;
        }
        for (const tuning::TuningField& f : tuning::kTuningFields) {
            if (f.inRecord()) text += "  " + padded(f.label, 21) + presetValueText(f, p) + "\n";
        }
    }
    return text;
}

std::string previewRowsText(const Preview& preview, const tuning::AdapterNamer& adapterOf) {
    std::string text;
    const std::size_t width = nameWidth(preview.rows);
    std::string key;
    for (const PreviewRow& row : preview.rows) {
        if (row.key != key) {
            key = row.key;
            text += keyLine(key, adapterOf);
        }
        text += std::string(row.changes ? "  * " : "    ") + padded(row.valueName, width) + row.now + " -> " +
                row.after + "\n";
    }
    return text + preview.summary() + "\n";
}

std::vector<PreviewRow> changedRows(const Preview& before, const Preview& after) {
    std::vector<PreviewRow> changed;
    for (const PreviewRow& row : before.rows) {
        if (!row.changes) continue;
        for (const PreviewRow& now : after.rows) {
            if (now.key != row.key || now.valueName != row.valueName) continue;
            const bool left = row.after == kRemoved ? now.now == kAbsent : now.now == row.after;
            if (left) changed.push_back(row);
            break;
        }
    }
    return changed;
}

std::string changedRowsText(const std::vector<PreviewRow>& rows, const tuning::AdapterNamer& adapterOf) {
    if (rows.empty()) return "Nothing changed.\n";
    std::string text;
    const std::size_t width = nameWidth(rows);
    std::string key;
    for (const PreviewRow& row : rows) {
        if (row.key != key) {
            key = row.key;
            text += keyLine(key, adapterOf);
        }
        text += "  " + padded(row.valueName, width) + row.now + " -> " + row.after + "\n";
    }
    const std::size_t n = rows.size();
    return text + std::to_string(n) + (n == 1 ? " value changed.\n" : " values changed.\n");
}

std::string dateText(const backup::CalendarDate& date) {
    return std::to_string(date.year) + "-" + twoDigits(date.month) + "-" + twoDigits(date.day);
}

std::string timeText(const backup::TimeOfDay& time) {
    return twoDigits(time.hour) + ":" + twoDigits(time.minute) + ":" + twoDigits(time.second);
}

std::string windowsText(int version) {
    // The number is the program's own record of the system, not a name any
    // user knows; only one that names no system is shown.
    if (version < kFirstWinVersion || version > kLastWinVersion)
        return "an unknown Windows (" + std::to_string(version) + ")";
    return winVersionNameOf(version);
}

std::string backupsText(std::vector<BackupListing> listings, const std::string& folder) {
    if (listings.empty()) return "No backups in " + folder + ".\n";
    std::stable_sort(listings.begin(), listings.end(), [](const BackupListing& a, const BackupListing& b) {
        return a.number != b.number ? a.number < b.number : a.fileName < b.fileName;
    });
    std::string text = "No.  Date        Time      Windows\n";
    for (const BackupListing& l : listings) {
        std::string number = std::string(backup::baseNameOf(l.fileName));
        text += padded(number, 5);
        if (!l.readable) {
            text += "(cannot be read)\n";
            continue;
        }
        text += padded(l.fields.date ? dateText(*l.fields.date) : "?", 12);
        text += padded(l.fields.time ? timeText(*l.fields.time) : "?", 10);
        text += (l.fields.winVersion ? windowsText(*l.fields.winVersion) : "?") + "\n";
    }
    return text;
}

std::string backupHeading(const std::string& fileName, const backup::BackupHeader& header, int runningWinVersion) {
    const LocalTime& c = header.created;
    std::string text = fileName + ", taken " + dateText({c.year, c.month, c.day}) + " " +
                       timeText({c.hour, c.minute, c.second}) + " on " + windowsText(header.winVersion) + "\n";
    if (header.winVersion != runningWinVersion)
        text += "It cannot be restored here: this is " + windowsText(runningWinVersion) + ".\n";
    return text + "Value now -> value in the backup:\n";
}

std::string statusText(const StatusFigures& f) {
    std::string text = "Windows:    " + windowsText(f.winVersion) + ", " +
                       (isNtFamily(f.winVersion) ? "NT family" : "9x family") + "\n";
    text += "Memory:     " + std::to_string(f.memoryLoad) + "% in use\n";
    text += "Physical:   " + megabytes(f.availPhysical) + " free of " + megabytes(f.totalPhysical) + "\n";
    text += "Page file:  " + megabytes(f.availPageFile) + " free of " + megabytes(f.totalPageFile) + "\n";
    text += "Virtual:    " + megabytes(f.availVirtual) + " free of " + megabytes(f.totalVirtual) + "\n";
    text += "Processor:  " +
            (f.processorPercent ? std::to_string(*f.processorPercent) + "% busy over one second" : "cannot be read") +
            "\n";
    return text;
}

std::string freeRamText(std::uint64_t freeBefore, std::uint64_t freeAfter) {
    return "Free physical memory: " + megabytes(freeBefore) + " before, " + megabytes(freeAfter) + " after.\n";
}

}  // namespace quellar::console
