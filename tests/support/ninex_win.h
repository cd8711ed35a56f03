#pragma once
// A Windows 9x personality for a program started from a test. Wine's
// win95 and win98 modes change only the version numbers a program reads;
// the real systems export almost every W function as a stub that fails with
// ERROR_CALL_NOT_IMPLEMENTED. Here the program is started suspended, run to
// the first instruction of its own (its imports are bound by then), and
// every W function it imports that Windows 95 does not really implement is
// pointed at such a stub. Its GetProcAddress is wrapped, so a W function it
// looks up at run time is handed the same kind of stub.
//
// The stubs must clean the caller's arguments off the stack as the real
// function would, so each W function the programs use needs a row in
// kStubbedFunctions; a W import without one makes the start fail loudly.
#include <windows.h>

#include <tlhelp32.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quellar::testing {

struct StubbedFunction {
    const char* library;
    const char* name;
    unsigned arguments;     // each one machine word
    std::intptr_t failure;  // what the stub returns
};

// The W functions that Windows 95's kernel32, user32 and gdi32 really
// implement (Microsoft's list); they are left alone.
inline const char* const kImplementedOnWindows95[] = {
    "EnumResourceLanguagesW", "EnumResourceNamesW", "EnumResourceTypesW", "FindResourceW",
    "FindResourceExW", "ExtTextOutW", "TextOutW", "GetCharWidthW", "GetTextExtentPointW",
    "GetTextExtentPoint32W", "GetCommandLineW", "lstrlenW", "MessageBoxW", "MessageBoxExW",
    "GetTextExtentExPointW"};

// Registry functions answer with an error code rather than a null result.
constexpr std::intptr_t kNotImplemented = ERROR_CALL_NOT_IMPLEMENTED;

inline const StubbedFunction kStubbedFunctions[] = {
    // What the MinGW runtime imports.
    {"kernel32.dll", "CreateSemaphoreW", 4, 0},
    {"kernel32.dll", "GetModuleFileNameW", 3, 0},
    {"kernel32.dll", "GetModuleHandleW", 1, 0},
    {"kernel32.dll", "LoadLibraryW", 1, 0},
    // What the program looks up, or may look up, by name.
    {"kernel32.dll", "GetShortPathNameW", 3, 0},
    {"kernel32.dll", "LoadLibraryExW", 3, 0},
    {"kernel32.dll", "CreateFileW", 7, -1},
    {"kernel32.dll", "GetFileAttributesW", 1, -1},
    {"kernel32.dll", "CreateMutexW", 3, 0},
    {"kernel32.dll", "CreateEventW", 4, 0},
    {"advapi32.dll", "RegOpenKeyExW", 5, kNotImplemented},
    {"advapi32.dll", "RegCreateKeyExW", 9, kNotImplemented},
    {"advapi32.dll", "RegEnumKeyExW", 8, kNotImplemented},
    {"advapi32.dll", "RegEnumValueW", 8, kNotImplemented},
    {"advapi32.dll", "RegQueryValueExW", 6, kNotImplemented},
    {"advapi32.dll", "RegSetValueExW", 6, kNotImplemented},
    {"advapi32.dll", "RegDeleteValueW", 2, kNotImplemented},
    {"advapi32.dll", "RegDeleteKeyW", 2, kNotImplemented},
};

namespace ninex {

inline bool implementedOnWindows95(const std::string& name) {
    for (const char* implemented : kImplementedOnWindows95)
        if (name == implemented) return true;
    return false;
}

// A W function by the Win32 naming rule: a capital W after a lower-case
// letter or a digit at the end of the name ("GetModuleHandleW", not "WSA").
inline bool isWideName(const std::string& name) {
    if (name.size() < 2 || name.back() != 'W') return false;
    const char before = name[name.size() - 2];
    return (before >= 'a' && before <= 'z') || (before >= '0' && before <= '9');
}

inline const StubbedFunction* stubbedFunction(const std::string& name) {
    for (const StubbedFunction& f : kStubbedFunctions)
        if (name == f.name) return &f;
    return nullptr;
}

template <typename T>
bool readRemote(HANDLE process, std::uintptr_t address, T& value) {
    SIZE_T done = 0;
    return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), &value, sizeof value, &done) &&
           done == sizeof value;
}

