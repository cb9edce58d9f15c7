// The Help link: "help.chm" from the program's folder in the HTML Help viewer,
// or the "not found" message.
#include <gtest/gtest.h>
#include <windows.h>

#include <htmlhelp.h>

#include <functional>
#include <string>

#include "resources/resource.h"
#include "tests/support/main_window.h"
#include "tests/support/message_boxes.h"
#include "tests/support/pump.h"
#include "workflow/help_viewer.h"

namespace {

using testing_support::MessageBoxCatcher;
using testing_support::PumpFor;
using testing_support::PumpUntil;
using testing_support::TestExeFolder;
using testing_support::WindowsPath;
using testing_support::WriteFile;

// Title of the viewer window, from the window definition inside help.chm.
constexpr char kViewerTitle[] = "Norvale Vantreo Help";

std::string ProgramHelpFile() { return TestExeFolder() + "help.chm"; }
std::string BuiltHelpFile() { return WindowsPath(VANTREO_EXE_DIR "/help.chm"); }

HWND FindViewer() { return testing_support::WindowTitled(kViewerTitle); }

// Each test starts without help.chm in the program folder and in its own
// empty current directory, and leaves no viewer, file or folder behind.
class HelpViewer : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(ProgramHelpFile().c_str());
        char current[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, current);
        savedDirectory_ = current;
        ASSERT_TRUE(SetCurrentDirectoryA(elsewhere_.path().c_str()));
    }
    void TearDown() override {
        HtmlHelpA(nullptr, nullptr, HH_CLOSE_ALL, 0);
        SetCurrentDirectoryA(savedDirectory_.c_str());
        DeleteFileA(ProgramHelpFile().c_str());
    }

    void ExpectNotFoundMessage(const MessageBoxCatcher& boxes) {
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        const auto& box = boxes.Boxes().front();
        EXPECT_EQ(box.caption, "Vantreo");
        EXPECT_EQ(box.text, "Help file is not found.");
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_FALSE(box.hasIcon);
    }

    std::string savedDirectory_;
    testing_support::ScratchFolder elsewhere_{"help"};
};

TEST_F(HelpViewer, PresentFileOpensTheViewerWithoutMessage) {
    ASSERT_TRUE(CopyFileA(BuiltHelpFile().c_str(), ProgramHelpFile().c_str(), FALSE));
    MessageBoxCatcher boxes;
    workflow::ShowHelpFile(nullptr);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(PumpUntil([] { return FindViewer() != nullptr; }));
    // The viewer belongs to no window of ours: a second click shows the file again.
    workflow::ShowHelpFile(nullptr);
    EXPECT_TRUE(boxes.Boxes().empty());
}

// Missing, not compiled help, or only in the current directory: reported, and no viewer.
TEST_F(HelpViewer, FileThatCannotBeShownIsReportedWithoutIcon) {
    const std::function<void()> cases[] = {
        [] {},
        [] { WriteFile(ProgramHelpFile(), "not a compiled help file"); },
        [&] {
            DeleteFileA(ProgramHelpFile().c_str());
            ASSERT_TRUE(CopyFileA(BuiltHelpFile().c_str(), elsewhere_.In("help.chm").c_str(), FALSE));
        },
    };
    for (const auto& arrange : cases) {
        arrange();
        MessageBoxCatcher boxes;
        workflow::ShowHelpFile(nullptr);
        ExpectNotFoundMessage(boxes);
    }
    PumpFor(200);  // nothing to wait for: a viewer must not come up
    EXPECT_EQ(FindViewer(), nullptr);
}

// ---- From the main window's Help link -----------------------------------------------------

class HelpLink : public testing_support::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        DeleteFileA(ProgramHelpFile().c_str());
    }
    void TearDown() override {
        HtmlHelpA(nullptr, nullptr, HH_CLOSE_ALL, 0);
        DeleteFileA(ProgramHelpFile().c_str());
        MainWindowTest::TearDown();
    }
};

TEST_F(HelpLink, ViewerIsNotOwnedByTheMainWindowWhichStaysUsable) {
    ASSERT_TRUE(CopyFileA(BuiltHelpFile().c_str(), ProgramHelpFile().c_str(), FALSE));
    OpenWindow();
    Click(IDC_HELP_LINK);
    ASSERT_TRUE(PumpUntil([] { return FindViewer() != nullptr; }));
    EXPECT_EQ(GetWindow(FindViewer(), GW_OWNER), nullptr);
    EXPECT_TRUE(IsWindowEnabled(Window()));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(HelpLink, MissingFileMessageIsOwnedByTheMainWindowWhichStaysAsItWas) {
    OpenWindow();
    const std::vector<int> before = VisibleControls();
    Click(IDC_HELP_LINK);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes().front().text, "Help file is not found.");
    EXPECT_EQ(boxes_.Boxes().front().caption, "Vantreo");
    EXPECT_EQ(boxes_.Boxes().front().owner, Window());
    EXPECT_EQ(VisibleControls(), before);
    EXPECT_TRUE(IsWindowEnabled(Window()));
}

}  // namespace
