#include "tuning/tuning.h"

#include <algorithm>

#include "core/osversion.h"
#include "core/regformat.h"
#include "core/text.h"
#include "tuning/fields.h"

namespace quellar::tuning {

TuningParams currentTuning;

namespace {

// The operations of one row at one key path: each of its names once; a
// removal still carries the record's number so a preview can show what was
// asked.
void addRow(std::vector<RegistryOperation>& ops, const TuningField& field, Family family, Hive hive,
            const std::string& path, const TuningParams& p) {
    const Place& place = field.on(family);
    for (const char* name : place.names) {
        if (name) ops.push_back({hive, path, name, valueTypeOf(family), numberOf(field, p), field.removedIn(p)});
    }
}

// The rows of a key in their places.
std::vector<const TuningField*> rowsOf(Key key, Family family) {
    std::vector<const TuningField*> rows;
    for (const TuningField& f : kTuningFields)
        if (f.on(family).key == key) rows.push_back(&f);
    std::sort(rows.begin(), rows.end(),
              [family](const TuningField* a, const TuningField* b) { return a->on(family).at < b->on(family).at; });
    return rows;
}

}  // namespace

bool TuningParams::operator==(const TuningParams& o) const {
    for (const TuningField& f : kTuningFields) {
        if (f.inRecord() && numberOf(f, *this) != numberOf(f, o)) return false;
    }
    return systemDefaults == o.systemDefaults && mtuAdapters == o.mtuAdapters;
}

bool TuningParams::writesMtuTo(const std::string& subkey) const {
    if (mtuAdapters.empty()) return true;
    for (const std::string& chosen : mtuAdapters)
        if (text::equalsIgnoreCase(chosen, subkey)) return true;
    return false;
}

std::optional<Family> familyOf(int winVersion) {
    if (isNtFamily(winVersion)) return Family::Nt;
    if (winVersion >= kFirstWinVersion && winVersion <= kLastWinVersion) return Family::Win9x;
    return std::nullopt;
}

unsigned long valueTypeOf(Family family) {
    return family == Family::Win9x ? kTypeText : kTypeDword;
}

const char* perSubkeyParent(Family family) {
    return family == Family::Win9x ? keys::kNetTrans : keys::kInterfaces;
}

std::string netTransKey(const std::string& subkey) { return std::string(keys::kNetTrans) + "\\" + subkey; }

std::string interfaceKey(const std::string& subkey) { return std::string(keys::kInterfaces) + "\\" + subkey; }

std::string adapterTcpipKey(const std::string& subkey) {
    return std::string(keys::kServices) + "\\" + subkey + keys::kAdapterTcpipTail;
}

std::vector<RegistryOperation> tuningOperations(const TuningParams& params, Family family,
                                                const std::vector<std::string>& subkeys) {
    std::vector<RegistryOperation> ops;
    for (Key key : applyOrder(family)) {
        const std::vector<const TuningField*> rows = rowsOf(key, family);
        if (key != Key::Adapter) {
            for (const TuningField* row : rows)
                addRow(ops, *row, family, hiveOf(key), keyPath(family, key, row->on(family).otherSpelling), params);
            continue;
        }
        for (const std::string& subkey : subkeys) {
            if (!params.writesMtuTo(subkey)) continue;
            for (const TuningField* row : rows)
                for (const std::string& path : adapterKeyPaths(family, subkey))
                    addRow(ops, *row, family, hiveOf(key), path, params);
        }
    }
    if (params.systemDefaults) {
        // Without the value the system uses its built-in default; no number
        // written here could stand for it on every Windows version.
        for (RegistryOperation& op : ops) op.remove = true;
    }
    return ops;
}

}  // namespace quellar::tuning
