#pragma once
// What the face's commands and the buttons of the panel under the face do:
// one vocabulary of actions, which the main window runs in one place.
#include <optional>

#include "app/commands.h"
#include "app/features_win.h"

namespace quellar::app {

enum class ActionKind {
    Minimize,
    About,
    CloseAbout,
    HideFeatures,  // every feature window hidden, the face in front
    FaceToFront,   // the hosted window stays, behind the face
    Close,
    ToTray,
    Help,
    Drag,
    // The face's way: prepared as its row says, hosted, the area sized.
    OpenFeature,
    // The panel's way: hosted as it is (only a list is rebuilt), the area
    // keeps its size.
    ShowFeature,
    InternetProperties,
    SystemProperties,
    ModemSettings,
    NetworkSettings,
    Restart,
    SayNotHandled,  // a plain message box with `message`
    Nothing,
};

struct Action {
    ActionKind kind;
    FeatureIndex feature = kFeatureCount;  // for OpenFeature and ShowFeature
    const char* message = nullptr;         // for SayNotHandled
};

// The action of a face command; the commands that open a feature window
// come from the feature table.
Action faceAction(UiCommand command);

// Names and indexes of the buttons of the panel under the face.
struct PanelButtonName {
    const char* name;
    int index;  // -1 for a single button
};

}  // namespace quellar::app
