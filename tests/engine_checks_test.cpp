// Next and the checks that come before the engine is started.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/support/scan_fixture.h"

namespace {

using testing_support::FileExists;
using testing_support::MainWindowTest;
using testing_support::PumpUntil;
using testing_support::WriteFile;

constexpr char kLoadFailed1009[] =
    "Failed to load engine, error code -1009. Installation may be corrupted, please try to re-install Vantreo";

class EngineChecks : public testing_support::ScanTest {
protected:
    // The engine's files as an installer leaves them; photo.exe is never started by these tests.
    void InstallFakeEngine(bool engine, bool runtime, bool cygwinEntry) {
        CreateDirectoryA((settings::GetAppDataFolder() + "\\Norvale").c_str(), nullptr);
        CreateDirectoryA(EngineFolder().c_str(), nullptr);
        if (engine) WriteFile(EngineFolder() + "\\photo.exe", "");
        if (runtime) WriteFile(EngineFolder() + "\\cygwin1.dll", "");
        if (cygwinEntry) {
            CreateDirectoryA((EngineFolder() + "\\c").c_str(), nullptr);
            CreateDirectoryA((EngineFolder() + "\\c\\cygwin").c_str(), nullptr);
        }
    }
    // Next, then wait for the scan to settle in results mode.
    void NextUntilResults() {
        Click(IDC_NEXT);
        ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_PHOTO_TOGGLE) && Text(IDC_RECOVER) == "Recover"; }, 10000));
    }
};

TEST_F(EngineChecks, NextWithoutSelectedDriveSaysSo) {
    OpenWindow();
    Click(IDC_NEXT);
    ASSERT_EQ(boxes_.Texts(), std::vector<std::string>{"Please select drive from where to recover files."});
    EXPECT_EQ(boxes_.Boxes().front().caption, "Vantreo");
    EXPECT_TRUE(Visible(IDC_DRIVE_LIST));
    EXPECT_FALSE(FileExists(DataFolder()));
}

TEST_F(EngineChecks, MissingEngineFilesAreReportedInTurnThenTheLoadFailure) {
    struct Case {
        bool engine, runtime, cygwin;
        const char* message;
    };
    const Case cases[] = {
        {false, true, true,
         "Failed to load engine, error code -1003. Installation may be corrupted, please try to re-install "
         "Vantreo"},
        {true, false, true,
         "Failed to load engine, error code -1004. Installation may be corrupted, please try to re-install "
         "Vantreo"},
        {true, true, false,
         "Failed to load engine, error code -1005. Installation may be corrupted, please try to re-install "
         "Vantreo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        testing_support::RemoveFolder(EngineFolder());
        InstallFakeEngine(c.engine, c.runtime, c.cygwin);
        boxes_.Clear();
        OpenWindow();
        SelectDrive("C:");
        NextUntilResults();
        ASSERT_TRUE(PumpUntil([&] { return boxes_.Boxes().size() >= 2; }, 5000));
        EXPECT_EQ(boxes_.Texts(), (std::vector<std::string>{c.message, kLoadFailed1009}));
        for (const auto& box : boxes_.Boxes()) EXPECT_EQ(box.caption, "Vantreo");
        EXPECT_FALSE(Enabled(IDC_PHOTO_TOGGLE));
        EXPECT_FALSE(Enabled(IDC_FILE_TOGGLE));
        dialog_.reset();
    }
}

TEST_F(EngineChecks, EmptyFormatListStartsNoEngine) {
    InstallFakeEngine(true, true, true);
    WriteFile(settings::GetProgramFolder() + "formats.ini", "formats=\r\n");
    OpenWindow();
    SelectDrive("C:");
    NextUntilResults();
    ASSERT_TRUE(PumpUntil([&] { return boxes_.Boxes().size() >= 2; }, 5000));
    EXPECT_EQ(boxes_.Texts(),
              (std::vector<std::string>{"No file formats enabled.\n\nPlease go to 'Settings' to enable the type of "
                                        "file you wish to recover.",
                                        kLoadFailed1009}));
    EXPECT_FALSE(Enabled(IDC_PHOTO_TOGGLE));
    EXPECT_FALSE(FileExists(DataFolder() + "\\temp.1"));
}

TEST_F(EngineChecks, EarlierResultsAreShownAgainWithoutStartingTheEngine) {
    // No engine is installed: starting it would report -1003.
    CreateDirectoryA((settings::GetAppDataFolder() + "\\Norvale").c_str(), nullptr);
    CreateDirectoryA(EngineFolder().c_str(), nullptr);
    CreateDirectoryA(DataFolder().c_str(), nullptr);
    CreateDirectoryA((DataFolder() + "\\temp.1").c_str(), nullptr);
    WriteFile(DataFolder() + "\\temp.1\\notes.uyu", "left behind");  // "txt" shifted up by one
    OpenWindow();
    SelectDrive("C:");
    NextUntilResults();
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_TRUE(FileExists(DataFolder() + "\\temp.1\\notes.txt"));
    win::ListView files;
    files.Attach(Item(IDC_FILE_LIST));
    ASSERT_EQ(files.Count(), 1);
    EXPECT_EQ(files.GetItemText(0, 0), "notes.txt");
    EXPECT_EQ(files.GetItemText(0, 2), "txt");
    EXPECT_TRUE(files.GetCheck(0));
    EXPECT_TRUE(Enabled(IDC_FILE_TOGGLE));
}

}  // namespace
