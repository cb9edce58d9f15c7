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
#include "workflow/window/help_viewer.h"

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
        m_savedDirectory = current;
        ASSERT_TRUE(SetCurrentDirectoryA(m_elsewhere.path().c_str()));
    }
    void TearDown() override {
        HtmlHelpA(nullptr, nullptr, HH_CLOSE_ALL, 0);
        SetCurrentDirectoryA(m_savedDirectory.c_str());
        DeleteFileA(ProgramHelpFile().c_str());
    }

    std::string m_savedDirectory;
    testing_support::ScratchFolder m_elsewhere{"help"};
};

// Missing, not compiled help, or only in the current directory: reported, and
// no viewer. Once present, the file opens in the viewer without a message.
TEST_F(HelpViewer, FileThatCannotBeShownIsReportedWithoutIconAndAPresentOneOpens) {
    const std::function<void()> cases[] = {
        [] {},
        [] { WriteFile(ProgramHelpFile(), "not a compiled help file"); },
        [&] {
            DeleteFileA(ProgramHelpFile().c_str());
            ASSERT_TRUE(CopyFileA(BuiltHelpFile().c_str(), m_elsewhere.In("help.chm").c_str(), FALSE));
        },
    };
    for (const auto& arrange : cases) {
        arrange();
        MessageBoxCatcher boxes;
        workflow::ShowHelpFile(nullptr);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_TRUE(IsBox(boxes.Boxes()[0], "Vantreo", "Help file is not found.", {IDOK}, false));
    }
    PumpFor(200);  // nothing to wait for: a viewer must not come up
    EXPECT_EQ(FindViewer(), nullptr);

    ASSERT_TRUE(CopyFileA(BuiltHelpFile().c_str(), ProgramHelpFile().c_str(), FALSE));
    MessageBoxCatcher boxes;
    workflow::ShowHelpFile(nullptr);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(PumpUntil([] { return FindViewer() != nullptr; }));
    // The viewer belongs to no window of ours: a second click shows the file again.
    workflow::ShowHelpFile(nullptr);
    EXPECT_TRUE(boxes.Boxes().empty());
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

// The missing file's message is owned by the main window, which stays as it
// was; the viewer is owned by no window, and the main window stays usable.
TEST_F(HelpLink, MissingFileMessageIsOwnedByTheMainWindowAndTheViewerByNone) {
    OpenWindow();
    const std::vector<int> before = VisibleControls();
    Click(IDC_HELP_LINK);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(IsBox(m_boxes.Boxes()[0], "Vantreo", "Help file is not found.", {IDOK}, false));
    EXPECT_EQ(m_boxes.Boxes().front().owner, Window());
    EXPECT_EQ(VisibleControls(), before);
    EXPECT_TRUE(IsWindowEnabled(Window()));

    ASSERT_TRUE(CopyFileA(BuiltHelpFile().c_str(), ProgramHelpFile().c_str(), FALSE));
    Click(IDC_HELP_LINK);
    ASSERT_TRUE(PumpUntil([] { return FindViewer() != nullptr; }));
    EXPECT_EQ(GetWindow(FindViewer(), GW_OWNER), nullptr);
    EXPECT_TRUE(IsWindowEnabled(Window()));
    EXPECT_EQ(m_boxes.Boxes().size(), 1u);
}

}  // namespace
