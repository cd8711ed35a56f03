#include <doctest/doctest.h>

#include <random>
#include <string>

#include "ui/face/faceparser.h"
#include "ui/face/facestate.h"
#include "face_testdata.h"

using namespace quellar::ui;

TEST_CASE("malformed faces are refused with the line at fault") {
    struct Case {
        const char* text;
        int line;
        const char* says;
    };
    const Case cases[] = {
        {"", 0, "empty"},
        {"# only a comment\n\n", 0, "empty"},
        {"rect 0 0 1 1\n", 1, "starts with 'face"},
        {"face 724\n", 1, "takes 2"},
        {"face 0 540\n", 1, "canvas"},
        {"face 99999 540\n", 1, "canvas"},
        {"face 10 10\nface 10 10\n", 2, "twice"},
        {"face 10 10\nrect 0 0 5\n", 2, "missing height"},
        {"face 10 10\nrect 0 0 5 x5\n", 2, "bad height"},
        {"face 10 10\nrect 0 0 5 5 fil=#fff\n", 2, "unknown attribute 'fil'"},
        {"face 10 10\nrect 0 0 5 5 fill=#ggg\n", 2, "colour"},
        {"face 10 10\nrect 0 0 5 5 fill=#12345\n", 2, "colour"},
        {"face 10 10\nrect 99999 0 5 5\n", 2, "bad x"},
        {"face 10 10\nrect w/0 0 5 5\n", 2, "bad x"},
        {"face 10 10\nrect w*2 0 5 5\n", 2, "bad x"},
        {"face 10 10\n\n\ntext 0 0 5 5 \"open\n", 4, "closing quote"},
        {"face 10 10\ntext 0 0 5 5 \"bad \\q\"\n", 2, "escape"},
        {"face 10 10\ntext 0 0 5 5\n", 2, "missing the text"},
        {"face 10 10\ntext 0 0 5 5 hi size=0\n", 2, "size"},
        {"face 10 10\ntext 0 0 5 5 hi align=middle\n", 2, "align"},
        {"face 10 10\ntext 0 0 5 5 hi shiny\n", 2, "unexpected 'shiny'"},
        {"face 10 10\ngradient 0 0 5 5 from=#000\n", 2, "from= and to="},
        {"face 10 10\npoly 1,1 2,2\n", 2, "three points"},
        {"face 10 10\npoly 1,1 2,2 3,x\n", 2, "bad point"},
        {"face 10 10\nwobble 1 2\n", 2, "unknown keyword 'wobble'"},
        {"face 10 10\nhover rect 0 0 1 1\n", 2, "under a style or a button"},
        {"face 10 10\nbutton 0 0 5 5 send=x\nrect 0 0 1 1\nhover rect 0 0 1 1\n", 4, "under a style"},
        {"face 10 10\nbutton 0 0 5 5\n", 2, "send= or show="},
        {"face 10 10\nbutton 0 0 5 5 style=nope send=x\n", 2, "unknown style 'nope'"},
        {"face 10 10\nbutton 0 0 5 5 show=nowhere\npanel home\n", 2, "unknown panel 'nowhere'"},
        {"face 10 10\nhome attic\npanel home\n", 2, "unknown panel 'attic'"},
        {"face 10 10\npanel back\n", 2, "bad panel name"},
        {"face 10 10\nstyle s\nstyle s\n", 3, "defined twice"},
        {"face 10 10\ndrag 0 0 5 5 send=x\n", 2, "unknown attribute 'send'"},
        {"face 10 10\nrect 0 0 5 5 =#fff\n", 2, "'=' without a name"},
        {"face 10 10\nrect 0 0 1 1\x01\n", 2, "control character"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        CAPTURE(text);
        FaceParseResult r = parseFace(text);
        CHECK_FALSE(r.ok);
        CHECK(r.line == c.line);
        CHECK(r.error().find(c.says) != std::string::npos);
        if (c.line > 0) CHECK(r.error().rfind("line " + std::to_string(c.line) + ": ", 0) == 0);
        CHECK(r.face.buttons.empty());
    }

    const char withNul[] = "face 10 10\nrect 0 0 1 1\0\n";
    CHECK(parseFace(std::string(withNul, sizeof withNul - 1)).line == 2);

    // Size limits: a huge file, a huge line, too many drawings.
    CHECK_FALSE(parseFace(std::string(kFaceMaxBytes + 1, ' ')).ok);
    CHECK(parseFace("face 10 10\n" + std::string(kFaceMaxLineLength + 1, ' ') + "\n").line == 2);
    std::string many = "face 10 10\n";
    for (std::size_t i = 0; i <= kFaceMaxItems; ++i) many += "rect 0 0 1 1\n";
    FaceParseResult r = parseFace(many);
    CHECK_FALSE(r.ok);
    CHECK(r.line == static_cast<int>(kFaceMaxItems) + 2);
}

TEST_CASE("damaged copies of the built-in face never get past the parser's guard") {
    const std::string face = readRepoFile("src/res/face.txt");
    std::mt19937 random(7);
    // Every cut of the file, then random damage to it.
    for (std::size_t cut = 0; cut < face.size(); cut += 97) {
        FaceParseResult r = parseFace(face.substr(0, cut));
        if (r.ok) FaceState(r.face).render();
    }
    for (int round = 0; round < 300; ++round) {
        std::string text = face;
        int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            std::size_t at = random() % text.size();
            switch (random() % 4) {
            case 0: text[at] = static_cast<char>(random() % 256); break;
            case 1: text.erase(at, random() % 40); break;
            case 2: text.insert(at, text.substr(random() % text.size(), random() % 60)); break;
            default: text[at] = "{}\"=,#-w/\n 0"[random() % 12]; break;
            }
        }
        FaceParseResult r = parseFace(text);
        if (!r.ok) {
            CHECK_FALSE(r.message.empty());
            continue;
        }
        FaceState s(r.face);
        for (int i = 0; i < 20; ++i) {
            int x = static_cast<int>(random() % 800), y = static_cast<int>(random() % 600);
            s.mouseDown(x, y);
            s.mouseUp(x, y);
        }
        s.render();
    }
}
