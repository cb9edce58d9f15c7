// Choosing found files and copying them into the output folder.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/support/scan_fixture.h"
#include "win/handles.h"
#include "win/controls/list_view.h"
#include "workflow/copy/copy_messages.h"
#include "workflow/engine/app_title.h"
#include "workflow/engine/disk_warning.h"
#include "workflow/record/recovered_record.h"

namespace {

using testing_support::FileExists;
using testing_support::FilesIn;
using testing_support::FileRow;
using testing_support::PumpUntil;
using testing_support::ReadFile;
using testing_support::RemoveFolder;
using testing_support::WriteFile;

class RecoveryCopy : public testing_support::ScanTest {
protected:
    void SetUp() override {
        ScanTest::SetUp();
        WriteFile(settings::GetProgramFolder() + "settings.ini", "savedir=" + m_output + "\r\n");
    }
    // A scan of files that the test writes into the engine's folder, ended with Cancel.
    void ScanFiles(const std::vector<std::pair<std::string, std::string>>& files) {
        InstallStandIn("", true);
        StartScan();
        ASSERT_TRUE(PumpUntil([&] { return FileExists(ScanOutput()); }, 10000));
        for (const auto& [name, content] : files) WriteFile(ScanOutput() + "\\" + name, content);
        ASSERT_TRUE(PumpUntil([&] { return FileRows().size() + PhotoPaths().size() == files.size(); }, 15000));
        ASSERT_TRUE(CancelUntilListed());
        m_boxes.Clear();
    }
    void Recover(int answerToFinalQuestion = IDNO) {
        m_boxes.QueueAnswer(answerToFinalQuestion);
        Click(IDC_RECOVER);
    }
    std::vector<bool> FileChecks() const {
        std::vector<bool> checks;
        for (const FileRow& row : FileRows()) checks.push_back(row.checked);
        return checks;
    }
    // The files copied, without the copies' record (recovered.csv, recovered (2).csv, ...).
    static std::vector<std::string> CopiesIn(const std::string& folder) {
        std::vector<std::string> copies = FilesIn(folder);
        std::erase_if(copies, [](const std::string& name) { return name.starts_with("recovered") && name.ends_with(".csv"); });
        return copies;
    }
    std::string JpegBytes() const { return ReadFile(engines::FixturesFolder() + "\\a_small.jpg"); }

