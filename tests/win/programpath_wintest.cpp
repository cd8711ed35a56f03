#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "win/programpath_win.h"

using quellar::win::ansiPathOf;

TEST_CASE("a folder named outside the ANSI code page is reached by the ANSI calls through its short name") {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    // A Japanese name ("Nihongo"), which no Western code page can hold.
    const std::wstring folder = std::wstring(temp) + L"\x65E5\x672C\x8A9E quellar " +
                                std::to_wstring(GetCurrentProcessId());
    REQUIRE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::string ansi = ansiPathOf(folder.c_str());
    CAPTURE(ansi);
    REQUIRE_FALSE(ansi.empty());
    CHECK(ansi.find('?') == std::string::npos);
    const DWORD attributes = GetFileAttributesA(ansi.c_str());
    CHECK((attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0));
    // What is made through the ANSI path lands in the folder itself.
    CHECK(CreateDirectoryA((ansi + "\\Backups").c_str(), nullptr));
    CHECK(GetFileAttributesW((folder + L"\\Backups").c_str()) != INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryW((folder + L"\\Backups").c_str());
    RemoveDirectoryW(folder.c_str());

    // A name the code page holds stays as it is, long form and all.
    CHECK(ansiPathOf(L"C:\\Program Files\\Quellar\\quellar.exe") == "C:\\Program Files\\Quellar\\quellar.exe");
}

namespace {

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Starts `exe` by its full wide path, as the shell would, and waits.
DWORD runWide(const std::wstring& exe, const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return 0xFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

void removeWideTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeWideTree(folder + L"\\" + name);
            else DeleteFileW((folder + L"\\" + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

TEST_CASE("from a folder named outside the code page the program finds its files, backs up and registers") {
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string testFolder(own);
    testFolder.erase(testFolder.find_last_of('\\'));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"\x65E5\x672C\x8A9E program " +
                                std::to_wstring(GetCurrentProcessId());
    removeWideTree(folder);
    REQUIRE(CreateDirectoryW(folder.c_str(), nullptr));
    REQUIRE(CopyFileW(wide(testFolder + "\\programpath_probe.exe").c_str(), (folder + L"\\quellar.exe").c_str(),
                      FALSE));
    REQUIRE(CopyFileW(wide(testFolder + "\\RQLRMask.skn").c_str(), (folder + L"\\RQLRMask.skn").c_str(), FALSE));
    CHECK(runWide(folder + L"\\quellar.exe", folder) == 1u + 2u + 4u + 8u);
    CHECK(GetFileAttributesW((folder + L"\\Backups\\001.BCK").c_str()) != INVALID_FILE_ATTRIBUTES);
    removeWideTree(folder);
}
