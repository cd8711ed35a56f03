#include <doctest/doctest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

#include "ui/face/faceparser.h"
#include "ui/face/facestate.h"
#include "face_testdata.h"

using namespace quellar::ui;

namespace {

FaceState stateOf(const std::string& text) {
    FaceParseResult r = parseFace(text);
    INFO(r.error());
    REQUIRE(r.ok);
    return FaceState(r.face);
}

bool showsText(const FaceState& s, const std::string& text) {
    auto ops = s.render();
    return std::any_of(ops.begin(), ops.end(),
                       [&](const FaceOp& op) { return op.shape == FaceShape::Text && op.text == text; });
}

// Clicks the middle of the first button that sends the command on the
// shown panel (or on every panel).
std::optional<FaceCommand> click(FaceState& s, const std::string& command) {
    const Face& f = s.face();
    for (const FaceItem& item : f.items) {
        if (!item.isButton || (item.panel >= 0 && f.panels[static_cast<std::size_t>(item.panel)] != s.panel()))
            continue;
        const FaceButton& b = f.buttons[item.index];
        if (b.command != command) continue;
        int x = b.x.resolve(f.width, f.height) + b.w.resolve(f.width, f.height) / 2;
        int y = b.y.resolve(f.width, f.height) + b.h.resolve(f.width, f.height) / 2;
        s.mouseDown(x, y);
        return s.mouseUp(x, y);
    }
    FAIL("no button sends " << command << " on panel " << s.panel());
    return std::nullopt;
}

const char* const kSmallFace = R"(face 200 100
set greeting "Hi {there}"
style plain
  normal rect 0 0 w h fill=#111111
  hover rect 0 0 w h fill=#222222
  pressed rect 0 0 w h fill=#333333
  selected rect 0 0 w h fill=#444444
  any text 0 0 w h "{label}"
drag 0 0 w 20
button 180 0 20 20 style=plain label="x" send=IDC_FS_close
panel home
text 0 30 100 20 "v{_root.version} {greeting} {{x}"
button 10 40 50 20 style=plain label="A" send=cmdA arg="one two" group=g
button 40 50 50 20 style=plain label="B" send=cmdB show=other group=g
panel other
button 10 40 50 20 style=plain label="Back" show=back
button 100 40 50 20 style=plain label="Only" send=cmdOther
panel island
button 100 40 50 20 style=plain label="Never" send=cmdUnreachable
)";

}  // namespace

TEST_CASE("the built-in face offers every command of the command table and a caption strip") {
    FaceParseResult r = parseFace(readRepoFile("src/res/face.txt"));
    INFO(r.error());
    REQUIRE(r.ok);
    CHECK(r.face.width == 724);
    CHECK(r.face.height == 540);
    CHECK(r.face.panels[static_cast<std::size_t>(r.face.home)] == "home");

    std::vector<std::string> commands = r.face.commands();
    std::set<std::string> offered(commands.begin(), commands.end());
    std::set<std::string> table(std::begin(kCommandTable), std::end(kCommandTable));
    table.insert("Drag");
    CHECK(offered == table);

    // The strip at the top moves the window; its buttons stay buttons.
    FaceState s(r.face);
    CHECK(s.mouseDown(300, 10) == FaceCommand{"Drag", ""});
    CHECK(s.mouseDown(700, 16) == std::nullopt);
    CHECK(s.mouseUp(700, 16) == FaceCommand{"IDC_FS_close", ""});

    // The card where feature windows are hosted is part of the face.
    auto ops = s.render();
    CHECK(std::any_of(ops.begin(), ops.end(), [](const FaceOp& op) {
        return op.shape == FaceShape::Rect && op.x == 245 && op.y == 199 && op.w == 440 && op.h == 332;
    }));
}

