// Fuzz entry for the skin file reader: any bytes must read without harm,
// and every reported line must exist in the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/skin/skin.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    quellar::ui::SkinParseResult result = quellar::ui::parseSkin(text);
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n';
    for (const quellar::ui::SkinIssue& issue : result.issues) {
        if (issue.line < 1 || static_cast<std::size_t>(issue.line) > lines) std::abort();
    }
    if (result.issues.size() > quellar::ui::kMaxSkinIssues) std::abort();
    return 0;
}
