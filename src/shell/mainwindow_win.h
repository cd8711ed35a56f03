#pragma once
// The main window: start-up and shutdown, the face, the child area that
// hosts the feature windows, the tray icon and the notice balloon.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "msgbox/balloon_win.h"
#include "shell/faceplayer_win.h"
#include "shell/featurewindow_win.h"
#include "shell/skin_win.h"
#include "tray/tray_win.h"
#include "win/window_win.h"

namespace quellar::shell {

class MainSettingsWindow;

// The seven feature windows, in the order they are walked when all are
// hidden, shown or unloaded together.
enum FeatureIndex {
    kWizardMode,
    kNormalMode,
    kBackUp,
    kNetPingerSettings,
    kSystemStatus,
    kRamConfiguration,
    kMainSettings,
    kFeatureCount
};

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

class MainWindow : public win::Window, public FeatureHost {
public:
    MainWindow();
    ~MainWindow() override;

    // Creates the (hidden) window and runs the start-up sequence from the
    // mutex on. Afterwards the window is shown unless the start-in-tray
    // option hid it.
    bool start();
    // The unload routine: feature windows, tray icon, end.
    void Form_Unload();

    // The face's command handler.
    void onFSCommand(const std::string& command, const std::string& args);
    void showMainWindow();
    void dragMainWindow();
    void hookFlashWindow();
    void hideAllChildForms();
    void showChildForm(FeatureIndex index);
    void sizeChildArea(int width, int height);

    // The end of the process; by default the message loop ends. Tests
    // replace it to stay alive.
    std::function<void()> endProcess;

    FacePlayer& flash() { return flash_; }
    SkinEngine& skin() { return skin_; }
    tray::Tray& tray() { return tray_; }
    HWND childArea() const { return childArea_; }
    FeatureWindow& feature(FeatureIndex index) { return *features_[index]; }
    MainSettingsWindow& mainSettings();

    // FeatureHost
    void skinFeatureWindow(FeatureWindow& window) override;
    HWND hostHandle() const override { return hwnd(); }

protected:
    bool onCreate() override;
    void onDestroy() override;
    bool onMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void bringToFront(HWND hwnd);
    void unloadAll(const std::array<FeatureIndex, kFeatureCount>& order);
    void showTrayNotice();
    void createButtonPanel();

    FacePlayer flash_;
    SkinEngine skin_;
    tray::Tray tray_;
    HWND childArea_ = nullptr;
    std::array<std::unique_ptr<FeatureWindow>, kFeatureCount> features_;
};

// The process-wide hook state: the player window's previous procedure.
void SubclassWindow(HWND hwnd, bool install);
LRESULT CALLBACK FlashWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace quellar::shell