TEST_CASE("the built-in face: About, home return, restart confirmation and version") {
    FaceState s = stateOf(readRepoFile("src/res/face.txt"));
    s.setVariable(kVersionVariable, "1.2.0.7");
    CHECK(showsText(s, "1.2.0.7"));
    CHECK(s.panel() == "home");

    CHECK(click(s, "IDC_FS_about") == FaceCommand{"IDC_FS_about", ""});
    CHECK(s.panel() == "about");
    CHECK(showsText(s, "Version 1.2.0.7"));
    CHECK(click(s, "IDC_FS_closeAbout") == FaceCommand{"IDC_FS_closeAbout", ""});
    CHECK(s.panel() == "home");

    // Opening a tool clears the card; the program sends the face home.
    CHECK(click(s, "IDC_FS_wizardMode") == FaceCommand{"IDC_FS_wizardMode", ""});
    CHECK(s.panel() == "work");
    s.setVariable(kHomeVariable, "true");
    CHECK(s.panel() == "home");

    // About over an open tool goes back to the tool's panel when closed.
    click(s, "IDC_FS_ramConfig");
    click(s, "IDC_FS_about");
    click(s, "IDC_FS_closeAbout");
    CHECK(s.panel() == "work");

    // Restarting Windows asks first; only the confirmation sends the command.
    const FaceButton* ask = nullptr;
    for (const FaceButton& b : s.face().buttons)
        if (b.show == "restart") ask = &b;
    REQUIRE(ask);
    CHECK(ask->command == "IDC_FS_home");
    CHECK(click(s, "IDC_FS_home") == FaceCommand{"IDC_FS_home", ""});
    s.showPanel("restart");
    CHECK(click(s, "IDC_FS_restart") == FaceCommand{"IDC_FS_restart", ""});
}

TEST_CASE("CR LF lines, comments, quoting and relative coordinates") {
    FaceState s = stateOf("face 300 200\r\n# comment\r\n   \r\nbutton 100 50 w/3 h-100 label=\"a b\" send=go "
                          "arg=\"x=y\"\r\n  any rect w/2-5 h-10 10 10 fill=#abc\r\n");
    const FaceButton& b = s.face().buttons.at(0);
    CHECK(b.w.resolve(300, 200) == 100);
    CHECK(b.h.resolve(300, 200) == 100);
    CHECK(b.label == "a b");
    CHECK(b.args == "x=y");
    auto ops = s.render();
    REQUIRE(ops.size() == 1);
    CHECK(ops[0].x == 100 + 50 - 5);
    CHECK(ops[0].y == 50 + 100 - 10);
    CHECK(ops[0].fill == FaceColor{0xAABBCC});
}

TEST_CASE("gradients arrive as bands from the first colour to the last") {
    FaceState s = stateOf("face 100 600\ngradient 0 0 10 h from=#000000 to=#ff8000\n"
                          "gradient 0 0 3 10 from=#102030 to=#102030 dir=right\n");
    auto ops = s.render();
    REQUIRE(ops.size() == static_cast<std::size_t>(kFaceMaxGradientBands) + 3);
    CHECK(ops.front().fill == FaceColor{0x000000});
    CHECK(ops.front().y == 0);
    const FaceOp& last = ops[static_cast<std::size_t>(kFaceMaxGradientBands) - 1];
    CHECK(last.fill == FaceColor{0xFF8000});
    CHECK(last.y + last.h == 600);
    int covered = 0;
    for (int i = 0; i < kFaceMaxGradientBands; ++i) covered += ops[static_cast<std::size_t>(i)].h;
    CHECK(covered == 600);
    CHECK(ops.back().w == 1);  // three columns across, one pixel each
}

