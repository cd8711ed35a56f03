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

#include <any>

#include "core/text.h"
#include "core/timers.h"
#include "support/showcase.h"

TEST_CASE("quiet changes raise no event; an up-down keeps its text box in step") {
    Form form("f", "", {}, testing::showcaseControls());
    int clicks = 0, boxChanges = 0;
    form["chkStart"].onClick = [&] { ++clicks; };
    form["txtInterval"].onChange = [&] { ++boxChanges; };
    form["chkStart"].setValueQuietly(1);
    CHECK(form["chkStart"].value() == 1);
    CHECK(clicks == 0);

    RangeControl& spin = form.range("updInterval");
    CHECK(spin.value() == 5);  // the box's declared number starts it
    spin.userScroll(7);
    CHECK(form["txtInterval"].text() == "7");
    CHECK(boxChanges == 1);                     // the box's own validation runs
    spin.setValueQuietly(9);
    CHECK(form["txtInterval"].text() == "9");
    CHECK(boxChanges == 1);
    form["txtInterval"].userText("12");         // typed: the up-down follows
    CHECK(spin.value() == 12);
    form["txtInterval"].userText("99");         // outside 1 to 60: it stays
    CHECK(spin.value() == 12);
}

TEST_CASE("a ranged value stays inside a range that changes; a click is apart from a change") {
    Form form("f", "", {}, testing::showcaseControls());
    RangeControl& slider = form.range("sldInterval");
    int changes = 0, clicks = 0;
    slider.onChange = [&] { ++changes; };
    slider.onClick = [&] { ++clicks; };
    slider.setValue(80);
    CHECK(slider.value() == 60);
    CHECK((changes == 1 && clicks == 0));
    slider.setRange(0, 20);
    CHECK(slider.value() == 20);
    CHECK(changes == 2);
    slider.userScroll(3);
    CHECK((changes == 3 && clicks == 1));
}

TEST_CASE("a list sorts with the behaviour's comparison, keeps its selection and reports the user") {
    Form form("f", "", {}, testing::showcaseControls());
    ListControl& list = form.list("lstReplies");
    for (int ms : {30, 10, 20, 10}) list.addRow({std::to_string(ms) + " ms", "h" + std::to_string(list.rows().size())}, ms);
    int selections = 0, columns = -1, ups = 0;
    list.onSelectionChanged = [&] { ++selections; };
    list.onColumnClick = [&](int c) { columns = c; };
    list.onMouseUp = [&] { ++ups; };
    list.userSelect(2);  // "20 ms"
    list.sort([](const ListControl::Row& a, const ListControl::Row& b) {
        return std::any_cast<int>(a.datum) < std::any_cast<int>(b.datum);
    });
    CHECK(list.rows()[0].cells[1] == "h1");  // equal keys keep their order
    CHECK(list.rows()[1].cells[1] == "h3");
    CHECK(list.selected()->cells[0] == "20 ms");
    list.setSortMark(1, SortMark::Descending);
    CHECK(list.sortMark(1) == SortMark::Descending);
    CHECK(list.sortMark(7) == SortMark::None);
    list.userColumnClick(2);
    list.userColumnClick(7);  // no such column: nothing
    list.userMouseUp();
    list.removeRow(list.selectedRow());
    CHECK((selections == 2 && columns == 2 && ups == 1 && list.selectedRow() == -1));
}

TEST_CASE("drop-downs, graphs and pages") {
    Form form("f", "", {}, testing::showcaseControls());
    ChoiceControl& sound = form.choice("cmbSound");
    int picks = 0;
    sound.onChange = [&] { ++picks; };
    CHECK(sound.selectedIndex() == -1);
    sound.userSelect(1);
    CHECK((sound.text() == "Chimes" && picks == 1));
    sound.select(9);  // no such entry: none selected
    CHECK((sound.selectedIndex() == -1 && sound.text().empty()));

    GraphControl& graph = form.graph("grpReplies");
    for (int i = 0; i < 40; ++i) graph.setSample(i);
    CHECK(graph.samples().size() == 30);
    CHECK((graph.samples().front() == 10 && graph.sample() == 39));
    graph.setZoom(500);
    CHECK(graph.zoom() == 100);
    CHECK(graphRow(100, 30, 101) == 100);  // zoom 30: 0 to 100 fills the height
    CHECK(graphRow(15, 100, 101) == 50);    // zoom 100: 0 to 30
    CHECK(graphRow(80, 100, 101) == 100);   // above the top: at the top
    CHECK(graphRow(-5, 30, 101) == 0);

    Pages pages(form, {"fraHost", "fraMode", "fraStatus"});
    pages.show(1);
    CHECK(form.isShown(form.get("optMode", 0)));
    CHECK_FALSE(form.isShown(form["txtHost"]));  // visible itself, in a hidden frame
    CHECK(form.isShown(form["cmdSave"]));
    pages.show(5);
    CHECK(pages.current() == 1);
}

TEST_CASE("the one definition of a number, rounding and words") {
    for (const char* yes : {"0", " 42 ", "-7", "+3.", ".5", "1e3", "2.5E-2", "\t12\t"}) CHECK(text::isNumber(yes));
    for (const char* no : {"", "  ", "-", ".", "1e", "0x10", "1,000", "inf", "1 2", "e5"}) CHECK_FALSE(text::isNumber(no));
    CHECK(*text::roundToEven(2.5) == 2);
    CHECK(*text::roundToEven(3.5) == 4);
    CHECK(*text::roundToEven(-2.5) == -2);
    CHECK(*text::roundToEven(-2.6) == -3);
    CHECK_FALSE(text::roundToEven(1e300));
    CHECK(*text::parseWholeRounded(" 1452.5 ", 0, 2000) == 1452);
    CHECK_FALSE(text::parseWholeRounded("2001", 0, 2000));
    CHECK(*text::parseWhole("-12", -20, 20) == -12);
    CHECK_FALSE(text::parseWhole("-12", -20, 20, false));
    CHECK_FALSE(text::parseWhole(" 12", 0, 20));
    CHECK(*text::parseHex("fF") == 255);
    CHECK_FALSE(text::parseHex("g"));
    CHECK(text::equalsIgnoreCase("True", "tRUE"));
    CHECK(text::fileNameOf("C:\\Quellar\\Backups\\005.BCK") == "005.BCK");
    CHECK(text::fileNameOf("quellar.exe") == "quellar.exe");
}

TEST_CASE("timers run through the seam: a 65,535 ms timer and a thousand 100 ms ticks at once") {
    ManualTimersScope scope;
    int slow = 0, fast = 0;
    Timer pinger, graph;
    pinger.start(65535, [&] { ++slow; });
    graph.start(100, [&] {
        if (++fast == 1000) graph.stop();  // a tick may stop its own timer
    });
    scope.advance(65535 * 3);
    CHECK(slow == 3);
    CHECK(fast == 1000);
    pinger.setInterval(1000);
    scope.advance(2000);
    CHECK(slow == 5);
}
