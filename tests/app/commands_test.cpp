#include <doctest/doctest.h>

#include "app/commands.h"

using namespace quellar;

TEST_CASE("command texts match exactly or not at all") {
    CHECK(parseUiCommand("IDC_FS_close") == UiCommand::Close);
    CHECK(parseUiCommand("Drag") == UiCommand::Drag);
    CHECK(parseUiCommand("IDC_FS_backupManger") == UiCommand::BackupManager);
    CHECK(parseUiCommand("IDC_FS_systemSatus") == UiCommand::SystemStatus);
    // Near misses do nothing.
    CHECK_FALSE(parseUiCommand("IDC_FS_Close"));
    CHECK_FALSE(parseUiCommand("idc_fs_close"));
    CHECK_FALSE(parseUiCommand("IDC_FS_close "));
    CHECK_FALSE(parseUiCommand(" IDC_FS_close"));
    CHECK_FALSE(parseUiCommand("drag"));
    CHECK_FALSE(parseUiCommand(""));
    CHECK_FALSE(parseUiCommand("IDC_FS_backupManager"));
}

TEST_CASE("the command table lists each text once") {
    const auto& texts = uiCommandTexts();
    CHECK(texts.size() == 23);
    for (size_t i = 0; i < texts.size(); ++i) {
        REQUIRE(parseUiCommand(texts[i]));
        for (size_t j = i + 1; j < texts.size(); ++j) CHECK(texts[i] != texts[j]);
    }
}