TEST_CASE("the built-in face by keyboard: the focus over the shown panel, its mark, Enter and Escape") {
    FaceState s = stateOf(readRepoFile("src/res/face.txt"));
    const Face& f = s.face();
    auto commandOf = [&](int button) { return f.buttons[static_cast<std::size_t>(button)].command; };
    auto markRings = [&] {
        auto ops = s.render();
        return std::count_if(ops.begin(), ops.end(), [](const FaceOp& op) {
            return op.shape == FaceShape::Round && !op.fill &&
                   (op.border == kFaceFocusOuter || op.border == kFaceFocusInner);
        });
    };
    s.setKeyboardFocus(true);
    CHECK(s.focused() == -1);
    CHECK(s.key(FaceKey::Next) == std::nullopt);
    CHECK(commandOf(s.focused()) == "IDC_FS_help");  // the title strip first; the drag strip is no stop
    CHECK(s.focusMarkShown());
    CHECK(markRings() == 2);
    s.key(FaceKey::Previous);
    s.key(FaceKey::Previous);
    CHECK(commandOf(s.focused()) == "IDC_FS_normalMode");  // round to the home panel's last tile
    s.setKeyboardFocus(false);
    CHECK(markRings() == 0);
    s.setKeyboardFocus(true);

    // On to the side bar's "Wizard Mode"; Enter chooses it as a click would.
    int item = -1;
    for (std::size_t i = 0; i < f.buttons.size() && item < 0; ++i)
        if (f.buttons[i].command == "IDC_FS_wizardMode" && f.buttons[i].x.resolve(f.width, f.height) == 0)
            item = static_cast<int>(i);
    for (int presses = 0; presses < 50 && s.focused() != item; ++presses) s.key(FaceKey::Next);
    REQUIRE(s.focused() == item);
    CHECK(s.key(FaceKey::Choose) == FaceCommand{"IDC_FS_wizardMode", ""});
    CHECK(s.panel() == "work");
    CHECK(s.isSelected(item));
    CHECK(s.focused() == item);                      // the side bar stays
    CHECK(s.key(FaceKey::Cancel) == std::nullopt);   // nothing cancels on the work panel

    // The About card: a mouse click hides the mark, so Enter takes the
    // default button; Escape the cancel button. Both go back to the tool.
    click(s, "IDC_FS_about");
    CHECK_FALSE(s.focusMarkShown());
    CHECK(s.key(FaceKey::Choose) == FaceCommand{"IDC_FS_closeAbout", ""});
    CHECK(s.panel() == "work");
    click(s, "IDC_FS_about");
    CHECK(s.key(FaceKey::Cancel) == FaceCommand{"IDC_FS_closeAbout", ""});
    CHECK(s.panel() == "work");

    // Restart asks first; Escape there is its Cancel, and at home no tool of
    // the side bar stays highlighted (a group's header may).
    s.showPanel("restart");
    CHECK(s.key(FaceKey::Cancel) == std::nullopt);
    CHECK(s.panel() == "home");
    CHECK_FALSE(s.isSelected(item));
    click(s, "IDC_FS_main");
    CHECK(s.panel() == "home");
    CHECK(s.isSelected(s.hovered()));
}

TEST_CASE("a click is a press and a release on the same button") {
    FaceState s = stateOf(kSmallFace);
    CHECK(s.mouseDown(20, 45) == std::nullopt);   // press on A
    CHECK(s.pressed() >= 0);
    CHECK(s.mouseUp(20, 45) == FaceCommand{"cmdA", "one two"});

    s.mouseDown(20, 45);
    s.mouseMove(150, 90);                         // dragged off: looks normal again
    CHECK(s.mouseUp(150, 90) == std::nullopt);
    s.mouseDown(20, 45);
    CHECK(s.mouseUp(80, 65) == std::nullopt);     // released on B
    CHECK(s.panel() == "home");

    s.mouseDown(20, 45);
    s.cancelPress();                              // capture lost
    CHECK(s.mouseUp(20, 45) == std::nullopt);

    CHECK(s.mouseDown(150, 90) == std::nullopt);  // nothing there
    CHECK(s.mouseUp(150, 90) == std::nullopt);

    // The strip sends Drag on the press alone; the button above it wins.
    CHECK(s.mouseDown(50, 5) == FaceCommand{"Drag", ""});
    CHECK(s.mouseUp(50, 5) == std::nullopt);
    CHECK(s.mouseDown(190, 5) == std::nullopt);
    CHECK(s.mouseUp(190, 5) == FaceCommand{"IDC_FS_close", ""});
    CHECK(s.overButton(190, 5));
    CHECK_FALSE(s.overButton(50, 5));
}

