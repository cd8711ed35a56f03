#pragma once
// The main window: start-up and shutdown, the face, the child area that
// hosts the feature windows, the tray icon and the notice balloon.
#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dispatch_win.h"
#include "app/features_win.h"
#include "core/timers.h"
#include "features/preview/previewwindow_win.h"
#include "ui/balloon/balloon_win.h"
#include "ui/face/faceplayer_win.h"
#include "ui/form/featurehooks_win.h"
#include "ui/form/featurewindow_win.h"
#include "ui/skin/skin_win.h"
#include "ui/tray/tray_win.h"
#include "win/window_win.h"

namespace quellar::features {
class MainSettingsWindow;
}  // namespace quellar::features

namespace quellar::app {

constexpr int kMainWidth = 724;
constexpr int kMainHeight = 540;
constexpr int kChildAreaLeft = 245;
constexpr int kChildAreaTop = 199;
constexpr int kChildAreaWidth = 440;
constexpr int kChildAreaHeight = 332;

extern const char* const kMainWindowClass;
extern const char* const kMainCaption;         // "Quellar"
extern const char* const kFaceFileName;        // "speed up.swf"
extern const char* const kSkinFileName;        // "RQLRMask.skn"
extern const char* const kTrayNotice;          // "The Program Still Running Here"
extern const char* const kTrayNoticeCaption;   // "Program notification"
extern const char* const kHelpFileName;        // "QLRHelp.chm"
extern const char* const kHelpFolder;          // "C:\\", the help's working folder
extern const char* const kRestartRefused;      // told when Windows refused to restart

// A second copy of the program posts this (registered) message to the main
// window of the copy that runs, which then shows itself.
UINT showMainWindowMessage();

// The items of the tray icon's menu.
enum TrayMenuItem : int {
    kTrayMenuOpen = 600,  // "Open Quellar", the default item
    kTrayMenuExit = 601,  // "Exit": closes the program as the face's close does
};

class MainWindow : public win::Window, public ui::FeatureHost {
public:
    MainWindow();
    ~MainWindow() override;

    // Creates the (hidden) window and runs the start-up sequence from the
    // mutex on. Afterwards the window is shown unless the start-in-tray
    // option hid it; the tray icon and the feature windows follow with the
    // first message the loop takes.
    bool start();
    // The unload routine (closing the window): feature windows in their
    // shutdown turns, tray icon, end.
    void unload();

    // Puts another window in the place of the one the feature table made
    // (a test's). Only before start(); kAdvancedMode takes an
    // AdvancedWindowBase, kBackupManager a BackupWindowBase and
    // kMainSettings a MainSettingsWindow.
    void setFeature(FeatureIndex index, std::unique_ptr<ui::FeatureWindow> window);

    // The face's command handler. Texts are matched exactly; any other
    // text does nothing.
    void onFaceCommand(const std::string& command);
    // Shows the main window restored (not minimised) and in front, whether
    // it was hidden in the tray or minimised.
    void showMainWindow();
    // The tray icon's right-click menu, at the mouse; runs the chosen item.
    void showTrayMenu();
    void dragMainWindow();
    // Hides the seven feature windows, first creating any that does not
    // exist yet.
    void hideFeatures();
    // Hides the others and shows this one inside the child area, which then
    // lies in front of the face. The area keeps its size.
    void hostFeature(FeatureIndex index);
    void sizeChildArea(int width, int height);
    // What the face's command for the window does: what its row says comes
    // before hosting (the Advanced mode afresh on its first page, the backup
    // list rebuilt), then the window hosted and the child area sized for it.
    void openFeature(FeatureIndex index);

    // The feature window shown inside the child area, if any (it may lie
    // behind the face).
    std::optional<FeatureIndex> hostedFeature() const;
    // Whether the child area lies in front of the face.
    bool childAreaInFront() const;

    // The button of the panel under the face, or null. The panel is made
    // with the first call.
    HWND panelButton(const std::string& name, int index = -1);
    static const std::vector<PanelButtonName>& panelButtonNames();

    // The end of the process; by default the message loop ends. Tests
    // replace it to stay alive.
    std::function<void()> endProcess;

