#include <doctest/doctest.h>

#include <cstdlib>

#include "ui/balloon/balloon.h"

using namespace quellar::ui;

TEST_CASE("the balloon goes by the quadrant of its target point") {
    const int sw = 1024, sh = 768, w = 330, h = 150;
    struct Case {
        int px, py;
        PointerStyle style;
        int left, top;
    } cases[] = {
        {100, 100, PointerStyle::TopLeft, 100 - 42, 100},
        {900, 100, PointerStyle::TopRight, 900 + 42 - w, 100},
        {100, 700, PointerStyle::BottomLeft, 100 - 42, 700 - h},
        {900, 700, PointerStyle::BottomRight, 900 + 42 - w, 700 - h},
        // the exact centre and the halving lines belong to the upper left
        {512, 384, PointerStyle::TopLeft, 512 - 42, 384},
        {513, 384, PointerStyle::TopRight, 513 + 42 - w, 384},
        {512, 385, PointerStyle::BottomLeft, 512 - 42, 385 - h},
        // the program's notice: 40 in from the right, on the bottom edge
        {sw - 40, sh, PointerStyle::BottomRight, sw + 2 - w, sh - h},
    };
    for (const Case& c : cases) {
        CAPTURE(c.px);
        CAPTURE(c.py);
        const Placement p = placeBalloon(c.px, c.py, sw, sh, w, h);
        CHECK(p.style == c.style);
        CHECK(p.left == c.left);
        CHECK(p.top == c.top);
    }
    // An odd screen size splits at its true half: 400 of 801 is left.
    CHECK(placeBalloon(400, 10, 801, 601, w, h).style == PointerStyle::TopLeft);
    CHECK(placeBalloon(401, 10, 801, 601, w, h).style == PointerStyle::TopRight);
    CHECK(placeBalloon(10, 301, 801, 601, w, h).style == PointerStyle::BottomLeft);
}

TEST_CASE("a target with a zero coordinate falls back to the mouse") {
    const Point mouse{321, 123};
    CHECK(resolveTarget(0.0f, 50.0f, mouse) == mouse);
    CHECK(resolveTarget(50.0f, 0.0f, mouse) == mouse);
    CHECK(resolveTarget(984.0f, 768.0f, mouse) == Point{984, 768});
    CHECK(resolveTarget(10.6f, 20.4f, mouse) == Point{11, 20});
    CHECK(resolveTarget(-5.0f, 20.0f, mouse) == Point{-5, 20});
}

TEST_CASE("body, pointer and shadow outlines") {
    const int w = 330, h = 150;
    const RoundRect body = bodyRegion(w, h);
    CHECK(body.rect == Rect{0, 20, 316, 118});
    CHECK(body.cornerWidth == 20);
    const RoundRect face = bodyFace(w, h);
    CHECK(face.rect == Rect{0, 20, 315, 117});
    CHECK(face.cornerHeight == 24);
    const RoundRect shadow = shadowRegion(w, h);
    CHECK(shadow.rect == Rect{11, 29, 325, 127});
    CHECK(shadow.cornerWidth == 45);
    CHECK(shadow.cornerHeight == 35);

    struct Case {
        PointerStyle style;
        Triangle outer, inner;
    } cases[] = {
        {PointerStyle::BottomRight, {{{269, 116}, {294, 116}, {294, 141}}}, {{{268, 115}, {293, 115}, {293, 139}}}},
        {PointerStyle::TopRight, {{{272, 20}, {292, 20}, {292, 0}}}, {{{271, 22}, {291, 22}, {291, 2}}}},
        {PointerStyle::BottomLeft, {{{41, 116}, {66, 116}, {41, 141}}}, {{{42, 115}, {66, 115}, {42, 139}}}},
        {PointerStyle::TopLeft, {{{40, 20}, {60, 20}, {40, 0}}}, {{{41, 21}, {59, 21}, {41, 3}}}},
    };
    for (const Case& c : cases) {
        CAPTURE(static_cast<int>(c.style));
        const Triangle outer = pointerOuter(c.style, w, h);
        const Triangle inner = pointerInner(c.style, w, h);
        for (int i = 0; i < 3; ++i) {
            CHECK(outer.corners[i] == c.outer.corners[i]);
            CHECK(inner.corners[i] == c.inner.corners[i]);
        }
    }
}

