#pragma once
// Reading whole files that must stay small (the face, the skin, backups) and
// the bytes of the program's own resources: one careful version of each.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace quellar::win {

struct FileText {
    enum class Status { Read, CannotOpen, TooLarge, CannotRead };
    Status status = Status::CannotOpen;
    std::string text;   // the whole file, when Read
    DWORD error = 0;    // the system's code for CannotOpen and CannotRead
    bool ok() const { return status == Status::Read; }
};

// The whole file, refused when it holds more than `maxBytes` bytes; a short
// read counts as a failure, never as a shorter file.
FileText readCappedFile(const std::string& path, DWORD maxBytes);

// The files (not folders) of `folder` that match `pattern` ("*.BCK"), as
// the system finds them; none when the folder is missing.
std::vector<WIN32_FIND_DATAA> filesIn(const std::string& folder, const char* pattern);

// The bytes of resource `id` of `type` in this module; empty when missing.
std::string_view resourceBytes(LPCSTR id, LPCSTR type);

}  // namespace quellar::win