inline bool writeRemote(HANDLE process, std::uintptr_t address, const void* bytes, std::size_t size) {
    DWORD old = 0;
    if (!VirtualProtectEx(process, reinterpret_cast<LPVOID>(address), size, PAGE_EXECUTE_READWRITE, &old))
        return false;
    SIZE_T done = 0;
    const bool written = WriteProcessMemory(process, reinterpret_cast<LPVOID>(address), bytes, size, &done) &&
                         done == size;
    DWORD ignored = 0;
    VirtualProtectEx(process, reinterpret_cast<LPVOID>(address), size, old, &ignored);
    FlushInstructionCache(process, reinterpret_cast<LPCVOID>(address), size);
    return written;
}

inline std::string readRemoteText(HANDLE process, std::uintptr_t address) {
    std::string text;
    for (char c = 0; text.size() < 256 && readRemote(process, address + text.size(), c) && c != 0;) text += c;
    return text;
}

// Machine code, appended little-endian.
struct Code {
    std::vector<unsigned char> bytes;
    void add(std::initializer_list<unsigned char> b) { bytes.insert(bytes.end(), b); }
    void add32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
    void add64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
};

// Sets the thread's last error to 120 and returns `failure`, taking the
// arguments off the stack where the calling convention asks the callee to.
inline Code stubCode(const StubbedFunction& f) {
    Code c;
#ifdef _WIN64
    c.add({0x65, 0xC7, 0x04, 0x25, 0x68, 0x00, 0x00, 0x00});  // mov dword gs:[0x68], imm32
    c.add32(ERROR_CALL_NOT_IMPLEMENTED);
    c.add({0x48, 0xC7, 0xC0});  // mov rax, imm32 (sign-extended)
    c.add32(static_cast<std::uint32_t>(f.failure));
    c.add({0xC3});  // ret
#else
    c.add({0x64, 0xC7, 0x05, 0x34, 0x00, 0x00, 0x00});  // mov dword fs:[0x34], imm32
    c.add32(ERROR_CALL_NOT_IMPLEMENTED);
    c.add({0xB8});  // mov eax, imm32
    c.add32(static_cast<std::uint32_t>(f.failure));
    c.add({0xC2});  // ret imm16
    const unsigned pop = f.arguments * 4;
    c.add({static_cast<unsigned char>(pop), static_cast<unsigned char>(pop >> 8)});
#endif
    return c;
}

// GetProcAddress wrapped: the real one, then its answer swapped for a stub
// when it is one of the table's real addresses. `table` holds pairs of
// machine words (real, stub) and ends with a zero.
inline Code procAddressHookCode(std::uintptr_t realGetProcAddress, std::uintptr_t table) {
    Code c;
#ifdef _WIN64
    c.add({0x48, 0x83, 0xEC, 0x28});  // sub rsp, 40
    c.add({0x48, 0xB8});              // mov rax, imm64
    c.add64(realGetProcAddress);
    c.add({0xFF, 0xD0});              // call rax
    c.add({0x48, 0x83, 0xC4, 0x28});  // add rsp, 40
    c.add({0x48, 0xB9});              // mov rcx, imm64
    c.add64(table);
    // loop: mov rdx,[rcx]; test rdx,rdx; jz done; cmp rax,rdx; je found; add rcx,16; jmp loop
    c.add({0x48, 0x8B, 0x11, 0x48, 0x85, 0xD2, 0x74, 0x0F, 0x48, 0x39, 0xD0, 0x74, 0x06, 0x48, 0x83,
           0xC1, 0x10, 0xEB, 0xED});
    c.add({0x48, 0x8B, 0x41, 0x08});  // found: mov rax,[rcx+8]
    c.add({0xC3});                    // done: ret
#else
    c.add({0xFF, 0x74, 0x24, 0x08});  // push [esp+8]  (the name)
    c.add({0xFF, 0x74, 0x24, 0x08});  // push [esp+8]  (the module)
    c.add({0xB8});                    // mov eax, imm32
    c.add32(static_cast<std::uint32_t>(realGetProcAddress));
    c.add({0xFF, 0xD0});              // call eax
    c.add({0xB9});                    // mov ecx, imm32
    c.add32(static_cast<std::uint32_t>(table));
    // loop: mov edx,[ecx]; test edx,edx; jz done; cmp eax,edx; je found; add ecx,8; jmp loop
    c.add({0x8B, 0x11, 0x85, 0xD2, 0x74, 0x0C, 0x39, 0xD0, 0x74, 0x05, 0x83, 0xC1, 0x08, 0xEB, 0xF1});
    c.add({0x8B, 0x41, 0x04});        // found: mov eax,[ecx+4]
    c.add({0xC2, 0x08, 0x00});        // done: ret 8
#endif
    return c;
}