TEST_CASE("shadow rings: factors, order and extent") {
    const int factors[kShadowRings] = {180, 180, 160, 160, 140, 140, 120, 120, 100,
                                       100, 80,  80,  60,  60,  40,  40,  20,  20};
    for (int n = 0; n < kShadowRings; ++n) CHECK(ringFactor(n) == factors[n]);
    CHECK(ringFactor(18) == 0);
    CHECK(ringFactor(-1) == 0);

    const auto rings = shadowRings(330, 150);
    REQUIRE(rings.size() == 18);
    CHECK(rings.front().n == 17);
    CHECK(rings.back().n == 0);
    const ShadowRing& inner = rings.front();
    CHECK(inner.factor == 20);
    CHECK(inner.rowY == 150 - 23 - 17);
    CHECK(inner.rowX0 == 22);
    CHECK(inner.rowX1 == 330 - 5 - 17);
    CHECK(inner.columnX == 308);
    CHECK(inner.columnY0 == 40);
    CHECK(inner.columnY1 == 110);
    const ShadowRing& outer = rings.back();
    CHECK(outer.factor == 180);
    CHECK(outer.rowY == 127);
    CHECK(outer.rowX0 == 5);
    CHECK(outer.columnX == 325);
    CHECK(outer.columnY0 == 23);
}

TEST_CASE("a shadow pixel keeps (a + intensity) / 256 of each channel, at most 255/256") {
    CHECK(darkenChannel(255, 20, 0) == 19);    // 5100 / 256
    CHECK(darkenChannel(200, 180, 0) == 140);  // 36000 / 256 = 140.6, rounded down
    CHECK(darkenChannel(100, 100, 50) == 58);  // 15000 / 256
    CHECK(darkenChannel(255, 180, 75) == 254);  // 255 * 255 / 256
    // Past 255 the factor stays at 255: no wrap to dark, no brightening.
    CHECK(darkenChannel(255, 180, 1000) == 254);
    CHECK(darkenChannel(255, 180, 32767) == 254);
    CHECK(darkenChannel(255, 20, -500) == 0);
    CHECK(darkenPixel(0xFF102030u, 128, 0) == 0x00081018u);
}

TEST_CASE("applying the shadow darkens exactly the ring pixels, each once") {
    const int w = 60, h = 90;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(w * h), 0x00C8C8C8u);
    applyShadow(pixels, w, h, 0);
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * w + x)] & 0xFF; };
    CHECK(at(0, 0) == 200);                   // untouched
    CHECK(at(22, h - 23 - 17) == 200 * 20 / 256);   // innermost row
    CHECK(at(w - 5, h - 23) == 200 * 180 / 256);    // outermost corner
    CHECK(at(w - 5 - 3, 30) == 200 * 160 / 256);    // a column
    CHECK(at(4, h - 23) == 200);                     // left of the outermost row
    // where a ring's row meets its column the pixel is darkened once
    CHECK(at(w - 5 - 6, h - 23 - 6) == 200 * 120 / 256);
    int changed = 0;
    for (auto p : pixels) changed += (p & 0xFF) != 200;
    int expected = 0;
    for (const ShadowRing& r : shadowRings(w, h))
        expected += (r.rowX1 - r.rowX0 + 1) + (r.columnY1 - r.columnY0 + 1) - 1;
    CHECK(changed == expected);

    // Rings that reach outside the picture are cut off, not written past it.
    std::vector<std::uint32_t> tiny(4, 0xFFFFFFu);
    applyShadow(tiny, 2, 2, 0);
    std::vector<std::uint32_t> none;
    applyShadow(none, 30, 30, 0);
    CHECK(none.empty());
}

