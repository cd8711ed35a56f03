#include <doctest/doctest.h>

#include "app/commands.h"

using namespace quellar;

TEST_CASE("command texts match exactly or not at all") {
    CHECK(app::parseUiCommand("IDC_FS_close") == app::UiCommand::Close);
    CHECK(app::parseUiCommand("Drag") == app::UiCommand::Drag);
    CHECK(app::parseUiCommand("IDC_FS_backupManger") == app::UiCommand::BackupManager);
    CHECK(app::parseUiCommand("IDC_FS_systemSatus") == app::UiCommand::SystemStatus);
    // Near misses do nothing.
    CHECK_FALSE(app::parseUiCommand("IDC_FS_Close"));
    CHECK_FALSE(app::parseUiCommand("idc_fs_close"));
    CHECK_FALSE(app::parseUiCommand("IDC_FS_close "));
    CHECK_FALSE(app::parseUiCommand(" IDC_FS_close"));
    CHECK_FALSE(app::parseUiCommand("drag"));
    CHECK_FALSE(app::parseUiCommand(""));
    CHECK_FALSE(app::parseUiCommand("IDC_FS_backupManager"));
}

TEST_CASE("the command table lists each text once") {
    const auto& texts = app::uiCommandTexts();
    CHECK(texts.size() == 23);
    for (size_t i = 0; i < texts.size(); ++i) {
        REQUIRE(app::parseUiCommand(texts[i]));
        for (size_t j = i + 1; j < texts.size(); ++j) CHECK(texts[i] != texts[j]);
    }
}
