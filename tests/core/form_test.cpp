#include <doctest/doctest.h>

#include "core/form.h"

using namespace quellar;

namespace {
const std::vector<ControlDecl> kDecls = {
    {ControlKind::Frame, "frameA", "A", {0, 0, 100, 100}},
    {ControlKind::OptionButton, "opt", "one", {0, 0, 10, 10}, "frameA", 0},
    {ControlKind::OptionButton, "opt", "two", {0, 0, 10, 10}, "frameA", 1},
    {ControlKind::OptionButton, "other", "elsewhere", {0, 0, 10, 10}},
    {ControlKind::CheckBox, "chk", "check", {0, 0, 10, 10}},
    {ControlKind::TextBox, "txt", "start", {0, 0, 10, 10}},
};
}

TEST_CASE("check boxes raise their click on every new value, from code or mouse") {
    Form form("f", "", {}, kDecls);
    int clicks = 0;
    form["chk"].onClick = [&] { ++clicks; };
    form["chk"].setValue(1);
    form["chk"].setValue(1);  // no change, no click
    CHECK(clicks == 1);
    form["chk"].userClick();
    CHECK(form["chk"].value() == 0);
    CHECK(clicks == 2);
    form["chk"].setEnabled(false);
    form["chk"].userClick();  // a disabled control ignores the mouse
    CHECK(clicks == 2);
}

TEST_CASE("selecting an option button clears the others of its frame only") {
    Form form("f", "", {}, kDecls);
    form["other"].setValue(1);
    form.get("opt", 0).userClick();
    CHECK(form.get("opt", 0).value() == 1);
    form.get("opt", 1).userClick();
    CHECK(form.get("opt", 0).value() == 0);
    CHECK(form.get("opt", 1).value() == 1);
    CHECK(form["other"].value() == 1);
    // Clicking the selected one again raises its click, changes nothing.
    int clicks = 0;
    form.get("opt", 1).onClick = [&] { ++clicks; };
    form.get("opt", 1).userClick();
    CHECK(clicks == 1);
    CHECK(form.get("opt", 1).value() == 1);
}

TEST_CASE("text boxes raise change on new text; views follow every model change") {
    Form form("f", "", {}, kDecls);
    int changes = 0, pushed = 0;
    form["txt"].onChange = [&] { ++changes; };
    form["txt"].onModelChanged = [&](const Control&) { ++pushed; };
    form["txt"].setText("start");
    CHECK(changes == 0);
    form["txt"].userText("next");
    CHECK(changes == 1);
    form["txt"].setEnabled(false);
    form["txt"].setVisible(false);
    CHECK(pushed == 3);
    CHECK(form.find("missing") == nullptr);
    CHECK(form.find("opt") == nullptr);  // array elements need their index
    CHECK(form.controls().size() == kDecls.size());
}
