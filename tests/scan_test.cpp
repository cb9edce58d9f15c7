// Scans with the stand-in engine: what the engine is told, what appears while
// it runs, and the ways a scan ends.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <set>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/engines/wine_paths.h"
#include "tests/support/scan_fixture.h"
#include "win/handles.h"
#include "win/controls/list_view.h"
#include "workflow/window/main_layout.h"

namespace {

using testing_support::FileExists;
using testing_support::FileRow;
using testing_support::PumpUntil;
using testing_support::ReadFile;
using testing_support::ScanTest;
using testing_support::WriteFile;

std::string FileNameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

class Scan : public ScanTest {};

// The engine is told the data folder's "temp", or "temp_1" when a "temp" is
// left over (which is reported), the whole first disk and the chosen formats.
TEST_F(Scan, EngineIsToldTheWholeDiskTheScanFolderAndTheChosenFormats) {
    const std::string nothing = "No files were found.";
    const struct {
        const char* formats;  // written to formats.ini unless empty
        bool leftover;
        const char *folder, *options;
        std::vector<std::string> boxes;
    } rows[] = {
        {"", false, "temp", "fileopt,everything,enable,search", {nothing}},
        {"formats=jpg,png\r\n", false, "temp", "fileopt,everything,disable,jpg,enable,png,enable,search", {nothing}},
        {"", true, "temp_1", "fileopt,everything,disable,jpg,enable,png,enable,search",
         {"Internal error, error code: -1008", nothing}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.folder) + " " + row.options);
        if (*row.formats) WriteFile(settings::GetProgramFolder() + "formats.ini", row.formats);
        DeleteFileA(m_logPath.c_str());
        InstallStandIn("", false);
        if (row.leftover) CreateDirectoryA(DataFolder().c_str(), nullptr);
        if (row.leftover) CreateDirectoryA((DataFolder() + "\\temp").c_str(), nullptr);
        StartScan();
        ASSERT_TRUE(WaitForDriveSelection());
        ASSERT_TRUE(PumpUntil([&] { return !EngineLog().empty(); }));
        EXPECT_EQ(EngineLog(), "/d \"" + DataFolder() + "\\" + row.folder + "\" /cmd /dev/sda partition_none,options,keep_corrupted_file," +
                                   row.options + "\r\n");
        EXPECT_EQ(m_boxes.Texts(), row.boxes);
        for (const auto& box : m_boxes.Boxes()) EXPECT_EQ(box.caption, "Vantreo");
        m_boxes.Clear();
        CloseWindow();
    }
}

TEST_F(Scan, FoundFilesAppearWhileTheEngineRunsThenResults) {
    InstallStandIn(engines::FixturesFolder(), false);
    StartScan();
    EXPECT_EQ(Text(IDC_RECOVER), "Cancel");
    bool animated = false;
    ASSERT_TRUE(PumpUntil([&] {
        animated = animated || Text(IDC_STATUS).rfind("Analyzing disk, please wait", 0) == 0;
        return !PhotoPaths().empty();
    }, 15000));
    EXPECT_TRUE(animated);
    ASSERT_TRUE(WaitForResults());

    std::vector<std::string> photos;
    for (const auto& path : PhotoPaths()) photos.push_back(FileNameOf(path));
    // Every picture of the fixtures, the nested one too, as a ticked thumbnail.
    for (const auto& name : photos) EXPECT_TRUE(name.find(".jpg") != std::string::npos ||
                                                name.find(".png") != std::string::npos) << name;
    EXPECT_NE(std::find(photos.begin(), photos.end(), "e_nested.jpg"), photos.end());
    for (bool checked : PhotoChecks()) EXPECT_TRUE(checked);

    const auto rows = FileRows();
    const auto empty = std::find_if(rows.begin(), rows.end(), [](const FileRow& r) { return r.name == "empty.dat"; });
    ASSERT_NE(empty, rows.end());
    EXPECT_EQ(empty->size, "unknown");
    EXPECT_EQ(empty->extension, "dat");
    for (const auto& row : rows) EXPECT_TRUE(row.checked) << row.name;

    EXPECT_EQ(Text(IDC_STATUS), "Press 'Recover' to recover files detected.");
    EXPECT_TRUE(Enabled(IDC_PHOTO_TOGGLE));
    EXPECT_TRUE(Enabled(IDC_FILE_TOGGLE));
}

