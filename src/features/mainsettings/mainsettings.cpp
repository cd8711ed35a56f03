#include "features/mainsettings/mainsettings.h"

namespace quellar::features {

const char* const kMainSettingsArea = "\\Settings\\MainSettings";
const char* const kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunValueName = "QuellarRun";

namespace {
const char* const kFrameMain = "frameMainSettings";
const char* const kFrameStartup = "frmStartup";
const char* const kRunMain = "chkRunMainProgram";
const char* const kRunMini = "chkRunProgramMini";
const char* const kSave = "cmdSave";
}  // namespace

const std::vector<ControlDecl>& mainSettingsControls() {
    static const std::vector<ControlDecl> decls = {
        {ControlKind::Frame, kFrameMain, "Main Settings", {6, 4, 428, 234}},
        {ControlKind::Frame, kFrameStartup, "Windows Startup", {14, 26, 400, 96}, kFrameMain},
        {ControlKind::CheckBox, kRunMain, "Run Main Program when windows start up",
         {18, 28, 360, 22}, kFrameStartup},
        {ControlKind::CheckBox, kRunMini, "Run Program In system tray", {18, 58, 360, 22},
         kFrameStartup},
        with({ControlKind::Button, kSave, "&Save", {318, 190, 96, 30}, kFrameMain},
             ControlOptions::defaultButton()),
    };
    return decls;
}

std::string runEntryText(const std::string& programFolder, const std::string& programFileName) {
    std::string base = programFileName;
    size_t dot = base.find_last_of('.');
    if (dot != std::string::npos) base.erase(dot);
    return quotedRunEntry(programFolder + "\\" + base + ".exe");
}

std::string quotedRunEntry(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"') return text;
    return "\"" + text + "\"";
}

MainSettings::MainSettings(Form& form, SettingsStore& store, RunEntryWriter writeRunEntry,
                           std::string programPath, RunEntryReader readRunEntry)
    : form_(form),
      stored_(store, kMainSettingsArea),
      writeRunEntry_(std::move(writeRunEntry)),
      readRunEntry_(std::move(readRunEntry)),
      programPath_(std::move(programPath)) {
    form_[kRunMain].onClick = [this] { setChanged(true); };
    form_[kRunMini].onClick = [this] { setChanged(true); };
    form_[kSave].onClick = [this] {
        saveSettings();
        setChanged(false);
    };
}

void MainSettings::load() {
    loadSettings();
    setChanged(false);
}

void MainSettings::setChanged(bool changed) {
    changed_ = changed;
    form_[kSave].setEnabled(changed);
}

void MainSettings::loadSettings() {
    form_[kRunMain].setValue(stored_.check(kRunMain));
    form_[kRunMini].setValue(stored_.check(kRunMini));
    // Registering again at every start keeps the entry right when the
    // program folder has moved since it was saved.
    if (form_[kRunMain].value() == 1) {
        writeRunEntry_(programPath_, false);
        return;
    }
    // An entry of ours from before the path was quoted is quoted where it
    // stands (it is not removed: only saving with the box clear does that).
    if (!readRunEntry_) return;
    const std::optional<std::string> entry = readRunEntry_();
    if (entry && !entry->empty() && quotedRunEntry(*entry) != *entry) writeRunEntry_(quotedRunEntry(*entry), false);
}

void MainSettings::saveSettings() {
    stored_.saveCheck(kRunMain, form_[kRunMain].value());
    stored_.saveCheck(kRunMini, form_[kRunMini].value());
    writeRunEntry_(programPath_, form_[kRunMain].value() != 1);
}

bool MainSettings::startsInTray() const {
    return form_[kRunMini].value() == 1;
}

}  // namespace quellar::features