TEST_CASE("buttons by flags & 7") {
    auto captions = [](long flags, const std::string& a = "", const std::string& b = "", const std::string& c = "") {
        std::string out;
        for (const ButtonEntry& s : decodeButtons(flags, a, b, c)) out += s.caption + "=" + std::to_string(s.code) + " ";
        return out;
    };
    CHECK(captions(0) == "OK=1 ");
    CHECK(captions(7) == "OK=1 ");
    CHECK(captions(1) == "OK=1 Cancel=2 ");
    CHECK(captions(2) == "Abort=3 Retry=4 Ignore=5 ");
    CHECK(captions(3) == "Yes=6 No=7 Cancel=2 ");
    CHECK(captions(4 + 32 + 256) == "Yes=6 No=7 ");
    CHECK(captions(5) == "Retry=4 Cancel=2 ");
    CHECK(captions(6, "Save", "Discard", "Later") == "Save=1 Discard=2 Later=3 ");
    // a left-out button keeps the others' codes by position
    CHECK(captions(6, "", "Second", "Third") == "Second=2 Third=3 ");
    CHECK(captions(6, "First", "", "") == "First=1 ");
    // no caption at all would leave a box nobody can answer
    CHECK(captions(6) == "OK=1 ");
}

TEST_CASE("icon cell and default button by flags") {
    CHECK(decodeIconCell(0) == 0);
    CHECK(decodeIconCell(16) == 1);
    CHECK(decodeIconCell(32) == 4);
    CHECK(decodeIconCell(48) == 2);
    CHECK(decodeIconCell(64) == 3);
    CHECK(decodeIconCell(80) == 5);
    CHECK(decodeIconCell(96) == 6);
    CHECK(decodeIconCell(112) == 7);
    CHECK(decodeIconCell(4 + 32 + 256) == 4);

    CHECK(decodeDefaultButton(0, 3) == 1);
    CHECK(decodeDefaultButton(256, 3) == 2);
    CHECK(decodeDefaultButton(512, 3) == 3);
    CHECK(decodeDefaultButton(4 + 32 + 256, 2) == 2);
    // beyond the buttons shown (or the unknown fourth) the first one serves
    CHECK(decodeDefaultButton(512, 2) == 1);
    CHECK(decodeDefaultButton(768, 3) == 1);
}

TEST_CASE("results, colour and countdown") {
    CHECK(questionResult(7, true, true) == 107);
    CHECK(questionResult(7, true, false) == 7);
    CHECK(questionResult(7, false, true) == 7);
    CHECK(questionResult(2, true, true) == 102);

    CHECK(promptResult("abc", false, true, true) == "abc\xAC");
    CHECK(promptResult("abc", false, true, false) == "abc");
    CHECK(promptResult("abc", false, false, true) == "abc");
    CHECK(promptResult("abc", true, true, true).empty());

    CHECK(balloonColor(0) == 0xCCFFFFu);
    CHECK(balloonColor(0xC8F8F2u) == 0xC8F8F2u);

    CHECK(noticeDelayMs(5) == 5000u);
    CHECK(noticeDelayMs(33) == 33000u);        // past the 16-bit product
    CHECK(noticeDelayMs(32767) == 32767000u);
    CHECK(noticeDelayMs(0) == 0u);
    CHECK(noticeDelayMs(-3) == 0u);
}

TEST_CASE("twips and pixels") {
    CHECK(twipsPerPixel(96) == 15);
    CHECK(twipsPerPixel(120) == 12);
    CHECK(twipsPerPixel(0) == 15);
    CHECK(twipsToPixels(900, 15) == 60);
    CHECK(twipsToPixels(130, 15) == 9);  // 8.67
    CHECK(twipsToPixels(100, 15) == 7);  // 6.67
    CHECK(twipsToPixels(-100, 15) == -7);
    CHECK(twipsToPixels(70, 0) == 5);
}

