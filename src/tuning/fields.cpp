#include "tuning/fields.h"

#include <algorithm>

namespace quellar::tuning {

namespace {

// Calls visit(at, name, place) for each name of the family's record of
// `key` at its place: a second name right after the first, a name recorded
// again at againAt. Stops with false as soon as visit returns false.
template <typename Visit>
constexpr bool visitPlaces(Family family, Key key, Visit visit) {
    for (const TuningField& f : kTuningFields) {
        const Place& p = f.on(family);
        if (p.key != key) continue;
        for (int i = 0; i < 2 && p.names[i]; ++i)
            if (!visit(p.at + i, p.names[i], p)) return false;
        if (p.againAt > 0 && !visit(p.againAt, p.names[0], p)) return false;
    }
    return true;
}

// Every record of a backup holds each of its places once, from 1 with no
// gap: a row placed twice, or a place left out, fails the build.
constexpr bool placesComplete(Family family, Key key) {
    bool taken[32] = {};
    int count = 0;
    const bool once = visitPlaces(family, key, [&](int at, const char*, const Place&) {
        if (at < 1 || at >= 32 || taken[at]) return false;
        taken[at] = true;
        ++count;
        return true;
    });
    if (!once) return false;
    for (int at = 1; at <= count; ++at)
        if (!taken[at]) return false;
    return true;
}

constexpr bool everyPlaceComplete() {
    for (Family family : {Family::Win9x, Family::Nt})
        for (Key key : {Key::Stack, Key::InternetSettings, Key::NdiCache, Key::Adapter})
            if (!placesComplete(family, key)) return false;
    for (const TuningField& f : kTuningFields)
        if (f.nt.key == Key::None && f.win9x.key == Key::None) return false;
    return true;
}
static_assert(everyPlaceComplete(), "each key's record holds each place once, and every row has a place");

}  // namespace

const TuningField& fieldOf(std::int32_t TuningParams::*number) {
    for (const TuningField& f : kTuningFields)
        if (f.number == number) return f;
    return kTuningFields[0];  // unreachable: every whole number of the record has a row
}

std::int64_t numberOf(const TuningField& field, const TuningParams& params) {
    if (field.number) return params.*field.number;
    if (field.flag) return params.*field.flag ? 1 : 0;
    return field.fixed;
}

const std::vector<Key>& applyOrder(Family family) {
    static const std::vector<Key> ninex = {Key::Stack, Key::InternetSettings, Key::NdiCache, Key::Adapter};
    static const std::vector<Key> nt = {Key::Stack, Key::InternetSettings, Key::Adapter, Key::NdiCache};
    return family == Family::Nt ? nt : ninex;
}

Hive hiveOf(Key key) { return key == Key::InternetSettings ? Hive::CurrentUser : Hive::LocalMachine; }

const char* keyPath(Family family, Key key, bool otherSpelling) {
    const bool nt = family == Family::Nt;
    switch (key) {
    case Key::Stack:
        if (!nt) return keys::kMstcp;
        return otherSpelling ? keys::kTcpipParametersLower : keys::kTcpipParameters;
    case Key::InternetSettings:
        return nt ? keys::kInternetSettingsNt : keys::kInternetSettings9x;
    case Key::NdiCache:
        return keys::kNdiCacheSize;
    default:
        return perSubkeyParent(family);
    }
}

std::vector<std::string> adapterKeyPaths(Family family, const std::string& subkey) {
    if (family == Family::Win9x) return {netTransKey(subkey)};
    return {interfaceKey(subkey), adapterTcpipKey(subkey)};
}

std::vector<RecordedName> recordedNames(Family family, Key key) {
    std::vector<std::pair<int, RecordedName>> placed;
    visitPlaces(family, key, [&](int at, const char* name, const Place& p) {
        placed.push_back({at, {name, p.recordedAsFlag}});
        return true;
    });
    std::sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RecordedName> names;
    for (const auto& entry : placed) names.push_back(entry.second);
    return names;
}

}  // namespace quellar::tuning
