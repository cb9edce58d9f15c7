// Next and the checks that come before the engine is started.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <thread>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/engines/environment.h"
#include "tests/support/folder_links.h"
#include "tests/support/import_patch.h"
#include "tests/support/scan_fixture.h"
#include "win/handles.h"
#include "workflow/engine/disk_warning.h"
#include "workflow/engine/engine_copy.h"
#include "workflow/engine/engine_run.h"
#include "workflow/engine/engine_trust.h"

namespace {

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::RemoveFolder;
using testing_support::WriteFile;

// Confirms the engine in `folder` as a user answering Yes would; false when
// anything was told instead.
bool ConfirmWithYes(const std::string& folder) {
    std::vector<std::string> told;
    const bool confirmed = workflow::ConfirmEngine(
        folder, [](const std::string&, const std::string&) { return true; },
        [&](const std::string& text) { told.push_back(text); });
    EXPECT_EQ(told, std::vector<std::string>{});
    return confirmed && told.empty();
}

std::string CopyNotConfirmed() {
    return "The copy of the recovery engine in \"" + workflow::EngineCopyFolder() +
           "\" does not hold the files that were confirmed, so the engine was not started.\n\n"
           "Press Next again to copy the engine anew.";
}

std::string LoadFailed(int code) {
    return "Failed to load engine, error code " + std::to_string(code) +
           ". Installation may be corrupted, please try to re-install Vantreo";
}

class EngineChecks : public testing_support::ScanTest {
protected:
    // The engine's files as an installer leaves them; photo.exe is never started by these tests.
    void InstallFakeEngine(bool engine, bool runtime, bool cygwinEntry) {
        MakeEngineFolder();
        if (engine) WriteFile(EngineFolder() + "\\photo.exe", "");
        if (runtime) WriteFile(EngineFolder() + "\\cygwin1.dll", "");
        if (cygwinEntry) {
            CreateDirectoryA((EngineFolder() + "\\c").c_str(), nullptr);
            CreateDirectoryA((EngineFolder() + "\\c\\cygwin").c_str(), nullptr);
        }
    }
    void MakeEngineFolder(bool withData = false) {
        CreateDirectoryA((settings::GetAppDataFolder() + "\\Norvale").c_str(), nullptr);
        CreateDirectoryA(EngineFolder().c_str(), nullptr);
        if (withData) CreateDirectoryA(DataFolder().c_str(), nullptr);
        if (withData) CreateDirectoryA((DataFolder() + "\\temp.1").c_str(), nullptr);
    }
    // Opens the window and presses Next on C:; with `results`, waits for the
    // results, else for a scan that found nothing to lead back to the drives.
    void NextOnC(bool results) {
        OpenWindow();
        SelectDrive("C:");
        Click(IDC_NEXT);
        ASSERT_TRUE(results ? WaitForResults(10000) : WaitForDriveSelection(10000));
    }
};

// A worker held by its own message box (no engine is installed) is alive until
// Join closes the box: a second start would share its handles, and is refused.
TEST(EngineRunStart, RefusedWhileTheWorkerOfAnEarlierRunIsAlive) {
    const testing_support::ScratchFolder noEngine{"no-engine"};
    const workflow::EngineInputs inputs{noEngine.path(), noEngine.In("temp"), "/dev/sda", "jpg"};
    workflow::EngineRun run;
    ASSERT_TRUE(run.Start(inputs));
    EXPECT_FALSE(run.Start(inputs));
    ASSERT_TRUE(run.Join(10000));
    EXPECT_TRUE(run.Start(inputs));
    EXPECT_TRUE(run.Join(10000));
}

// A program ended from outside, with no chance to stop its engine, takes the
// engine along. The test runs twice: here, and as the program, in a child
// process of its own that starts a stand-in engine that never ends by itself.
TEST(EngineRunJob, EngineEndsWithTheProgramThatStartedIt) {
    constexpr char kHolder[] = "VANTREO_TEST_ENGINE_HOLDER";
    if (const std::string scanDir = engines::EnvironmentValue(kHolder); !scanDir.empty()) {
        workflow::EngineRun run;
        ASSERT_TRUE(run.Start({engines::EngineFolder(), scanDir, "/dev/sda", "jpg"}));
        Sleep(INFINITE);
    }
    const testing_support::ScratchFolder scratch{"engine-job"};
    const std::string log = scratch.In("engine-log.txt");
    const testing_support::ScopedEnvironment hang("VANTREO_STANDIN_HANG", "1"), logged("VANTREO_STANDIN_LOG", log),
        holder(kHolder, scratch.In("temp"));
    ASSERT_TRUE(engines::InstallEngine(engines::EngineKind::StandIn));
    ASSERT_EQ(testing_support::EngineProcesses(false), 0);
    ASSERT_TRUE(ConfirmWithYes(engines::EngineFolder()));

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = "\"" + std::string(self) + "\" --gtest_filter=EngineRunJob.*";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // Without a console or inherited handles: nothing of it holds the test runner's output.
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                               nullptr, &startup, &started));
    const win::UniqueHandle program(started.hProcess), thread(started.hThread);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return !ReadFile(log).empty(); }, 30000));
    EXPECT_EQ(testing_support::EngineProcesses(false), 1);

    ASSERT_TRUE(TerminateProcess(program.get(), 1));
    ASSERT_EQ(WaitForSingleObject(program.get(), 30000), WAIT_OBJECT_0);
    EXPECT_TRUE(testing_support::PumpUntil([] { return testing_support::EngineProcesses(false) == 0; }, 30000));
    testing_support::EngineProcesses(true);
    workflow::ForgetConfirmedEngine();
    engines::RemoveEngine();
}

