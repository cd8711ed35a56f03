#include "core/preview.h"

#include <map>
#include <tuple>

#include "core/regformat.h"
#include "core/text.h"

namespace quellar {

namespace {

std::string lowered(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = text::lowerAscii(c);
    return out;
}

}  // namespace

std::string Preview::summary() const {
    return std::to_string(changing) + " of " + std::to_string(rows.size()) +
           (rows.size() == 1 ? " value changes" : " values change");
}

std::string afterText(const RegistryOperation& op) {
    if (op.remove) return kRemoved;
    if (op.exact) return valueText(op.type, op.data, op.data.size());
    if (op.type == kTypeDword) return std::to_string(static_cast<std::uint32_t>(op.value & 0xFFFFFFFF));
    return std::to_string(op.value);
}

Preview buildPreview(const std::vector<RegistryOperation>& operations, const CurrentReader& read) {
    Preview preview;
    // The registry does not tell letter cases apart in names and paths.
    std::map<std::tuple<int, std::string, std::string>, std::size_t> seen;
    std::vector<bool> removes, retyped;
    std::vector<unsigned long> types;
    for (const RegistryOperation& op : operations) {
        const auto id = std::make_tuple(static_cast<int>(op.hive), lowered(op.keyPath), lowered(op.valueName));
        auto found = seen.find(id);
        if (found == seen.end()) {
            const CurrentValue now = read ? read(op) : CurrentValue{};
            PreviewRow row;
            row.key = std::string(hiveName(op.hive)) + "\\" + op.keyPath;
            row.valueName = op.valueName.empty() ? "(Default)" : op.valueName;
            row.now = now.present ? now.text : kAbsent;
            found = seen.emplace(id, preview.rows.size()).first;
            preview.rows.push_back(std::move(row));
            removes.push_back(false);
            retyped.push_back(false);
            types.push_back(now.present ? now.type : 0);
        }
        PreviewRow& row = preview.rows[found->second];
        row.after = afterText(op);
        removes[found->second] = op.remove;
        retyped[found->second] = !op.remove && types[found->second] != 0 && types[found->second] != op.type;
    }
    for (std::size_t i = 0; i < preview.rows.size(); ++i) {
        PreviewRow& row = preview.rows[i];
        row.changes = removes[i] ? row.now != kAbsent : (row.now != row.after || retyped[i]);
        if (row.changes) ++preview.changing;
    }
    return preview;
}

std::string shortenMiddle(const std::string& path, std::size_t width) {
    if (path.size() <= width) return path;
    if (width < 5) return path.substr(0, width);
    const std::size_t keep = width - 3;
    const std::size_t head = (keep + 1) / 2;
    const std::size_t tail = keep - head;
    return path.substr(0, head) + "..." + path.substr(path.size() - tail);
}

}  // namespace quellar
