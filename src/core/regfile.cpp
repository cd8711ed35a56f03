#include "core/regfile.h"

#include <cstdio>

#include "core/regformat.h"
#include "core/text.h"

namespace quellar {

namespace {

constexpr char kEnd[] = "\r\n";

// A name or text between quotes: the editor reads \\ and \" as escapes.
std::string quoted(const std::string& raw) {
    std::string out = "\"";
    for (char c : raw) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string dataText(const RegistryOperation& op) {
    if (op.remove) return "-";
    if (op.exact) {
        // A value a backup holds in its typed form goes back with its very
        // type and bytes, as the editor writes any type: hex(T) and the
        // bytes (binary data is plain hex).
        constexpr unsigned long kBinary = 3;
        return (op.type == kBinary ? std::string("hex:") : text::formatted("hex(%lx):", op.type)) +
               hexByteList(op.data);
    }
    if (op.type == kTypeDword) {
        return "dword:" + text::formatted("%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(op.value)));
    }
    return quoted(std::to_string(op.value));
}

struct Section {
    Hive hive;
    std::string keyPath;
    std::vector<const RegistryOperation*> values;
};

bool sameValue(const RegistryOperation& a, const RegistryOperation& b) {
    return text::equalsIgnoreCase(a.valueName, b.valueName);
}

}  // namespace

std::string hexByteList(std::string_view data) {
    static const char digits[] = "0123456789abcdef";
    std::string list;
    list.reserve(data.size() * 3);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(data[i]);
        if (i > 0) list += ',';
        list += digits[byte >> 4];
        list += digits[byte & 0x0F];
    }
    return list;
}

std::string regFileComment(const std::string& program, const std::string& what, const LocalTime& when) {
    return "; " + program + ": " + what + ", written " +
           text::formatted("%d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day, when.hour, when.minute,
                           when.second);
}

std::string regFileText(const std::vector<RegistryOperation>& operations, const std::string& comment) {
    std::vector<Section> sections;
    for (const RegistryOperation& op : operations) {
        Section* section = nullptr;
        for (Section& s : sections)
            if (s.hive == op.hive && text::equalsIgnoreCase(s.keyPath, op.keyPath)) section = &s;
        if (!section) {
            sections.push_back({op.hive, op.keyPath, {}});
            section = &sections.back();
        }
        bool replaced = false;
        for (const RegistryOperation*& value : section->values) {
            if (sameValue(*value, op)) {
                value = &op;
                replaced = true;
            }
        }
        if (!replaced) section->values.push_back(&op);
    }
    std::string out = std::string("REGEDIT4") + kEnd + kEnd;
    if (!comment.empty()) out += comment + kEnd;
    for (const Section& section : sections) {
        out += std::string(kEnd) + "[" + hiveName(section.hive) + "\\" + section.keyPath + "]" + kEnd;
        for (const RegistryOperation* op : section.values)
            out += (op->valueName.empty() ? std::string("@") : quoted(op->valueName)) + "=" + dataText(*op) + kEnd;
    }
    return out + kEnd;
}

}  // namespace quellar
