#pragma once
// The skin engine: loads a skin file and restyles windows with its elements.
// An element is applied by subclassing the window, so the window keeps its
// own behaviour (clicks, keyboard, notifications) and only its look changes;
// a window that is never skinned is not touched at all.
#include <windows.h>

#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ui/skin/skin.h"
#include "win/textroom_win.h"

namespace quellar::ui {

// A skin file larger than this is no skin file.
constexpr DWORD kMaxSkinFileSize = 256 * 1024;

class SkinEngine {
public:
    // Starts with the built-in skin, so elements can be applied before (or
    // without) a skin file.
    SkinEngine();
    // Gives every window it still skins back its own look and procedure.
    ~SkinEngine();
    SkinEngine(const SkinEngine&) = delete;
    SkinEngine& operator=(const SkinEngine&) = delete;

    // Loads the skin file at `path`. When the file is missing, unreadable,
    // too large or has a malformed line, the built-in skin is used instead
    // and the result is false. Windows skinned before follow the new skin.
    bool loadFile(const std::string& path);

    // Restyles `hwnd` with the named element from now on ("controlForm",
    // "NoFrame", "Button", "Label", "Frame", "CheckBox", "RadioBox").
    // An unknown element, a null or destroyed handle, or a window of another
    // process changes nothing. Applying again only switches the element.
    void applyElement(HWND hwnd, const std::string& element);

    // The element this engine applied to `hwnd`, or "" when none.
    std::string elementOf(HWND hwnd) const;

    // The room the caption of `hwnd` has and needs as it is painted: a
    // control this engine skins in its element's font, the system's own
    // labels, buttons and frames in the font they were given, a one-line
    // edit box's value across its width. Nothing for a window that shows no
    // caption of its own (lists, forms).
    std::optional<win::TextRoom> textRoom(HWND hwnd) const;

    const Skin& skin() const { return skin_; }
    // The malformed lines of the last file loaded (empty when it was sound).
    const std::vector<SkinIssue>& loadIssues() const { return issues_; }

private:
    struct Skinned;
    struct ElementGdi {
        HFONT font = nullptr;
        bool ownsFont = false;
        HBRUSH background = nullptr;
        HBRUSH face = nullptr;
    };

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool handle(Skinned& skinned, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                LRESULT& result);
    bool handleForm(Skinned& skinned, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                    LRESULT& result);
    bool handleNoFrame(Skinned& skinned, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                       LRESULT& result);
    bool handleFrame(Skinned& skinned, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                     LRESULT& result);
    bool handleDrawn(Skinned& skinned, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                     LRESULT& result);
    // WM_PAINT (given no DC) or WM_PRINTCLIENT (given one). The skinned
    // windows paint their whole surface here, background included.
    void paintMessage(const Skinned& skinned, HWND hwnd, WPARAM givenDc);
    void paint(const Skinned& skinned, HWND hwnd, HDC dc);
    HBRUSH backgroundBrush(SkinElement element, HWND hwnd, HDC dc, UINT askParent);

    void install(const Skin& skin);
    void createGdi();
    void releaseGdi();
    const ElementGdi& gdi(SkinElement element) const {
        return gdi_[static_cast<std::size_t>(element)];
    }

    Skin skin_;
    std::vector<SkinIssue> issues_;
    std::array<ElementGdi, kSkinElementCount> gdi_{};
    std::set<HWND> windows_;
};

}  // namespace quellar::ui
