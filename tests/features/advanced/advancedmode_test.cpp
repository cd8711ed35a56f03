#include <doctest/doctest.h>

#include "features/advanced/advancedmode.h"

using namespace quellar;

namespace {

struct Advanced {
    Form form{"frmNormalMode", "Advanced Mode", features::kAdvancedModeClient, features::advancedModeControls()};
    tuning::TuningParams record;
    int applied = 0, home = 0;
    std::vector<tuning::TuningParams> appliedRecords, previewed;
    std::vector<std::string> searches, told;
    std::vector<tuning::AdapterEntry> adapters = {{"{1A2B}", "Local Area Connection", "", std::string("1500")},
                                                  {"{3C4D}", "Dial-up Connection", "", std::nullopt}};
    features::AdvancedMode mode{form, record,
                      {[this] { ++applied; appliedRecords.push_back(record); }, [this] { ++home; },
                       [this](const tuning::TuningParams& p) { previewed.push_back(p); },
                       [this](const std::string& host) { searches.push_back(host); },
                       [this](const std::string& text) { told.push_back(text); }, [this] { return adapters; }}};
    Advanced() { mode.load(); }
    Control& operator[](const char* name) { return form[name]; }
    // Chooses a connection type on page 0 and walks forward to `page`.
    void walkTo(int page, int type = 0) {
        form.get("optConnType", type).userClick();
        while (mode.page() < page) form["cmdNextPage"].userClick();
    }
    bool onScreen(const char* name) { return form.isShown(form[name]); }
};

}  // namespace

TEST_CASE("Advanced mode: the MTU page lists the adapters; Finish writes the MTU and MSS to all or the chosen one") {
    Advanced a;
    a.walkTo(1);
    ChoiceControl& choice = a.form.choice("cmbMTUAdapter");
    CHECK(choice.entries() == std::vector<std::string>{"All adapters", "Local Area Connection (MTU 1500)",
                                                       "Dial-up Connection (MTU not set)"});
    CHECK(choice.value() == 0);
    CHECK(a.mode.mtuTargetText() == "every adapter");
    choice.userSelect(2);
    CHECK(a.mode.mtuTargetText() == "Dial-up Connection ({3C4D}) only");
    // Back and forward again: the MTUs are read afresh, the choice stays.
    a.adapters[1].mtu = "576";
    a["cmdPrevPage"].userClick();
    a.walkTo(1);
    CHECK(choice.entries()[2] == "Dial-up Connection (MTU 576)");
    CHECK(choice.value() == 2);
    a.walkTo(7);
    a["cmdNextPage"].userClick();  // Finish
    REQUIRE(a.appliedRecords.size() == 1);
    CHECK(a.appliedRecords[0].mtuAdapters == std::vector<std::string>{"{3C4D}"});
    // An adapter gone by the next visit leaves "All adapters" chosen.
    a["cmdPrevPage"].userClick();
    while (a.mode.page() > 0) a["cmdPrevPage"].userClick();
    a.adapters.pop_back();
    a.walkTo(1);
    CHECK(choice.value() == 0);
    CHECK(a.mode.recordAtFinish().mtuAdapters.empty());
}

TEST_CASE("Advanced mode: pages, Back and Next, and what entering each page stores") {
    Advanced a;
    CHECK(a.mode.page() == 0);
    CHECK(a.onScreen("frmConnectionType"));
    CHECK_FALSE(a["cmdPreview"].visible());
    CHECK_FALSE(a.onScreen("txtMTUValue"));
    CHECK_FALSE(a["cmdPrevPage"].enabled());
    CHECK(a.record.ndiCacheSize == 0);

    a.walkTo(1, 2);  // DSL
    CHECK(a["txtMTUValue"].text() == "1492");
    CHECK(a["lblMSSRecVaklue"].text() == "1452Byte");
    CHECK((a.record.mtu == 1492 && a.record.mss == 1452));
    CHECK(a["cmdPrevPage"].enabled());
    CHECK(a.onScreen("txtMTUValue"));

    a.walkTo(2);
    a["chkBlackHoleValue"].userClick();
    CHECK(a.record.pmtuBlackHoleDetect);
    a["cmdPrevPage"].userClick();
    const tuning::TuningParams before = a.record;
    CHECK(a.mode.page() == 1);
    a["cmdNextPage"].userClick();  // entering page 2 again resets the field, not the box
    CHECK(a["chkBlackHoleValue"].value() == 1);
    CHECK_FALSE(a.record.pmtuBlackHoleDetect);
    CHECK(before.pmtuBlackHoleDetect);

    a.walkTo(6);
    a.form.range("updwnDescision").userScroll(1);
    CHECK(a["txtSYNValue"].text() == "1");
    CHECK(a.record.synAttackProtect == 1);
    a.form.choice("cmbNDI").userSelect(5);
    CHECK(a.record.ndiCacheSize == 32);
    a.walkTo(7);
    CHECK(a["cmdNextPage"].text() == "Finish");
    a["cmdPrevPage"].userClick();
    CHECK(a["cmdNextPage"].text() == "Next>>");
}

