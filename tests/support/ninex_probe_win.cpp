// Calls two W functions on purpose, one imported and one looked up by name,
// and prints what each answered: "<result> <last error>" per call. Under the
// Windows 9x personality both fail with error 120; without it both work.
// That it prints at all shows the stubs left the stack as the calls expect.
#include <windows.h>

#include <cstdio>

int main() {
    SetLastError(0);
    const HMODULE self = GetModuleHandleW(nullptr);
    const DWORD importedError = GetLastError();

    using ShortPathFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
    const auto shortPath = reinterpret_cast<ShortPathFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetShortPathNameW")));
    wchar_t out[MAX_PATH] = {};
    SetLastError(0);
    const DWORD length = shortPath ? shortPath(L"C:\\windows", out, MAX_PATH) : 0;
    const DWORD lookedUpError = GetLastError();

    std::printf("%d %lu %d %lu\n", self != nullptr ? 1 : 0, static_cast<unsigned long>(importedError),
                length > 0 ? 1 : 0, static_cast<unsigned long>(lookedUpError));
    return 0;
}