// Next without a selected drive says so; with an empty format list, no engine starts.
TEST_F(EngineChecks, NextWithoutSelectedDriveSaysSoAndAnEmptyFormatListStartsNoEngine) {
    InstallFakeEngine(true, true, true);
    WriteFile(settings::GetProgramFolder() + "formats.ini", "formats=\r\n");
    OpenWindow();
    Click(IDC_NEXT);
    ASSERT_EQ(m_boxes.Texts(), std::vector<std::string>{"Please select drive from where to recover files."});
    EXPECT_EQ(m_boxes.Boxes().front().caption, "Vantreo");
    EXPECT_TRUE(Visible(IDC_DRIVE_LIST));
    EXPECT_FALSE(FileExists(DataFolder()));

    m_boxes.Clear();
    SelectDrive("C:");
    Click(IDC_NEXT);
    ASSERT_TRUE(WaitForDriveSelection(10000));
    EXPECT_EQ(m_boxes.Texts(),
              (std::vector<std::string>{"No file formats enabled.\n\nPlease go to 'Settings' to enable the type of "
                                        "file you wish to recover.",
                                        LoadFailed(-1009), "No files were found."}));
    EXPECT_FALSE(FileExists(DataFolder() + "\\temp.1"));
}

TEST_F(EngineChecks, MissingEngineFilesAreReportedInTurnThenTheLoadFailure) {
    const struct {
        bool engine, runtime, cygwin;
        int code;
    } cases[] = {{false, true, true, -1003}, {true, false, true, -1004}, {true, true, false, -1005}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        RemoveFolder(EngineFolder());
        InstallFakeEngine(c.engine, c.runtime, c.cygwin);
        m_boxes.Clear();
        NextOnC(false);
        EXPECT_EQ(m_boxes.Texts(),
                  (std::vector<std::string>{LoadFailed(c.code), LoadFailed(-1009), "No files were found."}));
        for (const auto& box : m_boxes.Boxes()) EXPECT_EQ(box.caption, "Vantreo");
        m_dialog.reset();
    }
}

