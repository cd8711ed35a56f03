#include "core/numberbox.h"

#include "core/form.h"
#include "core/text.h"

namespace quellar {

std::string rangeRule(const WholeRange& range) {
    std::string rule = std::string(range.subject) + ": a whole number ";
    if (range.unit) rule += std::string("of ") + range.unit + " ";
    return rule + "from " + std::to_string(range.lowest) + " to " + std::to_string(range.highest);
}

std::optional<std::int64_t> wholeNumberIn(std::string_view text, const WholeRange& range) {
    return text::parseWholeRounded(text, range.lowest, range.highest);
}

bool checkNumberBox(Control& box, const WholeRange& range) {
    const std::optional<std::int64_t> number = wholeNumberIn(box.text(), range);
    if (!number) {
        box.refuse(rangeRule(range));
        return false;
    }
    box.setText(std::to_string(*number));
    box.clearProblem();
    return true;
}

}  // namespace quellar
