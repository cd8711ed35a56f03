#include "monitor/cpumeter_win.h"

#include <windows.h>

#include <cstring>

#include "monitor/memory_win.h"
#include "win/library_win.h"

namespace quellar::monitor {

namespace {

const char* const kStartKey = "PerfStats\\StartStat";
const char* const kDataKey = "PerfStats\\StatData";
const char* const kStopKey = "PerfStats\\StopStat";
const char* const kCounter = "KERNEL\\CPUUsage";

bool readCounter(HKEY key, unsigned char data[4]) {
    DWORD type = 0;
    DWORD size = 4;
    return RegQueryValueExA(key, kCounter, nullptr, &type, data, &size) == ERROR_SUCCESS;
}

class PerfStatsRegistry : public PerfStatsSource {
public:
    ~PerfStatsRegistry() override {
        if (data_) RegCloseKey(data_);
    }

    bool start(unsigned char data[4]) override {
        HKEY startKey = nullptr;
        if (RegOpenKeyExA(HKEY_DYN_DATA, kStartKey, 0, KEY_ALL_ACCESS, &startKey) != ERROR_SUCCESS)
            return false;
        readCounter(startKey, data);
        RegCloseKey(startKey);
        if (RegOpenKeyExA(HKEY_DYN_DATA, kDataKey, 0, KEY_READ, &data_) != ERROR_SUCCESS) data_ = nullptr;
        return true;
    }

    bool sample(unsigned char data[4]) override {
        // Read into a scratch buffer so a failed or short read leaves the
        // last reading as it was.
        unsigned char fresh[4] = {};
        if (!data_ || !readCounter(data_, fresh)) return false;
        std::memcpy(data, fresh, sizeof fresh);
        return true;
    }

    void stop() override {
        if (data_) RegCloseKey(data_);
        data_ = nullptr;
        HKEY stopKey = nullptr;
        if (RegOpenKeyExA(HKEY_DYN_DATA, kStopKey, 0, KEY_ALL_ACCESS, &stopKey) != ERROR_SUCCESS) return;
        unsigned char ignored[4] = {};
        readCounter(stopKey, ignored);
        RegCloseKey(stopKey);
    }

private:
    HKEY data_ = nullptr;
};

// NtQuerySystemInformation's classes and the parts of their records used.
// The records are laid out per pointer size: a 64-bit process gets the
// 64-bit records.
constexpr ULONG kBasicInformation = 0;
constexpr ULONG kPerformanceInformation = 2;
constexpr ULONG kTimeOfDayInformation = 3;
#ifdef _WIN64
constexpr ULONG kBasicLength = 64;
constexpr size_t kProcessorsOffset = 56;
constexpr ULONG kPerformanceLength = 344;
constexpr ULONG kTimeOfDayLength = 48;
#else
constexpr ULONG kBasicLength = 44;
constexpr size_t kProcessorsOffset = 40;
constexpr ULONG kPerformanceLength = 312;
constexpr ULONG kTimeOfDayLength = 32;
#endif
constexpr size_t kIdleTimeOffset = 0;
constexpr size_t kCurrentTimeOffset = 8;
constexpr ULONG kLargestLength = 512;

using QueryFn = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

QueryFn ntQuery() {
    static const QueryFn fn = win::systemFunction<QueryFn>("ntdll.dll", "NtQuerySystemInformation");
    return fn;
}

class NtCounters : public SystemCounters {
public:
    bool processors(unsigned& count) override {
        unsigned char record[kLargestLength] = {};
        if (!query(kBasicInformation, record, kBasicLength)) return false;
        count = record[kProcessorsOffset];
        return true;
    }
    bool currentTime(std::int64_t& time) override {
        unsigned char record[kLargestLength] = {};
        if (!query(kTimeOfDayInformation, record, kTimeOfDayLength)) return false;
        std::memcpy(&time, record + kCurrentTimeOffset, sizeof time);
        return true;
    }
    bool idleTime(std::int64_t& time) override {
        unsigned char record[kLargestLength] = {};
        if (!query(kPerformanceInformation, record, kPerformanceLength)) return false;
        std::memcpy(&time, record + kIdleTimeOffset, sizeof time);
        return true;
    }

private:
    static bool query(ULONG infoClass, unsigned char* record, ULONG length) {
        QueryFn fn = ntQuery();
        return fn && fn(infoClass, record, length, nullptr) == 0;
    }
};

// A meter together with the source it reads.
template <class Source, class Meter>
class OwningMeter : public ProcessorMeter {
public:
    void start() override { meter_.start(); }
    std::int32_t read() override { return meter_.read(); }
    void stop() override { meter_.stop(); }

private:
    Source source_;
    Meter meter_{source_};
};

}  // namespace

std::unique_ptr<ProcessorMeter> makePerfStatsMeter() {
    return std::make_unique<OwningMeter<PerfStatsRegistry, PerfStatsMeter>>();
}

std::unique_ptr<ProcessorMeter> makeNtMeter() {
    return std::make_unique<OwningMeter<NtCounters, NtMeter>>();
}

std::unique_ptr<ProcessorMeter> createProcessorMeter() {
    return isWindowsNt() ? makeNtMeter() : makePerfStatsMeter();
}

}  // namespace quellar::monitor