    ui::FacePlayer& facePlayer() { return facePlayer_; }
    ui::SkinEngine& skin() { return skin_; }
    ui::Tray& tray() { return tray_; }
    HWND childArea() const { return childArea_; }
    ui::FeatureWindow& feature(FeatureIndex index) { return *features_[index]; }
    // The window in its slot; null only while the main window is made or
    // taken down.
    ui::FeatureWindow* featureIfMade(FeatureIndex index) { return features_[index].get(); }
    features::MainSettingsWindow& mainSettings();
    ui::AdvancedWindowBase& advancedMode();
    ui::BackupWindowBase& backupManager();

    // A balloon from the tray icon with `text`, titled with the tooltip
    // (on the 9x family the program's own notice there, titled `title9x`).
    void showTrayNotice(const std::string& text, const std::string& title9x);

    // FeatureHost
    void skinFeatureWindow(ui::FeatureWindow& window) override;
    void skinFeatureControls(ui::FeatureWindow& window) override;
    void returnHome() override;
    void showPreview(PreviewRequest request) override;
    // The preview window, once something has been previewed.
    features::PreviewWindow* previewWindow() { return preview_.get(); }
    HWND hostHandle() const override { return hwnd(); }
    HWND hostingArea() const override { return childArea_; }
    void focusHostCommands() override;
    bool takeKeyboardFrom(ui::FeatureWindow& window, bool backwards) override;
    void showNotice(const std::string& title, const std::string& text) override;

protected:
    bool onCreate() override;
    void onDestroy() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // What was on screen when the about card came up, so that closing it
    // brings that back.
    struct AboutReturn {
        std::optional<FeatureIndex> hosted;
        bool childAreaInFront = false;
    };

    // The window, hidden, centred in the work area at the dpi that fits.
    bool createCentred(HICON& smallIcon);
    void bringToFront(HWND hwnd);
    void bringFaceToFront();
    // The hosted window when the child area lies in front of the face: the
    // one the user sees, whose keyboard and help page count.
    std::optional<FeatureIndex> featureInFront() const;
    void runAction(const Action& action);
    // The panel's way of hosting: the list rebuilt where the row says so,
    // nothing started afresh, the area's size kept.
    void showFeature(FeatureIndex index);
    void startAdvancedAfresh();
    void showAbout();
    void closeAbout();
    void openHelp();
    // F1: the help at the page of the window shown, the contents at home.
    void openHelpAtShownPage();
    void closeProgram();
    void restartWindows();
    void loadStartupFeatures();
    // What start-up leaves until the window is on screen: the tray icon,
    // the feature windows with their background jobs.
    // Runs once, with the first message after the show or with the first
    // command given before that.
    void finishStartup();
    void unloadAll(const std::array<FeatureIndex, kFeatureCount>& order);
    void showTrayNotice();
    // Hides the window to the tray, but only when the icon is there to bring
    // it back; otherwise it stays on screen.
    bool hideToTray();
    void runTrayMenuItem(int item);
    void showPendingNotice();
    // After start-up: a face or skin file that was there but could not be
    // used is said once, in a notice, never in a box that would stop a
    // start in the tray.
    void reportDamagedLook();
    // Where the keyboard goes when the window gets it back: the control
    // that had it, else the hosted window's first control when the child
    // area is in front, else the face.
    void restoreFocus();
    void focusInto(HWND window);
    bool isActive() const;
    void createButtonPanel();
    void sayNotHandled(const char* text);

    ui::FacePlayer facePlayer_;
    ui::SkinEngine skin_;
    ui::Tray tray_;
    HWND childArea_ = nullptr;
    std::vector<HWND> panelButtons_;
    std::array<std::unique_ptr<ui::FeatureWindow>, kFeatureCount> features_;
    // Tells of a damaged face or skin file a moment after start-up.
    Timer damagedLookTimer_;
    std::unique_ptr<features::PreviewWindow> preview_;
    std::optional<AboutReturn> aboutReturn_;
    HWND lastFocus_ = nullptr;  // the control that had the keyboard when the window lost it
    struct Notice {
        std::string title, text;
    };
    std::optional<Notice> pendingNotice_;
    bool startupFinished_ = false;
};

}  // namespace quellar::app