inline std::uintptr_t instructionPointer(const CONTEXT& context) {
#ifdef _WIN64
    return static_cast<std::uintptr_t>(context.Rip);
#else
    return context.Eip;
#endif
}

// The base of the process's main module, from its module list.
inline std::uintptr_t imageBaseOf(DWORD pid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    std::uintptr_t base = 0;
    if (Module32First(snapshot, &entry)) base = reinterpret_cast<std::uintptr_t>(entry.modBaseAddr);
    CloseHandle(snapshot);
    return base;
}

inline std::uintptr_t preferredImageBase(const std::string& exePath) {
    HANDLE file = CreateFileA(exePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    unsigned char header[4096] = {};
    DWORD read = 0;
    ReadFile(file, header, sizeof header, &read, nullptr);
    CloseHandle(file);
    if (read < sizeof(IMAGE_DOS_HEADER)) return 0;
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, header, sizeof dos);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0 ||
        static_cast<DWORD>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS) > read)
        return 0;
    IMAGE_NT_HEADERS nt;
    std::memcpy(&nt, header + dos.e_lfanew, sizeof nt);
    return static_cast<std::uintptr_t>(nt.OptionalHeader.ImageBase);
}

// Where the patching goes; `error` says why it did not.
struct Patcher {
    HANDLE process = nullptr;
    std::uintptr_t base = 0;
    std::string error;
    std::vector<std::string> stubbed;  // the imports now failing

    bool fail(const std::string& why) {
        if (error.empty()) error = why;
        return false;
    }

    std::uintptr_t place(const Code& code) {
        void* at = VirtualAllocEx(process, nullptr, code.bytes.size(), MEM_COMMIT | MEM_RESERVE,
                                  PAGE_EXECUTE_READWRITE);
        if (!at) return 0;
        const auto address = reinterpret_cast<std::uintptr_t>(at);
        return writeRemote(process, address, code.bytes.data(), code.bytes.size()) ? address : 0;
    }

