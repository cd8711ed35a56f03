#pragma once
// Registry operations as a registry file ("REGEDIT4"), the format every
// registry editor from Windows 95 on imports ("regedit /s file.reg"), so a
// preset or a backup can be carried to other machines or read by any tool.
// Portable: the caller writes the bytes to a file.
#include <string>
#include <string_view>
#include <vector>

#include "core/effects.h"
#include "core/regops.h"

namespace quellar {

inline constexpr char kRegFileExtension[] = "reg";

// The bytes as a registry file lists them: two lowercase hexadecimal digits
// each, apart by commas ("01,00,ff"); empty for no bytes.
std::string hexByteList(std::string_view data);

// The comment line under the header: "; <program>: <what>, written 2004-03-15 17:05:09".
std::string regFileComment(const std::string& program, const std::string& what, const LocalTime& when);

// The whole file: "REGEDIT4", a blank line, `comment`, then one section per
// key ("[HKEY_LOCAL_MACHINE\<path>]", keys in the order they are first
// written, two spellings of one key as one section) with its values in
// order: "Name"="text" for REG_SZ, "Name"=dword:0000021c for REG_DWORD,
// "Name"=- for a removal, @ for the unnamed value. A value written twice
// keeps what the last operation leaves, as the registry would. Lines end
// in CR LF; the text is kept in the ANSI code page the names came in.
std::string regFileText(const std::vector<RegistryOperation>& operations, const std::string& comment);

}  // namespace quellar
