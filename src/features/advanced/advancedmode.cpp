#include "features/advanced/advancedmode.h"

#include <cmath>
#include <limits>

#include "core/numberbox.h"
#include "core/text.h"
#include "tuning/ranges.h"

namespace quellar::features {

namespace {

const char* const kOuterFrame = "frameNormalMode";
const char* const kPageFrames[kAdvancedPageCount] = {
    "framePage0", "framePage1", "framePage2", "framePage3",
    "framePage4", "framePage5", "framePage6", "framePage7",
};
const char* const kBack = "cmdPrevPage";
const char* const kNext = "cmdNextPage";
const char* const kPreview = "cmdPreview";
const char* const kNextCaption = "Next>>";
const char* const kFind = "cmdFindMTU";
const char* const kFindCaption = "&Find";
const char* const kFindingCaption = "Finding...";
const char* const kFindHost = "txtMTUHost";
const char* const kFinishCaption = "Finish";
const char* const kProblemLine = "lblBoxProblem";

constexpr std::int32_t kLargestWhole = std::numeric_limits<std::int32_t>::max();

// Page frames stand in the outer frame; everything on a page is placed
// relative to its frame.
constexpr PixelRect kPageRect{8, 16, 412, 184};

WholeRange synRange() { return tuning::rangeOf(&tuning::TuningParams::synAttackProtect); }

// A box's number as a factor of the receive window, whatever the box's own
// range: any whole number from 1.
std::optional<std::int64_t> factorIn(const Control& box) {
    return wholeNumberIn(box.text(), WholeRange{"", 1, kLargestWhole});
}

ControlDecl label(const char* name, const char* caption, PixelRect r, const char* page) {
    return {ControlKind::Label, name, caption, r, page};
}
ControlDecl box(const char* name, const char* caption, PixelRect r, const char* page, bool readOnly = false) {
    return with({ControlKind::TextBox, name, caption, r, page}, ControlOptions::textBox(12, readOnly));
}

const char* const kMtuExplain =
    "The MTU is the largest packet one frame carries over your connection; larger packets are "
    "split, which costs time.";
const char* const kMssExplain = "The MSS is the data part of a packet: the MTU less its headers.";
const char* const kAdapterChoice = "cmbMTUAdapter";
const char* const kDiscoverExplain =
    "Path MTU discovery lets Windows find the largest packet that passes every router along the "
    "route to a remote host, instead of using a small safe size for every connection.";
const char* const kBlackHoleExplain =
    "Some routers drop large packets without sending back a Destination Host Unreachable message "
    "(black holes). Detecting them makes Windows lower the MTU when packets go unanswered.";
const char* const kRwinExplain =
    "The receive window (RWIN) is how much data your computer accepts before it must acknowledge "
    "it. * It works best as an even multiple of the MSS. * A larger window suits fast connections "
    "with long delays.";
const char* const kTtlExplain = "The TTL (Time To Live) sets how long a packet may stay active on the network";
const char* const kIeExplain =
    "Internet Explorer opens only a few connections at a time to each web server. Raising the "
    "number for HTTP 1.0 and HTTP 1.1 servers lets pages load with more requests at once.";
const char* const kKeepAliveTimeExplain =
    "How many milliseconds an idle connection waits before Windows sends keep-alive packets to "
    "check that the other end is still there.";
const char* const kKeepAliveIntervalExplain =
    "How many milliseconds Windows waits between keep-alive retransmissions when the first one "
    "gets no answer.";
const char* const kSynExplain =
    "SYN flood protection makes Windows drop half-open connections sooner, so a flood of them "
    "cannot exhaust it.";
const char* const kNdiExplain =
    "The NDI cache holds entries of the network device. 16 is the default and suits modems; 32 "
    "suits other connections.";
const char* const kIcmpExplain =
    "ICMP redirect packets tell Windows to use another route. Many of them, sent on purpose by an "
    "attacker, can make the computer stop responding.";

// The outer frame, a frame per page, and the first page.
std::vector<ControlDecl> framesAndFirstPage() {
    const char* const* p = kPageFrames;
    return {
        {ControlKind::Frame, kOuterFrame, "Normal Mode", {6, 4, 428, 238}},
        {ControlKind::Frame, p[0], "Step 1 of 8 : Connection type", kPageRect, kOuterFrame},
        {ControlKind::Frame, p[1], "Step 2 of 8 : MTU Settings", kPageRect, kOuterFrame},
        {ControlKind::Frame, p[2], "Step 3 of 8 : Other MTU Settings", kPageRect, kOuterFrame},
        {ControlKind::Frame, p[3], "Step 4 of 8 : RWIN Settings", kPageRect, kOuterFrame},
        {ControlKind::Frame, p[4], "Step 5 of 8 : TTL && IE Optimization", kPageRect, kOuterFrame},
        {ControlKind::Frame, p[5], "Step 6 of 8 :  Keep Alive Settings", kPageRect, kOuterFrame},
        {ControlKind::Frame, p[6], "Step 7 of 8 :  SYN Flood Attack Settings && NDI Cache", kPageRect, kOuterFrame},
        {ControlKind::Frame, p[7], "Step 8 of 8 : ICMP Redirect Attack Setting", kPageRect, kOuterFrame},

        label("lblConnectionQuestion", "How do you connect to the internet?", {12, 22, 380, 16}, p[0]),
        {ControlKind::Frame, "frmConnectionType", "Connection Type", {12, 44, 388, 124}, p[0]},
    };
}

// Steps 2 and 3: the MTU and MSS, path MTU discovery and black holes.
std::vector<ControlDecl> mtuPages() {
    const char* const* p = kPageFrames;
    return {
        box("txtMTUValue", "576", {12, 22, 70, 21}, p[1]),
        label("lblMTURecCaption", "Recommended MTU size", {92, 25, 146, 16}, p[1]),
        label("lblMTURecValue", "   Byte", {244, 25, 72, 16}, p[1]),
        box("txtMSSValue", "536", {12, 50, 70, 21}, p[1]),
        label("lblMSSRecCaption", "Recommended MSS size", {92, 53, 146, 16}, p[1]),
        label("lblMSSRecVaklue", "   Byte", {244, 53, 72, 16}, p[1]),
        // The largest MTU the path to a host carries, found by echoes.
        label("lblMTUHostCaption", "Largest MTU to host", {12, 83, 134, 16}, p[1]),
        with({ControlKind::TextBox, kFindHost, "", {150, 80, 166, 21}, p[1]}, ControlOptions::textBox(255)),
        {ControlKind::Button, kFind, kFindCaption, {322, 79, 78, 23}, p[1]},
        // Which adapters get the MTU and MSS: all of them, or one.
        label("lblMTUAdapterCaption", "MTU and MSS for", {12, 111, 134, 16}, p[1]),
        {ControlKind::ComboBox, kAdapterChoice, "", {150, 108, 250, 21}, p[1]},
        label("lblMTUExplain", kMtuExplain, {12, 134, 388, 28}, p[1]),
        label("lblMSSExplain", kMssExplain, {12, 164, 388, 16}, p[1]),

        {ControlKind::CheckBox, "chkMTUDisconver", "Disable it??", {12, 22, 110, 18}, p[2]},
        label("lblOtherMTURecCaption", "Recommended to be.", {130, 24, 126, 16}, p[2]),
        label("lblOtherMTURecValue", "ENABLED", {260, 24, 80, 16}, p[2]),
        label("lblMTUDiscoverExplain", kDiscoverExplain, {12, 44, 388, 44}, p[2]),
        {ControlKind::CheckBox, "chkBlackHoleValue", "Enable It?", {12, 94, 110, 18}, p[2]},
        label("lblBlackHoleRec", "Recommended to be DISABLED since it imposes extra transmission overhead.",
              {130, 92, 270, 30}, p[2]),
        label("lblBlackHoleExplain", kBlackHoleExplain, {12, 126, 388, 52}, p[2]),
    };
}

// Steps 4 and 5: the receive window, the TTL and the connections per server.
std::vector<ControlDecl> windowAndTtlPages() {
    const char* const* p = kPageFrames;
    return {
        label("lblRWINMSSCaption", "MSS", {12, 22, 70, 16}, p[3]),
        label("lblRWINMultiplierCaption", "Multiplier", {104, 22, 70, 16}, p[3]),
        label("lblRWINScaleCaption", "Scale Factor", {196, 22, 80, 16}, p[3]),
        label("lblRWINCaption", "RWIN", {300, 22, 90, 16}, p[3]),
        box("txtMSSRWINValue", "", {12, 40, 70, 21}, p[3], true),
        label("lblTimes1", "*", {88, 43, 10, 16}, p[3]),
        box("txtMultiplier", "", {104, 40, 70, 21}, p[3]),
        label("lblTimes2", "*", {180, 43, 10, 16}, p[3]),
        box("txtScaleFactor", "4", {196, 40, 70, 21}, p[3], true),
        label("lblEquals", "=", {282, 43, 10, 16}, p[3]),
        box("txtRWIN", "", {300, 40, 96, 21}, p[3], true),
        label("lblRWINRecCaption", "Recommended RWIN size  : ", {12, 72, 180, 16}, p[3]),
        label("lblRWINRecValue", "Byte", {196, 72, 150, 16}, p[3]),
        label("lblRWINExplain", kRwinExplain, {12, 96, 388, 78}, p[3]),

        box("txtTTLValue", "64", {12, 22, 70, 21}, p[4]),
        label("lblTTLRecCaption", "Recommended TTL  :", {88, 25, 212, 16}, p[4]),
        label("lblTTLRecValue", "64 hops", {304, 25, 96, 16}, p[4]),
        box("txtHTTP11Value", "20", {12, 50, 70, 21}, p[4]),
        label("lblHTTP11RecCaption", "Recommended value for HTTP 1.1  :", {88, 53, 212, 16}, p[4]),
        label("lblHTTP11RecValue", "20", {304, 53, 96, 16}, p[4]),
        box("txtHTTP10Value", "20", {12, 78, 70, 21}, p[4]),
        label("lblHTTP10RecCaption", "Recommended value for HTTP 1.0  :", {88, 81, 212, 16}, p[4]),
        label("lblHTTP10RecValue", "20", {304, 81, 96, 16}, p[4]),
        label("lblTTLExplain", kTtlExplain, {12, 106, 388, 28}, p[4]),
        label("lblIEExplain", kIeExplain, {12, 136, 388, 42}, p[4]),
    };
}

// Steps 6 to 8: keep-alive, SYN protection and the NDI cache, ICMP redirects.
std::vector<ControlDecl> lastPages() {
    const char* const* p = kPageFrames;
    return {
        // The recommendation and its box would not fit one row: each box
        // sits under its recommendation.
        label("lblKeepAliveTimeRecCaption", "Recommended Keep Alive Time :", {12, 20, 212, 16}, p[5]),
        label("lblKeepAliveTimeRecValue", "7200000 milliseconds.", {228, 20, 172, 16}, p[5]),
        box("txtKeepAliveTimeValue", "7200000", {12, 38, 80, 21}, p[5]),
        label("lblKeepAliveIntervalRecCaption", "Recommended Keep Alive Interval  :", {12, 66, 212, 16}, p[5]),
        label("lblKeepAliveIntervalRecValue", "1000 milliseconds.", {228, 66, 172, 16}, p[5]),
        box("txtKeepAliveIntervalValue", "1000", {12, 84, 80, 21}, p[5]),
        label("lblKeepAliveTimeExplain", kKeepAliveTimeExplain, {12, 112, 388, 30}, p[5]),
        label("lblKeepAliveIntervalExplain", kKeepAliveIntervalExplain, {12, 146, 388, 30}, p[5]),

        box("txtSYNValue", "2", {12, 22, 36, 21}, p[6], true),
        with({ControlKind::UpDown, "updwnDescision", "", {48, 22, 16, 21}, p[6]},
             ControlOptions::upDown(static_cast<int>(synRange().lowest), static_cast<int>(synRange().highest), 1,
                                    "txtSYNValue")),
        label("lblSYNQuestion", "What will be your decision?", {76, 25, 200, 16}, p[6]),
        label("lblSYN2", "2 - (recommended) - best protection against SYN attacks.", {12, 46, 388, 15}, p[6]),
        label("lblSYN1", "1 - better protection against SYN attacks.", {12, 61, 388, 15}, p[6]),
        label("lblSYN0", "0 - (default) - typical protection against SYN attacks.", {12, 76, 388, 15}, p[6]),
        with({ControlKind::ComboBox, "cmbNDI", "", {12, 94, 70, 21}, p[6]},
             ControlOptions::dropDown({"0", "2", "4", "8", "16", "32", "64"})),
        label("lblNDIRec", "NDI recommended Value", {90, 97, 160, 16}, p[6]),
        label("lblSYNExplain", kSynExplain, {12, 118, 192, 62}, p[6]),
        label("lblNDIDescription", kNdiExplain, {208, 118, 196, 62}, p[6]),

        {ControlKind::CheckBox, "chkICMPValue", "Enable It?", {12, 22, 110, 18}, p[7]},
        label("lblICMPRec", "Recommended to be DISABLED.", {130, 24, 240, 16}, p[7]),
        label("lblICMPExplain", kIcmpExplain, {12, 48, 388, 60}, p[7]),
    };
}

// Beside the buttons, on every page.
std::vector<ControlDecl> buttonRow() {
    return {
        // What a refused box accepts, beside the buttons that were refused.
        // Shown only then; Preview, which shares the place, stands on the
        // last page, which has no number box.
        label(kProblemLine, "", {12, 203, 208, 30}, kOuterFrame),
        {ControlKind::Button, kPreview, "Pre&view...", {130, 206, 90, 25}, kOuterFrame},
        {ControlKind::Button, kBack, "<<Back", {226, 206, 90, 25}, kOuterFrame},
        with({ControlKind::Button, kNext, kNextCaption, {322, 206, 90, 25}, kOuterFrame},
             ControlOptions::defaultButton()),
    };
}

std::vector<ControlDecl> makeControls() {
    std::vector<ControlDecl> d;
    for (auto part : {framesAndFirstPage, mtuPages, windowAndTtlPages, lastPages, buttonRow}) {
        const std::vector<ControlDecl> controls = part();
        d.insert(d.end(), controls.begin(), controls.end());
    }
    for (int i = 0; i < static_cast<int>(connectionTypes().size()); ++i) {
        d.push_back({ControlKind::OptionButton, "optConnType", connectionTypes()[static_cast<std::size_t>(i)].caption,
                     {14, 22 + i * 24, 360, 18}, "frmConnectionType", i});
    }
    return d;
}

}  // namespace

const std::vector<ControlDecl>& advancedModeControls() {
    static const std::vector<ControlDecl> decls = makeControls();
    return decls;
}

const std::vector<ConnectionType>& connectionTypes() {
    static const std::vector<ConnectionType> types = {
        {"Dial Up Connection (Modem).", 576, "576 Byte", 536, "536 Byte", 3},
        {"Cable Modem.", 1500, "1500 Byte", 1460, "1460 Byte", 44},
        {"Digital  Subscriber Line (DSL).", 1492, "1492 Byte", 1452, "1452Byte", 44},
        {"LAN Connection(Ethernet).", 1500, "1500 Byte", 1460, "1460 Byte", 44},
    };
    return types;
}

double receiveWindow(double mss, double multiplier, double scaleFactor) {
    return mss * multiplier * scaleFactor;
}

std::string numberText(double value) {
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return text::formatted("%.0f", value);
    return text::formatted("%.15g", value);
}

AdvancedMode::AdvancedMode(Form& form, tuning::TuningParams& record, Actions actions)
    : form_(form),
      record_(record),
      actions_(std::move(actions)),
      pages_(form, {kPageFrames, kPageFrames + kAdvancedPageCount}) {
    form_[kNext].onClick = [this] { next(); };
    form_[kBack].onClick = [this] { back(); };
    form_[kPreview].onClick = [this] {
        if (actions_.preview && checkAll()) actions_.preview(recordAtFinish());
    };
    for (int i = 0; i < static_cast<int>(connectionTypes().size()); ++i)
        form_.get("optConnType", i).onClick = [this, i] { connectionType_ = i; };

    form_["chkMTUDisconver"].onClick = [this] { record_.pmtuDiscovery = form_["chkMTUDisconver"].value() == 0; };
    form_["chkBlackHoleValue"].onClick = [this] { record_.pmtuBlackHoleDetect = form_["chkBlackHoleValue"].value() == 1; };
    form_["chkICMPValue"].onClick = [this] { record_.icmpRedirects = form_["chkICMPValue"].value() == 1; };
    form_["txtSYNValue"].onChange = [this] {
        if (auto n = wholeNumberIn(form_["txtSYNValue"].text(), synRange()))
            record_.synAttackProtect = static_cast<std::int32_t>(*n);
    };
    form_.choice("cmbNDI").onChange = [this] {
        if (auto n = text::parseWhole(form_.choice("cmbNDI").text(), 0, kLargestWhole))
            record_.ndiCacheSize = static_cast<std::int32_t>(*n);
    };
    form_["txtMultiplier"].onChange = [this] { computeReceiveWindow(); };
    form_[kFind].onClick = [this] { findMtu(); };
    // Nothing is checked while the user types: a box is read when it is
    // left, and when a button that goes on with its value is pressed.
    for (const NumberBox& box : numberBoxes())
        form_[box.name].onLeave = [this, box = &box] { checkBox(*box); };
    form_.showProblemsIn(kProblemLine);
}

void AdvancedMode::load(int page) {
    // The first connection type is selected quietly: its click only sets
    // the type, which is 0 already.
    form_.get("optConnType", 0).setValueQuietly(1);
    form_[kBack].setEnabled(false);
    page_ = page < 0 || page >= kAdvancedPageCount ? 0 : page;
    show(page_);
    if (page_ > 0) form_[kBack].setEnabled(true);
    form_.choice("cmbNDI").select(0);  // its change sets ndiCacheSize to 0
}

void AdvancedMode::findMtu() {
    if (findingMtu_ || !actions_.findMtu) return;
    const std::string host = form_[kFindHost].text();
    if (const auto problem = net::hostProblem(host, "Host")) {
        form_[kFindHost].refuse(*problem);
        return;
    }
    form_[kFindHost].clearProblem();
    findingMtu_ = true;
    form_[kFind].setEnabled(false);
    form_[kFind].setText(kFindingCaption);
    actions_.findMtu(host);
}

void AdvancedMode::mtuFound(const net::MtuOutcome& outcome) {
    findingMtu_ = false;
    form_[kFind].setText(kFindCaption);
    form_[kFind].setEnabled(true);
    if (outcome.status == net::MtuStatus::Found) {
        // The boxes only: as with a typed value, "Finish" takes them into
        // the record.
        form_["txtMTUValue"].setText(std::to_string(outcome.mtu));
        form_["txtMSSValue"].setText(std::to_string(outcome.mss));
    } else if (outcome.status != net::MtuStatus::NoSockets && actions_.tell) {
        // Windows Sockets failures come with messages of their own.
        actions_.tell(net::describeMtuOutcome(outcome, form_[kFindHost].text()));
    }
}

void AdvancedMode::show(int page) {
    pages_.show(page);
    // Beside "Finish" only: what the last step would write.
    form_[kPreview].setVisible(page == kAdvancedPageCount - 1);
}

void AdvancedMode::next() {
    // Finish reads every page's boxes; any other step only the page it leaves.
    if (!(page_ == kAdvancedPageCount - 1 ? checkAll() : checkPage(page_))) return;
    page_ = page_ + 1 > kAdvancedPageCount - 1 ? kAdvancedAppliedPage : page_ + 1;
    enter(page_);
    if (page_ == kAdvancedAppliedPage) return;
    show(page_);
    form_[kBack].setEnabled(true);
}

void AdvancedMode::back() {
    if (page_ < kAdvancedPageCount && !checkPage(page_)) return;
    goBackTo(page_ - 1 < 0 ? 0 : page_ - 1);
}

// A page shown again without its entering action: what "<<Back" does, and
// where Finish takes the user to a box it refuses.
void AdvancedMode::goBackTo(int page) {
    page_ = page;
    form_[kBack].setEnabled(page_ != 0);
    if (page_ == kAdvancedPageCount - 1) form_[kNext].setEnabled(true);
    show(page_);
    form_[kNext].setText(page_ == kAdvancedPageCount - 1 ? kFinishCaption : kNextCaption);
}

void AdvancedMode::enter(int page) {
    const ConnectionType& type = connectionTypes()[static_cast<std::size_t>(connectionType_)];
    switch (page) {
    case 1:
        fillAdapters();
        record_.mtu = type.mtu;
        form_["txtMTUValue"].setText(std::to_string(type.mtu));
        form_["lblMTURecValue"].setText(type.mtuLabel);
        record_.mss = type.mss;
        form_["txtMSSValue"].setText(std::to_string(type.mss));
        form_["lblMSSRecVaklue"].setText(type.mssLabel);
        break;
    case 2:
        record_.pmtuDiscovery = true;
        record_.pmtuBlackHoleDetect = false;
        break;
    case 3: {
        // The MSS the user entered on the MTU page, checked when that page
        // was left; the record takes it only at Finish.
        const auto mss = wholeNumberIn(form_["txtMSSValue"].text(), tuning::mssRange(mtuEntered()));
        form_["txtMSSRWINValue"].setText(std::to_string(mss.value_or(record_.mss)));
        // Set quietly: the page computes the window itself, once.
        form_["txtMultiplier"].setTextQuietly(std::to_string(type.multiplier));
        form_["txtMultiplier"].clearProblem();
        computeReceiveWindow();
        if (auto rwin = wholeNumberIn(form_["txtRWIN"].text(), tuning::receiveWindowRange()))
            record_.rwin = static_cast<std::int32_t>(*rwin);
        form_["lblRWINRecValue"].setText(std::to_string(record_.rwin) + "Bytes");
        break;
    }
    case 4:
        record_.ttl = 64;
        record_.maxConnPer1_0Server = 20;
        record_.maxConnPerServer = 20;
        break;
    case 5:
        record_.keepAliveTime = 7200000;
        record_.keepAliveInterval = 1000;
        break;
    case 6:
        record_.synAttackProtect = 2;
        record_.ndiCacheSize = 0;
        break;
    case 7:
        record_.icmpRedirects = false;
        form_[kNext].setText(kFinishCaption);
        break;
    case kAdvancedAppliedPage:
        finish();
        break;
    default:
        break;
    }
}

// Follows the multiplier as it is typed, read as the check reads it; the
// window stays empty while the multiplier is not a number it could use.
void AdvancedMode::computeReceiveWindow() {
    const auto mss = factorIn(form_["txtMSSRWINValue"]);
    const auto multiplier = factorIn(form_["txtMultiplier"]);
    const auto scale = factorIn(form_["txtScaleFactor"]);
    form_["txtRWIN"].setText(mss && multiplier && scale
                                 ? numberText(receiveWindow(static_cast<double>(*mss), static_cast<double>(*multiplier),
                                                            static_cast<double>(*scale)))
                                 : std::string());
}

const std::vector<AdvancedMode::NumberBox>& AdvancedMode::numberBoxes() {
    using P = tuning::TuningParams;
    static const std::vector<NumberBox> boxes = {
        {"txtMTUValue", 1, &P::mtu},
        {"txtMSSValue", 1, &P::mss},
        {"txtMultiplier", 3, nullptr},
        {"txtTTLValue", 4, &P::ttl},
        {"txtHTTP11Value", 4, &P::maxConnPerServer},
        {"txtHTTP10Value", 4, &P::maxConnPer1_0Server},
        {"txtKeepAliveTimeValue", 5, &P::keepAliveTime},
        {"txtKeepAliveIntervalValue", 5, &P::keepAliveInterval},
    };
    return boxes;
}

std::int64_t AdvancedMode::mtuEntered() const {
    return wholeNumberIn(form_.find("txtMTUValue")->text(), tuning::rangeOf(&tuning::TuningParams::mtu))
        .value_or(record_.mtu);
}

// Each box's range, from the field table of the tuning domain. The MSS
// follows the MTU box, the multiplier the MSS and scale factor of its row.
WholeRange AdvancedMode::rangeOf(const NumberBox& box) const {
    if (box.field == &tuning::TuningParams::mss) return tuning::mssRange(mtuEntered());
    if (box.field) return tuning::rangeOf(box.field);
    return tuning::multiplierRange(factorIn(*form_.find("txtMSSRWINValue")).value_or(1),
                                   factorIn(*form_.find("txtScaleFactor")).value_or(1));
}

bool AdvancedMode::checkBox(const NumberBox& box) {
    return checkNumberBox(form_[box.name], rangeOf(box));
}

bool AdvancedMode::checkPage(int page) {
    for (const NumberBox& box : numberBoxes()) {
        if (box.page == page && !checkBox(box)) return false;
    }
    return true;
}

// Before Finish or its preview: every page in order. A box refused on
// another page brings that page back, so the user sees what to mend.
bool AdvancedMode::checkAll() {
    for (const NumberBox& box : numberBoxes()) {
        if (wholeNumberIn(form_[box.name].text(), rangeOf(box))) continue;
        if (box.page != page_) goBackTo(box.page);
        return checkBox(box);
    }
    for (const NumberBox& box : numberBoxes()) checkBox(box);
    return true;
}

tuning::TuningParams AdvancedMode::recordAtFinish() const {
    tuning::TuningParams atFinish = record_;
    readBoxes(atFinish);
    return atFinish;
}

std::string AdvancedMode::adapterEntryText(const tuning::AdapterEntry& adapter) {
    return adapter.name + " (MTU " + adapter.mtu.value_or(tuning::kMtuNotSet) + ")";
}

void AdvancedMode::fillAdapters() {
    ChoiceControl& choice = form_.choice(kAdapterChoice);
    // The chosen adapter stays chosen while it is there; the MTUs are read afresh.
    const std::vector<std::string> chosen = chosenAdapters();
    adapters_ = actions_.adapters ? actions_.adapters() : std::vector<tuning::AdapterEntry>{};
    std::vector<std::string> entries = {kAllAdapters};
    int keep = 0;
    for (const tuning::AdapterEntry& adapter : adapters_) {
        if (!chosen.empty() && text::equalsIgnoreCase(chosen[0], adapter.subkey)) keep = static_cast<int>(entries.size());
        entries.push_back(adapterEntryText(adapter));
    }
    choice.setEntries(std::move(entries));
    choice.select(keep);
}

const tuning::AdapterEntry* AdvancedMode::chosenAdapter() const {
    const Control* choice = form_.find(kAdapterChoice);
    const int entry = choice ? choice->value() : 0;
    if (entry < 1 || entry > static_cast<int>(adapters_.size())) return nullptr;
    return &adapters_[static_cast<std::size_t>(entry - 1)];
}

std::vector<std::string> AdvancedMode::chosenAdapters() const {
    const tuning::AdapterEntry* adapter = chosenAdapter();
    if (!adapter) return {};
    return {adapter->subkey};
}

std::string AdvancedMode::mtuTargetText() const {
    const tuning::AdapterEntry* adapter = chosenAdapter();
    return adapter ? tuning::adapterLabel(*adapter) + " only" : std::string(kEveryAdapter);
}

void AdvancedMode::readBoxes(tuning::TuningParams& into) const {
    into.mtuAdapters = chosenAdapters();
    // Read as the checks read them, which have passed by now.
    for (const NumberBox& box : numberBoxes()) {
        if (!box.field) continue;
        if (auto n = wholeNumberIn(form_.find(box.name)->text(), rangeOf(box)))
            into.*box.field = static_cast<std::int32_t>(*n);
    }
    if (auto rwin = wholeNumberIn(form_.find("txtRWIN")->text(), tuning::receiveWindowRange()))
        into.rwin = static_cast<std::int32_t>(*rwin);
    // Numbers of its own: a "Windows default" chosen in the Wizard before
    // no longer stands.
    into.systemDefaults = false;
}

void AdvancedMode::finish() {
    readBoxes(record_);
    if (actions_.apply) actions_.apply();
    form_[kNext].setEnabled(false);
    if (actions_.goHome) actions_.goHome();
}

}  // namespace quellar::features
