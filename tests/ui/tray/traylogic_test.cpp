#include <doctest/doctest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/tray/traylogic.h"

using namespace quellar::ui;

namespace {

std::uint64_t readLittleEndian(const std::vector<unsigned char>& bytes, std::size_t at,
                               std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value |= std::uint64_t{bytes[at + i]} << (8 * i);
    return value;
}

std::string readText(const std::vector<unsigned char>& bytes, std::size_t at, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(bytes.data() + at), size);
}

}  // namespace

TEST_CASE("text fields: blanks around the tooltip, blank filling, cutting") {
    const std::string tip = tipField("Memory Usage (312MB).");
    REQUIRE(tip.size() == kTipLength);
    CHECK(tip.substr(0, 24) == std::string(" Memory Usage (312MB). ") + '\0');
    CHECK(tip.find_first_not_of(' ', 24) == std::string::npos);

    const std::string empty = tipField("");
    REQUIRE(empty.size() == kTipLength);
    CHECK(empty[0] == '\0');
    CHECK(empty.find_first_not_of(' ', 1) == std::string::npos);

    // A tooltip that fills the field loses its closing blank and NUL.
    const std::string longTip = tipField(std::string(200, 'x'));
    REQUIRE(longTip.size() == kTipLength);
    CHECK(longTip == ' ' + std::string(kTipLength - 1, 'x'));
    CHECK(tipField(std::string(125, 'y')) == ' ' + std::string(125, 'y') + ' ' + '\0');

    // The balloon's texts end in a NUL before the filling blanks, or the
    // shell would measure the blanks and draw a screen-wide balloon. The
    // text keeps two blanks of air before it, so a shell that measures a
    // little short cuts blanks rather than its last letter.
    CHECK(infoField("The Program Still Running Here") ==
          "The Program Still Running Here  " + std::string(1, '\0') + std::string(kInfoLength - 33, ' '));
    CHECK(infoField(std::string(300, 'i')) == std::string(kInfoLength, 'i'));
    CHECK(infoField(std::string(255, 'i')) == std::string(255, 'i') + '\0');
    CHECK(infoField(std::string(254, 'i')) == std::string(254, 'i') + ' ' + '\0');
    CHECK(infoTitleField("Program notification") ==
          "Program notification" + std::string(1, '\0') + std::string(kInfoTitleLength - 21, ' '));
    CHECK(infoTitleField(std::string(65, 't')) == std::string(kInfoTitleLength, 't'));
    CHECK(infoTitleField(std::string(64, 't')) == std::string(kInfoTitleLength, 't'));
    CHECK(infoTitleField("") == '\0' + std::string(kInfoTitleLength - 1, ' '));
}

TEST_CASE("the notification record's layout and bytes") {
    const NotifyRecordLayout l32 = notifyRecordLayout(4);
    CHECK(l32.size == kNotifyRecordSize32);
    const std::size_t offsets32[] = {l32.cbSize, l32.hWnd, l32.uID, l32.uFlags, l32.uCallbackMessage,
                                     l32.hIcon, l32.szTip, l32.dwState, l32.dwStateMask, l32.szInfo,
                                     l32.uTimeout, l32.szInfoTitle, l32.dwInfoFlags};
    const std::size_t expected32[] = {0, 4, 8, 12, 16, 20, 24, 152, 156, 160, 416, 420, 484};
    for (std::size_t i = 0; i < 13; ++i) {
        CAPTURE(i);
        CHECK(offsets32[i] == expected32[i]);
    }
    // 64-bit Windows aligns the handles to 8; the rest follows on.
    const NotifyRecordLayout l64 = notifyRecordLayout(8);
    CHECK(l64.hWnd == 8);
    CHECK(l64.uID == 16);
    CHECK(l64.hIcon == 32);
    CHECK(l64.szTip == 40);
    CHECK(l64.szInfo == 176);
    CHECK(l64.szInfoTitle == 436);
    CHECK(l64.dwInfoFlags == 500);
    CHECK(l64.size == 504);

    NotifyRecordFields f;
    f.cbSize = 488;
    f.hWnd = 0x00ABCDEF;
    f.uID = 1;
    f.uFlags = 0x17;
    f.uCallbackMessage = 0x0200;
    f.hIcon = 0x12345678;
    f.szTip = tipField("Tip");
    f.dwState = 0;
    f.dwStateMask = 0;
    f.szInfo = infoField("Text");
    f.uTimeout = 1;
    f.szInfoTitle = infoTitleField("Tip");
    f.dwInfoFlags = 1;

    std::vector<unsigned char> bytes(l32.size + 8, 0xCC);
    fillNotifyRecord(l32, f, bytes.data());
    CHECK(readLittleEndian(bytes, 0, 4) == 488);
    CHECK(bytes[0] == 0xE8);  // little-endian
    CHECK(bytes[1] == 0x01);
    CHECK(readLittleEndian(bytes, 4, 4) == 0x00ABCDEF);
    CHECK(readLittleEndian(bytes, 8, 4) == 1);
    CHECK(readLittleEndian(bytes, 12, 4) == 0x17);
    CHECK(readLittleEndian(bytes, 16, 4) == 0x0200);
    CHECK(readLittleEndian(bytes, 20, 4) == 0x12345678);
    CHECK(readText(bytes, 24, 128) == tipField("Tip"));
    CHECK(readLittleEndian(bytes, 152, 8) == 0);
    CHECK(readText(bytes, 160, 256) == infoField("Text"));
    CHECK(readLittleEndian(bytes, 416, 4) == 1);
    CHECK(readText(bytes, 420, 64) == infoTitleField("Tip"));
    CHECK(readLittleEndian(bytes, 484, 4) == 1);
    CHECK(bytes[488] == 0xCC);  // nothing written past the record

    // Short texts are NUL-padded, over-long ones cut at the field's end.
    f.szTip = "ab";
    f.szInfoTitle = std::string(100, 'T');
    fillNotifyRecord(l32, f, bytes.data());
    CHECK(readText(bytes, 24, 128) == "ab" + std::string(126, '\0'));
    CHECK(readText(bytes, 420, 64) == std::string(64, 'T'));
    CHECK(readLittleEndian(bytes, 484, 4) == 1);

    std::vector<unsigned char> wide(l64.size, 0xCC);
    f.hWnd = 0x1122334455667788ull;
    fillNotifyRecord(l64, f, wide.data());
    CHECK(readLittleEndian(wide, 4, 4) == 0);  // padding is zeroed
    CHECK(readLittleEndian(wide, 8, 8) == 0x1122334455667788ull);
    CHECK(readLittleEndian(wide, 32, 8) == 0x12345678);
    CHECK(readLittleEndian(wide, 500, 4) == 1);
}

