// A recovery session driven without a window: files an earlier search left
// in the data folder are listed, checked, copied and closed on, and the close
// question and the clean-ups are read from what the session asks and what is
// left on disk.
//
// The session's header comes first: it stands without the platform's.
#include "workflow/session/recovery_session.h"
#ifdef _WINDOWS_
#error "the session's header brings in windows.h"
#endif

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/engines/engine_paths.h"
#include "tests/support/files.h"
#include "win/handles.h"
#include "workflow/engine/disk_warning.h"

namespace {

using testing_support::FileExists;
using testing_support::FilesIn;
using testing_support::ReadFile;
using testing_support::RemoveFolder;
using testing_support::WriteFile;
using workflow::Mark;
using workflow::Screen;
using workflow::SessionTimer;

class SessionView : public workflow::RecoverySession::View {
public:
    void GoTo(Screen screen) override { screens.push_back(screen); }
    void Tell(const std::string& text, const std::string&, Mark) override { told.push_back(text); }
    bool Ask(const std::string& text, const std::string&, Mark) override {
        asked.push_back(text);
        if (duringAsk) std::exchange(duringAsk, nullptr)();
        // Writing onto the searched disk is always allowed here: every folder is on C:.
        return text == workflow::kCopyOntoSearchedDiskQuestion || answerYes;
    }
    void TellFromEngine(const std::string& text) override { told.push_back(text); }
    bool RunTimer(SessionTimer timer, unsigned periodMs) override {
        (timer == SessionTimer::Listing ? listing : copying) = periodMs != 0;
        return true;
    }
    void WakeCopy() override { woken = true; }
    bool HoldThumbnail(workflow::FoundPhoto&, const workflow::ThumbnailImage&) override { return true; }
    void EntriesAdded(bool, bool) override {}
    void DrawEntries() override {}
    void PhotoRowChanged(int) override {}
    void FileRowChanged(int) override {}
    void PhotoRowRemoved(int) override {}
    void FileRowRemoved(int) override {}
    void ChecksChanged() override {}
    void EntriesForgotten() override {}
    void PhotoViewChanged() override { ++photoViewChanges; }
    void ShowStatus(const std::string&) override {}
    void ShowSearchProgress(double) override {}
    void ShowCopyProgress(int, int) override {}
    void OpenFolder(const std::string&) override {}
    void OfferOtherFolder() override {}

    Screen Now() const { return screens.empty() ? Screen::Loading : screens.back(); }

    std::vector<Screen> screens;
    std::vector<std::string> told, asked;
    bool answerYes = false;
    // Runs once while the next question is up, as the window's timers would.
    std::function<void()> duringAsk;
    bool listing = false, copying = false;
    int photoViewChanges = 0;
    std::atomic<bool> woken{false};
};

std::string DataFolder() { return workflow::RecoverySession::EngineFolder() + "\\data"; }
std::string Left() { return DataFolder() + "\\temp.1\\"; }

std::string CloseQuestion(int count, int staying = 0) {
    std::string text = count == 1 ? "1 found file has not been recovered yet. If you exit now it is deleted."
                                  : std::to_string(count) +
                                        " found files have not been recovered yet. If you exit now they are deleted.";
    if (staying == 1)
        text += "\n\n" + std::string(count == 1 ? "It" : "1 of them") + " could not be listed; it is in \"" +
                DataFolder() + "\".";
    return text + "\n\nExit anyway?";
}

class RecoverySessionRules : public ::testing::Test {
protected:
    void SetUp() override { RemoveFolder(workflow::RecoverySession::EngineFolder()); }
    void TearDown() override { RemoveFolder(workflow::RecoverySession::EngineFolder()); }

