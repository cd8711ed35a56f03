#pragma once
// Where start-up spends its time. Each step of the start-up marks itself;
// when the environment variable QUELLAR_STARTUP_TIMES names a file, the
// steps and their milliseconds are written there once start-up is done
// (scripts/bench prints them). Otherwise marking costs one counter read.
// When QUELLAR_STARTUP_LAUNCH holds the performance counter's value at the
// moment a launcher started the process, a first step, "loading", says how
// long Windows took to load the program before its first code ran.
namespace quellar::app {

// The program's first code: the first step counts from here.
void startupBegin();
void startupMark(const char* step);
void startupReport();

}  // namespace quellar::app