    std::string m_output = m_scratch.In("output");  // made by the copy
};

// A hidden picture was never offered: the copy does not copy it, and the
// clean-up after it deletes it only when the user says so; kept, it is shown
// with the filter off. The select-all link and the order act on what is
// shown, and the choices are kept for the next start. Once nothing found is
// left, Next searches the drive.
TEST_F(RecoveryCopy, HiddenSmallPicturesStayAndTheShownOnesAreCopiedInTheirOrder) {
    const auto camera = [](const char* name) {
        return ReadFile(testing_support::WindowsPath(std::string(VANTREO_SOURCE_DIR) + "/tests/corpus/jpeg-camera/" + name));
    };
    // 160 x 120; 640 x 480 without a date; 640 x 480 of 2008 and of 1999.
    ScanFiles({{"icon.jpg", JpegBytes()},
               {"undated.jpg", ReadFile(testing_support::WindowsPath(std::string(VANTREO_JPEG_CORPUS) + "/s422.jpg"))},
               {"new.jpg", camera("gps-DSCN0010.jpg")},
               {"old.jpg", camera("exif-org-kodak-dc240.jpg")}});
    const auto shownNames = [&] {
        std::vector<std::string> names;
        for (const std::string& path : PhotoPaths()) names.push_back(path.substr(path.rfind('\\') + 1));
        return names;
    };
    EXPECT_EQ(Text(IDC_PHOTOS_SHOWN), "Showing 4 of 4 pictures");
    SendMessageA(Item(IDC_HIDE_SMALL), BM_CLICK, 0, 0);
    EXPECT_EQ(Text(IDC_PHOTOS_SHOWN), "Showing 3 of 4 pictures");
    SendMessageA(Item(IDC_PHOTO_ORDER), CB_SETCURSEL, 1, 0);
    SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(IDC_PHOTO_ORDER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(IDC_PHOTO_ORDER)));
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"old.jpg", "new.jpg", "undated.jpg"}));
    Click(IDC_PHOTO_TOGGLE);
    EXPECT_EQ(PhotoChecks(), (std::vector<bool>{false, false, false}));
    Click(IDC_PHOTO_TOGGLE);

    EXPECT_EQ(ReadFile(settings::GetProgramFolder() + "settings.ini"),
              "savedir=" + m_output + "\r\nhidesmall=1\r\nphotoorder=date\r\n");

    m_boxes.QueueAnswer(IDNO);  // the final question
    m_boxes.QueueAnswer(IDNO);  // the hidden picture stays
    Click(IDC_RECOVER);
    ASSERT_TRUE(PumpUntil([&] { return m_boxes.Boxes().size() == 2 && InResultsMode(); }, 10000));
    EXPECT_EQ(m_boxes.Texts(), (std::vector<std::string>{
                                   "3 files recovered.\n\nDo you want to view recovered files?",
                                   "1 hidden picture was not recovered. Delete it with the other found files?"}));
    EXPECT_EQ(CopiesIn(m_output), (std::vector<std::string>{"new.jpg", "old.jpg", "undated.jpg"}));
    EXPECT_EQ(shownNames(), std::vector<std::string>{"icon.jpg"});
    EXPECT_EQ(PhotoChecks(), std::vector<bool>{true});
    EXPECT_TRUE(FileRows().empty());
    EXPECT_EQ(SendMessageA(Item(IDC_HIDE_SMALL), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Text(IDC_PHOTOS_SHOWN), "Showing 1 of 1 picture");
    EXPECT_EQ(ReadFile(settings::GetProgramFolder() + "settings.ini"), "savedir=" + m_output + "\r\nphotoorder=date\r\n");
    SendMessageA(Item(IDC_HIDE_SMALL), BM_CLICK, 0, 0);
    EXPECT_EQ(Text(IDC_PHOTOS_SHOWN), "The only picture found is hidden as small");
    SendMessageA(Item(IDC_HIDE_SMALL), BM_CLICK, 0, 0);

    m_boxes.Clear();
    Recover(IDNO);
    ASSERT_TRUE(WaitForDriveSelection());
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"1 file recovered.\n\nDo you want to view recovered files?"});
    EXPECT_EQ(CopiesIn(m_output), (std::vector<std::string>{"icon.jpg", "new.jpg", "old.jpg", "undated.jpg"}));
    // Each copy lists what it wrote, never over the list of the one before.
    EXPECT_EQ(ReadFile(m_output + "\\recovered (2).csv").find("icon.jpg,icon.jpg,"), workflow::RecordHead().size()) << ReadFile(m_output + "\\recovered (2).csv");
    EXPECT_NE(ReadFile(m_output + "\\recovered.csv").find("\r\nold.jpg,old.jpg,"), std::string::npos);
    m_boxes.Clear();
    SelectDrive("C:");
    Click(IDC_NEXT);
    ASSERT_TRUE(PumpUntil([&] { return FileExists(ScanOutput()); }, 10000));
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{});
    EXPECT_TRUE(PhotoPaths().empty());
    m_boxes.QueueAnswer(IDYES);
    Click(IDC_RECOVER);
    EXPECT_TRUE(WaitForResults());
}