TEST_CASE("looks follow hover, press, selection and the shown panel") {
    FaceState s = stateOf(kSmallFace);
    auto fillAt = [&](int x, int y) {
        std::optional<FaceColor> found;
        for (const FaceOp& op : s.render())
            if (op.shape == FaceShape::Rect && x >= op.x && y >= op.y && x < op.x + op.w && y < op.y + op.h)
                found = op.fill;
        return found.value_or(0xFFFFFF);
    };
    CHECK(s.takeRedraw());
    CHECK_FALSE(s.takeRedraw());
    CHECK(fillAt(15, 45) == 0x111111);
    s.mouseMove(15, 45);
    CHECK(s.takeRedraw());
    CHECK(fillAt(15, 45) == 0x222222);
    s.mouseMove(16, 46);
    CHECK_FALSE(s.takeRedraw());  // still the same button
    s.mouseDown(15, 45);
    CHECK(fillAt(15, 45) == 0x333333);
    s.mouseMove(150, 90);
    CHECK(fillAt(15, 45) == 0x111111);
    s.mouseMove(15, 45);
    s.mouseUp(15, 45);
    CHECK(fillAt(15, 45) == 0x222222);
    s.mouseLeave();
    CHECK(fillAt(15, 45) == 0x444444);  // the last clicked of its group

    // B overlaps A; the later one is on top. It switches to "other".
    CHECK(s.hitTest(45, 55) == s.hitTest(80, 65));
    s.mouseDown(45, 55);
    CHECK(s.mouseUp(45, 55) == FaceCommand{"cmdB", ""});
    CHECK(s.panel() == "other");
    CHECK(s.hovered() >= 0);  // the pointer is now over "Back", not over B
    CHECK(s.face().buttons[static_cast<std::size_t>(s.hovered())].label == "Back");
    CHECK_FALSE(showsText(s, "A"));
    CHECK(showsText(s, "Only"));
    s.mouseDown(15, 45);
    CHECK(s.mouseUp(15, 45) == std::nullopt);  // Back: a local switch only
    CHECK(s.panel() == "home");

    // The program's home call clears the selection too.
    s.setVariable(kHomeVariable, "true");
    s.mouseLeave();
    CHECK(fillAt(15, 45) == 0x111111);
    s.showPanel("other");
    s.setVariable(kHomeVariable, "false");
    CHECK(s.panel() == "other");
    s.setVariable(kHomeVariable, "true");
    CHECK(s.panel() == "home");
    CHECK_FALSE(s.showPanel("nowhere"));
}

TEST_CASE("variables fill in the texts") {
    FaceState s = stateOf(kSmallFace);
    CHECK(showsText(s, "v Hi {there} {x}"));
    s.setVariable(kVersionVariable, "1.0.0.3");
    CHECK(showsText(s, "v1.0.0.3 Hi {there} {x}"));
    CHECK(s.fillIn("{unknown}|{not a name}|{open") == "|{not a name}|{open");
    s.setVariable("long", std::string(kFaceMaxValueLength * 2, 'x'));
    CHECK(s.variable("long").size() == kFaceMaxValueLength);
    std::string many;
    for (int i = 0; i < 10; ++i) many += "{long}";
    CHECK(s.fillIn(many).size() == kFaceMaxShownText);
    for (std::size_t i = 0; i < kFaceMaxVariables * 2; ++i) s.setVariable("v" + std::to_string(i), "1");
    CHECK(s.variable("v" + std::to_string(kFaceMaxVariables * 2 - 1)).empty());
    s.setVariable(kVersionVariable, "2.0.0.0");  // a known name still changes
    CHECK(s.variable(kVersionVariable) == "2.0.0.0");
}

TEST_CASE("only commands of panels a user can reach are offered") {
    FaceState s = stateOf(kSmallFace);
    std::vector<std::string> commands = s.face().commands();
    CHECK(commands == std::vector<std::string>{"Drag", "IDC_FS_close", "cmdA", "cmdB", "cmdOther"});
}
