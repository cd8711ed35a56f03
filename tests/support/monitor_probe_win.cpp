// Runs the processor meters under the Windows version Wine shows this
// process, over prepared PerfStats keys, and reports as its exit code:
//   1  isWindowsNt() holds;
//   2  the program's meter is the 9x one (it reads the prepared counter);
//   4  the 9x meter reads the first byte, and repeats it when a read fails;
//   8  the NT meter reads a percentage within 0 to 100;
//  16  without a StartStat key the 9x meter reads 0.
// HKEY_DYN_DATA is redirected into a scratch key for the run.
#include <windows.h>

#include <string>

#include "monitor/cpumeter_win.h"
#include "monitor/memory_win.h"
#include "support/regsandbox_win.h"

using namespace quellar::monitor;
using namespace quellar::testing;

namespace {

constexpr int kIsNt = 1;
constexpr int kProgramMeterIs9x = 2;
constexpr int kPerfStatsReads = 4;
constexpr int kNtReads = 8;
constexpr int kNoStartReadsZero = 16;
constexpr int kNoRedirect = 255;

const char* const kCounter = "KERNEL\\CPUUsage";

using OverrideFn = LONG(WINAPI*)(HKEY, HKEY);

OverrideFn overrideFn() {
    return reinterpret_cast<OverrideFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegOverridePredefKey")));
}

std::string counterBytes(unsigned char first, unsigned char second) {
    return std::string{static_cast<char>(first), static_cast<char>(second), '\0', '\0'};
}

void putCounter(const std::string& scratch, const char* key, const std::string& bytes) {
    setRaw(HKEY_CURRENT_USER, scratch + "\\" + key, kCounter, REG_BINARY, bytes);
}

bool perfStatsReads(const std::string& scratch) {
    putCounter(scratch, "PerfStats\\StartStat", counterBytes(0x2C, 0x01));  // 300
    putCounter(scratch, "PerfStats\\StatData", counterBytes(0x2C, 0x01));
    putCounter(scratch, "PerfStats\\StopStat", counterBytes(0, 0));
    auto meter = makePerfStatsMeter();
    meter->start();
    const bool first = meter->read() == 44;
    putCounter(scratch, "PerfStats\\StatData", counterBytes(7, 0));
    const bool next = meter->read() == 7;
    HKEY data = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, (scratch + "\\PerfStats\\StatData").c_str(), 0, KEY_ALL_ACCESS, &data);
    RegDeleteValueA(data, kCounter);
    RegCloseKey(data);
    const bool repeated = meter->read() == 7;
    meter->stop();
    return first && next && repeated;
}

int probe(const std::string& scratch) {
    int result = isWindowsNt() ? kIsNt : 0;

    {
        auto meter = createProcessorMeter();
        putCounter(scratch, "PerfStats\\StartStat", counterBytes(0xC8, 0x01));
        putCounter(scratch, "PerfStats\\StatData", counterBytes(0xC8, 0x01));
        meter->start();
        if (meter->read() == 0xC8) result |= kProgramMeterIs9x;
    }
    if (perfStatsReads(scratch)) result |= kPerfStatsReads;

    auto nt = makeNtMeter();
    nt->start();
    // The reading divides by the time passed, so the clock moves on first.
    FILETIME start, now;
    GetSystemTimeAsFileTime(&start);
    do {
        Sleep(1);
        GetSystemTimeAsFileTime(&now);
    } while (CompareFileTime(&now, &start) == 0);
    const std::int32_t busy = nt->read();
    if (busy >= 0 && busy <= 100) result |= kNtReads;

    deleteKeyTree(HKEY_CURRENT_USER, scratch + "\\PerfStats\\StartStat");
    auto closed = makePerfStatsMeter();
    closed->start();
    if (closed->read() == 0 && closed->read() == 0) result |= kNoStartReadsZero;
    return result;
}

}  // namespace

int main() {
    const std::string scratch = "Software\\Quellar monitor probe\\" + std::to_string(GetCurrentProcessId());
    HKEY root = nullptr;
    OverrideFn redirect = overrideFn();
    if (!redirect || RegCreateKeyExA(HKEY_CURRENT_USER, scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                     nullptr, &root, nullptr) != ERROR_SUCCESS)
        return kNoRedirect;
    const bool redirected = redirect(HKEY_DYN_DATA, root) == ERROR_SUCCESS;
    RegCloseKey(root);
    int result = kNoRedirect;
    if (redirected) {
        // Written through HKEY_CURRENT_USER, read by the meters through the
        // redirected HKEY_DYN_DATA.
        result = probe(scratch);
        redirect(HKEY_DYN_DATA, nullptr);
    }
    deleteKeyTree(HKEY_CURRENT_USER, "Software\\Quellar monitor probe");
    return result;
}