// A photo found twice is offered once with Hide copies, the first found: the
// copy neither writes nor offers the other, whose tip says how often its
// bytes were found, and the clean-up asks about it as about a hidden picture.
TEST_F(RecoveryCopy, HideCopiesOffersEachPhotoOnceAndTheCopyIsAskedAboutAsHidden) {
    ScanFiles({{"one.jpg", JpegBytes()},
               {"two.jpg", JpegBytes()},
               {"three.jpg", ReadFile(testing_support::WindowsPath(std::string(VANTREO_JPEG_CORPUS) + "/s422.jpg"))}});
    const auto shownNames = [&] {
        std::vector<std::string> names;
        for (const std::string& path : PhotoPaths()) names.push_back(path.substr(path.rfind('\\') + 1));
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(SendMessageA(Item(IDC_HIDE_COPIES), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Text(IDC_PHOTOS_SHOWN), "Showing 3 of 3 pictures");
    SendMessageA(Item(IDC_HIDE_COPIES), BM_CLICK, 0, 0);
    EXPECT_EQ(Text(IDC_PHOTOS_SHOWN), "Showing 2 of 3 pictures");
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"one.jpg", "three.jpg"}));
    EXPECT_EQ(ReadFile(settings::GetProgramFolder() + "settings.ini"), "savedir=" + m_output + "\r\nhidecopies=1\r\n");

    m_boxes.QueueAnswer(IDNO);  // the final question
    m_boxes.QueueAnswer(IDNO);  // the hidden copy stays
    Click(IDC_RECOVER);
    ASSERT_TRUE(PumpUntil([&] { return m_boxes.Boxes().size() == 2 && InResultsMode(); }, 10000));
    EXPECT_EQ(m_boxes.Texts(), (std::vector<std::string>{
                                   "2 files recovered.\n\nDo you want to view recovered files?",
                                   "1 hidden picture was not recovered. Delete it with the other found files?"}));
    EXPECT_EQ(CopiesIn(m_output), (std::vector<std::string>{"one.jpg", "three.jpg"}));
    // Kept, it is shown with the filter off.
    EXPECT_EQ(shownNames(), std::vector<std::string>{"two.jpg"});
    EXPECT_EQ(SendMessageA(Item(IDC_HIDE_COPIES), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(ReadFile(settings::GetProgramFolder() + "settings.ini"), "savedir=" + m_output + "\r\n");
}

TEST_F(RecoveryCopy, TogglesCheckAllOrNothingNothingCheckedIsSaidAndTheCheckedAreCopiedPhotosFirst) {
    ScanFiles({{"one.jpg", JpegBytes()}, {"two.jpg", JpegBytes()}, {"a.txt", "a"}, {"b.txt", "b"}});
    ASSERT_EQ(PhotoPaths().size(), 2u);
    Click(IDC_PHOTO_TOGGLE);
    EXPECT_EQ(Text(IDC_PHOTO_TOGGLE), "Select All Photos");
    EXPECT_EQ(PhotoChecks(), (std::vector<bool>{false, false}));
    EXPECT_EQ(FileChecks(), (std::vector<bool>{true, true}));
    Click(IDC_PHOTO_TOGGLE);
    EXPECT_EQ(Text(IDC_PHOTO_TOGGLE), "Unselect All Photos");
    EXPECT_EQ(PhotoChecks(), (std::vector<bool>{true, true}));

    SetChecks(IDC_FILE_LIST, {true, false});
    Click(IDC_FILE_TOGGLE);  // acts on every entry, whatever was checked by hand
    EXPECT_EQ(Text(IDC_FILE_TOGGLE), "Select All Files");
    EXPECT_EQ(FileChecks(), (std::vector<bool>{false, false}));

    // With nothing checked, Recover says so and the results stay.
    Click(IDC_PHOTO_TOGGLE);
    Click(IDC_RECOVER);
    ASSERT_EQ(m_boxes.Texts(), std::vector<std::string>{"No files selected.\n\nPlease select files that you want to recover."});
    EXPECT_EQ(m_boxes.Boxes().front().caption, workflow::ApplicationTitle());
    EXPECT_TRUE(InResultsMode());
    EXPECT_FALSE(Visible(IDC_PROGRESS));
    Click(IDC_FILE_TOGGLE);
    EXPECT_EQ(Text(IDC_FILE_TOGGLE), "Unselect All Files");
    EXPECT_EQ(FileChecks(), (std::vector<bool>{true, true}));

    // The ticked photo and file are copied, the photo first, then the drives show; a new scan starts empty.
    m_boxes.Clear();
    SetChecks(IDC_PHOTO_LIST, {false, true});
    SetChecks(IDC_FILE_LIST, {true, false});
    const std::string tickedPhoto = PhotoPaths()[1].substr(PhotoPaths()[1].rfind('\\') + 1);
    const std::string tickedFile = FileRows()[0].name;

    Recover(IDNO);
    EXPECT_FALSE(Visible(IDC_RECOVER));
    EXPECT_TRUE(Visible(IDC_PROGRESS));
    EXPECT_TRUE(Visible(IDC_PROGRESS_TEXT));
    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }, 5000));
    EXPECT_EQ(CopiesIn(m_output), (std::vector<std::string>{tickedFile, tickedPhoto}));
    EXPECT_EQ(Text(IDC_PROGRESS_TEXT), "Recovering file 2 of 2");
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(IsBox(m_boxes.Boxes()[0], "Vantreo", "2 files recovered.\n\nDo you want to view recovered files?",
                      {IDYES, IDNO}, true));
    EXPECT_FALSE(FileExists(DataFolder()));
    EXPECT_EQ(VisibleControls(), (std::vector<int>{IDC_BROWSE, IDC_DRIVE_LIST, IDC_SAVE_FOLDER, IDC_NEXT,
                                                   IDC_SAVE_FOLDER_LABEL, IDC_DRIVE_LIST_LABEL, IDC_RELOAD,
                                                   IDC_HELP_LINK, IDC_SETTINGS_LINK}));

    // A new scan starts with empty lists.
    SelectDrive("C:");
    Click(IDC_NEXT);
    EXPECT_TRUE(PhotoPaths().empty());
    EXPECT_TRUE(FileRows().empty());
    // The thumbnails went with them: only the empty square is left.
    EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(Item(IDC_PHOTO_LIST), LVSIL_NORMAL)), 1);
    // Its engine is stopped by Cancel once it runs, not by tearing the window down while it is being launched.
    ASSERT_TRUE(PumpUntil([&] { return FileExists(ScanOutput()); }, 10000));
    m_boxes.QueueAnswer(IDYES);
    Click(IDC_RECOVER);
    EXPECT_TRUE(WaitForResults());
}

