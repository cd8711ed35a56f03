#pragma once
// The real memory figures and message-loop yields for the monitor's hooks,
// and the Windows-family test that picks the processor meter.
#include "monitor/memory.h"

namespace quellar::monitor {

// Puts the real calls into monitorHooks(): the memory status (the 64-bit
// GlobalMemoryStatusEx where the system has it, else GlobalMemoryStatus
// read as unsigned), a yield that dispatches the queued messages, and the
// processor meter of the running system (createProcessorMeter).
void installWin32MonitorHooks();

MemoryStatus readMemoryStatus();
void yieldToMessages();

// True on the NT family (platform id VER_PLATFORM_WIN32_NT); false on the
// 9x family and when the version cannot be read.
bool isWindowsNt();

}  // namespace quellar::monitor