TEST_F(Scan, FileHeldOpenByTheEngineIsListedOnlyOnceReleased) {
    const std::string release = m_scratch.In("release");
    SetEnvironment("VANTREO_STANDIN_HOLD", "d_notes.txt");
    SetEnvironment("VANTREO_STANDIN_RELEASE", release);
    InstallStandIn(engines::FixturesFolder(), false);
    StartScan();
    ASSERT_TRUE(PumpUntil([&] { return FileExists(ScanOutput() + "\\d_notes.txt"); }, 15000));
    // Each file written later is listed by a later pass; the second by a pass
    // that began after the whole pass listing the first, which met the held file.
    for (const char* later : {"x_later.txt", "y_later.txt"}) {
        WriteFile(ScanOutput() + "\\" + later, "later");
        ASSERT_TRUE(PumpUntil([&] { return FileRows().size() > 0 && FileRows().back().name == later; }, 10000));
    }
    auto names = FileNames();
    EXPECT_EQ(std::find(names.begin(), names.end(), "d_notes.txt"), names.end());

    // Every picture of the fixtures is small: hidden before the results come,
    // the photo link has nothing to act on until they are shown again.
    const auto hideSmall = [&] { SendMessageA(Item(IDC_HIDE_SMALL), BM_CLICK, 0, 0); };
    hideSmall();
    WriteFile(release, "go");
    ASSERT_TRUE(WaitForResults());
    names = FileNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "d_notes.txt"), names.end());
    EXPECT_TRUE(PhotoPaths().empty());
    EXPECT_FALSE(Enabled(IDC_PHOTO_TOGGLE));
    hideSmall();
    EXPECT_EQ(PhotoPaths().size(), 4u);
    EXPECT_TRUE(Enabled(IDC_PHOTO_TOGGLE));
    hideSmall();
    EXPECT_FALSE(Enabled(IDC_PHOTO_TOGGLE));
}

// The engine renames a file whose checks failed from f... to b... and deletes
// others just after closing them: an entry listed in that moment follows the
// rename, marked, or goes; it is never left pointing at nothing, nor doubled.
TEST_F(Scan, AnEntryFollowsTheEnginesRenameAndGoesWithAFileItDeletes) {
    InstallStandIn("", true);
    StartScan();
    ASSERT_TRUE(PumpUntil([&] { return FileExists(ScanOutput()); }, 10000));
    const std::string photo = ScanOutput() + "\\f0000100.jpg", text = ScanOutput() + "\\f0000200.txt";
    const std::string damagedText = ScanOutput() + "\\f0000300.txt";
    CopyFileA((engines::FixturesFolder() + "\\a_small.jpg").c_str(), photo.c_str(), FALSE);
    WriteFile(text, "found text");
    WriteFile(damagedText, "cut short");
    ASSERT_TRUE(PumpUntil([&] { return PhotoPaths().size() == 1 && FileRows().size() == 2; }, 10000));
    EXPECT_EQ(List(IDC_PHOTO_LIST).GetItemText(0, 0), "");

    ASSERT_TRUE(MoveFileA(photo.c_str(), (ScanOutput() + "\\b0000100.jpg").c_str()));
    ASSERT_TRUE(DeleteFileA(text.c_str()));
    ASSERT_TRUE(MoveFileA(damagedText.c_str(), (ScanOutput() + "\\b0000300.txt").c_str()));
    ASSERT_TRUE(PumpUntil([&] { return FileNames() == std::vector<std::string>{"b0000300.txt"}; }, 10000));
    ASSERT_TRUE(PumpUntil([&] { return PhotoPaths() == std::vector<std::string>{ScanOutput() + "\\b0000100.jpg"}; }));
    EXPECT_EQ(List(IDC_PHOTO_LIST).GetItemText(0, 0), "Damaged");
    // Checked as if listed under the new name from the start: a picture
    // stays checked, a damaged piece that is no picture is not.
    EXPECT_EQ(PhotoChecks(), std::vector<bool>{true});
    EXPECT_FALSE(FileRows()[0].checked);
    ASSERT_TRUE(CancelUntilListed());
    EXPECT_EQ(PhotoPaths().size(), 1u);
    EXPECT_EQ(PhotoChecks(), std::vector<bool>{true});
}

