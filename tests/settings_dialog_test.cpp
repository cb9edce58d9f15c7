// The file-type settings: the list rules as plain functions, and the dialog
// driven in-process (modeless for checking, modal for the keys and the close box).
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/format_checks.h"
#include "settings/settings_dialog.h"
#include "settings/settings_file.h"
#include "tests/support/main_window.h"
#include "tests/support/message_boxes.h"
#include "tests/support/pump.h"

namespace {

using settings::FormatChecks;
using settings::ListFromChecks;
using settings::ChecksFromList;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

// The 24 names in the order of the dialog's boxes, written out here on purpose
// rather than taken from the code under test.
const std::vector<std::string> kNames = {"jpg", "gif", "png", "bmp", "tif", "avi", "mpg", "dat",
                                         "wmv", "asf", "mp3", "mp4", "mov", "3gp", "rm",  "pdf",
                                         "swf", "doc", "txt", "wav", "pst", "zip", "rar", "raw"};
constexpr char kAllNames[] = "jpg,gif,png,bmp,tif,avi,mpg,dat,wmv,asf,mp3,mp4,mov,3gp,rm,pdf,swf,doc,txt,wav,pst,zip,rar,raw";
constexpr char kDefaults[] = "jpg,gif,png,bmp,tif,raw";

// The checked names of a set of checks, comma-joined.
std::string Names(const FormatChecks& checks) {
    std::string names;
    for (size_t i = 0; i < kNames.size(); ++i)
        if (checks[i]) names += (names.empty() ? "" : ",") + kNames[i];
    return names;
}

std::string FormatsFile() { return testing_support::TestExeFolder() + "formats.ini"; }
std::string TextOf(HWND window) {
    char text[64] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}
// A click as the mouse makes it, through the button control itself.
void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// ---- The list rules, without a window --------------------------------------------------

// Each name alone checks only its own box.
TEST(FormatChecks, NamesCountWhereverTheyOccurCaseSignificant) {
    EXPECT_EQ(Names(ChecksFromList("JPG,GIF")), "");
    EXPECT_EQ(Names(ChecksFromList("tiff")), "tif");
    EXPECT_EQ(Names(ChecksFromList("jpgx")), "jpg");
    EXPECT_EQ(Names(ChecksFromList("jpg, gif")), "jpg,gif");
    EXPECT_EQ(Names(ChecksFromList("jpg,xyz")), "jpg");
    EXPECT_EQ(Names(ChecksFromList("mp3mp4")), "mp3,mp4");
    for (const std::string& name : kNames) EXPECT_EQ(Names(ChecksFromList(name)), name);
}

TEST(FormatChecks, EveryWrittenListReadsBackToTheSameChecks) {
    for (size_t step = 1; step <= kNames.size(); ++step) {
        for (size_t offset = 0; offset < step; ++offset) {
            FormatChecks checks{};
            for (size_t i = offset; i < kNames.size(); i += step) checks[i] = true;
            SCOPED_TRACE(ListFromChecks(checks));
            EXPECT_EQ(ChecksFromList(ListFromChecks(checks)), checks);
        }
    }
}

// ---- The dialog --------------------------------------------------------------------------

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override {
        m_dialog.reset();
        Clean();
    }
    static void Clean() {
        DeleteFileA(settings::SaveFolderPath().c_str());
        DeleteFileA(FormatsFile().c_str());
        RemoveDirectoryA(FormatsFile().c_str());
    }

    void Open() {
        m_dialog = std::make_unique<settings::SettingsDialog>();
        m_hwnd = m_dialog->Create(nullptr);
        ASSERT_NE(m_hwnd, nullptr);
        ShowWindow(m_hwnd, SW_SHOW);
    }
    // What the boxes show, as the names of the ticked ones.
    std::string CheckedNames() const {
        FormatChecks checks{};
        for (size_t i = 0; i < kNames.size(); ++i)
            checks[i] = IsDlgButtonChecked(m_hwnd, IDC_FIRST_FORMAT + static_cast<int>(i)) == BST_CHECKED;
        return Names(checks);
    }
    void SetChecks(const std::string& names) {
        for (size_t i = 0; i < kNames.size(); ++i) {
            const bool wanted = ("," + names + ",").find("," + kNames[i] + ",") != std::string::npos;
            if ((IsDlgButtonChecked(m_hwnd, IDC_FIRST_FORMAT + static_cast<int>(i)) == BST_CHECKED) != wanted)
                Click(m_hwnd, IDC_FIRST_FORMAT + static_cast<int>(i));
        }
        ASSERT_EQ(CheckedNames(), names);
    }
    bool Closed() const { return !IsWindow(m_hwnd); }

    testing_support::MessageBoxCatcher m_boxes;
    std::unique_ptr<settings::SettingsDialog> m_dialog;
    HWND m_hwnd = nullptr;
};