TEST_F(RecoveryCopy, CancelListsEveryFileWrittenAndRecoverPressedAtOnceCopiesThemAll) {
    constexpr size_t kFiles = 30;
    const std::string written = m_scratch.In("written-at-once");
    CreateDirectoryA(written.c_str(), nullptr);
    for (size_t i = 0; i < kFiles; ++i)
        WriteFile(written + "\\f" + std::to_string(1000000 + i) + ".txt", "file " + std::to_string(i));
    InstallStandIn(written, true);
    SetEnvironment("VANTREO_STANDIN_WRITE_MS", "0");
    SetEnvironment("VANTREO_STANDIN_GAP_MS", "0");
    StartScan();
    // Written at once, well before the first walk of the data folder (500 ms after Next).
    ASSERT_TRUE(PumpUntil([&] { return FilesIn(ScanOutput()).size() == kFiles; }, 15000));
    ASSERT_LT(FileRows().size(), kFiles);

    m_boxes.QueueAnswer(IDYES);  // Cancel
    Click(IDC_RECOVER);
    m_boxes.QueueAnswer(IDNO);   // the final question
    Click(IDC_RECOVER);         // Recover, while the last files are still being listed
    EXPECT_EQ(Text(IDC_STATUS), "Listing the last files found; the copy starts as soon as all are listed.");
    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }, 30000));
    EXPECT_EQ(FileRows().size(), kFiles);
    EXPECT_EQ(CopiesIn(m_output).size(), kFiles);
    EXPECT_EQ(m_boxes.Texts().back(), std::to_string(kFiles) + " files recovered.\n\nDo you want to view recovered files?");
}