    static void MakeLeftoverFolder() {
        const std::string engine = workflow::RecoverySession::EngineFolder();
        for (const std::string& folder :
             {engine.substr(0, engine.rfind('\\')), engine, DataFolder(), DataFolder() + "\\temp.1"})
            CreateDirectoryA(folder.c_str(), nullptr);
    }
    // Next on C: with files left in the data folder: they are listed instead of a search.
    void ShowLeftovers() {
        m_session.ListDrives();
        m_session.Search("C:");
        ASSERT_EQ(m_view.Now(), Screen::Analysing) << testing::PrintToString(m_view.told);
    }
    // Runs the session's timers, as the window's would come, until `done`.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        while (!done()) {
            if (GetTickCount64() > end) return false;
            if (m_view.listing) m_session.OnListingTick();
            if (m_view.copying || m_view.woken.exchange(false)) m_session.OnCopyTick();
            Sleep(5);
        }
        return true;
    }
    bool Listed() {
        return RunUntil([&] { return m_view.Now() != Screen::Analysing; });
    }
    // Checks the file rows whose names are in `names`, and no photo unless `photos`.
    void CheckOnly(const std::vector<std::string>& names, bool photos = false) {
        m_session.CheckAllPhotos(photos);
        m_session.CheckAllFiles(false);
        const auto& rows = m_session.FileRows();
        for (int i = 0; i < rows.Count(); ++i)
            for (const std::string& name : names)
                if (rows.At(i)->name == name) m_session.CheckFiles({i});
    }
    bool Copied() {
        m_view.screens.clear();
        m_session.Recover(m_output.path());
        return RunUntil([&] { return !m_session.Copying() && m_view.Now() != Screen::Recovering; });
    }
    // The close question, or none, and what Close said.
    std::pair<std::vector<std::string>, bool> Close(bool yes) {
        m_view.asked.clear();
        m_view.answerYes = yes;
        const bool closed = m_session.Close();
        return {m_view.asked, closed};
    }

    testing_support::ScratchFolder m_output{"session-output"};
    SessionView m_view;
    workflow::RecoverySession m_session{m_view};
};

