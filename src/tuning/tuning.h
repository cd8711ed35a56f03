#pragma once
// The TCP/IP tuning record and the registry operations of an apply of it on
// each Windows family, computed from the field table (tuning/fields.h) and
// kept free of <windows.h>; backup/apply_win.h carries them out.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/regops.h"

namespace quellar::tuning {

// One set of TCP/IP values, copied as a whole. -1 in `mtu` removes the MTU
// and MSS values instead of writing them; -1 in `rwin` removes the receive
// window values. `systemDefaults` removes every value of the map, whatever
// the numbers hold, so Windows goes back to its own built-in defaults (the
// "Windows default" preset); a mode that fills in numbers of its own must
// clear it.
struct TuningParams {
    std::int32_t mss = 0;
    std::int32_t mtu = 0;
    std::int32_t rwin = 0;
    std::int32_t ttl = 0;
    std::int32_t keepAliveTime = 0;      // milliseconds
    std::int32_t keepAliveInterval = 0;  // milliseconds
    std::int32_t synAttackProtect = 0;   // 0, 1 or 2
    std::int32_t ndiCacheSize = 0;
    bool pmtuDiscovery = false;
    bool pmtuBlackHoleDetect = false;
    std::int32_t maxConnPer1_0Server = 0;
    std::int32_t maxConnPerServer = 0;
    bool icmpRedirects = false;
    bool systemDefaults = false;
    // The per-subkey keys (by subkey name, any letter case) that get the
    // MTU and MSS; empty: every one. The other values go where they always
    // go, and a backup still records every subkey.
    std::vector<std::string> mtuAdapters;

    // True when the MTU and MSS go to `subkey`.
    bool writesMtuTo(const std::string& subkey) const;

    bool operator==(const TuningParams& other) const;
    bool operator!=(const TuningParams& other) const { return !(*this == other); }
};

// The value that means "remove instead of write" in `mtu` and `rwin`.
inline constexpr std::int32_t kRemoveValue = -1;

// Tcp1323Opts as every apply writes it: window scaling (bit 0) on, so the
// receive window may pass 65,535.
inline constexpr std::int64_t kTcp1323Opts = 1;

enum class Family { Win9x, Nt };

// winVersion 1 to 4 (an unrecognised 9x system counts as 1) is the 9x
// family, 5 to 8 (8: every NT system after XP) the NT family; anything else
// has no family.
std::optional<Family> familyOf(int winVersion);

// The registry type every TCP/IP value of the family is written with:
// REG_SZ decimal text on 9x, REG_DWORD on NT.
unsigned long valueTypeOf(Family family);

// Registry paths shared by the apply map and the backup layout.
namespace keys {
inline constexpr char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
inline constexpr char kInternetSettings9x[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline constexpr char kInternetSettingsNt[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline constexpr char kNdiCacheSize[] = "System\\CurrentControlSet\\Services\\VxD\\NWLink\\Ndi\\params\\cachesize";
inline constexpr char kNetTrans[] = "System\\CurrentControlSet\\Services\\Class\\NetTrans";
// The NT parameters key, in the two spellings the map uses (the registry
// does not tell them apart).
inline constexpr char kTcpipParameters[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
inline constexpr char kTcpipParametersLower[] = "SYSTEM\\CurrentControlSet\\Services\\tcpip\\parameters";
inline constexpr char kInterfaces[] = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
inline constexpr char kServices[] = "SYSTEM\\CurrentControlSet\\Services";
inline constexpr char kAdapterTcpipTail[] = "\\Parameters\\Tcpip";
}  // namespace keys

// The key (under HKEY_LOCAL_MACHINE) whose subkeys get the per-adapter
// values: NetTrans on 9x, Interfaces on NT.
const char* perSubkeyParent(Family family);

// NetTrans\<subkey> (9x); Interfaces\<subkey> and Services\<subkey>\Parameters\Tcpip (NT).
std::string netTransKey(const std::string& subkey);
std::string interfaceKey(const std::string& subkey);
std::string adapterTcpipKey(const std::string& subkey);

// Every registry operation of an apply of `params` on `family`, in the
// order they are carried out. `subkeys` are the subkeys of
// perSubkeyParent(family) in enumeration order (empty when the key has none
// or cannot be opened). The backup that precedes the writes is not part of
// the list.
std::vector<RegistryOperation> tuningOperations(const TuningParams& params, Family family,
                                                const std::vector<std::string>& subkeys);

}  // namespace quellar::tuning

namespace quellar::tuning {

// The set the next apply writes: the Wizard mode copies a preset over it,
// the Advanced mode fills it page by page. Never saved.
extern TuningParams currentTuning;

}  // namespace quellar::tuning