TEST_F(EngineChecks, EarlierResultsAreShownAgainWithoutStartingTheEngine) {
    MakeEngineFolder(true);  // with no engine installed: starting it would report -1003
    const std::string left = DataFolder() + "\\temp.1\\";
    WriteFile(left + "notes.uyu", "left behind");  // "txt" shifted up by one
    // Written by the engine under its own names: they keep them.
    WriteFile(left + "f0000001.jpg", ReadFile(engines::FixturesFolder() + "\\a_small.jpg"));
    WriteFile(left + "f0000003.txt", "found text");
    WriteFile(left + "odd.]", "shifted, ']' would become a backslash");
    WriteFile(left + "report.xml", "the engine's log is no leftover");
    m_boxes.StopAnsweringSilently();  // no search starts, so nothing is written onto the disk: no question
    NextOnC(true);
    ASSERT_EQ(m_boxes.Texts(),
              std::vector<std::string>{"Files found by an earlier search were not recovered yet and are shown instead "
                                       "of a new search.\n\nOnce they are recovered or the program is closed, Next "
                                       "searches the chosen drive."});
    EXPECT_TRUE(m_boxes.Boxes()[0].hasIcon);
    EXPECT_TRUE(FileExists(left + "notes.txt"));
    std::vector<std::string> names = FileNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"f0000003.txt", "notes.txt", "odd.]"}));
    EXPECT_EQ(PhotoPaths(), std::vector<std::string>{left + "f0000001.jpg"});
    for (const auto& row : FileRows()) EXPECT_TRUE(row.checked) << row.name;
    EXPECT_TRUE(Enabled(IDC_FILE_TOGGLE));
    // Their copy onto the chosen drive's disk is asked about, as after a search.
    const testing_support::ScratchFolder output("output", "C:\\");
    ASSERT_TRUE(ChooseOutputFolder(output.path()));
    m_boxes.QueueAnswer(IDNO);
    Click(IDC_RECOVER);
    EXPECT_EQ(m_boxes.Texts().back(), workflow::kCopyOntoSearchedDiskQuestion);
}

// Closed at once, before the listing has reached most of them: every leftover
// is counted all the same, and No keeps them all.
TEST_F(EngineChecks, ClosingRightAfterLeftoversAreShownCountsEveryOneOfThem) {
    MakeEngineFolder(true);
    constexpr int kLeftovers = 3000;
    for (int i = 0; i < kLeftovers; ++i) {
        const std::string name = std::to_string(1000000 + i);
        WriteFile(DataFolder() + "\\temp.1\\f" + name + ".txt", name);
    }
    OpenWindow();
    SelectDrive("C:");
    Click(IDC_NEXT);
    ASSERT_EQ(m_boxes.Texts().size(), 1u);  // the leftovers' message
    m_boxes.Clear();
    m_boxes.QueueAnswer(IDNO);
    SendMessageA(Window(), WM_CLOSE, 0, 0);  // the dialog turns it into a posted Cancel
    ASSERT_TRUE(testing_support::PumpUntil([&] { return !m_boxes.Boxes().empty(); }));
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{std::to_string(kLeftovers) +
                                                        " found files have not been recovered yet. If you exit now "
                                                        "they are deleted.\n\nExit anyway?"});
    EXPECT_TRUE(IsWindow(Window()));
    EXPECT_EQ(testing_support::FilesIn(DataFolder() + "\\temp.1").size(), size_t{kLeftovers});
}

