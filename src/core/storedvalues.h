#pragma once
// The one vocabulary of stored settings: a window's values read and written
// as what they are (a check box's state, a yes or no, a whole number, a
// list's entry, a text) through its SettingsStore, one area at a time. A
// window loads with the readers and saves with the writers, value by value
// in its own order.
//
// Every reader takes what a missing value reads as; a value that is not of
// its kind (damaged, or edited by hand) reads as that too, so a window
// always loads. The texts written are the ones every earlier version wrote
// and read: "0", "1", "2" for a check box, "True" or "False", decimal
// numbers.
#include <cstdint>
#include <string>
#include <utility>

#include "core/store.h"

namespace quellar {

class StoredValues {
public:
    // `area` is one of the area texts ("\Settings\NetPinger" ...).
    StoredValues(SettingsStore& store, std::string area) : store_(store), area_(std::move(area)) {}

    // A check box's state: 0 clear, 1 ticked, 2 grey. A number that is one
    // of them, written any way a number may be (" 1", "+1", "01", "1.0").
    int check(const char* name, int fallback = 0) const;
    // True or False in any letter case, blanks around it allowed, or a
    // number (non-zero is true).
    bool flag(const char* name, bool fallback) const;
    // A number rounded with ties to even and held within [lowest, highest]:
    // a value that no longer fits its box reads as the nearest it takes.
    std::int64_t whole(const char* name, std::int64_t lowest, std::int64_t highest,
                       std::int64_t fallback) const;
    // A list's selection: a whole number from 0 to count - 1; a number past
    // the list is no nearer entry, so it reads as `fallback`.
    int entry(const char* name, int count, int fallback) const;
    // The text as stored.
    std::string text(const char* name, const std::string& fallback) const;

    void saveCheck(const char* name, int state);  // "0", "1" or "2"
    void saveFlag(const char* name, bool value);  // "True" or "False"
    void saveWhole(const char* name, std::int64_t value);
    void saveText(const char* name, const std::string& text);

private:
    SettingsStore& store_;
    std::string area_;
};

}  // namespace quellar
