// Feeds arbitrary bytes to the face parser and, when a face comes out,
// plays with it: mouse input taken from the same bytes, variables, drawing.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "ui/face/faceparser.h"
#include "ui/face/facestate.h"

using namespace quellar::ui;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    FaceParseResult r = parseFace(text);
    if (!r.ok) {
        if (r.message.empty()) __builtin_trap();
        return 0;
    }
    FaceState state(r.face);
    state.setVariable(kVersionVariable, std::string(text.substr(0, 64)));
    state.render();
    (void)r.face.commands();
    // The tail of the input drives the mouse: four bytes per event.
    for (std::size_t i = size >= 64 ? size - 64 : 0; i + 4 <= size; i += 4) {
        int x = (data[i] | (data[i + 1] << 8)) % 1000 - 100;
        int y = (data[i + 2] | ((data[i + 3] & 0x3F) << 8)) % 800 - 100;
        switch (data[i + 3] >> 6) {
        case 0: state.mouseMove(x, y); break;
        case 1: state.mouseDown(x, y); break;
        case 2: state.mouseUp(x, y); break;
        default: state.setVariable(kHomeVariable, "true"); break;
        }
    }
    state.mouseLeave();
    state.render();
    return 0;
}

// Starting points for mutation: the built-in face (found beside this source
// file) and a few small faces that reach the less common statements.
extern "C" void QuellarFuzzSeeds(void (*add)(const char* data, std::size_t size)) {
    std::string here = __FILE__;
    std::string path = here.substr(0, here.rfind("tests")) + "src/res/face.txt";
    std::string face;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) face.append(buffer, n);
        std::fclose(f);
    }
    if (!face.empty()) add(face.data(), face.size());
    static const char* const small[] = {
        "face 100 100\nhome b\nset v \"x {y}\"\nstyle s\n hover,selected round 0 0 w h r=3 fill=#123\n"
        "drag 0 0 w 10\npanel a\nbutton 0 0 w/2 h-1 style=s send=c arg=\"1\" show=b group=g\n"
        "panel b\nbutton 0 0 10 10 show=back\n  any poly 1,1 w,0 0,h fill=none border=#fff pen=2\n",
        "face 4096 4096\ngradient 0 0 w h from=#000 to=#fff dir=right\ntext 0 0 w h \"{_root.version}\\n{{\" "
        "size=200 weight=900 italic underline wrap align=right valign=bottom font=\"Arial Black\"\n",
    };
    for (const char* s : small) add(s, std::char_traits<char>::length(s));
}