// Opened first, without a file, it checks the defaults and writes nothing.
TEST_F(SettingsDialogTest, TemplateHasOneAutomaticBoxPerFormatOutOfTheTabOrderAndTheDefaultsChecked) {
    Open();
    EXPECT_EQ(TextOf(m_hwnd), "Settings");

    RECT expected{0, 0, 285, 235};
    MapDialogRect(m_hwnd, &expected);
    RECT client{};
    GetClientRect(m_hwnd, &client);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);

    int clear = 0;  // none indeterminate
    for (size_t i = 0; i < kNames.size(); ++i) {
        SCOPED_TRACE(kNames[i]);
        HWND box = GetDlgItem(m_hwnd, IDC_FIRST_FORMAT + static_cast<int>(i));
        clear += IsDlgButtonChecked(m_hwnd, IDC_FIRST_FORMAT + static_cast<int>(i)) == BST_UNCHECKED;
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(TextOf(box), kNames[i] == "raw" ? "Other raw files" : "." + kNames[i]);
        const LONG style = GetWindowLongA(box, GWL_STYLE);
        EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX);
        EXPECT_EQ(style & WS_TABSTOP, 0);
        EXPECT_TRUE(IsWindowEnabled(box));
    }
    EXPECT_EQ(TextOf(GetDlgItem(m_hwnd, IDC_DEFAULT_FORMATS)), "Default");
    EXPECT_EQ(GetWindowLongA(GetDlgItem(m_hwnd, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(CheckedNames(), kDefaults);
    EXPECT_EQ(clear, 18);
    EXPECT_FALSE(FileExists(FormatsFile()));
}

// OK closes the dialog and writes the ticked names in the boxes' order;
// hand-edited lists open by the substring rule and are written back clean; a
// file that cannot be written is given up quietly.
TEST_F(SettingsDialogTest, OkWritesTheCheckedNamesInTheBoxesOrder) {
    const std::string all = kAllNames;
    const struct {
        std::string file;  // formats.ini before opening, if any
        std::string opened, checks;
        bool folder = false;  // a folder in its place
    } rows[] = {
        {"", kDefaults, all},
        {"formats=" + all + "\r\n", all, "mp3"},
        {"formats=JPG,GIF\n", "", ""},
        {"formats=jpg,xyz\n", "jpg", "jpg"},
        {"formats=jpg, gif\n", "jpg,gif", "jpg,gif"},
        {"formats=tiff,mp3,mp3\n", "tif,mp3", "tif,mp3"},
        {"", kDefaults, "pdf", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file + " -> " + row.checks);
        Clean();
        if (row.folder) ASSERT_TRUE(CreateDirectoryA(FormatsFile().c_str(), nullptr));
        if (!row.file.empty()) WriteFile(FormatsFile(), row.file);
        Open();
        EXPECT_EQ(CheckedNames(), row.opened);
        SetChecks(row.checks);
        Click(m_hwnd, IDOK);
        EXPECT_TRUE(Closed());
        EXPECT_EQ(m_dialog->Result(), IDOK);
        if (!row.folder) EXPECT_EQ(ReadFile(FormatsFile()), "formats=" + row.checks + "\r\n");
    }
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

// The copy writes its list of recovered files unless the box is cleared; the
// choice is kept in settings.ini, beside the output folder, only when it changes.
TEST_F(SettingsDialogTest, AListOfRecoveredFilesIsWrittenUntilTheBoxIsClearedAndTheChoiceKept) {
    WriteFile(settings::SaveFolderPath(), "savedir=C:\\out\r\n");
    Open();
    EXPECT_EQ(TextOf(GetDlgItem(m_hwnd, IDC_WRITE_LIST)), "Write a list of recovered files");
    EXPECT_EQ(IsDlgButtonChecked(m_hwnd, IDC_WRITE_LIST), static_cast<UINT>(BST_CHECKED));
    Click(m_hwnd, IDOK);
    EXPECT_EQ(ReadFile(settings::SaveFolderPath()), "savedir=C:\\out\r\n");
    Open();
    Click(m_hwnd, IDC_WRITE_LIST);
    Click(m_hwnd, IDOK);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(ReadFile(settings::SaveFolderPath()), "savedir=C:\\out\r\nwritelist=0\r\n");
    EXPECT_FALSE(settings::LoadWriteList());
    Open();
    EXPECT_EQ(IsDlgButtonChecked(m_hwnd, IDC_WRITE_LIST), static_cast<UINT>(BST_UNCHECKED));
    Click(m_hwnd, IDC_WRITE_LIST);
    Click(m_hwnd, IDOK);
    EXPECT_EQ(ReadFile(settings::SaveFolderPath()), "savedir=C:\\out\r\n");
}

TEST_F(SettingsDialogTest, DefaultResetsTheBoxesButCancelKeepsTheFile) {
    WriteFile(FormatsFile(), "formats=mp3,zip\r\n");
    Open();
    EXPECT_EQ(CheckedNames(), "mp3,zip");
    Click(m_hwnd, IDC_DEFAULT_FORMATS);
    EXPECT_EQ(CheckedNames(), kDefaults);
    EXPECT_EQ(ReadFile(FormatsFile()), "formats=mp3,zip\r\n");
    Click(m_hwnd, IDCANCEL);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(m_dialog->Result(), IDCANCEL);
    EXPECT_EQ(ReadFile(FormatsFile()), "formats=mp3,zip\r\n");
}

// ---- The dialog run modally: keys and the close box go through the real modal loop ----

constexpr INT_PTR kTimedOut = 0x7E57;
std::function<void(HWND)> g_script;

// Runs `script` once, from inside the modal loop that is about to start, with
// the Settings dialog's window as soon as it is up.
UINT_PTR WhenSettingsAreUp(std::function<void(HWND)> script) {
    g_script = std::move(script);
    return SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND dialog = testing_support::WindowTitled("Settings");
        if (!dialog) return;  // not up yet: try on the next tick
        KillTimer(nullptr, id);
        g_script(dialog);
    });
}

// Runs the dialog modally with `script`. A watchdog ends a dialog that the script left open.
INT_PTR RunModal(settings::SettingsDialog& dialog, std::function<void(HWND)> script) {
    const UINT_PTR step = WhenSettingsAreUp(std::move(script));
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        if (HWND hwnd = testing_support::WindowTitled("Settings")) EndDialog(hwnd, kTimedOut);
    });
    const INT_PTR result = dialog.DoModal(nullptr);
    KillTimer(nullptr, step);
    KillTimer(nullptr, watchdog);
    return result;
}

