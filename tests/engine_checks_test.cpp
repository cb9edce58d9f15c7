// Next and the checks that come before the engine is started.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <thread>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/engines/environment.h"
#include "tests/support/folder_links.h"
#include "tests/support/scan_fixture.h"
#include "win/handles.h"
#include "workflow/engine/disk_warning.h"
#include "workflow/engine/engine_run.h"
#include "workflow/engine/engine_trust.h"

namespace {

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::RemoveFolder;
using testing_support::WriteFile;

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
    ASSERT_TRUE(workflow::KeepConfirmedEngineDigest(workflow::HoldEngineFiles(engines::EngineFolder()).value().digest));

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
    workflow::ForgetConfirmedEngineDigest();
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
    for (const auto& row : rows) {
        asked.clear();
        if (row.file) WriteFile(EngineFolder() + "\\" + row.file, row.bytes);
        if (row.file && std::string(row.file) == "cygwin1.dll") runtimeSize = strlen(row.bytes);
        answer = row.answer;
        EXPECT_EQ(workflow::ConfirmEngine(EngineFolder(), ask), row.mayStart) << row.step;
        ASSERT_EQ(asked.size(), row.answer ? 1u : 0u) << row.step;
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
    EXPECT_TRUE(workflow::ConfirmEngine(EngineFolder(), ask));
    EXPECT_TRUE(asked.empty());
}

// From the check to the engine's end nobody may write, rename or delete the
// files that were checked; once let go, they may be.
TEST_F(EngineChecks, EngineFilesHeldForTheLaunchCannotBeSwapped) {
    InstallFakeEngine(true, true, true);
    std::optional<workflow::HeldEngineFiles> held = workflow::HoldEngineFiles(EngineFolder());
    ASSERT_TRUE(held);
    for (const char* name : {"photo.exe", "cygwin1.dll"}) {
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

// A file changed after the question (between the question and the launch) is
// never started: the launch checks what it holds against what was confirmed.
TEST_F(EngineChecks, EngineChangedAfterItWasConfirmedIsNotStarted) {
    InstallStandIn(engines::FixturesFolder(), false);
    ASSERT_TRUE(workflow::KeepConfirmedEngineDigest(workflow::HoldEngineFiles(EngineFolder()).value().digest));
    WriteFile(EngineFolder() + "\\cygwin1.dll", "swapped in");
    ASSERT_EQ(ReadFile(EngineFolder() + "\\cygwin1.dll"), "swapped in");

    workflow::EngineRun run;
    ASSERT_TRUE(run.Start({EngineFolder(), m_scratch.In("temp"), "/dev/sda", "jpg"}));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return !run.Running(); }, 10000));
    EXPECT_TRUE(run.Failed());
    ASSERT_EQ(m_boxes.Texts().size(), 2u) << ::testing::PrintToString(m_boxes.Texts());
    EXPECT_EQ(m_boxes.Texts()[0], "The files of the recovery engine in \"" + EngineFolder() +
                                      "\" changed after they were confirmed, so the engine was not started.\n\n"
                                      "Press Next again to be asked about them.");
    EXPECT_EQ(m_boxes.Texts()[1], LoadFailed(-1009));
    EXPECT_EQ(EngineLog(), "");
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
