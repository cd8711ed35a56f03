#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "features/wizard/wizardmode.h"

using namespace quellar;

namespace {
struct Fixture {
    Form form{"frmWizardMode", "", features::kWizardModeClient, features::wizardModeControls()};
    std::vector<std::string> calls;
    int current = -1;
    features::WizardMode wizard{form,
                      {[this](int i) {
                           current = i;
                           calls.push_back("choose " + std::to_string(i));
                       },
                       [this] { return "summary of " + std::to_string(current); },
                       [this] { calls.push_back("apply " + std::to_string(current)); },
                       [this] { calls.push_back("home"); },
                       [this] { calls.push_back("preview " + std::to_string(current)); }}};
};
}  // namespace

TEST_CASE("the load selects Automatic-A and shows its summary") {
    Fixture f;
    CHECK(f.form["lblModeDescrip"].text() == "Modes Description");
    f.wizard.load();
    CHECK(f.calls == std::vector<std::string>{"choose 0"});
    CHECK(f.form["lblModeDescrip"].text() == "summary of 0");
    CHECK(f.wizard.selectedMode() == 0);
}

TEST_CASE("choosing a mode copies its preset; Optimize applies it and sends the face home") {
    Fixture f;
    f.wizard.load();
    f.form.get("optMode", 7).userClick();
    CHECK(f.form["lblModeDescrip"].text() == "summary of 7");
    CHECK(f.form.get("optMode", 0).value() == 0);
    CHECK(f.wizard.selectedMode() == 7);
    f.form["cmdPreview"].userClick();
    f.form["cmdOptimize"].userClick();
    f.form["cmdOptimize"].userClick();
    CHECK(f.calls == std::vector<std::string>{"choose 0", "choose 7", "preview 7", "apply 7", "home", "apply 7", "home"});
    CHECK(f.wizard.selectedModeName() == "Windows default");
    // The window keeps its selection.
    CHECK(f.wizard.selectedMode() == 7);
}

TEST_CASE("the eight options read row by row in two columns") {
    Form form("f", "", {}, features::wizardModeControls());
    const char* captions[] = {"Automatic-A", "Automatic-B", "Automatic-C", "Automatic-D",
                              "Automatic-E", "Automatic-F", "Automatic-G", "Windows default"};
    for (int i = 0; i < 8; ++i) {
        const Control& option = form.get("optMode", i);
        CHECK(option.text() == captions[i]);
        CHECK(option.frame() == "frameOptimizationMode");
        if (i % 2 == 1) {
            const Control& left = form.get("optMode", i - 1);
            CHECK(option.rect().y == left.rect().y);
            CHECK(option.rect().x > left.rect().x);
        }
    }
}