    bool headers(IMAGE_NT_HEADERS& nt) {
        IMAGE_DOS_HEADER dos{};
        if (!readRemote(process, base, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
            return fail("no program image at its base");
        if (!readRemote(process, base + static_cast<std::uintptr_t>(dos.e_lfanew), nt) ||
            nt.Signature != IMAGE_NT_SIGNATURE)
            return fail("no PE header");
        return true;
    }

    // Points every imported W function that 95 lacks at a stub and wraps
    // GetProcAddress.
    bool patchImports() {
        IMAGE_NT_HEADERS nt{};
        if (!headers(nt)) return false;
        const IMAGE_DATA_DIRECTORY dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        std::uintptr_t realGetProcAddress = 0;
        std::uintptr_t getProcAddressSlot = 0;
        for (std::uintptr_t at = base + dir.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            IMAGE_IMPORT_DESCRIPTOR d{};
            if (!readRemote(process, at, d)) return fail("import directory unreadable");
            if (d.Name == 0) break;
            const std::uintptr_t names = base + (d.OriginalFirstThunk ? d.OriginalFirstThunk : d.FirstThunk);
            for (std::size_t i = 0;; ++i) {
                IMAGE_THUNK_DATA nameThunk{};
                const std::uintptr_t slot = base + d.FirstThunk + i * sizeof(IMAGE_THUNK_DATA);
                if (!readRemote(process, names + i * sizeof(IMAGE_THUNK_DATA), nameThunk))
                    return fail("import names unreadable");
                if (nameThunk.u1.AddressOfData == 0) break;
                if (IMAGE_SNAP_BY_ORDINAL(nameThunk.u1.Ordinal)) continue;
                const std::string name =
                    readRemoteText(process, base + static_cast<std::uintptr_t>(nameThunk.u1.AddressOfData) + 2);
                if (name == "GetProcAddress") {
                    readRemote(process, slot, realGetProcAddress);
                    getProcAddressSlot = slot;
                    continue;
                }
                if (!isWideName(name) || implementedOnWindows95(name)) continue;
                const StubbedFunction* f = stubbedFunction(name);
                if (!f) return fail("no stub for the imported " + name + ": add its row");
                const std::uintptr_t stub = place(stubCode(*f));
                if (!stub || !writeRemote(process, slot, &stub, sizeof stub)) return fail("cannot stub " + name);
                stubbed.push_back(name);
            }
        }
        if (!getProcAddressSlot) return true;
        // The real addresses of the table's functions, as this process has
        // them: system libraries sit at one address in every process.
        std::vector<std::uintptr_t> table;
        for (const StubbedFunction& f : kStubbedFunctions) {
            HMODULE library = LoadLibraryA(f.library);
            FARPROC real = library ? GetProcAddress(library, f.name) : nullptr;
            if (!real) continue;
            const std::uintptr_t stub = place(stubCode(f));
            if (!stub) return fail(std::string("cannot place the stub of ") + f.name);
            table.push_back(reinterpret_cast<std::uintptr_t>(real));
            table.push_back(stub);
        }
        table.push_back(0);
        Code tableBytes;
        for (std::uintptr_t v : table) {
#ifdef _WIN64
            tableBytes.add64(v);
#else
            tableBytes.add32(static_cast<std::uint32_t>(v));
#endif
        }
        const std::uintptr_t tableAt = place(tableBytes);
        const std::uintptr_t hook = tableAt ? place(procAddressHookCode(realGetProcAddress, tableAt)) : 0;
        if (!hook || !writeRemote(process, getProcAddressSlot, &hook, sizeof hook))
            return fail("cannot wrap GetProcAddress");
        return true;
    }
};

}  // namespace ninex

// Starts `commandLine` (whose program is `exePath`) with the personality:
// suspended, run to its entry point with a two-byte loop written there,
// patched, the entry's bytes put back, and resumed. False with `error` set
// when any step fails; the process is then ended.
inline bool startWithWindows9xPersonality(const std::string& exePath, const std::string& commandLine,
                                          const std::string& folder, PROCESS_INFORMATION& pi,
                                          std::string& error, STARTUPINFOA* startup = nullptr,
                                          BOOL inherit = FALSE, std::vector<std::string>* stubbed = nullptr) {
    STARTUPINFOA plain{};
    plain.cb = sizeof plain;
    std::string cmd = commandLine;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, inherit, CREATE_SUSPENDED, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), startup ? startup : &plain, &pi)) {
        error = "cannot start " + exePath;
        return false;
    }
    ninex::Patcher patcher;
    patcher.process = pi.hProcess;
    auto abandon = [&](const std::string& why) {
        error = patcher.error.empty() ? why : patcher.error;
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        pi = PROCESS_INFORMATION{};
        return false;
    };
    // Nothing of the program has run yet, so its image sits at the base its
    // file asks for; checked through the headers read from there.
    patcher.base = ninex::preferredImageBase(exePath);
    IMAGE_NT_HEADERS nt{};
    if (!patcher.base || !patcher.headers(nt)) return abandon("the program's image is not where its file says");
    const std::uintptr_t entry = patcher.base + nt.OptionalHeader.AddressOfEntryPoint;
    unsigned char original[2] = {};
    const unsigned char loop[2] = {0xEB, 0xFE};  // jmp $
    if (!ninex::readRemote(pi.hProcess, entry, original) || !ninex::writeRemote(pi.hProcess, entry, loop, 2))
        return abandon("cannot hold the program at its entry point");
    ResumeThread(pi.hThread);
    bool arrived = false;
    for (int i = 0; i < 10000 && !arrived; ++i) {
        SuspendThread(pi.hThread);
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        arrived = GetThreadContext(pi.hThread, &context) && ninex::instructionPointer(context) == entry;
        if (!arrived) {
            ResumeThread(pi.hThread);
            Sleep(1);
        }
    }
    if (!arrived) return abandon("the program never reached its entry point");
    // The module list agrees with the file once the loader has run.
    if (ninex::imageBaseOf(pi.dwProcessId) != patcher.base) return abandon("the program was loaded elsewhere");
    if (!patcher.patchImports()) return abandon("");
    if (stubbed) *stubbed = patcher.stubbed;
    if (!ninex::writeRemote(pi.hProcess, entry, original, 2)) return abandon("cannot restore the entry point");
    ResumeThread(pi.hThread);
    return true;
}

}  // namespace quellar::testing