TEST_CASE("event mode is clamped to 0 or 1") {
    CHECK(clampEventMode(5) == 1);
    CHECK(clampEventMode(-3) == 0);
    CHECK(clampEventMode(0) == 0);
    CHECK(clampEventMode(1) == 1);
    CHECK(clampEventMode(INT32_MIN) == 0);
    CHECK(clampEventMode(INT32_MAX) == 1);
}

TEST_CASE("click decoding") {
    ClickDecoder decoder;
    std::vector<std::string> log;
    ClickSinks sinks;
    sinks.leftClick = [&] { log.push_back("left"); };
    sinks.rightClick = [&] { log.push_back("right"); };
    sinks.mouseClick = [&](int& button) { log.push_back("mouse" + std::to_string(button)); };
    sinks.startDebounce = [&] { log.push_back("timer"); };

    SUBCASE("only button presses count, each mode its own events") {
        for (unsigned ignored : {0x0200u, 0x0202u, 0x0203u, 0x0205u, 0x0206u, 0x0207u, 0x0208u, 0u})
            CHECK_FALSE(decoder.report(ignored, kSeparateClickEvents, sinks));
        CHECK(log.empty());
        CHECK_FALSE(decoder.busy());

        CHECK(decoder.report(kLeftButtonDown, 0, sinks));
        CHECK(decoder.busy());
        decoder.debounceElapsed();
        CHECK(decoder.report(kRightButtonDown, 0, sinks));
        decoder.debounceElapsed();
        CHECK(decoder.report(kLeftButtonDown, 1, sinks));
        decoder.debounceElapsed();
        CHECK(decoder.report(kRightButtonDown, 1, sinks));
        decoder.debounceElapsed();
        // An unclamped mode still picks one of the two.
        CHECK(decoder.report(kRightButtonDown, 7, sinks));
        CHECK(log == std::vector<std::string>{"left", "timer", "right", "timer", "mouse1", "timer",
                                              "mouse2", "timer", "mouse2", "timer"});
    }

    SUBCASE("a double click raises one left click") {
        // What the shell forwards for a double click.
        for (unsigned msg : {0x0201u, 0x0202u, 0x0203u, 0x0202u}) decoder.report(msg, 0, sinks);
        CHECK(log == std::vector<std::string>{"left", "timer"});
        // Even once the debounce has passed, the double-click message stays ignored.
        decoder.debounceElapsed();
        for (unsigned msg : {0x0201u, 0x0202u, 0x0203u, 0x0202u}) decoder.report(msg, 0, sinks);
        CHECK(log == std::vector<std::string>{"left", "timer", "left", "timer"});
    }

    SUBCASE("a click during the handler or before the timer is dropped") {
        ClickSinks reentrant = sinks;
        reentrant.leftClick = [&] {
            log.push_back("left");
            // The handler runs a message loop and a second click arrives.
            CHECK_FALSE(decoder.report(kLeftButtonDown, 0, reentrant));
            CHECK_FALSE(decoder.report(kRightButtonDown, 0, reentrant));
            log.push_back("handler done");
        };
        CHECK(decoder.report(kLeftButtonDown, 0, reentrant));
        CHECK(log == std::vector<std::string>{"left", "handler done", "timer"});
        CHECK_FALSE(decoder.report(kRightButtonDown, 0, reentrant));
        decoder.debounceElapsed();
        CHECK(decoder.report(kRightButtonDown, 0, reentrant));
        CHECK(log.back() == "timer");
        CHECK(log[log.size() - 2] == "right");
    }

    SUBCASE("a failing handler still starts the debounce") {
        sinks.leftClick = [] { throw std::runtime_error("handler failed"); };
        CHECK_THROWS(decoder.report(kLeftButtonDown, 0, sinks));
        CHECK(log == std::vector<std::string>{"timer"});
        decoder.debounceElapsed();
        CHECK(decoder.report(kRightButtonDown, 0, sinks));
    }
}
