#pragma once
// Loopback that stops answering echoes, for the tests of what a timeout
// looks like. Only inside the test command's private network namespace:
// the kernel's switch belongs to the namespace, so nothing outside it hears
// of the change.
#include <windows.h>

#include <string>

namespace quellar::testing {

namespace loopbackdetail {

inline const char* const kIgnoreEchoes = "Z:\\proc\\sys\\net\\ipv4\\icmp_echo_ignore_all";

inline std::string readFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

inline bool writeFile(const char* path, const std::string& text) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    CloseHandle(file);
    return ok;
}

}  // namespace loopbackdetail

// The test command runs the Wine tests in a network namespace of their own,
// with loopback as its only interface. Only there may a test change how the
// kernel answers echoes: the setting belongs to the namespace.
inline bool inPrivateNetworkNamespace() {
    using loopbackdetail::readFile;
    const std::string devices = readFile("Z:\\proc\\self\\net\\dev");
    int interfaces = 0;
    bool loopback = false;
    std::string::size_type line = 0;
    while ((line = devices.find('\n', line)) != std::string::npos) {
        ++line;
        const std::string::size_type colon = devices.find(':', line);
        const std::string::size_type end = devices.find('\n', line);
        if (colon == std::string::npos || colon > end) continue;
        std::string name = devices.substr(line, colon - line);
        name.erase(0, name.find_first_not_of(' '));
        ++interfaces;
        loopback = loopback || name == "lo";
    }
    return loopback && interfaces == 1;
}

// Loopback stops answering echoes while this lives.
class SilentLoopback {
public:
    SilentLoopback() : active_(loopbackdetail::writeFile(loopbackdetail::kIgnoreEchoes, "1\n")) {}
    ~SilentLoopback() {
        if (active_) loopbackdetail::writeFile(loopbackdetail::kIgnoreEchoes, "0\n");
    }
    bool active() const { return active_; }

private:
    bool active_;
};

}  // namespace quellar::testing
