#pragma once
// The program's processor meter over the real counters.
#include <memory>

#include "monitor/cpumeter.h"

namespace quellar::monitor {

// The 9x meter over HKEY_DYN_DATA\PerfStats.
std::unique_ptr<ProcessorMeter> makePerfStatsMeter();
// The NT meter over NtQuerySystemInformation, looked up in ntdll.dll at run
// time (Windows 9x has no such function; every reading then fails).
std::unique_ptr<ProcessorMeter> makeNtMeter();
// The meter for the running system (isWindowsNt), not yet started.
std::unique_ptr<ProcessorMeter> createProcessorMeter();

}  // namespace quellar::monitor
