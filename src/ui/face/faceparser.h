#pragma once
// Reads a face from its text (format: docs/face-format.md). A face that is
// damaged anywhere is refused as a whole, with the line at fault.
#include <string>
#include <string_view>

#include "ui/face/face.h"

namespace quellar::ui {

struct FaceParseResult {
    bool ok = false;
    int line = 0;                    // where the error is (0: the text as a whole)
    std::string message;
    Face face;
    std::string error() const;       // "line 7: unknown attribute 'fil'"
};

FaceParseResult parseFace(std::string_view text);


}  // namespace quellar::ui
