#include <doctest/doctest.h>

#include <map>
#include <string>
#include <vector>

#include "core/text.h"
#include "tuning/adapters.h"
#include "tuning/presets.h"
#include "tuning/tuning.h"

using namespace quellar;
using namespace quellar::tuning;

namespace {

// A registry in memory: "path|name" -> text, keys by lower-case path; the
// letter case of the paths the builder asks for is not the stored one.
struct FakeRegistry {
    std::map<std::string, std::string> values;
    std::map<std::string, std::vector<std::string>> children;  // lower-case path -> subkeys
    std::map<std::string, std::vector<std::string>> names;     // lower-case path -> value names

    static std::string lower(std::string s) {
        for (char& c : s) c = text::lowerAscii(c);
        return s;
    }
    void set(const std::string& path, const std::string& name, const std::string& value) {
        values[lower(path) + "|" + lower(name)] = value;
        names[lower(path)].push_back(name);
        std::string sofar;
        std::size_t start = 0;
        for (std::size_t slash; (slash = path.find('\\', start)) != std::string::npos; start = slash + 1) {
            sofar = path.substr(0, slash);
            const std::string child = path.substr(slash + 1, path.find('\\', slash + 1) - slash - 1);
            auto& list = children[lower(sofar)];
            bool known = false;
            for (const auto& c : list) known = known || lower(c) == lower(child);
            if (!known) list.push_back(child);
        }
    }
    AdapterRegistry reader() const {
        AdapterRegistry r;
        r.subkeys = [this](const std::string& path) {
            auto it = children.find(lower(path));
            return it == children.end() ? std::vector<std::string>{} : it->second;
        };
        r.valueNames = [this](const std::string& path) {
            auto it = names.find(lower(path));
            return it == names.end() ? std::vector<std::string>{} : it->second;
        };
        r.text = [this](const std::string& path, const std::string& name) -> std::optional<std::string> {
            auto it = values.find(lower(path) + "|" + lower(name));
            if (it == values.end()) return std::nullopt;
            return it->second;
        };
        return r;
    }
};

}  // namespace

TEST_CASE("adapters by name on NT: the connection's name over the card's description, else the subkey") {
    FakeRegistry reg;
    const std::string connections = "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
    const std::string cards = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
    // XP: a connection name and a card; NT 4: a card for a service only; a
    // third interface nothing names; a name of blanks counts as none.
    reg.set(connections + "\\{AAAA-1}\\Connection", "Name", "Local Area Connection");
    reg.set(cards + "\\2", "ServiceName", "{aaaa-1}");
    reg.set(cards + "\\2", "Description", "Realtek RTL8139 Family PCI Fast Ethernet NIC");
    reg.set(cards + "\\3", "ServiceName", "El90x1");
    reg.set(cards + "\\3", "Description", "3Com Fast EtherLink XL");
    reg.set(connections + "\\{CCCC-3}\\Connection", "Name", "   ");
    reg.set(std::string(keys::kInterfaces) + "\\{AAAA-1}", "MTU", "1500");
    reg.set(adapterTcpipKey("El90x1"), "MTU", "576");

    const auto list = adapterList(Family::Nt, {"{AAAA-1}", "El90x1", "{CCCC-3}"}, reg.reader());
    REQUIRE(list.size() == 3);
    CHECK(list[0].name == "Local Area Connection");
    CHECK(list[0].description == "Realtek RTL8139 Family PCI Fast Ethernet NIC");
    CHECK(list[0].mtu == std::optional<std::string>("1500"));
    CHECK(list[1].name == "3Com Fast EtherLink XL");
    CHECK(list[1].description == "El90x1");
    CHECK(list[1].mtu == std::optional<std::string>("576"));  // from Services\X\Parameters\Tcpip
    CHECK(list[2].name == "{CCCC-3}");
    CHECK(list[2].description.empty());
    CHECK_FALSE(list[2].mtu);
    CHECK(adapterLabel(list[0]) == "Local Area Connection ({AAAA-1})");
    CHECK(adapterLabel(list[2]) == "{CCCC-3}");
    CHECK(adapterLabelForKey(list, Family::Nt, "SYSTEM\\CurrentControlSet\\Services\\El90x1\\Parameters\\Tcpip") ==
          "3Com Fast EtherLink XL (El90x1)");
    CHECK(adapterLabelForKey(list, Family::Nt, std::string(keys::kTcpipParameters)).empty());
}

