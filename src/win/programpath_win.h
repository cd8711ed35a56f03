#pragma once
// Paths the ANSI calls can use. The program works through the ANSI (A)
// functions, which see a name through the system's ANSI code page: a folder
// named in characters outside it (a Japanese folder name on a Western
// system) comes back from them with '?' in place of those characters and
// cannot be opened. Such a path is given in its short (8.3) form instead,
// which every ANSI call accepts.
#include <string>

namespace quellar::win {

// `path` (NUL-terminated) converted to the ANSI code page when every character survives the
// round trip; otherwise its short form (the path must exist); empty when
// neither gives a usable name.
std::string ansiPathOf(const wchar_t* path);

// The program file's full path as ansiPathOf gives it; on systems without
// the wide calls (the 9x family) GetModuleFileNameA's answer, which is
// already in the code page the file system uses.
std::string programFilePath();

}  // namespace quellar::win
