#include <doctest/doctest.h>

#include "shell/commands.h"

using namespace quellar;

TEST_CASE("command texts match exactly or not at all") {
    CHECK(parseFaceCommand("IDC_FS_close") == FaceCommand::Close);
    CHECK(parseFaceCommand("Drag") == FaceCommand::Drag);
    CHECK(parseFaceCommand("IDC_FS_backupManger") == FaceCommand::BackupManager);
    CHECK(parseFaceCommand("IDC_FS_systemSatus") == FaceCommand::SystemStatus);
    // Near misses do nothing.
    CHECK_FALSE(parseFaceCommand("IDC_FS_Close"));
    CHECK_FALSE(parseFaceCommand("idc_fs_close"));
    CHECK_FALSE(parseFaceCommand("IDC_FS_close "));
    CHECK_FALSE(parseFaceCommand(" IDC_FS_close"));
    CHECK_FALSE(parseFaceCommand("drag"));
    CHECK_FALSE(parseFaceCommand(""));
    CHECK_FALSE(parseFaceCommand("IDC_FS_backupManager"));
}

TEST_CASE("the command table lists each text once") {
    const auto& texts = faceCommandTexts();
    CHECK(texts.size() == 23);
    for (size_t i = 0; i < texts.size(); ++i) {
        REQUIRE(parseFaceCommand(texts[i]));
        for (size_t j = i + 1; j < texts.size(); ++j) CHECK(texts[i] != texts[j]);
    }
}
