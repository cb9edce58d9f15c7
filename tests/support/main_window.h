#pragma once
// A fixture that runs the real main window in-process (modeless), with every
// message box caught, and starts each test from clean settings and a clean
// engine folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/message_boxes.h"
#include "tests/support/pump.h"
#include "workflow/window/main_dialog.h"

namespace testing_support {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates and shows the window; pumps until the drive-selection layout when asked.
    void OpenWindow(bool waitForDrives = true, workflow::MainDialog::StartupGate gate = {});
    void CloseWindow();

    HWND Window() const { return m_hwnd; }
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    bool Visible(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    std::string Text(int id) const;
    RECT Rect(int id) const;  // window rectangle in client coordinates
    // Presses a button or link the way a click does: the command reaches the window.
    void Click(int id);
    // Browse, with `folder` picked in the folder picker; true when the window took it.
    bool ChooseOutputFolder(const std::string& folder);
    // Ids of the controls that are visible, among the main window's controls.
    std::vector<int> VisibleControls() const;

    static std::string EngineFolder();  // %APPDATA%\Norvale\Vantreo
    static std::string DataFolder();    // ...\data

    MessageBoxCatcher m_boxes;
    std::unique_ptr<workflow::MainDialog> m_dialog;
    HWND m_hwnd = nullptr;
};

// True when the box shows exactly this caption, text and buttons, with an icon or without.
::testing::AssertionResult IsBox(const CaughtBox& box, const std::string& caption, const std::string& text,
                                 const std::vector<int>& buttons, bool hasIcon);

}  // namespace testing_support
