#pragma once
// The main window's face player: a child window that paints a face (see
// ui/face/face.h) with plain GDI and reports every click as a command
// string.
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "ui/face/facestate.h"
#include "win/textroom_win.h"
#include "win/window_win.h"

namespace quellar::ui {

inline constexpr const char* kFacePlayerClass = "QuellarFace";

class FacePlayer : public win::Window {
public:
    FacePlayer() = default;
    ~FacePlayer() override;

    bool create(HWND parent, int x, int y, int width, int height);

    // Reads the face file at `path`. A file that is missing, unreadable or
    // not a valid face leaves the built-in face in its place.
    void loadFace(const std::string& path);
    // "_root.version" is shown by the face; "_root.home" = "true" sends it
    // back to its home panel. Any other name is kept for the face's texts.
    void setVariable(const std::string& name, const std::string& value);

    // Raised on the UI thread for every command the face sends. The handler
    // may destroy the player.
    std::function<void(const std::string& command, const std::string& args)> onCommand;
    // Tab past the last button (or Shift+Tab before the first): true when
    // the handler took the keyboard elsewhere, so the face keeps it no
    // longer and does not go round.
    std::function<bool(bool backwards)> onTabOut;
    // The keyboard comes to the face from outside it: the first button
    // (or, going backwards, the last) takes the focus.
    void takeFocusFromOutside(bool backwards);

    // Every command the loaded face can send.
    std::vector<std::string> commands() const { return state_.face().commands(); }
    const FaceState& state() const { return state_; }
    bool usingBuiltInFace() const { return builtIn_; }
    // Why the last face file given was not used (empty when it was).
    const std::string& loadError() const { return loadError_; }
    // The load error when the file was there but could not be used (a
    // missing file is no damage: the built-in face is the usual look).
    const std::string& damage() const { return damage_; }

    // The room a text drawing of render() has on screen and the room it
    // needs in its font at the display's dpi.
    win::TextRoom textRoom(const FaceOp& text);

    // A left click at a point of the window (its pixels, which the dpi
    // scales from the face's), as the mouse would make it.
    void clickAt(int x, int y);

protected:
    bool onCreate() override;
    void onDestroy() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void onPaint(HDC target) override;

private:
    void useBuiltInFace();
    void useFace(Face face);
    void drawOps(HDC dc);
    void drawText(HDC dc, const FaceOp& op);
    void refresh();
    void raise(const std::optional<FaceCommand>& command);
    HFONT font(const FaceOp& op);
    void releaseGdi();

    FaceState state_;
    bool builtIn_ = false;
    std::string loadError_;
    std::string damage_;
    std::map<std::string, std::string> programVariables_;
    bool tracking_ = false;   // asked to be told when the mouse leaves
    HBITMAP buffer_ = nullptr;
    int bufferWidth_ = 0, bufferHeight_ = 0;
    std::map<std::tuple<std::string, int, int, bool, bool>, HFONT> fonts_;
};

}  // namespace quellar::ui