TEST_F(EngineChecks, LeftoverThatCanNeverBeListedDoesNotStandInForANewScan) {
    MakeEngineFolder(true);
    const std::string locked = DataFolder() + "\\temp.1\\f0000001.jpg";
    WriteFile(locked, "read only");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    NextOnC(true);
    // A new scan was started: with no engine installed, that is the -1003 report.
    ASSERT_FALSE(m_boxes.Texts().empty());
    EXPECT_EQ(m_boxes.Texts().front(), LoadFailed(-1003));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The engine runs as administrator from a folder its user may write: it is
// asked about once, and again whenever one of its files changes.
TEST_F(EngineChecks, EngineIsAskedAboutOnceAndAgainWhenItsFilesChange) {
    m_boxes.StopAnsweringSilently();
    InstallFakeEngine(true, true, true);
    WriteFile(EngineFolder() + "\\photo.exe", "engine one");
    const struct {
        const char* step;
        const char* file;  // changed before the step, to `bytes`
        const char* bytes;
        int answer;  // 0: no question expected
        bool mayStart;
    } rows[] = {
        {"first use, confirmed", nullptr, nullptr, IDYES, true},
        {"unchanged", nullptr, nullptr, 0, true},
        {"runtime changed, refused", "cygwin1.dll", "other runtime", IDNO, false},
        {"still changed, confirmed", nullptr, nullptr, IDYES, true},
        {"confirmed before", nullptr, nullptr, 0, true},
        {"engine changed, confirmed", "photo.exe", "engine two", IDYES, true},
        {"both unchanged", nullptr, nullptr, 0, true},
        {"a library put beside it, refused", "version.dll", "a library", IDNO, false},
        {"a file of its tree changed, confirmed", "c\\cygwin\\etc.conf", "changed", IDYES, true},
        {"all unchanged", nullptr, nullptr, 0, true},
    };
    size_t runtimeSize = 0;
    struct Asked {
        std::string question, caption;
    };
    std::vector<Asked> asked;
    int answer = 0;
    const workflow::AskUser ask = [&](const std::string& question, const std::string& caption) {
        asked.push_back({question, caption});
        return answer == IDYES;
    };
    std::vector<std::string> told;
    const workflow::TellUser tell = [&](const std::string& text) { told.push_back(text); };
    for (const auto& row : rows) {
        asked.clear();
        if (row.file) WriteFile(EngineFolder() + "\\" + row.file, row.bytes);
        if (row.file && std::string(row.file) == "cygwin1.dll") runtimeSize = strlen(row.bytes);
        answer = row.answer;
        EXPECT_EQ(workflow::ConfirmEngine(EngineFolder(), ask, tell), row.mayStart) << row.step;
        ASSERT_EQ(asked.size(), row.answer ? 1u : 0u) << row.step;
        EXPECT_EQ(told, std::vector<std::string>{}) << row.step;
        // What may start is a copy of the very files confirmed, and only of those.
        for (const char* name : {"photo.exe", "cygwin1.dll", "version.dll", "c\\cygwin\\etc.conf"}) {
            if (!row.mayStart) break;
            const std::string copied = workflow::EngineCopyFolder() + "\\" + name;
            EXPECT_EQ(FileExists(copied), FileExists(EngineFolder() + "\\" + name)) << row.step << ": " << name;
            EXPECT_EQ(ReadFile(copied), ReadFile(EngineFolder() + "\\" + name)) << row.step << ": " << name;
        }
        if (!row.answer) continue;
        EXPECT_EQ(asked[0].caption, "Confirm") << row.step;
        const std::string& text = asked[0].question;
        EXPECT_EQ(text.rfind(std::string(workflow::kEngineQuestionStart) + EngineFolder() + "\"", 0), 0u) << text;
        EXPECT_NE(text.find("\ncygwin1.dll: " + std::to_string(runtimeSize) + " bytes, written 20"), std::string::npos)
            << row.step << ": " << text;
    }
    // Missing files start the launch, which reports them; nothing is asked.
    asked.clear();
    DeleteFileA((EngineFolder() + "\\cygwin1.dll").c_str());
    EXPECT_TRUE(workflow::ConfirmEngine(EngineFolder(), ask, tell));
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(told.empty());
}

// From the check to the engine's end nobody may write, rename or delete the
// files that were checked; once let go, they may be.
TEST_F(EngineChecks, EngineFilesHeldForTheLaunchCannotBeSwapped) {
    InstallFakeEngine(true, true, true);
    WriteFile(EngineFolder() + "\\other.dll", "a library beside it");
    WriteFile(EngineFolder() + "\\c\\cygwin\\etc.conf", "of its tree");
    std::optional<workflow::HeldEngineFiles> held = workflow::HoldEngineFiles(EngineFolder());
    ASSERT_TRUE(held);
    for (const char* name : {"photo.exe", "cygwin1.dll", "other.dll", "c\\cygwin\\etc.conf"}) {
        const std::string path = EngineFolder() + "\\" + name;
        bool opened = true, moved = true, deleted = true;
        std::jthread([&] {
            const win::UniqueHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                       OPEN_EXISTING, 0, nullptr));
            opened = writer.valid();
            moved = MoveFileA(path.c_str(), (path + ".old").c_str()) != FALSE;
            deleted = DeleteFileA(path.c_str()) != FALSE;
        }).join();
        EXPECT_FALSE(opened) << name;
        EXPECT_FALSE(moved) << name;
        EXPECT_FALSE(deleted) << name;
    }
    held.reset();
    const win::UniqueHandle writer(CreateFileA((EngineFolder() + "\\photo.exe").c_str(), GENERIC_WRITE, 0, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(writer.valid());
}

// The engine runs from its copy, which must hold the confirmed files and
// nothing else; the user's folder may change meanwhile, the copy is what runs.
// Nothing is ever started from the user's folder instead.
TEST_F(EngineChecks, OnlyACopyHoldingTheConfirmedFilesIsStarted) {
    const struct {
        const char* step;
        std::function<void()> change;
        bool starts;
    } rows[] = {
        {"the copy as made", [] {}, true},
        {"the user's runtime changed", [&] { WriteFile(EngineFolder() + "\\cygwin1.dll", "swapped in"); }, true},
        {"a file of the copy changed",
         [] { WriteFile(workflow::EngineCopyFolder() + "\\cygwin1.dll", "swapped in"); }, false},
        {"a library put into the copy", [] { WriteFile(workflow::EngineCopyFolder() + "\\version.dll", ""); }, false},
        {"the copy gone", [] { workflow::RemoveEngineCopy(); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        InstallStandIn("", false);
        ASSERT_TRUE(ConfirmWithYes(EngineFolder()));
        row.change();
        DeleteFileA(m_logPath.c_str());
        m_boxes.Clear();
        workflow::EngineRun run;
        ASSERT_TRUE(run.Start({EngineFolder(), m_scratch.In("temp"), "/dev/sda", "jpg"}));
        ASSERT_TRUE(testing_support::PumpUntil([&] { return !run.Running(); }, 10000));
        EXPECT_EQ(run.Failed(), !row.starts);
        EXPECT_EQ(EngineLog().empty(), !row.starts);
        const std::vector<std::string> told =
            row.starts ? std::vector<std::string>{} : std::vector<std::string>{CopyNotConfirmed(), LoadFailed(-1009)};
        EXPECT_EQ(m_boxes.Texts(), told);
        RemoveFolder(m_scratch.In("temp.1"));
        engines::RemoveEngine();
    }
}

// A library the engine imports from its own folder, replaced after the engine
// was confirmed, is never loaded: the copy made from what was confirmed runs.
// Next asks about the change; only a Yes copies the new library.
TEST_F(EngineChecks, LibraryReplacedInTheUsersFolderIsNotRunUnlessConfirmed) {
    SetEnvironment("VANTREO_STANDIN_LOG", m_logPath);
    ASSERT_TRUE(engines::InstallEngine(engines::EngineKind::StandInWithPart));
    ASSERT_TRUE(ConfirmWithYes(EngineFolder()));
    ASSERT_TRUE(CopyFileA(engines::EnginePartPath(true).c_str(), (EngineFolder() + "\\engine_part.dll").c_str(), FALSE));
    const auto runEngine = [&] {
        DeleteFileA(m_logPath.c_str());
        workflow::EngineRun run;
        EXPECT_TRUE(run.Start({EngineFolder(), m_scratch.In("temp"), "/dev/sda", "jpg"}));
        EXPECT_TRUE(testing_support::PumpUntil([&] { return !run.Running(); }, 10000));
        EXPECT_FALSE(run.Failed());
        RemoveFolder(m_scratch.In("temp.1"));
        const std::string log = EngineLog();
        return log.substr(log.find("\r\n") + 2);
    };
    EXPECT_EQ(runEngine(), "part: original\r\n");

    int asked = 0;
    bool yes = false;
    const workflow::AskUser ask = [&](const std::string&, const std::string&) { return ++asked, yes; };
    const workflow::TellUser tell = [](const std::string& text) { ADD_FAILURE() << text; };
    EXPECT_FALSE(workflow::ConfirmEngine(EngineFolder(), ask, tell));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(runEngine(), "part: original\r\n");
    yes = true;
    EXPECT_TRUE(workflow::ConfirmEngine(EngineFolder(), ask, tell));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(runEngine(), "part: replaced\r\n");
}

// Whatever keeps the engine from being confirmed or copied is said in plain
// words, no copy is left, and the engine is not started from anywhere.
TEST_F(EngineChecks, EngineThatCannotBeConfirmedOrCopiedIsReportedAndNotStarted) {
    static DWORD failure = 0;
    struct Refusals {
        static LONG WINAPI CreateKey(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD) {
            return ERROR_ACCESS_DENIED;
        }
        static BOOL WINAPI Write(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
            if (written) *written = 0;
            SetLastError(failure);
            return FALSE;
        }
    };
    const std::string copy = workflow::EngineCopyFolder();
    const std::string copyFailed = "The recovery engine could not be copied to \"" + copy + "\"";
    const struct {
        const char* step;
        const char* lockedFile;   // held open by another program, sharing nothing
        bool keyRefused;          // not running as an administrator
        DWORD writeError;         // each write into the copy fails so
        bool fileInTheWay;        // a file where the copy's folder goes
        std::string message;
    } rows[] = {
        {"a file in use", "cygwin1.dll", false, 0, false,
         workflow::EngineInUseText(EngineFolder() + "\\cygwin1.dll")},
        {"a library in use", "other.dll", false, 0, false, workflow::EngineInUseText(EngineFolder() + "\\other.dll")},
        {"not an administrator", nullptr, true, 0, false, workflow::EngineNeedsAdministratorText(EngineFolder())},
        {"the disk full", nullptr, false, ERROR_DISK_FULL, false,
         copyFailed + ": the disk is full.\n\nFree some space on that disk, then press Next again."},
        {"the folder refused", nullptr, false, ERROR_ACCESS_DENIED, false,
         copyFailed + ": the folder was refused.\n\nStart Vantreo as administrator, then press Next again."},
        {"a file in the copy's place", nullptr, false, 0, true,
         copyFailed + ", error code " + std::to_string(ERROR_DIRECTORY) + ".\n\nPress Next again to try once more."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        InstallStandIn("", false);
        WriteFile(EngineFolder() + "\\other.dll", "a library beside it");
        win::UniqueHandle locked;
        if (row.lockedFile)
            locked.reset(CreateFileA((EngineFolder() + "\\" + row.lockedFile).c_str(), GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        if (row.fileInTheWay) {
            SHCreateDirectoryExA(nullptr, copy.substr(0, copy.rfind('\\')).c_str(), nullptr);
            WriteFile(copy, "in the way");
        }
        std::vector<std::string> told;
        int asked = 0;
        {
            failure = row.writeError;
            std::optional<testing_support::ImportPatch> key, write;
            if (row.keyRefused) key.emplace("advapi32.dll", "RegCreateKeyExA", reinterpret_cast<void*>(Refusals::CreateKey));
            if (row.writeError) write.emplace("kernel32.dll", "WriteFile", reinterpret_cast<void*>(Refusals::Write));
            ASSERT_TRUE(!key || key->Applied());
            ASSERT_TRUE(!write || write->Applied());
            EXPECT_FALSE(workflow::ConfirmEngine(
                EngineFolder(), [&](const std::string&, const std::string&) { return ++asked, true; },
                [&](const std::string& text) { told.push_back(text); }));
        }
        EXPECT_EQ(told, std::vector<std::string>{row.message});
        EXPECT_EQ(asked, row.lockedFile ? 0 : 1);
        if (!row.fileInTheWay) {
            EXPECT_FALSE(FileExists(copy));
        }
        locked.reset();
        DeleteFileA(copy.c_str());

        m_boxes.Clear();
        workflow::EngineRun run;
        ASSERT_TRUE(run.Start({EngineFolder(), m_scratch.In("temp"), "/dev/sda", "jpg"}));
        ASSERT_TRUE(testing_support::PumpUntil([&] { return !run.Running(); }, 10000));
        EXPECT_TRUE(run.Failed());
        EXPECT_EQ(EngineLog(), "");
        workflow::ForgetConfirmedEngine();
        engines::RemoveEngine();
    }
}

// The engine's working folder is the copy's own: a link the user made in the
// engine folder for the file the engine writes in its working folder leads
// nowhere the engine writes.
TEST_F(EngineChecks, EngineWritesItsSessionFileInItsOwnWorkingFolder) {
    InstallStandIn("", false);
    SetEnvironment("VANTREO_STANDIN_SESSION", "1");
    const std::string victim = m_scratch.In("victim.txt");
    WriteFile(victim, "not the engine's");
    ASSERT_TRUE(testing_support::SwapForLink(EngineFolder() + "\\photorec.ses", victim));
    StartScan();
    ASSERT_TRUE(WaitForDriveSelection());
    EXPECT_EQ(ReadFile(victim), "not the engine's");
    EXPECT_EQ(ReadFile(workflow::EngineWorkFolder() + "\\photorec.ses").rfind("#session of the stand-in engine\n", 0),
              0u);
    // Wine may not delete a Unix link without its target: later tests need the folder gone.
    testing_support::RemoveTreeFromUnix(EngineFolder() + "\\photorec.ses");
}

// While the engine writes into them by path, neither the data folder nor an
// output folder in it can be moved away for a link to take its place; the
// attempt is made as a program of the user would make it, between two files.
TEST_F(EngineChecks, OutputFoldersCannotBeSwappedForALinkDuringASearch) {
    InstallStandIn(engines::FixturesFolder(), false);
    SetEnvironment("VANTREO_STANDIN_GAP_MS", "1500");
    StartScan();
    ASSERT_TRUE(testing_support::PumpUntil([&] { return PhotoPaths().size() == 2; }, 20000));
    const std::string elsewhere = m_scratch.In("elsewhere");
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    CreateDirectoryA((elsewhere + "\\temp.1").c_str(), nullptr);
    const struct {
        std::string folder, linkTarget;
    } rows[] = {{ScanOutput(), elsewhere + "\\temp.1"}, {DataFolder(), elsewhere}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder);
        const bool moved = MoveFileA(row.folder.c_str(), (row.folder + ".moved").c_str()) != FALSE;
        EXPECT_FALSE(moved);
        if (moved) {
            EXPECT_TRUE(testing_support::MakeFolderLink(row.folder, row.linkTarget));
        }
    }
    ASSERT_TRUE(WaitForResults());
    EXPECT_EQ(testing_support::FilesIn(elsewhere + "\\temp.1"), std::vector<std::string>{});
    EXPECT_TRUE(FileExists(ScanOutput() + "\\c_small.png"));
}

// A link at any level from the company folder down to the data folder: the
// leftovers behind it are neither renamed nor deleted, and no search starts.
TEST_F(EngineChecks, WorkFolderThatIsALinkIsNeverRenamedOrDeletedIn) {
    const std::string company = settings::GetAppDataFolder() + "\\Norvale";
    const struct {
        std::string link;
        const char* below;  // the way from the link's target to the data folder
    } rows[] = {{company, "\\Vantreo\\data"}, {EngineFolder(), "\\data"}, {DataFolder(), ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.link);
        RemoveFolder(company);
        const std::string elsewhere = m_scratch.In("link-target");
        RemoveFolder(elsewhere);
        const std::string leftovers = elsewhere + row.below + "\\temp.1";
        SHCreateDirectoryExA(nullptr, leftovers.c_str(), nullptr);
        WriteFile(leftovers + "\\f0000001.kqh", "someone else's");
        if (row.link != company) CreateDirectoryA(company.c_str(), nullptr);
        if (row.link == DataFolder()) CreateDirectoryA(EngineFolder().c_str(), nullptr);
        if (!testing_support::MakeFolderLink(row.link, elsewhere)) GTEST_SKIP() << "no directory link can be made here";

        m_boxes.Clear();
        OpenWindow();
        SelectDrive("C:");
        Click(IDC_NEXT);
        ASSERT_EQ(m_boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_boxes.Texts()[0].rfind("The folder \"" + row.link + "\" is a link to another place", 0), 0u)
            << m_boxes.Texts()[0];
        EXPECT_TRUE(Visible(IDC_DRIVE_LIST));
        CloseWindow();
        EXPECT_EQ(ReadFile(leftovers + "\\f0000001.kqh"), "someone else's");
        EXPECT_FALSE(FileExists(leftovers + "\\f0000001.jpg"));
        testing_support::RemoveTreeFromUnix(company);
    }
}

}  // namespace