// Posted to the focused control, as the keyboard delivers it, so that the
// modal loop's dialog-message handling turns it into a command.
void PressKey(HWND dialog, UINT key) {
    HWND target = GetFocus();
    if (!target || !IsChild(dialog, target)) target = dialog;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

TEST_F(SettingsDialogTest, EnterStoresLikeOkWhileEscapeAndTheCloseBoxWriteNothing) {
    const struct {
        const char* how;
        INT_PTR result;
        const char* file;
    } rows[] = {{"Enter", IDOK, "formats=jpg,mp3\r\n"}, {"Esc", IDCANCEL, "formats=mp3\n"},
                {"close box", IDCANCEL, "formats=mp3\n"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.how);
        WriteFile(FormatsFile(), "formats=mp3\n");
        settings::SettingsDialog dialog;
        const std::string how = row.how;
        const INT_PTR result = RunModal(dialog, [how](HWND hwnd) {
            Click(hwnd, IDC_FORMAT_JPG);
            if (how == "close box")
                PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                PressKey(hwnd, how == "Esc" ? VK_ESCAPE : VK_RETURN);
        });
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(ReadFile(FormatsFile()), row.file);
    }
}

// ---- Opened from the main window's Settings link ----------------------------------------

class SettingsLink : public testing_support::MainWindowTest {};

struct SeenWhileOpen {
    HWND dialog = nullptr, owner = nullptr;
    bool ownerEnabled = true;
} g_seen;

// Clicks the Settings link; while the dialog is open, notes its owner, checks
// ".mp3" and closes it with `closeWith`.
void OpenSettingsFromLink(HWND mainWindow, int closeWith) {
    g_seen = {};
    const UINT_PTR step = WhenSettingsAreUp([closeWith](HWND dialog) {
        g_seen = {dialog, GetWindow(dialog, GW_OWNER), IsWindowEnabled(GetWindow(dialog, GW_OWNER)) != FALSE};
        Click(dialog, IDC_FORMAT_MP3);
        Click(dialog, closeWith);
    });
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(IDC_SETTINGS_LINK, STN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(mainWindow, IDC_SETTINGS_LINK)));
    KillTimer(nullptr, step);
}

TEST_F(SettingsLink, OpensTheDialogModallyOverTheMainWindow) {
    OpenWindow();
    const std::string formats = FormatsFile();

    OpenSettingsFromLink(Window(), IDCANCEL);
    ASSERT_NE(g_seen.dialog, nullptr);
    EXPECT_EQ(g_seen.owner, Window());
    EXPECT_FALSE(g_seen.ownerEnabled);
    EXPECT_FALSE(IsWindow(g_seen.dialog));
    EXPECT_TRUE(IsWindowEnabled(Window()));
    EXPECT_FALSE(FileExists(formats));

    OpenSettingsFromLink(Window(), IDOK);
    ASSERT_NE(g_seen.dialog, nullptr);
    EXPECT_EQ(ReadFile(formats), "formats=jpg,gif,png,bmp,tif,mp3,raw\r\n");
    EXPECT_TRUE(Visible(IDC_DRIVE_LIST));
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

}  // namespace
