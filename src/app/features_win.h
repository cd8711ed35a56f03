#pragma once
// The table of feature windows: one row per window says all the main window
// knows of it (the face's command that opens it, the child area's size
// while it is hosted, whether start-up loads it, its place when the program
// ends, its help page and how it is made). See docs/architecture.md, "To
// add a feature window".
#include <array>
#include <memory>

#include "app/commands.h"
#include "ui/form/featurewindow_win.h"

namespace quellar::app {

class MainWindow;

// The feature windows, in the order they are walked when all are hidden,
// shown or made together.
enum FeatureIndex {
    kWizardMode,
    kAdvancedMode,
    kBackupManager,
    kNetPingerSettings,
    kSystemStatus,
    kRamConfiguration,
    kMainSettings,
    kFeatureCount
};

// The child area's size while a feature window is hosted by a face command.
struct ChildAreaSize {
    int width;
    int height;
};

// What the face's command does to the window before it hosts it.
enum class BeforeHosting {
    Nothing,
    // Unloaded and loaded again on its first page: whatever was entered is
    // dropped (the window derives from AdvancedWindowBase).
    StartAfresh,
    // Its list built again, the panel's button doing it too (the window
    // derives from BackupWindowBase).
    RebuildList,
};

struct FeatureRow {
    FeatureIndex index;
    UiCommand command;  // the face's command that opens it
    // A little smaller than the window, which the area then clips.
    ChildAreaSize hosting;
    // Loaded hidden at start-up, which starts its background jobs; the
    // others are made on their first use.
    bool atStartup;
    // 1 to kFeatureCount: its turn when the main window is unloaded or
    // Windows restarts (the face's close walks the table's order).
    int shutdownTurn;
    BeforeHosting beforeHosting;
    const char* helpPage;  // in the compiled help file
    std::unique_ptr<ui::FeatureWindow> (*make)(MainWindow& main);
};

using FeatureTable = std::array<FeatureRow, kFeatureCount>;

// Every row, in index order.
const FeatureTable& featureTable();
const FeatureRow& featureRow(FeatureIndex index);
// The windows in their shutdown turns.
std::array<FeatureIndex, kFeatureCount> shutdownOrder();

}  // namespace quellar::app
