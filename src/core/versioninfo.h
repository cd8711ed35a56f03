#pragma once
// Reads the file version out of a version resource's raw bytes (the
// VS_FIXEDFILEINFO block that follows the "VS_VERSION_INFO" key).
#include <cstddef>
#include <optional>

namespace quellar {

struct FileVersion {
    int major = 0;
    int minor = 0;
    int build = 0;
    int revision = 0;
};

std::optional<FileVersion> parseFixedFileVersion(const unsigned char* data, std::size_t size);

}  // namespace quellar
