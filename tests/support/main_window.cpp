#include "tests/support/main_window.h"

#include "resources/resource.h"
#include "settings/folders.h"
#include "workflow/engine/disk_warning.h"
#include "workflow/engine/engine_trust.h"

namespace testing_support {

static void RemoveSettingsFiles() {
    DeleteFileA((settings::GetProgramFolder() + "settings.ini").c_str());
    DeleteFileA((settings::GetProgramFolder() + "formats.ini").c_str());
}

::testing::AssertionResult IsBox(const CaughtBox& box, const std::string& caption, const std::string& text,
                                 const std::vector<int>& buttons, bool hasIcon) {
    if (box.caption == caption && box.text == text && box.buttons == buttons && box.hasIcon == hasIcon)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << box.caption << "\": \"" << box.text << "\" with buttons "
                                         << ::testing::PrintToString(box.buttons) << (box.hasIcon ? " and" : " and no")
                                         << " icon";
}

std::string MainWindowTest::EngineFolder() { return settings::GetAppDataFolder() + "\\Norvale\\Vantreo"; }
std::string MainWindowTest::DataFolder() { return EngineFolder() + "\\data"; }

void MainWindowTest::SetUp() {
    // Under Wine every drive lies on disk 0, with the data and output folders:
    // the questions about writing onto the searched disk are answered Yes.
    m_boxes.AnswerSilently(workflow::kSearchOntoSearchedDiskQuestion, IDYES);
    m_boxes.AnswerSilently(workflow::kCopyOntoSearchedDiskQuestion, IDYES);
    // Each test installs an engine of its own, which is new to the program.
    m_boxes.AnswerSilentlyWhenStarting(workflow::kEngineQuestionStart, IDYES);
    workflow::ForgetConfirmedEngine();
    RemoveSettingsFiles();
    RemoveFolder(EngineFolder());
}

void MainWindowTest::TearDown() {
    m_dialog.reset();
    workflow::ForgetConfirmedEngine();
    RemoveSettingsFiles();
    RemoveFolder(EngineFolder());
}

void MainWindowTest::OpenWindow(bool waitForDrives, workflow::MainDialog::StartupGate gate) {
    m_dialog = std::make_unique<workflow::MainDialog>(std::move(gate));
    m_hwnd = m_dialog->Create(nullptr);
    ASSERT_NE(m_hwnd, nullptr);
    ShowWindow(m_hwnd, SW_SHOW);
    if (waitForDrives) {
        ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }));
    }
}

void MainWindowTest::CloseWindow() {
    PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
    PumpUntil([&] { return !IsWindow(m_hwnd); });
}

std::string MainWindowTest::Text(int id) const {
    char buffer[1024] = {};
    GetWindowTextA(Item(id), buffer, sizeof(buffer));
    return buffer;
}

RECT MainWindowTest::Rect(int id) const {
    RECT r{};
    GetWindowRect(Item(id), &r);
    MapWindowPoints(HWND_DESKTOP, m_hwnd, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void MainWindowTest::Click(int id) {
    SendMessageA(m_hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

// Wine's picker now and then returns the folder it opened on rather than the
// one selected in it: the user would pick again.
bool MainWindowTest::ChooseOutputFolder(const std::string& folder) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!AnswerFolderPicker(folder.c_str(), [&] { Click(IDC_BROWSE); })) return false;
        if (Text(IDC_SAVE_FOLDER) == folder) return true;
    }
    return false;
}

std::vector<int> MainWindowTest::VisibleControls() const {
    std::vector<int> visible;
    for (int id = IDC_BROWSE; id <= IDC_FILE_TOGGLE; ++id)
        if (Item(id) && Visible(id)) visible.push_back(id);
    return visible;
}

}  // namespace testing_support
