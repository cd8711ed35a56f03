#include "tuning/adapters.h"

#include "core/text.h"
#include "tuning/fields.h"

namespace quellar::tuning {

namespace {

constexpr char kNetworkConnections[] =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
constexpr char kNetworkCards[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
constexpr char kEnum[] = "System\\CurrentControlSet\\Enum";
constexpr char kTransportInstances[] = "System\\CurrentControlSet\\Enum\\Network\\MSTCP";
constexpr char kClass[] = "System\\CurrentControlSet\\Services\\Class";

// A name worth showing: present and not only blanks.
std::optional<std::string> shown(const std::optional<std::string>& value) {
    if (!value) return std::nullopt;
    const std::string_view trimmed = text::trim(*value);
    if (trimmed.empty()) return std::nullopt;
    return std::string(trimmed);
}

std::optional<std::string> read(const AdapterRegistry& registry, const std::string& path, const char* name) {
    return registry.text ? shown(registry.text(path, name)) : std::nullopt;
}

std::vector<std::string> subkeysOf(const AdapterRegistry& registry, const std::string& path) {
    return registry.subkeys ? registry.subkeys(path) : std::vector<std::string>{};
}

// NT 4 and later list each network card with the service that drives it;
// on 2000 and XP the service is the adapter's {GUID}.
std::optional<std::string> networkCardDescription(const AdapterRegistry& registry, const std::string& service) {
    for (const std::string& card : subkeysOf(registry, kNetworkCards)) {
        const std::string path = std::string(kNetworkCards) + "\\" + card;
        const std::optional<std::string> cardService = read(registry, path, "ServiceName");
        if (cardService && text::equalsIgnoreCase(*cardService, service)) return read(registry, path, "Description");
    }
    return std::nullopt;
}

AdapterEntry ntAdapter(const AdapterRegistry& registry, const std::string& subkey) {
    AdapterEntry entry;
    entry.subkey = subkey;
    const std::optional<std::string> connection =
        read(registry, std::string(kNetworkConnections) + "\\" + subkey + "\\Connection", "Name");
    const std::optional<std::string> description = networkCardDescription(registry, subkey);
    if (connection) {
        entry.name = *connection;
        entry.description = description.value_or(subkey);
    } else if (description) {
        entry.name = *description;
        entry.description = subkey;
    } else {
        entry.name = subkey;
    }
    entry.mtu = registry.text ? registry.text(interfaceKey(subkey), "MTU") : std::nullopt;
    if (!entry.mtu && registry.text) entry.mtu = registry.text(adapterTcpipKey(subkey), "MTU");
    return entry;
}

// The instance key under Enum whose Bindings name `binding` ("MSTCP\0000"):
// the network adapter the transport instance is bound to.
std::optional<std::string> boundAdapterDriver(const AdapterRegistry& registry, const std::string& binding) {
    if (!registry.valueNames) return std::nullopt;
    for (const std::string& bus : subkeysOf(registry, kEnum)) {
        if (text::equalsIgnoreCase(bus, "Network")) continue;  // the transports themselves
        const std::string busPath = std::string(kEnum) + "\\" + bus;
        for (const std::string& device : subkeysOf(registry, busPath)) {
            const std::string devicePath = busPath + "\\" + device;
            for (const std::string& instance : subkeysOf(registry, devicePath)) {
                const std::string instancePath = devicePath + "\\" + instance;
                for (const std::string& bound : registry.valueNames(instancePath + "\\Bindings")) {
                    if (text::equalsIgnoreCase(bound, binding)) return read(registry, instancePath, "Driver");
                }
            }
        }
    }
    return std::nullopt;
}

// The adapter a NetTrans subkey serves: its transport instance under
// Enum\Network\MSTCP names it as its driver, an adapter's Bindings name
// that instance, and the adapter's own driver key holds its description.
std::optional<std::string> boundAdapterDescription(const AdapterRegistry& registry, const std::string& subkey) {
    const std::string driver = "NetTrans\\" + subkey;
    for (const std::string& instance : subkeysOf(registry, kTransportInstances)) {
        const std::optional<std::string> instanceDriver =
            read(registry, std::string(kTransportInstances) + "\\" + instance, "Driver");
        if (!instanceDriver || !text::equalsIgnoreCase(*instanceDriver, driver)) continue;
        const std::optional<std::string> adapterDriver = boundAdapterDriver(registry, "MSTCP\\" + instance);
        if (adapterDriver) return read(registry, std::string(kClass) + "\\" + *adapterDriver, "DriverDesc");
    }
    return std::nullopt;
}

AdapterEntry adapter9x(const AdapterRegistry& registry, const std::string& subkey) {
    AdapterEntry entry;
    entry.subkey = subkey;
    const std::optional<std::string> transport = read(registry, netTransKey(subkey), "DriverDesc");
    const std::optional<std::string> adapter = boundAdapterDescription(registry, subkey);
    if (adapter) entry.name = transport.value_or("TCP/IP") + " -> " + *adapter;
    else if (transport) entry.name = *transport;
    else entry.name = subkey;
    if (entry.name != subkey) entry.description = subkey;
    entry.mtu = registry.text ? registry.text(netTransKey(subkey), "MaxMTU") : std::nullopt;
    return entry;
}

}  // namespace

std::vector<AdapterEntry> adapterList(Family family, const std::vector<std::string>& subkeys,
                                      const AdapterRegistry& registry) {
    std::vector<AdapterEntry> list;
    list.reserve(subkeys.size());
    for (const std::string& subkey : subkeys)
        list.push_back(family == Family::Nt ? ntAdapter(registry, subkey) : adapter9x(registry, subkey));
    return list;
}

std::string adapterLabel(const AdapterEntry& entry) {
    return entry.name == entry.subkey ? entry.subkey : entry.name + " (" + entry.subkey + ")";
}

std::string adapterLabelForKey(const std::vector<AdapterEntry>& adapters, Family family,
                               const std::string& keyPath) {
    for (const AdapterEntry& adapter : adapters) {
        for (const std::string& path : adapterKeyPaths(family, adapter.subkey))
            if (text::equalsIgnoreCase(keyPath, path)) return adapterLabel(adapter);
    }
    return {};
}

AdapterNamer adapterNamer(std::vector<AdapterEntry> adapters, Family family) {
    return [adapters = std::move(adapters), family](const std::string& previewKey) {
        const std::string::size_type slash = previewKey.find('\\');
        if (slash == std::string::npos) return std::string();
        return adapterLabelForKey(adapters, family, previewKey.substr(slash + 1));
    };
}

}  // namespace quellar::tuning
