#pragma once
// The attributes of a face text's drawing and button lines: which plain
// words and key=value pairs each shape and button takes, and what they set.
// Only the face parser uses them.
#include <cstddef>
#include <vector>

#include "ui/face/face.h"
#include "ui/face/facewords.h"

namespace quellar::ui::facewords {

// The words and attributes of a drawing line from tokens[first] on, into a
// drawing whose shape is already set.
Outcome readDrawingAttributes(const Tokens& tokens, std::size_t first, FaceDrawing& d);

// The same for a button (or, with dragArea set, a caption strip, which takes
// only style=); style= names one of `styles`.
Outcome readButtonAttributes(const Tokens& tokens, std::size_t first, const std::vector<FaceStyle>& styles,
                             FaceButton& b);

}  // namespace quellar::ui::facewords