TEST_CASE("adapters by name on 9x: the transport and the adapter its binding names") {
    FakeRegistry reg;
    const std::string net = keys::kNetTrans;
    reg.set(net + "\\0000", "DriverDesc", "TCP/IP");
    reg.set(net + "\\0000", "MaxMTU", "576");
    reg.set(net + "\\0001", "DriverDesc", "TCP/IP");
    reg.set(net + "\\0003", "MaxMSS", "536");
    // 0000 is bound to the Dial-Up Adapter, 0001 to the network card; the
    // card's Bindings list another protocol first.
    reg.set("System\\CurrentControlSet\\Enum\\Network\\MSTCP\\0000", "Driver", "NetTrans\\0000");
    reg.set("System\\CurrentControlSet\\Enum\\Network\\MSTCP\\0001", "Driver", "NetTrans\\0001");
    reg.set("System\\CurrentControlSet\\Enum\\Network\\NWLINK\\0000", "Driver", "NetTrans\\0002");
    reg.set("System\\CurrentControlSet\\Enum\\Root\\Net\\0000", "Driver", "Net\\0000");
    reg.set("System\\CurrentControlSet\\Enum\\Root\\Net\\0000\\Bindings", "MSTCP\\0000", "");
    reg.set("System\\CurrentControlSet\\Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B", "Driver", "Net\\0001");
    reg.set("System\\CurrentControlSet\\Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B\\Bindings", "NWLINK\\0000", "");
    reg.set("System\\CurrentControlSet\\Enum\\PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B\\Bindings", "MSTCP\\0001", "");
    reg.set("System\\CurrentControlSet\\Services\\Class\\Net\\0000", "DriverDesc", "Dial-Up Adapter");
    reg.set("System\\CurrentControlSet\\Services\\Class\\Net\\0001", "DriverDesc", "Realtek RTL8139(A) PCI Fast Ethernet Adapter");

    const auto list = adapterList(Family::Win9x, {"0000", "0001", "0003"}, reg.reader());
    REQUIRE(list.size() == 3);
    CHECK(list[0].name == "TCP/IP -> Dial-Up Adapter");
    CHECK(list[0].description == "0000");
    CHECK(list[0].mtu == std::optional<std::string>("576"));
    CHECK(list[1].name == "TCP/IP -> Realtek RTL8139(A) PCI Fast Ethernet Adapter");
    CHECK_FALSE(list[1].mtu);
    CHECK(list[2].name == "0003");  // no description, no binding
    CHECK(adapterLabelForKey(list, Family::Win9x, net + "\\0001") ==
          "TCP/IP -> Realtek RTL8139(A) PCI Fast Ethernet Adapter (0001)");
    // An empty reader names every adapter by its subkey.
    CHECK(adapterList(Family::Win9x, {"0000"}, AdapterRegistry{})[0].name == "0000");
}

TEST_CASE("the MTU and MSS go only to the chosen adapters; every other value as before") {
    for (Family family : {Family::Win9x, Family::Nt}) {
        CAPTURE(static_cast<int>(family));
        const std::vector<std::string> subkeys = {"0000", "{B}", "0002"};
        TuningParams all = tuningPresets[0];
        TuningParams one = all;
        one.mtuAdapters = {"{b}"};
        const auto allOps = tuningOperations(all, family, subkeys);
        const auto oneOps = tuningOperations(one, family, subkeys);
        std::vector<RegistryOperation> expected;
        for (const RegistryOperation& op : allOps) {
            const bool perSubkey = op.valueName == "MaxMTU" || op.valueName == "MaxMSS" || op.valueName == "MTU" ||
                                   op.valueName == "MSS";
            if (!perSubkey || op.keyPath.find("{B}") != std::string::npos) expected.push_back(op);
        }
        CHECK(oneOps == expected);
        CHECK(oneOps.size() == allOps.size() - (family == Family::Nt ? 8 : 4));
    }
}
