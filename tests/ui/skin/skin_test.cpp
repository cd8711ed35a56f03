#include <doctest/doctest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "core/form.h"
#include "ui/skin/skin.h"
#include "ui/skin/skinpass.h"

using namespace quellar;
using namespace quellar::ui;

namespace {

std::string shippedSkinFile() {
    std::string here = __FILE__;
    std::string root = here.substr(0, here.rfind("tests"));
    std::ifstream in(root + "src/res/RQLRMask.skn", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST_CASE("skin colours are read as #RRGGBB or r,g,b and nothing else") {
    SkinColor c;
    REQUIRE(parseSkinColor("#1d4F91", c));
    CHECK(c == SkinColor{0x1D, 0x4F, 0x91});
    REQUIRE(parseSkinColor(" 242, 248 ,200 ", c));
    CHECK(c == SkinColor{242, 248, 200});
    REQUIRE(parseSkinColor("0,0,255", c));
    CHECK(formatSkinColor(c) == "#0000FF");

    SkinColor untouched{1, 2, 3};
    for (const char* bad : {"", "#", "#12345", "#1234567", "#GG0000", "1d4f91", "1,2", "1,2,3,4",
                            "256,0,0", "-1,0,0", "1,,3", "0x10,0,0", "1 2,3,4", "0001,2,3", "red"}) {
        CAPTURE(bad);
        CHECK_FALSE(parseSkinColor(bad, untouched));
    }
    CHECK(untouched == SkinColor{1, 2, 3});
}

TEST_CASE("the built-in skin is the shipped file and reads without a fault") {
    CHECK(shippedSkinFile() == kBuiltInSkinText);
    SkinParseResult shipped = parseSkin(kBuiltInSkinText, Skin());
    CHECK(shipped.issues.empty());
    CHECK(shipped.skin == builtInSkin());

    const Skin& skin = builtInSkin();
    CHECK(skin.style(SkinElement::Button).fontFace == "Tahoma");
    CHECK(skin.style(SkinElement::Button).fontWeight == kFontWeightBold);
    CHECK(skin.style(SkinElement::Button).backgroundFromParent);
    CHECK(skin.style(SkinElement::Frame).cornerRadius == 6);
    CHECK_FALSE(skin.style(SkinElement::Frame).backgroundFromParent);
    // The form and the child area around it are one surface.
    CHECK(skin.style(SkinElement::NoFrame).background == skin.style(SkinElement::ControlForm).background);
    // Every element the file names differs from the neutral fallback, so
    // none was left out by mistake.
    for (std::size_t i = 0; i < kSkinElementCount; ++i) {
        CAPTURE(skinElementName(static_cast<SkinElement>(i)));
        CHECK(skin.style(static_cast<SkinElement>(i)) != ElementStyle());
    }
}

TEST_CASE("what a skin file omits keeps the base skin's look") {
    SkinParseResult r = parseSkin("[Button]\nface = #FF0000\n");
    CHECK(r.issues.empty());
    Skin expected = builtInSkin();
    expected.style(SkinElement::Button).face = SkinColor{255, 0, 0};
    CHECK(r.skin == expected);

    CHECK(parseSkin("").skin == builtInSkin());
    CHECK(parseSkin("# only a comment\n\n   \n").skin == builtInSkin());

    Skin base;
    base.style(SkinElement::Label).text = SkinColor{9, 9, 9};
    SkinParseResult over = parseSkin("[Label]\nfontSize = 12", base);
    CHECK(over.skin.style(SkinElement::Label).text == SkinColor{9, 9, 9});
    CHECK(over.skin.style(SkinElement::Label).fontSize == 12);
}

TEST_CASE("every property of an element can be set, in either colour form and any letter case") {
    SkinParseResult r = parseSkin(
        "\xEF\xBB\xBF[CheckBox]\r\nBACKGROUND = 1,2,3\r\nface=#010203\r\ndisabledFace = #020304\r\n"
        "text = #030405\r\ndisabledtext = #040506\r\nhover = #050607\r\npressed = #060708\r\n"
        "border = #070809\r\nfocus = #08090A\r\ncheckMark = #090A0B\r\nborderStyle = Etched\r\n"
        "cornerRadius = 20\r\nfontFace = Courier New\r\nfontSize = 36\r\nfontWeight = 600");
    CHECK(r.issues.empty());
    ElementStyle expected = builtInSkin().style(SkinElement::CheckBox);
    expected.background = {1, 2, 3};
    expected.backgroundFromParent = false;
    expected.face = {1, 2, 3};
    expected.disabledFace = {2, 3, 4};
    expected.text = {3, 4, 5};
    expected.disabledText = {4, 5, 6};
    expected.hover = {5, 6, 7};
    expected.pressed = {6, 7, 8};
    expected.border = {7, 8, 9};
    expected.focus = {8, 9, 10};
    expected.checkMark = {9, 10, 11};
    expected.borderStyle = BorderStyle::Etched;
    expected.cornerRadius = 20;
    expected.fontFace = "Courier New";
    expected.fontSize = 36;
    expected.fontWeight = 600;
    CHECK(r.skin.style(SkinElement::CheckBox) == expected);
    // Only that element changed.
    Skin rest = r.skin;
    rest.style(SkinElement::CheckBox) = builtInSkin().style(SkinElement::CheckBox);
    CHECK(rest == builtInSkin());

    SkinParseResult parent = parseSkin("[Frame]\nbackground = #000000\nbackground = Parent\n");
    CHECK(parent.skin.style(SkinElement::Frame).backgroundFromParent);
}

TEST_CASE("unknown elements and keys are skipped quietly; element names are exact") {
    SkinParseResult r = parseSkin(
        "name = Test skin\n"
        "face = #FF0000\n"  // before any element: describes the skin, colours nothing
        "[Scrollbar]\n"
        "face = #00FF00\n"
        "thumb = anything at all\n"
        "[button]\n"
        "face = #0000FF\n"
        "[Button]\n"
        "shadow = #123456\n"
        "glow = yes\n");
    CHECK(r.issues.empty());
    CHECK(r.skin == builtInSkin());
}

TEST_CASE("malformed lines are reported with their numbers and skipped; the rest applies") {
    SkinParseResult r = parseSkin(
        "[Button\n"                 // 1
        "face = #00FF00\n"          // 2: no element open after a broken header
        "[Label] extra\n"           // 3
        "[ ]\n"                     // 4
        "[Label]\n"                 // 5
        "text #112233\n"            // 6
        " = #112233\n"              // 7
        "text = #11223\n"           // 8
        "fontSize = 5\n"            // 9
        "fontSize = 37\n"           // 10
        "fontSize = 12pt\n"         // 11
        "fontWeight = heavy\n"      // 12
        "fontFace =\n"              // 13
        "fontFace = A name much longer than thirty-one characters\n"  // 14
        "background = transparent\n"  // 15
        "[Frame]\n"                 // 16
        "borderStyle = dashed\n"    // 17
        "cornerRadius = 21\n"       // 18
        "cornerRadius = -1\n"       // 19
        "text = #ABCDEF\n");        // 20
    std::vector<int> lines;
    for (const SkinIssue& issue : r.issues) lines.push_back(issue.line);
    CHECK(lines == std::vector<int>{1, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18, 19});
    CHECK(r.skin.style(SkinElement::Frame).text == SkinColor{0xAB, 0xCD, 0xEF});
    CHECK(r.skin.style(SkinElement::Label) == builtInSkin().style(SkinElement::Label));
    CHECK(r.skin.style(SkinElement::Button) == builtInSkin().style(SkinElement::Button));

    REQUIRE(r.issues.size() > 5);
    CHECK(describeSkinIssue(r.issues[5]) ==
          "line 8: bad value '#11223' for 'text': expected a colour as #RRGGBB or r,g,b");
    CHECK(describeSkinIssue(r.issues[0]) == "line 1: missing ']' after the element name");
}

TEST_CASE("messages stay short and printable; a flood of bad lines is capped") {
    std::string value(200, 'x');
    value[3] = '\x01';
    SkinParseResult r = parseSkin("[Label]\ntext = " + value);
    REQUIRE(r.issues.size() == 1);
    CHECK(r.issues[0].message.find('\x01') == std::string::npos);
    CHECK(r.issues[0].message.size() < 120);

    std::string flood;
    for (int i = 0; i < 1000; ++i) flood += "garbage\n";
    SkinParseResult many = parseSkin(flood);
    CHECK(many.issues.size() == kMaxSkinIssues);
    CHECK(many.issues.back().line == static_cast<int>(kMaxSkinIssues));
}

TEST_CASE("any bytes at all read without harm") {
    // A small deterministic fuzz of mutated skin text, so the sanitizer
    // builds see odd input on every run.
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    std::string shipped = kBuiltInSkinText;
    for (int round = 0; round < 300; ++round) {
        std::string text = shipped;
        int edits = 1 + static_cast<int>(next() % 20);
        for (int e = 0; e < edits; ++e) {
            std::size_t at = next() % (text.size() + 1);
            switch (next() % 3) {
            case 0: text.insert(at, 1, static_cast<char>(next() & 0xFF)); break;
            case 1: if (at < text.size()) text.erase(at, 1 + next() % 8); break;
            default: if (at < text.size()) text[at] = "[]=#,\n\r\0 "[next() % 10]; break;
            }
        }
        SkinParseResult r = parseSkin(text);
        for (const SkinIssue& issue : r.issues) {
            CHECK(issue.line >= 1);
            CHECK(issue.line <= static_cast<int>(text.size()) + 1);
        }
    }
}

TEST_CASE("the skinning pass gives each kind of control its element") {
    CHECK(std::string(skinElementFor(ControlKind::Button)) == "Button");
    CHECK(std::string(skinElementFor(ControlKind::SkinLabel)) == "Label");
    CHECK(std::string(skinElementFor(ControlKind::Frame)) == "Frame");
    CHECK(std::string(skinElementFor(ControlKind::CheckBox)) == "CheckBox");
    CHECK(std::string(skinElementFor(ControlKind::OptionButton)) == "RadioBox");
    for (ControlKind other : {ControlKind::Label, ControlKind::TextBox, ControlKind::ComboBox,
                              ControlKind::ListView, ControlKind::Slider, ControlKind::UpDown,
                              ControlKind::Picture, ControlKind::Graph}) {
        CHECK(skinElementFor(other) == nullptr);
    }
    // Every element the pass hands out is one the skin defines.
    for (ControlKind kind : {ControlKind::Button, ControlKind::SkinLabel, ControlKind::Frame,
                             ControlKind::CheckBox, ControlKind::OptionButton}) {
        SkinElement element;
        CHECK(findSkinElement(skinElementFor(kind), element));
    }

    // A control array: each element by its own kind.
    Form form("frmTest", "Test", {0, 0, 100, 100},
              {{ControlKind::OptionButton, "optMode", "A", {}, nullptr, 0},
               {ControlKind::OptionButton, "optMode", "B", {}, nullptr, 1},
               {ControlKind::CheckBox, "chkMode", "C", {}, nullptr, 0},
               {ControlKind::Label, "lblMode", "D", {}, nullptr, 0},
               {ControlKind::SkinLabel, "lblMode", "E", {}, nullptr, 1}});
    std::vector<std::string> elements;
    for (const auto& control : form.controls()) {
        const char* element = skinElementFor(control->kind());
        elements.push_back(element ? element : "-");
    }
    CHECK(elements == std::vector<std::string>{"RadioBox", "RadioBox", "CheckBox", "-", "Label"});
}