// A read-only file, or one whose name Windows cannot open (the engine keeps
// characters such as '?' of a document's title), is never listed: once the
// engine has stopped, such files are reported, once.
TEST_F(Scan, UnreadableFilesAreReportedNotListedAndSameNamesInTwoFoldersBothAre) {
    InstallStandIn("", true);
    StartScan();
    ASSERT_TRUE(PumpUntil([&] { return FileExists(ScanOutput()); }, 10000));
    CreateDirectoryA((ScanOutput() + "\\sub").c_str(), nullptr);
    WriteFile(ScanOutput() + "\\same.txt", "one");
    WriteFile(ScanOutput() + "\\sub\\same.txt", "two");
    WriteFile(ScanOutput() + "\\locked.txt", "read only");
    SetFileAttributesA((ScanOutput() + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    CopyFileA((engines::FixturesFolder() + "\\sub\\e_nested.jpg").c_str(), (ScanOutput() + "\\SHOUT.JPG").c_str(),
              FALSE);
    // Wine shows the '?' of a Unix name as this private character, which the
    // program's ANSI calls see as a '?' again; nor can they delete the file.
    struct Unopenable {
        std::wstring path;
        ~Unopenable() { DeleteFileW(path.c_str()); }
    } odd{engines::Widen(ScanOutput()) + L"\\f0001234_Why\xF03F.doc"};
    ASSERT_TRUE(win::UniqueHandle(CreateFileW(odd.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr)));

    ASSERT_TRUE(PumpUntil([&] { return FileRows().size() >= 2 && !PhotoPaths().empty(); }, 10000));
    ASSERT_TRUE(CancelUntilListed());
    auto names = FileNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"same.txt", "same.txt"}));
    ASSERT_EQ(PhotoPaths().size(), 1u);
    EXPECT_EQ(FileNameOf(PhotoPaths()[0]), "SHOUT.JPG");
    ASSERT_EQ(m_boxes.Boxes().size(), 2u);
    EXPECT_TRUE(m_boxes.Boxes()[1].text.starts_with("2 found files could not be read and are not listed. They stay in \"" +
                                                   DataFolder() + "\"."))
        << m_boxes.Boxes()[1].text;
    EXPECT_TRUE(InResultsMode());
    SetFileAttributesA((ScanOutput() + "\\locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Scan, EngineThatFailsByItselfIsReportedThenNothingFoundLeadsBackToTheDrives) {
    InstallStandIn("", false);
    SetEnvironment("VANTREO_STANDIN_EXIT", "3");
    StartScan();
    // A failed engine has not searched the whole disk: the bar never shows it full.
    int furthest = 0;
    ASSERT_TRUE(PumpUntil([&] {
        if (Visible(IDC_PROGRESS))
            furthest = std::max(furthest, static_cast<int>(SendMessageA(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0)));
        return Visible(IDC_NEXT) && !Visible(IDC_PHOTO_LIST);
    }, 20000));
    EXPECT_EQ(furthest, 0);
    ASSERT_EQ(m_boxes.Boxes().size(), 2u);
    EXPECT_EQ(m_boxes.Boxes()[0].text.rfind("Recovery engine failed, error code: 3\n\n", 0), 0u)
        << m_boxes.Boxes()[0].text;
    EXPECT_EQ(m_boxes.Boxes()[0].caption, "Vantreo");
    EXPECT_EQ(m_boxes.Boxes()[0].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(m_boxes.Boxes()[1].text, "No files were found.");
    // The drive list is as it was: C: still chosen, so Next searches again at once.
    win::ListView drives = List(IDC_DRIVE_LIST);
    EXPECT_EQ(drives.GetItemText(drives.FirstSelected(), 0), "C:");
    EXPECT_TRUE(Visible(IDC_NEXT));
}

TEST_F(Scan, CancelAnsweredNoKeepsScanningWithTheStatusMoving) {
    InstallStandIn("", true);
    StartScan();
    m_boxes.QueueAnswer(IDNO);
    Click(IDC_RECOVER);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(IsBox(m_boxes.Boxes().front(), "Confirm",
                      "Brisca is currently analyzing disk, are you sure you want to cancel?", {IDYES, IDNO}, true));
    // Nothing is found, yet the status line shows that the search goes on.
    std::set<std::string> statusTexts;
    PumpUntil([&] {
        if (Text(IDC_STATUS).rfind("Analyzing disk, please wait", 0) == 0) statusTexts.insert(Text(IDC_STATUS));
        return statusTexts.size() >= 3;
    });
    EXPECT_GE(statusTexts.size(), 3u);
    EXPECT_EQ(Text(IDC_RECOVER), "Cancel");
    EXPECT_FALSE(InResultsMode());
}

// With found files, closing during a search asks with their count: the
// listed ones and one the engine still holds, found but not listed.
TEST_F(Scan, CloseDuringScanAnsweredNoKeepsEverythingAndYesStopsTheEngineAndDeletesTheData) {
    SetEnvironment("VANTREO_STANDIN_HOLD", "d_notes.txt");
    InstallStandIn(engines::FixturesFolder(), true);
    StartScan();
    ASSERT_TRUE(
        PumpUntil([&] { return PhotoPaths().size() == 3 && FileExists(ScanOutput() + "\\d_notes.txt"); }, 15000));
    m_boxes.QueueAnswer(IDNO);
    SendMessageA(Window(), WM_CLOSE, 0, 0);
    PumpUntil([&] { return !m_boxes.Boxes().empty(); });
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(IsBox(m_boxes.Boxes()[0], "Confirm", "4 found files have not been recovered yet. If you exit now they "
                      "are deleted.\n\nExit anyway?", {IDYES, IDNO}, true));
    EXPECT_TRUE(IsWindow(Window()));
    EXPECT_EQ(Text(IDC_RECOVER), "Cancel");

    m_boxes.QueueAnswer(IDYES);
    SendMessageA(Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(Window()); }));
    EXPECT_EQ(m_boxes.Boxes().size(), 2u);
    EXPECT_FALSE(FileExists(DataFolder()));
}