// A file held open through Cancel (by a virus scanner, say) is reported as
// staying: closing says so, and the clean-up after a copy leaves it, since it
// was never listed.
TEST_F(RecoveryCopy, WritingOntoTheSearchedDiskIsAskedIntoTheEnginesFolderRefusedAndAFileThatStaysNotDeletedUnasked) {
    // Under Wine the drive, the data folder and the output folder all lie on disk 0.
    m_boxes.StopAnsweringSilently();
    OpenWindow();
    SelectDrive("C:");
    m_boxes.QueueAnswer(IDNO);
    Click(IDC_NEXT);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(IsBox(m_boxes.Boxes()[0], "Vantreo", workflow::kSearchOntoSearchedDiskQuestion, {IDYES, IDNO}, true));
    EXPECT_TRUE(Visible(IDC_DRIVE_LIST));
    EXPECT_FALSE(FileExists(DataFolder()));

    const std::string inside = DataFolder() + "\\mine";
    WriteFile(settings::GetProgramFolder() + "settings.ini", "savedir=" + inside + "\r\n");
    InstallStandIn("", true);
    m_boxes.QueueAnswer(IDYES);
    StartScan();
    ASSERT_TRUE(PumpUntil([&] { return FileExists(ScanOutput()); }, 10000));
    const std::string held = ScanOutput() + "\\held.txt";
    win::UniqueHandle holder(CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    WriteFile(ScanOutput() + "\\a.txt", "alpha");
    ASSERT_TRUE(PumpUntil([&] { return FileRows().size() == 1; }, 10000));
    ASSERT_TRUE(CancelUntilListed());
    ASSERT_TRUE(PumpUntil([&] { return m_boxes.Texts().size() >= 2; }));
    EXPECT_EQ(m_boxes.Texts().back(), "1 found file could not be read and is not listed. It stays in \"" + DataFolder() +
                                          "\".\n\nClose any program that may hold it open, or copy it from there yourself.");
    m_boxes.Clear();
    m_boxes.QueueAnswer(IDNO);
    SendMessageA(Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !m_boxes.Boxes().empty(); }));
    EXPECT_EQ(m_boxes.Texts(),
              std::vector<std::string>{"2 found files have not been recovered yet. If you exit now they are deleted."
                                       "\n\n1 of them could not be listed; it is in \"" + DataFolder() +
                                       "\".\n\nExit anyway?"});

    // The stored output folder lies in the data folder: refused at Recover. (Browse
    // asks the same question of the folder picked, but Wine's picker cannot be
    // made to select a folder under the hidden AppData.)
    const std::string refused = "The folder \"" + inside + "\" lies inside \"" + EngineFolder() +
                                "\", the program's working folder, which is emptied after a copy and on exit.\n\n"
                                "Please choose another folder to save recovered files.";
    m_boxes.Clear();
    Click(IDC_RECOVER);
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{refused});
    EXPECT_EQ(Text(IDC_SAVE_FOLDER), inside);
    EXPECT_FALSE(FileExists(inside));
    const testing_support::ScratchFolder chosen("output", "C:\\");
    m_output = chosen.path();
    ASSERT_TRUE(ChooseOutputFolder(m_output));

    // Writing onto the searched disk is asked first, and No leaves the results.
    m_boxes.Clear();
    m_boxes.QueueAnswer(IDNO);
    Click(IDC_RECOVER);
    ASSERT_EQ(m_boxes.Texts(), std::vector<std::string>{workflow::kCopyOntoSearchedDiskQuestion});
    EXPECT_TRUE(InResultsMode());
    EXPECT_FALSE(Visible(IDC_PROGRESS));
    EXPECT_TRUE(Visible(IDC_SAVE_FOLDER));
    EXPECT_TRUE(Visible(IDC_BROWSE));

    holder.reset();
    m_boxes.QueueAnswer(IDYES);
    Recover(IDNO);
    ASSERT_TRUE(WaitForDriveSelection());
    EXPECT_EQ(CopiesIn(m_output), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(FileExists(held));
    m_boxes.Clear();
    m_boxes.QueueAnswer(IDYES);
    CloseWindow();
    EXPECT_EQ(m_boxes.Texts(),
              std::vector<std::string>{"1 found file has not been recovered yet. If you exit now it is deleted."
                                       "\n\nIt could not be listed; it is in \"" + DataFolder() +
                                       "\".\n\nExit anyway?"});
    EXPECT_FALSE(FileExists(DataFolder()));
}

// The copy runs on a thread of its own; the window counts it as running
// until it has looked at it again, so a Cancel sent right after Recover
// comes during the copy.
TEST_F(RecoveryCopy, HeaderClickLeavesTheOrderAndClosingAsksAndGoesOnOrStopsAtAFileBoundary) {
    ScanFiles({{"h.txt", "h"}, {"g.txt", "g"}, {"f.txt", "f"}, {"e.txt", "e"}, {"d.txt", "d"}, {"c.txt", "c"},
               {"b.txt", "b"}, {"a.txt", "a"}});
    const std::vector<std::string> before = FileNames();
    // Queued first: the copy may end while the header is clicked.
    m_boxes.QueueAnswer(IDNO);  // the final question
    Click(IDC_RECOVER);
    ClickFileListHeader(0);
    EXPECT_EQ(FileNames(), before);
    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }, 10000));
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"8 files recovered.\n\nDo you want to view recovered files?"});
    EXPECT_EQ(CopiesIn(m_output).size(), 8u);

    // Closing during a copy counts the found files not copied yet; No lets
    // the copy go on to its end.
    const std::string large(3 << 20, 'x');
    std::vector<std::pair<std::string, std::string>> copying;
    // Not "b<digits>": the engine's name for a damaged piece, listed unchecked.
    for (char name = 'k'; name <= 'r'; ++name) copying.push_back({std::string(1, name) + "3.txt", large + name});
    m_boxes.Clear();
    ScanFiles(copying);
    m_boxes.QueueAnswer(IDNO);  // closing
    m_boxes.QueueAnswer(IDNO);  // the final question
    Click(IDC_RECOVER);
    SendMessageA(Window(), WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }, 20000));
    ASSERT_EQ(m_boxes.Boxes().size(), 2u);
    const std::string& question = m_boxes.Boxes()[0].text;
    const unsigned long count = std::stoul(question);
    EXPECT_TRUE(count >= 1 && count <= 8) << question;
    EXPECT_TRUE(IsBox(m_boxes.Boxes()[0], "Confirm", std::to_string(count) + (count == 1 ? " found file has" : " found files have") +
                      " not been recovered yet. If you exit now " + (count == 1 ? "it is" : "they are") +
                      " deleted.\n\nExit anyway?", {IDYES, IDNO}, true));
    EXPECT_EQ(m_boxes.Boxes()[1].text, "8 files recovered.\n\nDo you want to view recovered files?");
    EXPECT_EQ(CopiesIn(m_output).size(), 16u);

    // Yes: the copy stops at a file boundary, wherever it is; every file it
    // leaves is whole and under its own name, and the found files are deleted.
    std::vector<std::pair<std::string, std::string>> found;
    for (char name = 'a'; name <= 'h'; ++name) found.push_back({std::string(1, name) + "2.txt", large + name});
    m_boxes.Clear();
    ScanFiles(found);
    m_boxes.QueueAnswer(IDYES);
    Click(IDC_RECOVER);
    SendMessageA(Window(), WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(Window()); }));
    ASSERT_GE(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].caption, "Confirm");
    for (const std::string& name : CopiesIn(m_output)) {
        if (name.size() == 5) continue;  // the first copy's
        ASSERT_EQ(name.size(), 6u) << name;
        EXPECT_EQ(ReadFile(m_output + "\\" + name), large + name[0]) << name;
    }
    EXPECT_FALSE(FileExists(DataFolder()));
}

