#pragma once
// What the face tests share: the command strings the main window acts on,
// and a way to read the face file from the source tree.
#include <cstdio>
#include <string>

namespace quellar::ui {

// Every command the main window's handler knows, spelled as it expects them.
inline const char* const kCommandTable[] = {
    "IDC_FS_minimize",       "IDC_FS_about",        "IDC_FS_closeAbout",         "IDC_FS_main",
    "IDC_FS_close",          "IDC_FS_tray",         "IDC_FS_home",               "IDC_FS_settings",
    "IDC_FS_help",           "IDC_FS_hide",         "IDC_FS_wizardMode",         "IDC_FS_normalMode",
    "IDC_FS_backupManger",   "IDC_FS_pingSetting",  "IDC_FS_systemSatus",        "IDC_FS_ramConfig",
    "IDC_FS_internetProperties", "IDC_FS_systemSetting", "IDC_FS_modemSetting",  "IDC_FS_networkSetting",
    "IDC_FS_restart",        "IDC_FS_sysSettingClicked",
};

// Reads a file of the source tree, found from this header's own path (the
// build passes absolute source paths; under Wine they resolve through the
// drive that maps the Unix root).
inline std::string readRepoFile(const std::string& relative) {
    std::string here = __FILE__;
    std::string root = here.substr(0, here.rfind("tests"));
    std::string text;
    if (FILE* f = std::fopen((root + relative).c_str(), "rb")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

}  // namespace quellar::ui
