#include "tuning/tuning.h"

#include "core/osversion.h"
#include "core/regformat.h"
#include "core/text.h"

namespace quellar {

tuning::TuningParams currentTuning;

}  // namespace quellar

namespace quellar::tuning {

namespace {

// The values both families write whatever the record holds.
constexpr std::int64_t kSackOpts = 1;
constexpr std::int64_t kTcpMaxDupAcks = 2;
constexpr std::int64_t kDefaultReceiveWindow = 8192;

std::int64_t flag(bool on) { return on ? 1 : 0; }

// Appends operations of one family: every value gets the family's type.
class Plan {
public:
    explicit Plan(Family family) : type_(valueTypeOf(family)) {}

    void set(Hive hive, const std::string& key, const char* name, std::int64_t value) {
        ops_.push_back({hive, key, name, type_, value, false});
    }
    // Written, or removed when `removed` holds; a removal still carries the
    // record's number so a preview can show what was asked.
    void setOrRemove(Hive hive, const std::string& key, const char* name, std::int64_t value, bool removed) {
        ops_.push_back({hive, key, name, type_, value, removed});
    }
    std::vector<RegistryOperation> take() { return std::move(ops_); }

private:
    unsigned long type_;
    std::vector<RegistryOperation> ops_;
};

constexpr Hive kMachine = Hive::LocalMachine;
constexpr Hive kUser = Hive::CurrentUser;

std::vector<RegistryOperation> operations9x(const TuningParams& p, const std::vector<std::string>& subkeys) {
    Plan plan(Family::Win9x);
    const bool noWindow = p.rwin == kRemoveValue;
    const bool noMtu = p.mtu == kRemoveValue;
    plan.set(kMachine, keys::kMstcp, "SackOpts", kSackOpts);
    plan.set(kMachine, keys::kMstcp, "Tcp1323Opts", kTcp1323Opts);
    plan.set(kMachine, keys::kMstcp, "DefaultTTL", p.ttl);
    plan.setOrRemove(kMachine, keys::kMstcp, "DefaultRcvWindow", p.rwin, noWindow);
    plan.setOrRemove(kMachine, keys::kMstcp, "GlobalMaxTcpWindowSize", p.rwin, noWindow);
    plan.set(kMachine, keys::kMstcp, "PMTUBlackHoleDetect", flag(p.pmtuBlackHoleDetect));
    plan.set(kMachine, keys::kMstcp, "PMTUDiscovery", flag(p.pmtuDiscovery));
    plan.set(kMachine, keys::kMstcp, "KeepAliveTime", p.keepAliveTime);
    plan.set(kMachine, keys::kMstcp, "KeepAliveInterval", p.keepAliveInterval);
    plan.set(kUser, keys::kInternetSettings9x, "MaxConnectionsPer1_0Server", p.maxConnPer1_0Server);
    plan.set(kUser, keys::kInternetSettings9x, "MaxConnectionsPerServer", p.maxConnPerServer);
    plan.set(kMachine, keys::kNdiCacheSize, "", p.ndiCacheSize);
    for (const std::string& subkey : subkeys) {
        if (!p.writesMtuTo(subkey)) continue;
        const std::string key = netTransKey(subkey);
        plan.setOrRemove(kMachine, key, "MaxMTU", p.mtu, noMtu);
        plan.setOrRemove(kMachine, key, "MaxMSS", p.mss, noMtu);
    }
    return plan.take();
}

std::vector<RegistryOperation> operationsNt(const TuningParams& p, const std::vector<std::string>& subkeys) {
    Plan plan(Family::Nt);
    const bool noWindow = p.rwin == kRemoveValue;
    const bool noMtu = p.mtu == kRemoveValue;
    plan.set(kMachine, keys::kTcpipParameters, "SackOpts", kSackOpts);
    plan.set(kMachine, keys::kTcpipParameters, "Tcp1323Opts", kTcp1323Opts);
    plan.set(kMachine, keys::kTcpipParameters, "TcpMaxDupAcks", kTcpMaxDupAcks);
    plan.set(kMachine, keys::kTcpipParameters, "DefaultReceiveWindow", kDefaultReceiveWindow);
    const std::string params = keys::kTcpipParametersLower;
    plan.set(kMachine, params, "DefaultTTL", p.ttl);
    plan.setOrRemove(kMachine, params, "GlobalMaxTcpWindowSize", p.rwin, noWindow);
    plan.setOrRemove(kMachine, params, "TcpWindowSize", p.rwin, noWindow);
    plan.set(kMachine, params, "EnablePMTUBHDetect", flag(p.pmtuBlackHoleDetect));
    plan.set(kMachine, params, "EnablePMTUDiscovery", flag(p.pmtuDiscovery));
    plan.set(kMachine, params, "KeepAliveTime", p.keepAliveTime);
    plan.set(kMachine, params, "KeepAliveInterval", p.keepAliveInterval);
    plan.set(kMachine, params, "SYNAttackProtect", p.synAttackProtect);
    plan.set(kMachine, params, "EnableICMPRedirects", flag(p.icmpRedirects));
    plan.set(kUser, keys::kInternetSettingsNt, "MaxConnectionsPer1_0Server", p.maxConnPer1_0Server);
    plan.set(kUser, keys::kInternetSettingsNt, "MaxConnectionsPerServer", p.maxConnPerServer);
    for (const std::string& subkey : subkeys) {
        if (!p.writesMtuTo(subkey)) continue;
        const std::string itf = interfaceKey(subkey);
        const std::string adapter = adapterTcpipKey(subkey);
        plan.setOrRemove(kMachine, itf, "MTU", p.mtu, noMtu);
        plan.setOrRemove(kMachine, adapter, "MTU", p.mtu, noMtu);
        plan.setOrRemove(kMachine, itf, "MSS", p.mss, noMtu);
        plan.setOrRemove(kMachine, adapter, "MSS", p.mss, noMtu);
    }
    plan.set(kMachine, keys::kNdiCacheSize, "", p.ndiCacheSize);
    return plan.take();
}

}  // namespace

bool TuningParams::operator==(const TuningParams& o) const {
    return mss == o.mss && mtu == o.mtu && rwin == o.rwin && ttl == o.ttl && keepAliveTime == o.keepAliveTime &&
           keepAliveInterval == o.keepAliveInterval && synAttackProtect == o.synAttackProtect &&
           ndiCacheSize == o.ndiCacheSize && pmtuDiscovery == o.pmtuDiscovery &&
           pmtuBlackHoleDetect == o.pmtuBlackHoleDetect && maxConnPer1_0Server == o.maxConnPer1_0Server &&
           maxConnPerServer == o.maxConnPerServer && icmpRedirects == o.icmpRedirects &&
           systemDefaults == o.systemDefaults && mtuAdapters == o.mtuAdapters;
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
    return family == Family::Win9x ? settings::kTypeText : settings::kTypeDword;
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
    std::vector<RegistryOperation> ops =
        family == Family::Win9x ? operations9x(params, subkeys) : operationsNt(params, subkeys);
    if (params.systemDefaults) {
        // Without the value the system uses its built-in default; no number
        // written here could stand for it on every Windows version.
        for (RegistryOperation& op : ops) op.remove = true;
    }
    return ops;
}

}  // namespace quellar::tuning
