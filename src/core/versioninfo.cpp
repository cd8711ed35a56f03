#include "core/versioninfo.h"

#include <cstdint>

namespace quellar {

namespace {
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;

std::uint32_t readLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
}  // namespace

std::optional<FileVersion> parseFixedFileVersion(const unsigned char* data, std::size_t size) {
    if (!data) return std::nullopt;
    // The block is DWORD-aligned within the resource; signature, structure
    // version, then the file version's most and least significant halves.
    for (std::size_t at = 0; at + 16 <= size; at += 4) {
        if (readLe32(data + at) != kFixedInfoSignature) continue;
        std::uint32_t high = readLe32(data + at + 8);
        std::uint32_t low = readLe32(data + at + 12);
        return FileVersion{static_cast<int>(high >> 16), static_cast<int>(high & 0xFFFF),
                           static_cast<int>(low >> 16), static_cast<int>(low & 0xFFFF)};
    }
    return std::nullopt;
}

}  // namespace quellar
