#pragma once
// A showcase form that declares every kind of control, with the options
// each kind takes: the Wine binder test drives it through real messages, the
// skin showcase shows it skinned, the screenshot tool photographs it.
#include <string>
#include <vector>

#include "core/form.h"

namespace quellar::testing {

inline std::vector<ControlDecl> showcaseControls() {
    return {
        {ControlKind::Frame, "fraHost", "Host", {8, 6, 424, 112}},
        {ControlKind::SkinLabel, "lblHost", "Host name or address:", {12, 24, 130, 16}, "fraHost"},
        with({ControlKind::TextBox, "txtHost", "127.0.0.1", {146, 20, 160, 21}, "fraHost"},
             ControlOptions::textBox(64)),
        with({ControlKind::Button, "cmdPingNow", "Ping &Now", {318, 19, 94, 25}, "fraHost"},
             ControlOptions::defaultButton()),
        {ControlKind::SkinLabel, "lblInterval", "Ping every (minutes):", {12, 54, 130, 16}, "fraHost"},
        with({ControlKind::TextBox, "txtInterval", "5", {146, 50, 40, 21}, "fraHost"},
             ControlOptions::textBox(2, true)),
        with({ControlKind::UpDown, "updInterval", "", {186, 50, 16, 21}, "fraHost"},
             ControlOptions::upDown(1, 60, 1, "txtInterval")),
        with({ControlKind::Slider, "sldInterval", "", {212, 47, 200, 28}, "fraHost"},
             ControlOptions::slider(1, 60, 1, 5, true)),
        {ControlKind::CheckBox, "chkStart", "Start pinging with Windows", {12, 84, 190, 18}, "fraHost"},
        {ControlKind::CheckBox, "chkSound", "Play a sound on every ping", {212, 84, 200, 18}, "fraHost"},
        {ControlKind::Frame, "fraMode", "Connection", {8, 126, 200, 118}},
        {ControlKind::OptionButton, "optMode", "Dial-up modem", {12, 22, 176, 18}, "fraMode", 0},
        {ControlKind::OptionButton, "optMode", "Cable or DSL", {12, 44, 176, 18}, "fraMode", 1},
        {ControlKind::OptionButton, "optMode", "Local network", {12, 66, 176, 18}, "fraMode", 2},
        {ControlKind::OptionButton, "optMode", "Satellite", {12, 88, 176, 18}, "fraMode", 3},
        {ControlKind::Frame, "fraStatus", "Last replies", {216, 126, 216, 118}},
        with({ControlKind::ListView, "lstReplies", "", {10, 22, 196, 64}, "fraStatus"},
             ControlOptions::listView({{"Time", 60, Alignment::Left},
                                       {"Host", 80, Alignment::Left},
                                       {"Reply", 52, Alignment::Right}})),
        {ControlKind::Label, "lblLast", "Last reply: 12 ms", {10, 92, 190, 16}, "fraStatus"},
        {ControlKind::SkinLabel, "lblSound", "Sound:", {8, 259, 46, 16}},
        with({ControlKind::ComboBox, "cmbSound", "", {56, 255, 152, 21}},
             ControlOptions::dropDown({"Ping.wav", "Chimes", "None"})),
        with({ControlKind::Graph, "grpReplies", "", {216, 252, 216, 40}},
             ControlOptions::graph(0x00FF00, 30)),
        {ControlKind::Picture, "picLogo", "", {8, 300, 16, 16}},
        {ControlKind::Label, "lblHint", "Changes apply at once.", {8, 304, 170, 16}},
        {ControlKind::Button, "cmdSave", "&Save", {196, 298, 74, 25}},
        {ControlKind::Button, "cmdDefaults", "&Defaults", {277, 298, 74, 25}},
        with({ControlKind::Button, "cmdClose", "Close", {358, 298, 74, 25}},
             ControlOptions::cancelButton()),
    };
}

// Rows, a selection, values: what a window's load would fill in, all
// through the models.
inline void fillShowcase(Form& form) {
    ListControl& list = form.list("lstReplies");
    list.addRow({"10:42", "127.0.0.1", "12 ms"}, 12);
    list.addRow({"10:37", "127.0.0.1", "9 ms"}, 9);
    form.choice("cmbSound").select(0);
    form.range("sldInterval").setValue(5);
    form.range("updInterval").setValue(5);
    GraphControl& graph = form.graph("grpReplies");
    for (int i = 0; i < 30; ++i) graph.setSample(50 + 40 * ((i % 10) < 5 ? (i % 5) : 5 - (i % 5)) / 5.0);
    form["chkStart"].setValue(1);
    form.get("optMode", 0).setValue(1);
    form.get("optMode", 3).setEnabled(false);
    form["cmdDefaults"].setEnabled(false);
}

}  // namespace quellar::testing