// With nothing found yet, closing during a search asks the plain question.
TEST_F(Scan, CloseInTheSameInstantAsNextLeavesNoEngineRunning) {
    InstallStandIn("", true);
    for (int attempt = 0; attempt < 20; ++attempt) {
        StartScan();
        m_boxes.QueueAnswer(IDYES);
        SendMessageA(Window(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(Window()); })) << attempt;
        ASSERT_EQ(m_boxes.Texts(), std::vector<std::string>{"Brisca is currently analyzing disk, are you sure you "
                                                            "want to exist?"}) << attempt;
        m_boxes.Clear();
        m_dialog.reset();
    }
    EXPECT_TRUE(PumpUntil([] { return testing_support::EngineProcesses(false) == 0; }))
        << testing_support::EngineProcesses(false) << " still running";
}

TEST_F(Scan, SearchBarMovesForwardAsFilesArriveAndGoesWithTheResults) {
    // Named after their start sectors; Wine reports disk 0 as about 160 million sectors.
    const std::string fixtures = m_scratch.In("sector-names");
    CreateDirectoryA(fixtures.c_str(), nullptr);
    for (const char* name : {"f010000000.txt", "f040000000.txt", "f080000000.txt", "report.xml"})
        WriteFile(fixtures + "\\" + name, "x");
    InstallStandIn(fixtures, true);
    SetEnvironment("VANTREO_STANDIN_GAP_MS", "600");
    StartScan();
    ASSERT_TRUE(Visible(IDC_PROGRESS));
    RECT client{};
    GetClientRect(Window(), &client);
    const RECT bar = Rect(IDC_PROGRESS);
    const RECT placed = workflow::ScanProgressBarRect(Rect(IDC_RECOVER), Rect(IDC_FILE_LIST), client);
    EXPECT_TRUE(EqualRect(&bar, &placed));
    for (int id : VisibleControls()) {
        RECT overlap{}, control = Rect(id);
        if (id != IDC_PROGRESS) {
            EXPECT_FALSE(IntersectRect(&overlap, &bar, &control)) << id;
        }
    }

    std::vector<int> positions;
    ASSERT_TRUE(PumpUntil([&] {
        const int position = static_cast<int>(SendMessageA(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
        if (positions.empty() || positions.back() != position) positions.push_back(position);
        return FileRows().size() == 3;  // the engine's log is no found file
    }, 15000));
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << testing::PrintToString(positions);
    EXPECT_GE(positions.size(), 3u) << testing::PrintToString(positions);
    EXPECT_GT(positions.back(), 0);

    m_boxes.QueueAnswer(IDYES);
    Click(IDC_RECOVER);
    EXPECT_TRUE(InResultsMode());
    EXPECT_FALSE(Visible(IDC_PROGRESS));
}

TEST_F(Scan, HeaderClicksSortTheFileListUpThenDown) {
    InstallStandIn("", true);
    StartScan();
    ASSERT_TRUE(PumpUntil([&] { return FileExists(ScanOutput()); }, 10000));
    WriteFile(ScanOutput() + "\\b.txt", std::string(3000, 'b'));
    WriteFile(ScanOutput() + "\\a.log", std::string(10, 'a'));
    WriteFile(ScanOutput() + "\\c.dat", std::string(2000, 'c'));
    ASSERT_TRUE(PumpUntil([&] { return FileRows().size() == 3; }, 10000));
    // Space on a row unticks it, and the tick goes with its entry through every sort.
    const auto names = FileNames();
    List(IDC_FILE_LIST).Select(static_cast<int>(std::find(names.begin(), names.end(), "a.log") - names.begin()));
    SendMessageA(Item(IDC_FILE_LIST), WM_KEYDOWN, VK_SPACE, 0);
    const auto unchecked = [&] {
        std::vector<std::string> names;
        for (const FileRow& row : FileRows())
            if (!row.checked) names.push_back(row.name);
        return names;
    };

    ClickFileListHeader(0);
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"a.log", "b.txt", "c.dat"}));
    ClickFileListHeader(0);
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"c.dat", "b.txt", "a.log"}));
    ClickFileListHeader(0);
    ClickFileListHeader(1);  // direction alternates whatever the column: size, descending
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"b.txt", "c.dat", "a.log"}));
    ClickFileListHeader(2);
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"c.dat", "a.log", "b.txt"}));
    EXPECT_EQ(unchecked(), std::vector<std::string>{"a.log"});
}

