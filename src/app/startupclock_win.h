#pragma once
// Where start-up spends its time. Each step of the start-up marks itself;
// when the environment variable QUELLAR_STARTUP_TIMES names a file, the
// steps and their milliseconds are written there once start-up is done
// (scripts/bench prints them). Otherwise marking costs one counter read.
namespace quellar::shell {

void startupMark(const char* step);
void startupReport();

}  // namespace quellar::shell