// Every kind of found file in the count: not looked at yet, listed, staying,
// copied (not counted) and failed; No keeps every file, Yes deletes the data folder.
TEST_F(RecoverySessionRules, CloseCountsEveryFoundFileNotCopiedAndNoKeepsThemAll) {
    EXPECT_EQ(Close(false), std::make_pair(std::vector<std::string>{}, true));  // nothing found yet: nothing asked
    MakeLeftoverFolder();
    for (const char* name : {"f0000001.txt", "f0000002.txt", "f0000003.txt", "f0000004.txt"})
        WriteFile(Left() + name, name);
    // Held without sharing from the start, it can never be listed: it stays.
    win::UniqueHandle unreadable(CreateFileA((Left() + "f0000005.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(unreadable.valid());
    ShowLeftovers();

    // Closed before a tick: nothing is listed yet, every file is counted.
    EXPECT_EQ(Close(false), std::make_pair(std::vector<std::string>{CloseQuestion(5)}, false));

    ASSERT_TRUE(Listed());
    EXPECT_EQ(m_view.Now(), Screen::Results);
    ASSERT_EQ(m_session.FileRows().Count(), 4);
    EXPECT_EQ(Close(false).first, std::vector<std::string>{CloseQuestion(5, 1)});

    // One copied, one that fails (held open when its turn comes), two not checked.
    win::UniqueHandle failing(
        CreateFileA((Left() + "f0000002.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(failing.valid());
    CheckOnly({"f0000001.txt", "f0000002.txt"});
    ASSERT_TRUE(Copied());
    EXPECT_EQ(m_view.Now(), Screen::Results);  // back to the results, with the failed one checked
    EXPECT_EQ(FilesIn(m_output.path()), std::vector<std::string>{"f0000001.txt"});
    EXPECT_EQ(m_session.FileRows().CheckedCount(), 1);
    EXPECT_EQ(Close(false).first, std::vector<std::string>{CloseQuestion(4, 1)});
    EXPECT_EQ(FilesIn(Left()).size(), 5u);  // a copy that failed deletes nothing

    failing.reset();
    unreadable.reset();
    EXPECT_EQ(Close(true), std::make_pair(std::vector<std::string>{CloseQuestion(4, 1)}, true));
    EXPECT_FALSE(FileExists(DataFolder()));
    EXPECT_EQ(ReadFile(m_output.path() + "\\f0000001.txt"), "f0000001.txt");
}

// After a copy of every listed file the clean-up deletes what it copied and
// what was listed unchecked, never a file that could not be listed; a photo
// hidden as small goes only when the user says so, and otherwise stays,
// shown, in the results. Closing then asks about just what is left.
TEST_F(RecoverySessionRules, CleanUpAfterACopyDeletesHiddenPicturesOnlyWhenTheUserSaysSo) {
    for (const bool deleteHidden : {false, true}) {
        SCOPED_TRACE(deleteHidden ? "Yes" : "No");
        RemoveFolder(m_output.path());
        MakeLeftoverFolder();
        WriteFile(Left() + "f0000001.txt", "alpha");
        WriteFile(Left() + "f0000004.txt", "unchecked");
        WriteFile(Left() + "f0000002.jpg", ReadFile(engines::FixturesFolder() + "\\a_small.jpg"));
        win::UniqueHandle unreadable(CreateFileA((Left() + "f0000003.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        workflow::PhotoView small;
        small.hideSmall = true;
        m_session.SetPhotoView(small);
        ShowLeftovers();
        ASSERT_TRUE(Listed());
        ASSERT_EQ(m_session.FoundPhotoCount(), 1u);
        ASSERT_EQ(m_session.PhotoRows().Count(), 0);  // hidden: smaller than a photo
        CheckOnly({"f0000001.txt"}, true);
        m_view.answerYes = deleteHidden;
        m_view.asked.clear();
        ASSERT_TRUE(Copied());
        std::erase(m_view.asked, std::string(workflow::kCopyOntoSearchedDiskQuestion));
        EXPECT_EQ(m_view.asked, (std::vector<std::string>{"1 file recovered.\n\nDo you want to view recovered files?",
                                                          "1 hidden picture was not recovered. Delete it with the "
                                                          "other found files?"}));
        EXPECT_EQ(FilesIn(m_output.path()), std::vector<std::string>{"f0000001.txt"});
        // The clean-up goes on after the copy has said it finished.
        const std::vector<std::string> left = deleteHidden ? std::vector<std::string>{"f0000003.txt"}
                                                           : std::vector<std::string>{"f0000002.jpg", "f0000003.txt"};
        ASSERT_TRUE(RunUntil([&] {
            std::vector<std::string> now = FilesIn(Left());
            std::sort(now.begin(), now.end());
            return now == left;
        })) << testing::PrintToString(FilesIn(Left()));
        unreadable.reset();
        if (deleteHidden) {
            EXPECT_EQ(m_view.Now(), Screen::Drives);
        } else {
            // Shown, with the filter off, and the only entry left.
            EXPECT_EQ(m_view.Now(), Screen::Results);
            EXPECT_EQ(m_view.photoViewChanges, 1);
            EXPECT_FALSE(m_session.GetPhotoView().hideSmall);
            EXPECT_EQ(m_session.PhotoRows().Count(), 1);
            EXPECT_EQ(m_session.FileRows().Count(), 0);
        }
        m_view.photoViewChanges = 0;
        EXPECT_EQ(Close(true), std::make_pair(std::vector<std::string>{CloseQuestion(deleteHidden ? 1 : 2, 1)}, true));
        EXPECT_FALSE(FileExists(DataFolder()));
    }
}

// The copy's end is said once the close question is answered, never on top of it.
TEST_F(RecoverySessionRules, ACopyEndingWhileTheCloseQuestionIsUpIsSaidAfterIt) {
    MakeLeftoverFolder();
    for (const char* name : {"f0000001.txt", "f0000002.txt", "f0000003.txt"}) WriteFile(Left() + name, name);
    ShowLeftovers();
    ASSERT_TRUE(Listed());
    CheckOnly({"f0000001.txt", "f0000002.txt"});
    m_session.Recover(m_output.path());
    m_view.duringAsk = [&] {
        RunUntil([&] { return FilesIn(m_output.path()).size() == 2; });
        for (int tick = 0; tick < 20; ++tick, Sleep(5)) m_session.OnCopyTick();
    };
    EXPECT_FALSE(Close(false).second);
    EXPECT_EQ(m_view.asked.size(), 1u) << testing::PrintToString(m_view.asked);
    ASSERT_TRUE(RunUntil([&] { return m_view.Now() == Screen::Drives; }));
    EXPECT_EQ(m_view.asked.back(), "2 files recovered.\n\nDo you want to view recovered files?");
}

}  // namespace
