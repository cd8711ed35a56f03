#pragma once
// The adapters whose per-subkey keys get the MTU and MSS, by the names the
// user knows them by. Windows keeps those names in different places in each
// family; the list is built here from a reader the Win32 layer supplies
// (backup/apply_win.cpp), so every lookup rule is tested natively.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tuning/tuning.h"

namespace quellar::tuning {

// Reads HKEY_LOCAL_MACHINE. `text` gives a REG_SZ value as its text and a
// REG_DWORD as unsigned decimal; nothing when the key or value is missing.
struct AdapterRegistry {
    std::function<std::vector<std::string>(const std::string& path)> subkeys;
    std::function<std::vector<std::string>(const std::string& path)> valueNames;
    std::function<std::optional<std::string>(const std::string& path, const std::string& name)> text;
};

struct AdapterEntry {
    std::string subkey;       // the per-subkey key's own name: what --adapter takes
    std::string name;         // what the user reads first
    std::string description;  // a second line, or empty
    std::optional<std::string> mtu;  // the MTU written there now; none: not set
};

// What a user reads for an MTU that is not set.
inline constexpr char kMtuNotSet[] = "not set";

// One entry per subkey, in the order given (the enumeration order of
// perSubkeyParent(family)). The name is
//  - NT: the connection's name (2000, XP and later), the adapter's
//    description below it; else the description of the network card whose
//    service is the subkey (NT 4); else the subkey;
//  - 9x: "TCP/IP -> <adapter>" with the DriverDesc of the network adapter
//    the transport is bound to, as the Network control panel shows it; the
//    transport's own DriverDesc when no binding says which adapter; else the
//    subkey. The subkey is the second line where a name was found.
std::vector<AdapterEntry> adapterList(Family family, const std::vector<std::string>& subkeys,
                                      const AdapterRegistry& registry);

// "Dial-Up Adapter (0002)": one line naming an adapter for lists of values.
std::string adapterLabel(const AdapterEntry& entry);

// The label of the adapter whose per-subkey key `keyPath` is (a NetTrans,
// Interfaces or Services\X\Parameters\Tcpip key); empty for any other key.
std::string adapterLabelForKey(const std::vector<AdapterEntry>& adapters, Family family,
                               const std::string& keyPath);

// Names an adapter by a key as previews show it ("HKEY_LOCAL_MACHINE\<path>"):
// its label, or empty for a key of no adapter.
using AdapterNamer = std::function<std::string(const std::string& previewKey)>;
AdapterNamer adapterNamer(std::vector<AdapterEntry> adapters, Family family);

}  // namespace quellar::tuning