TEST_CASE("panel layouts") {
    const Metrics m;  // 15 twips per pixel
    TextSizes sizes;
    sizes.titleHeight = 13;
    sizes.messageHeight = 26;
    sizes.lineHeight = 13;

    SUBCASE("a question with two buttons and a check box") {
        const PanelLayout l = layoutPanel(m, {Panel::Question, true, true, 2, sizes});
        CHECK(l.windowWidth == 330);
        CHECK(l.panel == Rect{8, 30, 308, 30 + l.panel.height()});
        CHECK(l.message.width() == 300 - 9);  // panel less 130 twips
        CHECK(l.panel.height() == l.message.bottom + 60);  // + 900 twips
        CHECK(l.windowHeight == l.panel.height() + 65);
        CHECK(l.title.left > l.icon.right);
        CHECK(l.check.top == l.message.bottom + 5);  // 70 twips
        CHECK(l.check.left == l.message.left);
        REQUIRE(l.buttons.size() == 2);
        for (const Rect& b : l.buttons) CHECK(b.bottom == l.panel.height() - 7);  // 100 twips
        // centred on a third of the width, mirrored about the middle
        CHECK(l.buttons[0].left + l.buttons[0].width() / 2 == 100);
        CHECK(l.buttons[0].left + l.buttons[1].right == 300);
        CHECK(l.check.bottom <= l.buttons[0].top);
    }
    SUBCASE("one and three buttons") {
        const PanelLayout one = layoutPanel(m, {Panel::Question, false, false, 1, sizes});
        REQUIRE(one.buttons.size() == 1);
        CHECK(std::abs(one.buttons[0].left + one.buttons[0].right - 300) <= 1);
        CHECK(one.title.left == one.message.left);  // no icon: title moves left
        CHECK(one.icon.width() == 0);

        const PanelLayout three = layoutPanel(m, {Panel::Question, true, false, 3, sizes});
        REQUIRE(three.buttons.size() == 3);
        CHECK(three.buttons[0].left == (121 - 81) / 2);  // (1815 twips - width) / 2
        CHECK(std::abs(three.buttons[1].left + three.buttons[1].right - 300) <= 1);
        CHECK(three.buttons[0].left + three.buttons[2].right == 300);
        CHECK(three.buttons[0].right < three.buttons[1].left);
        CHECK(three.buttons[1].right < three.buttons[2].left);
    }
    SUBCASE("a prompt") {
        const PanelLayout l = layoutPanel(m, {Panel::Prompt, true, true, 0, sizes});
        CHECK(l.text.top == l.message.bottom + 20);  // 300 twips
        CHECK(l.text.left == l.message.left);
        CHECK(l.ok.right == l.text.right);
        CHECK(l.cancel.right < l.ok.left);
        CHECK(l.ok.top >= l.text.bottom);
        CHECK(l.check.left == l.text.left);
        CHECK(l.check.right <= l.cancel.left);
        CHECK(l.panel.height() == l.ok.bottom + 8);  // 115 twips
        CHECK(l.windowHeight == l.panel.height() + 65);
    }
    SUBCASE("a notice") {
        const PanelLayout l = layoutPanel(m, {Panel::Notice, true, false, 0, sizes});
        CHECK(l.panel.height() == l.message.bottom + 20);  // 300 twips
        CHECK(l.windowHeight == 30 + l.panel.height() + 40);
        CHECK(l.close.right == 300 - 3);  // 50 twips in from the edge
        CHECK(l.close.top == l.icon.top);
        CHECK(l.title.right <= l.close.left);
        CHECK(l.buttons.empty());
    }
    SUBCASE("a finer screen keeps the design size in twips") {
        const PanelLayout l = layoutPanel(Metrics{12, 12}, {Panel::Notice, true, false, 0, sizes});
        CHECK(l.windowWidth == 413);
    }
}