TEST_CASE("the receive window follows the MSS entered and the multiplier typed; Finish writes the boxes") {
    for (auto [type, rwin] : {std::pair{0, 6432}, {1, 256960}, {2, 255552}, {3, 256960}}) {
        Advanced a;
        a.walkTo(3, type);
        CHECK(a["txtRWIN"].text() == std::to_string(rwin));
        CHECK(a["lblRWINRecValue"].text() == std::to_string(rwin) + "Bytes");
        CHECK(a.record.rwin == rwin);
    }
    Advanced a;
    a.walkTo(1);
    a["txtMSSValue"].userText("500");
    a.walkTo(3);
    CHECK(a["txtMSSRWINValue"].text() == "500");
    CHECK(a["txtRWIN"].text() == "6000");
    // One reading of a number: "1e9" is 10^9 for the window and the check
    // alike, and far too large; "1e2" is 100 and shows so once accepted.
    a["txtMultiplier"].userText("1e9");
    CHECK(a["txtMultiplier"].text() == "1e9");
    CHECK(a["txtRWIN"].text() == "2000000000000");
    a["cmdNextPage"].userClick();
    CHECK(a.mode.page() == 3);
    CHECK(a["txtMultiplier"].problem() == "Multiplier: a whole number from 1 to 536870");
    a["txtMultiplier"].userText("1e2");
    CHECK(a["txtMultiplier"].problem().empty());
    a["txtMultiplier"].userLeave();
    CHECK(a["txtMultiplier"].text() == "100");
    CHECK(a["txtRWIN"].text() == "200000");

    a.walkTo(7);
    a["cmdPreview"].userClick();
    a["cmdNextPage"].userClick();
    REQUIRE(a.previewed.size() == 1);
    CHECK(a.previewed[0] == a.appliedRecords.at(0));  // the preview shows what Finish then applies
    CHECK(a.applied == 1);
    CHECK(a.home == 1);
    CHECK(a.mode.page() == features::kAdvancedAppliedPage);
    CHECK_FALSE(a["cmdNextPage"].enabled());
    CHECK(a.record.rwin == 200000);
    CHECK(a.record.mss == 500);
    a["cmdPrevPage"].userClick();
    CHECK(a["cmdNextPage"].enabled());
    a["cmdNextPage"].userClick();
    CHECK(a.applied == 2);  // each Finish applies (and so writes a backup) again
}

