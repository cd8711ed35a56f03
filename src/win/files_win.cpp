#include "win/files_win.h"

#include "win/window_win.h"

namespace quellar::win {

std::vector<WIN32_FIND_DATAA> filesIn(const std::string& folder, const char* pattern) {
    std::vector<WIN32_FIND_DATAA> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) files.push_back(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

FileText readCappedFile(const std::string& path, DWORD maxBytes) {
    FileText result;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        result.error = GetLastError();
        return result;
    }
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE) {
        result.status = FileText::Status::CannotRead;
        result.error = GetLastError();
    } else if (size > maxBytes) {
        result.status = FileText::Status::TooLarge;
    } else {
        result.text.assign(size, '\0');
        DWORD done = 0;
        bool ok = true;
        while (ok && done < size) {
            DWORD got = 0;
            ok = ReadFile(file, &result.text[done], size - done, &got, nullptr) && got > 0;
            if (!ok) result.error = GetLastError();
            done += got;
        }
        result.status = ok ? FileText::Status::Read : FileText::Status::CannotRead;
        if (!ok) result.text.clear();
    }
    CloseHandle(file);
    return result;
}

std::string_view resourceBytes(LPCSTR id, LPCSTR type) {
    HMODULE module = moduleInstance();
    HRSRC found = FindResourceA(module, id, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return std::string_view(static_cast<const char*>(data), SizeofResource(module, found));
}

}  // namespace quellar::win
