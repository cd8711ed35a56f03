#include "features/netpinger/netpingersettings.h"

#include "core/effects.h"

namespace quellar::features {

namespace {
const char* const kOuterFrame = "frameNetPingerSettings";
const char* const kConfiguration = "frameConfigurations";
const char* const kDoPinging = "chkDoPinging";
const char* const kPingNow = "cmdPingNow";
const char* const kAuto = "optAuto";
const char* const kManual = "optManual";
const char* const kHost = "txtPingHost";
const char* const kInterval = "cmbPingInterval";
const char* const kSound = "chkSound";
const char* const kHostLabel = "lblHostName";
const char* const kIntervalLabel = "lblPingInterval";
const char* const kSave = "cmdSave";
const char* const kDescription = "lblPingerDescription";
const char* const kResult = "lblPingResult";
const char* const kHostProblem = "lblHostProblem";

const char* const kDescriptionText =
    "The PING utility helps to keep you from getting your modem connection disconnected by your service "
    "provider. Most Internet Service Providers Disconnect users after a fixed period of modem activity";

// The controls that the configuration frame holds, and so shares its state.
const char* const kConfigurationControls[] = {kPingNow, kAuto, kManual, kHost, kInterval,
                                              kSound,   kHostLabel, kIntervalLabel};
}  // namespace

const std::vector<ControlDecl>& netPingerControls() {
    static const std::vector<ControlDecl> decls = {
        {ControlKind::Frame, kOuterFrame, "Net Pinger Settings", {6, 4, 428, 238}},
        {ControlKind::SkinLabel, kDescription, kDescriptionText, {14, 18, 400, 56}, kOuterFrame},
        {ControlKind::CheckBox, kDoPinging, "Enable Pinger", {14, 76, 200, 20}, kOuterFrame},
        {ControlKind::Frame, kConfiguration, "Configuration", {10, 98, 408, 104}, kOuterFrame},
        {ControlKind::Button, kPingNow, "Ping &Now", {300, 16, 96, 26}, kConfiguration},
        {ControlKind::OptionButton, kAuto, "Automatic Mode", {12, 20, 130, 18}, kConfiguration},
        {ControlKind::OptionButton, kManual, "Manual Mode", {148, 20, 130, 18}, kConfiguration},
        with({ControlKind::TextBox, kHost, "", {96, 47, 200, 21}, kConfiguration}, ControlOptions::textBox(255)),
        // Filled at load, like the rest of the window's contents.
        with({ControlKind::ComboBox, kInterval, "", {96, 77, 96, 21}, kConfiguration},
             ControlOptions::dropDown({})),
        {ControlKind::CheckBox, kSound, "Play &Sound at Ping", {212, 79, 184, 18}, kConfiguration},
        {ControlKind::SkinLabel, kHostLabel, "Ping Host", {12, 50, 80, 16}, kConfiguration},
        {ControlKind::SkinLabel, kIntervalLabel, "Ping Interval", {12, 80, 80, 16}, kConfiguration},
        // One line beside Save: what the last Ping Now came to (two lines,
        // for a long host name), or what a refused host must look like.
        {ControlKind::Label, kResult, "", {14, 205, 298, 28}, kOuterFrame},
        {ControlKind::Label, kHostProblem, "", {14, 205, 298, 28}, kOuterFrame},
        {ControlKind::Button, kSave, "Save", {318, 206, 96, 26}, kOuterFrame},
    };
    return decls;
}

NetPingerSettings::NetPingerSettings(Form& form, SettingsStore& store, StartPing startPing, std::uintptr_t owner)
    : form_(form), pinger_(store), startPing_(std::move(startPing)), owner_(owner) {
    // Each handler hands the user's edit to the pinger and then shows what
    // follows from it (a mode puts its own host text and list entry in).
    form_[kDoPinging].onClick = [this] {
        pinger_.setDoPinging(form_[kDoPinging].value() == 1);
        show();
    };
    form_[kAuto].onClick = [this] {
        pinger_.chooseAutomatic();
        show();
    };
    form_[kManual].onClick = [this] {
        pinger_.chooseManual();
        show();
    };
    form_[kHost].onChange = [this] {
        pinger_.setHost(form_[kHost].text());
        show();
    };
    form_[kInterval].onChange = [this] {
        pinger_.setIntervalIndex(form_.choice(kInterval).selectedIndex());
        show();
    };
    form_[kSound].onClick = [this] {
        pinger_.setSound(form_[kSound].value() == 1);
        show();
    };
    form_[kSave].onClick = [this] {
        if (checkHost()) save();
    };
    form_[kPingNow].onClick = [this] {
        if (!checkHost()) return;
        // What the host box holds, not the saved host: the user pings what
        // they see.
        const std::string host = pinger_.hostInBox();
        if (auto request = pinger_.pingNow(host)) {
            form_[kResult].setText(net::pingingLine(host));
            startPing_(*request);
        } else {
            form_[kResult].setText(net::kPingStillOut);
        }
    };
    form_[kHost].onLeave = [this] { checkHost(); };
    form_.showProblemsIn(kHostProblem);
}

// A host typed in manual mode is checked before it is saved or pinged; in
// automatic mode the box only says "Automatic".
bool NetPingerSettings::checkHost() {
    Control& host = form_[kHost];
    const std::optional<std::string> problem =
        host.enabled() ? net::hostProblem(host.text()) : std::optional<std::string>();
    if (problem) {
        // The refusal takes the place of the last Ping Now's line.
        form_[kResult].setText("");
        host.refuse(*problem);
        return false;
    }
    host.clearProblem();
    return true;
}

void NetPingerSettings::load() {
    form_.choice(kInterval).setEntries(net::intervalEntries());
    pinger_.load();
    show();
    timer_.start(net::kPingerTimerMs, [this] { onTick(); });
}

void NetPingerSettings::save() {
    const bool wasRunning = pinger_.timerEnabled();
    pinger_.save();
    // A pinger switched on counts its ticks from now, as a timer that has
    // just been enabled does.
    if (!wasRunning && pinger_.timerEnabled()) timer_.setInterval(net::kPingerTimerMs);
    show();
}

void NetPingerSettings::onTick() {
    if (auto request = pinger_.tick()) startPing_(*request);
}

void NetPingerSettings::pingFinished(const net::PingRequest& request, const net::EchoOutcome& outcome) {
    const bool sound = pinger_.finished(request, outcome.replied);
    if (request.source == net::PingSource::PingNow) form_[kResult].setText(net::pingResultLine(request, outcome));
    net::showNetMessages(outcome.messages, owner_);
    if (sound) effects().playSound(net::pingSoundPath(effects().programFolder()));
}

void NetPingerSettings::show() {
    const net::PingerFields& fields = pinger_.fields();
    form_[kDoPinging].setValueQuietly(fields.doPinging);
    form_[kAuto].setValueQuietly(fields.automatic ? 1 : 0);
    form_[kManual].setValueQuietly(fields.automatic ? 0 : 1);
    form_[kHost].setTextQuietly(fields.host);
    form_.choice(kInterval).setValueQuietly(fields.intervalIndex);
    form_[kSound].setValueQuietly(fields.sound);

    // A disabled frame takes its controls with it; they are greyed as well,
    // so the window shows what can be used.
    const bool configuration = pinger_.configurationEnabled();
    form_[kConfiguration].setEnabled(configuration);
    for (const char* name : kConfigurationControls) form_[name].setEnabled(configuration);
    form_[kHost].setEnabled(configuration && pinger_.hostFieldsEnabled());
    form_[kInterval].setEnabled(configuration && pinger_.hostFieldsEnabled());
    form_[kSave].setEnabled(pinger_.changed());
}

}  // namespace quellar::features