TEST_F(RecoveryCopy, CopiesThatFailOrStopGoBackToTheResultsWithWhatIsLeftCheckedAndTheFolderToChange) {
    ScanFiles({{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}});
    const auto rows = FileRows();
    // Held open without sharing, the file cannot be read for the copy.
    win::UniqueHandle locked(CreateFileA((ScanOutput() + "\\" + rows[1].name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                         0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locked.valid());
    workflow::FailureCounts held{};
    held[static_cast<size_t>(workflow::CopyFailure::Unreadable)] = 1;
    m_boxes.QueueAnswer(IDOK);  // the failure report comes before the final question
    Recover(IDNO);
    ASSERT_TRUE(PumpUntil([&] { return m_boxes.Boxes().size() >= 2; }, 5000));
    ASSERT_EQ(m_boxes.Boxes().size(), 2u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, workflow::FailureReport(held, m_output));
    EXPECT_EQ(m_boxes.Boxes()[1].text, "2 files recovered.\n\nDo you want to view recovered files?");
    EXPECT_TRUE(InResultsMode());
    EXPECT_FALSE(Visible(IDC_PROGRESS));
    EXPECT_EQ(FileChecks(), (std::vector<bool>{false, true, false}));

    // A folder whose parent is missing is refused before anything is copied; the ticks stay.
    const testing_support::ScratchFolder missing("missing", "C:\\");
    const std::string folder = missing.path() + "\\deeper";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(ChooseOutputFolder(folder));
    RemoveFolder(missing.path());
    SetChecks(IDC_FILE_LIST, {true, true, true});
    locked.reset();
    m_boxes.Clear();
    Click(IDC_RECOVER);
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"Output directory \"" + folder + "\" does not exists."});
    EXPECT_EQ(m_boxes.Boxes().front().caption, "Vantreo");
    EXPECT_TRUE(InResultsMode());
    EXPECT_FALSE(Visible(IDC_PROGRESS));
    EXPECT_EQ(FileChecks(), (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(FileExists(ScanOutput() + "\\" + rows[1].name));

    // Another folder can be chosen without leaving the results, and nothing covers another control.
    ASSERT_TRUE(Visible(IDC_SAVE_FOLDER) && Visible(IDC_BROWSE));
    for (int id : {IDC_SAVE_FOLDER, IDC_BROWSE}) {
        for (int other : VisibleControls()) {
            RECT overlap{}, a = Rect(id), b = Rect(other);
            if (other != id) {
                EXPECT_FALSE(IntersectRect(&overlap, &a, &b)) << id << " covers " << other;
            }
        }
    }
    // The copy has stopped; b.txt is still only in the data folder, and closing would delete it.
    m_boxes.Clear();
    m_boxes.QueueAnswer(IDNO);
    SendMessageA(Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !m_boxes.Boxes().empty(); }));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(IsBox(m_boxes.Boxes()[0], "Confirm", "1 found file has not been recovered yet. If you exit now it "
                      "is deleted.\n\nExit anyway?", {IDYES, IDNO}, true));
    EXPECT_TRUE(InResultsMode());
    m_boxes.QueueAnswer(IDYES);
    CloseWindow();
    EXPECT_FALSE(FileExists(DataFolder()));
}

}  // namespace