// A camera photo's embedded preview comes as a file of its own beside the
// photo; it and the engine's log are no found files of their own, and the
// clean-up after a copy takes them with the photos, also with a photo that
// could not be decoded and so is a row of the file list (no placeholder here).
TEST_F(Scan, PreviewsOfFoundPhotosAndTheEnginesLogAreNotListedAndGoWithThePhotos) {
    const std::string fixtures = m_scratch.In("camera");
    CreateDirectoryA(fixtures.c_str(), nullptr);
    const std::string jpeg = ReadFile(engines::FixturesFolder() + "\\a_small.jpg");
    // Each a picture of its own: the copy writes the same bytes only once.
    const auto named = [&](const std::string& name) {
        const std::string comment = "\xFF\xFE" + std::string(1, '\0') + static_cast<char>(name.size() + 2) + name;
        return jpeg.substr(0, 2) + comment + jpeg.substr(2);
    };
    for (const char* name : {"f0001000.jpg", "report.xml", "t0001000.jpg", "t0002000.jpg", "t0003000.jpg",
                             "b0004000.jpg", "t0004000.jpg", "t0005000.jpg"})
        WriteFile(fixtures + "\\" + name, named(name));
    WriteFile(fixtures + "\\f0003000.jpg", "no picture");
    // Cut short: our decoder finds it damaged, where the engine did not.
    const std::string photo = ReadFile(testing_support::WindowsPath(std::string(VANTREO_JPEG_CORPUS) + "/s422.jpg"));
    WriteFile(fixtures + "\\f0005000.jpg", photo.substr(0, photo.size() * 2 / 3));
    const std::string output = m_scratch.In("recovered");
    WriteFile(settings::GetProgramFolder() + "settings.ini", "savedir=" + output + "\r\n");
    InstallStandIn(fixtures, false);
    StartScan();
    ASSERT_TRUE(WaitForResults());
    std::vector<std::string> photos;
    for (const auto& path : PhotoPaths()) photos.push_back(FileNameOf(path));
    std::sort(photos.begin(), photos.end());
    // A preview whose photo was not found, or was found damaged, may be all
    // there is of that picture.
    const std::vector<std::string> listed = {"b0004000.jpg", "f0001000.jpg", "f0005000.jpg",
                                             "t0002000.jpg", "t0004000.jpg", "t0005000.jpg"};
    EXPECT_EQ(photos, listed);
    EXPECT_EQ(FileNames(), std::vector<std::string>{"f0003000.jpg"});

    m_boxes.QueueAnswer(IDNO);
    SendMessageA(Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !m_boxes.Boxes().empty(); }));
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"7 found files have not been recovered yet. If you exit now "
                                                        "they are deleted.\n\nExit anyway?"});
    m_boxes.QueueAnswer(IDNO);
    Click(IDC_RECOVER);
    ASSERT_TRUE(WaitForDriveSelection());
    std::vector<std::string> recovered = listed;
    recovered.push_back("f0003000.jpg");
    recovered.push_back("recovered.csv");
    std::sort(recovered.begin(), recovered.end());
    EXPECT_EQ(testing_support::FilesIn(output), recovered);
    // The clean-up goes on after the copy has said it finished.
    EXPECT_TRUE(PumpUntil([&] { return !FileExists(DataFolder()); }));
}

}  // namespace