TEST_CASE("a number box keeps what is typed and is checked on leaving and on Next, against the documented ranges") {
    Advanced a;
    a.walkTo(1);
    // Emptied and typed again, never rewritten in between.
    a["txtMTUValue"].userText("");
    CHECK(a["txtMTUValue"].text().empty());
    a["txtMTUValue"].userText("1500");
    CHECK(a["txtMTUValue"].text() == "1500");
    a["txtMSSValue"].userText("2000");
    a["txtMSSValue"].userLeave();
    CHECK(a["txtMSSValue"].text() == "2000");
    CHECK(a["txtMSSValue"].problem() == "MSS: a whole number of bytes from 28 to 1460");
    CHECK(a["txtMSSValue"].focusRequests() == 1);
    CHECK(a["lblBoxProblem"].visible());
    CHECK(a["lblBoxProblem"].text() == a["txtMSSValue"].problem());
    a["cmdNextPage"].userClick();
    CHECK(a.mode.page() == 1);
    a["txtMSSValue"].userText("1460");
    CHECK(a["txtMSSValue"].problem().empty());  // typing puts the message away
    CHECK_FALSE(a["lblBoxProblem"].visible());
    a["txtMTUValue"].userText("95769999");
    a["cmdNextPage"].userClick();
    CHECK(a.mode.page() == 1);
    CHECK(a["txtMTUValue"].problem() == "MTU: a whole number of bytes from 68 to 65535");
    a["txtMTUValue"].userText("1500");
    a.walkTo(4);

    struct Edge {
        const char* box;
        const char* refused;
        const char* rule;
    };
    for (const Edge& e : {Edge{"txtTTLValue", "256", "TTL: a whole number of hops from 1 to 255"},
                          Edge{"txtTTLValue", "0", "TTL: a whole number of hops from 1 to 255"},
                          Edge{"txtHTTP11Value", "abc", "HTTP 1.1: a whole number of connections from 1 to 128"},
                          Edge{"txtHTTP10Value", "129", "HTTP 1.0: a whole number of connections from 1 to 128"}}) {
        CAPTURE(e.box);
        a[e.box].userText(e.refused);
        a["cmdNextPage"].userClick();
        CHECK(a.mode.page() == 4);
        CHECK(a[e.box].text() == e.refused);
        CHECK(a[e.box].problem() == e.rule);
        a["cmdPrevPage"].userClick();  // no page changes while a box is wrong
        CHECK(a.mode.page() == 4);
        a[e.box].userText("16");
    }
    a["cmdNextPage"].userClick();
    CHECK(a.mode.page() == 5);
    a["txtKeepAliveTimeValue"].userText("0");
    a["cmdNextPage"].userClick();
    CHECK(a["txtKeepAliveTimeValue"].problem() ==
          "Keep Alive Time: a whole number of milliseconds from 1 to 2147483647");
    a["txtKeepAliveTimeValue"].userText("7200000");
    a.walkTo(7);
    // A box wrong on another page (set behind the user's back) stops Finish
    // there: its page comes back with the message.
    a["txtTTLValue"].setText("300");
    a["cmdNextPage"].userClick();
    CHECK(a.applied == 0);
    CHECK(a.mode.page() == 4);
    CHECK(a.onScreen("txtTTLValue"));
    CHECK_FALSE(a["txtTTLValue"].problem().empty());
    a["txtTTLValue"].userText("128");
    a.walkTo(features::kAdvancedAppliedPage);
    CHECK(a.applied == 1);
    CHECK(a.record.ttl == 128);
    CHECK(a.record.maxConnPerServer == 16);
    CHECK(a.record.mtu == 1500);
}

TEST_CASE("Advanced Finish after the Wizard's \"Windows default\" writes the values entered, as its preview shows") {
    Advanced a;
    a.record.systemDefaults = true;
    a.walkTo(7);
    a["cmdPreview"].userClick();
    REQUIRE(a.previewed.size() == 1);
    CHECK_FALSE(a.previewed[0].systemDefaults);
    a["cmdNextPage"].userClick();
    REQUIRE(a.applied == 1);
    CHECK_FALSE(a.appliedRecords[0].systemDefaults);
    CHECK(a.appliedRecords[0] == a.previewed[0]);
    CHECK(a.appliedRecords[0].mtu == 576);
}

TEST_CASE("Advanced mode: Find on the MTU page fills the MTU and MSS boxes from the path to a host") {
    Advanced a;
    a.walkTo(1, 1);
    Control& find = a["cmdFindMTU"];
    CHECK(a.onScreen("cmdFindMTU"));
    find.userClick();  // no host typed: refused beside the buttons, nothing sent
    CHECK(a.searches.empty());
    CHECK(a.told.empty());
    CHECK(a["lblBoxProblem"].text() == "Host: four numbers from 0 to 255 with dots between, or a host name");

    a["txtMTUHost"].setText(" 169.254.1.2 ");
    find.userClick();
    CHECK(a.searches == std::vector<std::string>{" 169.254.1.2 "});
    CHECK_FALSE(find.enabled());
    CHECK(find.text() == "Finding...");
    find.userClick();  // one search at a time
    CHECK(a.searches.size() == 1);

    net::MtuOutcome found;
    found.status = net::MtuStatus::Found;
    found.mtu = 1400;
    found.mss = 1360;
    a.mode.mtuFound(found);
    CHECK(find.enabled());
    CHECK(find.text() == "&Find");
    CHECK(a["txtMTUValue"].text() == "1400");
    CHECK(a["txtMSSValue"].text() == "1360");
    CHECK(a.record.mtu == 1500);  // the boxes reach the record at "Finish"
    CHECK(a.mode.recordAtFinish().mtu == 1400);

    find.userClick();
    net::MtuOutcome silent;
    silent.status = net::MtuStatus::NoAnswer;
    a.mode.mtuFound(silent);
    CHECK(a.told.back() == "the host does not answer pings");
    CHECK(a["txtMTUValue"].text() == "1400");
    CHECK(find.enabled());
}
