#pragma once
// The words of a face text (format: docs/face-format.md): one line split
// into words and key=value pairs, and the readers of the values they hold
// (coordinates, colours, looks, shapes, words from a fixed list). Only the
// face parser uses them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/face/face.h"

namespace quellar::ui::facewords {

struct Token {
    std::string key;    // empty for a plain word
    std::string value;
    bool keyed = false;
};

using Tokens = std::vector<Token>;

struct LineError {
    std::string message;
};

// Nothing when the line (or value) is sound.
using Outcome = std::optional<LineError>;

// Splits a line into words and key=value pairs; double quotes keep blanks
// and take the escapes \" \\ \n \t.
Outcome tokenize(std::string_view line, Tokens& out);

// A whole number within [lo, hi], as core/text reads one.
bool readWhole(std::string_view s, int lo, int hi, int& out);
// "120", "-4", "w", "w-8", "h/2+3".
bool readCoord(std::string_view s, FaceCoord& out);
// "#rgb", "#rrggbb" or "none" (no colour).
bool readColor(std::string_view s, std::optional<FaceColor>& out);
// The same without "none".
bool readSolidColor(std::string_view s, FaceColor& out);
// One look, or several joined by commas ("hover,pressed").
std::optional<std::uint8_t> readLooks(std::string_view s);
std::optional<FaceShape> shapeNamed(std::string_view s);

// At most kFaceMaxTextLength, no control characters but line feed and tab.
bool validText(std::string_view s);
bool validFontName(std::string_view s);

template <typename T>
struct Choice {
    const char* word;
    T value;
};

// The value of the word among `choices`; `out` is left alone when the word
// is not one of them.
template <typename T, std::size_t N>
bool readChoice(std::string_view s, const Choice<T> (&choices)[N], T& out) {
    for (const Choice<T>& c : choices) {
        if (s == c.word) {
            out = c.value;
            return true;
        }
    }
    return false;
}

}  // namespace quellar::ui::facewords
