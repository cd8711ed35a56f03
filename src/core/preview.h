#pragma once
// What an apply or a restore would change, shown before anything is
// written: built from the very list of registry operations that the action
// then carries out, beside a reading of the values as they are now.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/regops.h"

namespace quellar {

// A value as the registry holds it now.
struct CurrentValue {
    bool present = false;
    unsigned long type = 0;  // the registry type it has
    std::string text;        // decimal for a number, the text itself for a string
};
using CurrentReader = std::function<CurrentValue(const RegistryOperation& op)>;

inline constexpr char kAbsent[] = "absent";
inline constexpr char kRemoved[] = "removed";

struct PreviewRow {
    std::string key;        // "HKEY_LOCAL_MACHINE\<path>"
    std::string valueName;  // "(Default)" for the unnamed value
    std::string now;        // the value now, or "absent"
    std::string after;      // the value afterwards, or "removed"
    bool changes = false;  // a new text, a new type, or a value that goes
};

struct Preview {
    std::vector<PreviewRow> rows;
    std::size_t changing = 0;
    // "7 of 18 values change" ("1 of 1 value changes").
    std::string summary() const;
};

// What to preview, and how to carry it out.
struct PreviewRequest {
    std::string title;                 // the window's caption, e.g. "Preview: Automatic-B"
    std::string heading;               // a line above the list (a backup's date, time, Windows)
    std::vector<RegistryOperation> operations;  // exactly what the action runs
    std::string actionCaption;         // "&Apply", "&Restore" ...
    std::string refusal;               // when set, the action cannot be carried out: why
    // The action's question, asked while the preview stays open: on No it
    // stays, on Yes it closes and carryOut runs. Empty: carryOut asks itself.
    std::function<bool()> confirm;
    std::function<void()> carryOut;    // the action, with its backup (and its question unless confirm)
    // What an exported registry file holds ("Automatic-B on Windows XP");
    // empty: the window offers no export.
    std::string exportWhat;
    // An adapter's name for its key ("HKEY_LOCAL_MACHINE\<path>"), shown in
    // place of the path; empty for the other keys.
    std::function<std::string(const std::string& key)> keyLabel;
};

// The text an operation leaves in its value: the number in decimal (a
// REG_DWORD's low 32 bits, unsigned), or "removed".
std::string afterText(const RegistryOperation& op);

// One row per value the operations touch, in the order of their first
// operation; a value touched twice shows what the last operation leaves.
Preview buildPreview(const std::vector<RegistryOperation>& operations, const CurrentReader& read);

// `path` at most `width` characters long, its middle replaced by "..." so
// both ends stay readable.
std::string shortenMiddle(const std::string& path, std::size_t width);

}  // namespace quellar
