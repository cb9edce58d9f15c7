// Walks, renames and deletes on real folder trees made under the temp folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/folder_links.h"
#include "win/handles.h"
#include "workflow/files/extension_shift.h"
#include "workflow/files/folder_tree.h"

namespace {

using namespace workflow;
using testing_support::FileExists;
using testing_support::MakeFolderLink;
using testing_support::SwapForLink;

void MakeFile(const std::string& path, const std::string& content = "x") {
    testing_support::WriteFile(path, content);
    ASSERT_TRUE(FileExists(path)) << path;
}

void MakeFolder(const std::string& path) { ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path; }

// The files a walk visits, sorted.
std::vector<std::string> WalkedFiles(const std::string& folder, const TooLongVisit& tooLong = {}) {
    std::vector<std::string> files;
    const auto collect = [&](const FolderEntry& file) {
        files.push_back(file.path);
        return true;
    };
    ForEachFileBelow(folder, collect, tooLong);
    std::sort(files.begin(), files.end());
    return files;
}

class FolderTree : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFolder(m_tree);
        MakeFolder(m_outside);
    }
    std::string In(const std::string& relative) const { return m_tree + "\\" + relative; }
    // Folders (names ending in a backslash) and files in the tree, in order.
    void Make(std::initializer_list<std::string> entries) const {
        for (const std::string& entry : entries) {
            if (entry.back() == '\\') MakeFolder(In(entry.substr(0, entry.size() - 1)));
            else MakeFile(In(entry));
        }
    }
    std::string Outside(const std::string& relative) const { return m_outside + "\\" + relative; }

    testing_support::ScratchFolder m_base{"tree"};
    std::string m_tree = m_base.In("tree"), m_outside = m_base.In("outside");
};

TEST(SearchPattern, AddsTheWildcardOnce) {
    for (const char* folder : {"C:\\data", "C:\\data\\", "C:\\data\\*.*"})
        EXPECT_EQ(SearchPattern(folder), "C:\\data\\*.*") << folder;
    EXPECT_EQ(SearchPattern("C:\\"), "C:\\*.*");
}

// The output folder is checked this way against the engine's folder.
TEST(SameOrInside, HoweverEitherIsSpelledAndOnlyAtAFolderBoundary) {
    const struct {
        const char *path, *folder;
        bool inside;
    } rows[] = {
        {"C:\\eng\\data\\x", "C:\\eng", true},   {"c:\\ENG\\", "C:\\eng", true},
        {"C:\\eng", "C:\\eng\\", true},           {"C:\\x\\..\\eng\\.\\data", "C:\\eng", true},
        {"C:/eng/data", "C:\\eng", true},          {"C:\\engine", "C:\\eng", false},
        {"C:\\", "C:\\eng", false},                {"C:", "C:\\eng", false},
        {"D:\\eng", "C:\\eng", false},             {"", "C:\\eng", false},
    };
    for (const auto& row : rows) EXPECT_EQ(IsSameOrInside(row.path, row.folder), row.inside) << row.path;
}

TEST(ShiftedExtension, EachCodeGoesDownByOneExcept127) {
    const std::pair<std::string, std::string> shifts[] = {{"kqh", "jpg"},     {"B", "A"},       {"\x7f", "\x80"},
                                                          {"\x80", "\x7f"}, {"\xff", "\xfe"}, {"", ""}};
    for (const auto& [from, to] : shifts) EXPECT_EQ(ShiftedExtension(from), to) << from;
}

TEST(WalkableFolder, DecidedByTheListedAttributesAlone) {
    EXPECT_TRUE(IsWalkableFolder(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(IsWalkableFolder(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(IsWalkableFolder(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_FALSE(IsWalkableFolder(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(IsWalkableFolder(FILE_ATTRIBUTE_NORMAL));
    WIN32_FIND_DATAA entry{};
    entry.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    EXPECT_TRUE(IsWalkableFolder(entry));
    entry.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_FALSE(IsWalkableFolder(entry));

    FolderEntry link{"x", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE};
    EXPECT_TRUE(link.IsLink());
    EXPECT_FALSE(link.IsFile());
    EXPECT_FALSE(link.IsFolder());
}

TEST_F(FolderTree, IsFolderForFoldersOnlyAndTreeHasFileOnlyWithAFileSomewhereBelow) {
    Make({"empty\\", "a\\", "a\\b\\", "a\\b\\c\\", "d\\"});
    EXPECT_TRUE(IsFolder(m_tree));
    EXPECT_TRUE(IsFolder(m_tree + "\\"));
    EXPECT_TRUE(IsFolder(In("empty")));
    EXPECT_FALSE(IsFolder(In("missing")));
    EXPECT_FALSE(IsFolder(""));

    EXPECT_FALSE(TreeHasFile(m_tree));
    EXPECT_FALSE(TreeHasFile(In("missing")));
    EXPECT_FALSE(TreeHasFile(""));
    Make({"a\\b\\c\\f0001.jpg"});
    EXPECT_FALSE(IsFolder(In("a\\b\\c\\f0001.jpg")));
    EXPECT_TRUE(TreeHasFile(m_tree));
    EXPECT_TRUE(TreeHasFile(m_tree + "\\"));
    EXPECT_FALSE(TreeHasFile(In("d")));
}

TEST_F(FolderTree, ForEachFileBelowVisitsEveryFileDepthFirst) {
    Make({"a\\", "a\\b\\"});
    MakeFile(In("top.jpg"), "12345");
    Make({"a\\mid.png", "a\\b\\low.txt"});
    EXPECT_EQ(WalkedFiles(m_tree), (std::vector<std::string>{In("a\\b\\low.txt"), In("a\\mid.png"), In("top.jpg")}));
    int64_t topSize = -1;
    EXPECT_TRUE(ForEachFileBelow(m_tree, [&](const FolderEntry& file) {
        if (file.path == In("top.jpg")) topSize = file.size;
        return true;
    }));
    EXPECT_EQ(topSize, 5);

    int visited = 0;
    EXPECT_FALSE(ForEachFileBelow(m_tree, [&](const FolderEntry&) { return ++visited < 2; }));
    EXPECT_EQ(visited, 2);
}

// Another program lists the found files as the program walks them (xcopy, dir
// and Explorer list through FindFirstFile), but cannot move a folder away.
TEST_F(FolderTree, AFolderBeingWalkedCanBeListedButNotRenamedByOthers) {
    Make({"a\\", "a\\b\\", "a\\b\\low.txt"});
    int visited = 0;
    ForEachFileBelow(m_tree, [&](const FolderEntry&) {
        ++visited;
        for (const std::string& folder : {m_tree, In("a"), In("a\\b")}) {
            WIN32_FIND_DATAA found;
            const win::FindHandle listing(FindFirstFileA((folder + "\\*").c_str(), &found));
            EXPECT_TRUE(listing.valid()) << folder << " error " << GetLastError();
        }
        EXPECT_FALSE(MoveFileA(In("a\\b").c_str(), In("moved").c_str()));
        return true;
    });
    EXPECT_EQ(visited, 1);
    RemoveTree(m_tree, false);
    EXPECT_FALSE(FileExists(In("a")));
}

TEST_F(FolderTree, RemoveTreeLeavesAReadOnlyFileWithItsFoldersAndRemovesTheFolderOnlyWhenAsked) {
    Make({"keep\\", "keep\\deep\\", "gone\\", "gone\\deeper\\", "keep\\deep\\locked.jpg", "keep\\deep\\other.jpg",
          "keep\\sibling.png", "gone\\deeper\\a.jpg", "top.txt"});
    ASSERT_TRUE(SetFileAttributesA(In("keep\\deep\\locked.jpg").c_str(), FILE_ATTRIBUTE_READONLY));

    RemoveTree(m_tree, true);

    EXPECT_TRUE(FileExists(In("keep\\deep\\locked.jpg")));
    for (const std::string& folder : {In("keep\\deep"), In("keep"), m_tree}) EXPECT_TRUE(IsFolder(folder)) << folder;
    for (const char* gone : {"keep\\deep\\other.jpg", "keep\\sibling.png", "gone", "top.txt"})
        EXPECT_FALSE(FileExists(In(gone))) << gone;
    SetFileAttributesA(In("keep\\deep\\locked.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);

    // Entries of a large folder are deleted while its listing is still open.
    Make({"sub\\", "sub\\a.jpg"});
    for (int i = 0; i < 600; ++i) MakeFile(In(std::to_string(i) + ".jpg"));
    RemoveTree(m_tree, false);
    EXPECT_TRUE(IsFolder(m_tree));
    EXPECT_FALSE(TreeHasFile(m_tree));
    EXPECT_FALSE(FileExists(In("sub")));
    EXPECT_FALSE(FileExists(In("keep")));

    // A folder someone else holds in a way that shares no deleting keeps only itself.
    Make({"held\\", "held\\a.jpg"});
    {
        const win::UniqueHandle holder(CreateFileA(In("held").c_str(), DELETE | FILE_LIST_DIRECTORY,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(holder.valid());
        RemoveTree(m_tree, false);
        EXPECT_FALSE(FileExists(In("held\\a.jpg")));
    }
    RemoveTree(m_tree, true);
    EXPECT_FALSE(FileExists(m_tree));
    EXPECT_TRUE(FileExists(m_outside));
}

// Only a name that becomes one the engine writes is shifted back; whatever the
// engine wrote itself, of any type, keeps its name, and so do names whose shift
// is no engine type, "]" (it would shift to a backslash and move the file into
// another folder) and a file without a dot in its own name.
TEST_F(FolderTree, ShiftGivesBackOnlyNamesThatBecomeTheEnginesOwn) {
    Make({"sub\\", "sub\\deeper\\", "dir.v2\\"});
    const std::pair<std::string, std::string> before_after[] = {
        {"f1.kqh", "f1.jpg"}, {"sub\\f2.B", "sub\\f2.A"}, {"sub\\deeper\\f4.gif.qoh", "sub\\deeper\\f4.gif.png"},
        {"shifted.uyu", "shifted.txt"}, {"f0000001.ogg", "f0000001.ogg"}, {"f0000002.mkv", "f0000002.mkv"},
        {"f0000003.deb", "f0000003.deb"}, {"F0000004.CR2", "F0000004.CR2"}, {"f0002048.fat", "f0002048.fat"},
        {"unknown.zzz", "unknown.zzz"}, {"sub\\deeper\\f5.\x7f", "sub\\deeper\\f5.\x7f"}, {"x.]", "x.]"},
        {"dir.v2\\plain", "dir.v2\\plain"}, {"noext", "noext"}};
    for (const auto& [before, after] : before_after) MakeFile(In(before));

    EXPECT_EQ(ShiftExtensionsDown(m_tree), std::nullopt);

    for (const auto& [before, after] : before_after) {
        EXPECT_TRUE(FileExists(In(after))) << before;
        if (before != after) EXPECT_FALSE(FileExists(In(before))) << before;
    }
    EXPECT_TRUE(IsFolder(In("dir.v2")));
}

// Each file is renamed once. A folder of the new name blocks a.kqh whatever the
// listing order. A failed rename leaves that file; the others are still shifted,
// so no walk leaves a tree half shifted for a second walk to shift again.
TEST_F(FolderTree, ShiftRenamesEachFileOnceAndAFailedRenameLeavesThatFileAndTheWalkGoesOn) {
    constexpr int kFiles = 500;
    for (int i = 0; i < kFiles; ++i) MakeFile(In(std::to_string(i) + ".kqh"));
    EXPECT_EQ(ShiftExtensionsDown(m_tree), std::nullopt);
    const std::vector<std::string> files = WalkedFiles(m_tree);
    EXPECT_EQ(files.size(), static_cast<size_t>(kFiles));
    for (const std::string& file : files) EXPECT_EQ(file.substr(file.rfind('.') + 1), "jpg") << file;

    MakeFolder(In("a.jpg"));
    for (const char* name : {"a.kqh", "b.kqh", "c.kqh", "d.kqh", "e.kqh"}) MakeFile(In(name));
    EXPECT_EQ(ShiftExtensionsDown(m_tree), In("a.kqh"));
    EXPECT_TRUE(FileExists(In("a.kqh")));
    for (const char* name : {"b", "c", "d", "e"}) {
        EXPECT_TRUE(FileExists(In(std::string(name) + ".jpg"))) << name;
        EXPECT_FALSE(FileExists(In(std::string(name) + ".kqh"))) << name;
    }
}

// A full path of 259 characters fits the platform's limit, one of 260 does not.
// Only the walk that asks for them is told of entries out of reach, a folder
// too long to be listed among them; every other walk leaves them alone.
TEST_F(FolderTree, EntriesTooLongForThePlatformLimitAreLeftAloneOrHandedOver) {
    std::string folder = m_tree;
    while (folder.size() < 200) {
        folder += "\\" + std::string(20, 'd');
        MakeFolder(folder);
    }
    const auto pathOfLength = [&](size_t length) {
        return folder + "\\" + std::string(length - folder.size() - 5, 'n') + ".kqh";
    };
    const auto wide = [](const std::string& path) { return L"\\\\?\\" + std::wstring(path.begin(), path.end()); };
    const std::string fits = pathOfLength(259), tooLong = pathOfLength(260), longFolder = pathOfLength(262) + "d";
    MakeFile(fits);
    ASSERT_TRUE(CreateDirectoryW(wide(longFolder).c_str(), nullptr));
    for (const std::string& path : {tooLong, longFolder + "\\inner.jpg"}) {
        HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }

    EXPECT_EQ(WalkedFiles(m_tree), std::vector<std::string>{fits});
    std::vector<std::string> outOfReach;
    EXPECT_EQ(WalkedFiles(m_tree, [&](const FolderEntry& entry) { outOfReach.push_back(entry.path); }),
              std::vector<std::string>{fits});
    std::sort(outOfReach.begin(), outOfReach.end());
    EXPECT_EQ(outOfReach, (std::vector<std::string>{tooLong, longFolder}));

    EXPECT_EQ(ShiftExtensionsDown(m_tree), std::nullopt);
    EXPECT_TRUE(FileExists(fits.substr(0, fits.size() - 3) + "jpg"));
    EXPECT_NE(GetFileAttributesW(wide(tooLong).c_str()), INVALID_FILE_ATTRIBUTES);
    for (const std::string& path : {tooLong, longFolder + "\\inner.jpg"}) DeleteFileW(wide(path).c_str());
    RemoveDirectoryW(wide(longFolder).c_str());
}

class FolderTreeLinks : public FolderTree {
protected:
    void SetUp() override {
        FolderTree::SetUp();
        MakeFolder(Outside("deep"));
        MakeFile(Outside("precious.kqh"));
        MakeFile(Outside("deep\\photo.kqh"));
        MakeFolder(m_base.In("empty_outside"));
        if (!MakeFolderLink(In("link"), m_outside) || !MakeFolderLink(In("empty_link"), m_base.In("empty_outside")))
            GTEST_SKIP() << "no directory link can be made here";
    }
    void ExpectOutsideUntouched() {
        EXPECT_TRUE(FileExists(Outside("precious.kqh")));
        EXPECT_TRUE(FileExists(Outside("deep\\photo.kqh")));
        EXPECT_TRUE(IsFolder(m_base.In("empty_outside")));
    }
};

TEST_F(FolderTreeLinks, ALinkIsNoFolderHoldsNoFileOfTheTreeAndNothingIsRenamedThroughIt) {
    EXPECT_FALSE(IsFolder(In("link")));
    EXPECT_FALSE(TreeHasFile(m_tree));
    EXPECT_FALSE(TreeHasFile(In("link")));
    EXPECT_TRUE(WalkedFiles(m_tree).empty());

    MakeFile(In("mine.kqh"));
    EXPECT_EQ(ShiftExtensionsDown(m_tree), std::nullopt);
    EXPECT_EQ(ShiftExtensionsDown(In("link")), std::nullopt);
    EXPECT_TRUE(FileExists(In("mine.jpg")));
    ExpectOutsideUntouched();
    EXPECT_FALSE(FileExists(Outside("precious.jpg")));
}

TEST_F(FolderTreeLinks, RemoveTreeNeverDeletesThroughALink) {
    Make({"sub\\", "sub\\mine.jpg", "top.jpg"});
    RemoveTree(m_tree, true);
    ExpectOutsideUntouched();
    EXPECT_FALSE(FileExists(In("sub")));
    EXPECT_FALSE(FileExists(In("top.jpg")));
}

// A link in place of a file or folder, there before the walk or put there
// while the walk is under way, is deleted itself or left; what it points to stays.
TEST_F(FolderTreeLinks, RemoveTreeNeverDeletesThroughALinkSwappedInDuringTheWalk) {
    // Among many files, those of a folder go on several threads.
    enum class Swap { FileBeforeTheWalk, FileAboutToGo, FolderNotYetEntered, FileAboutToGoAmongMany };
    for (const Swap swap :
         {Swap::FileBeforeTheWalk, Swap::FileAboutToGo, Swap::FolderNotYetEntered, Swap::FileAboutToGoAmongMany}) {
        SCOPED_TRACE(static_cast<int>(swap));
        MakeFile(Outside("precious.kqh"));
        MakeFile(Outside("deep\\photo.kqh"));
        Make({"a\\", "a\\x.jpg", "b\\", "b\\y.jpg"});
        if (swap == Swap::FileAboutToGoAmongMany)
            for (int i = 0; i < 200; ++i) MakeFile(In("a\\many" + std::to_string(i) + ".jpg"));
        if (swap == Swap::FileBeforeTheWalk) {
            ASSERT_TRUE(SwapForLink(In("b\\y.jpg"), Outside("precious.kqh")));
        }
        bool swapped = false;
        RemoveTree(m_tree, true, [&](const std::string& path) {
            if (swapped || swap == Swap::FileBeforeTheWalk) return true;
            if (swap == Swap::FileAboutToGoAmongMany && !path.starts_with(In("a\\"))) return true;
            swapped = true;
            // Asked about the first file of one folder: the other is listed but not yet entered.
            const std::string other = In(path.starts_with(In("a\\")) ? "b" : "a");
            EXPECT_TRUE(swap == Swap::FolderNotYetEntered ? SwapForLink(other, m_outside)
                                                          : SwapForLink(path, Outside("precious.kqh")));
            return true;
        });
        ExpectOutsideUntouched();
        testing_support::RemoveTreeFromUnix(m_tree);
        MakeFolder(m_tree);
    }
}

// A folder swapped for a link after its listing showed it a folder, as the
// walk is about to enter it, is not entered: the walk opens it through the
// handle of the folder above, its last part not followed.
TEST_F(FolderTreeLinks, WalkNeverEntersAFolderSwappedForALinkAsItIsEntered) {
    Make({"a\\", "a\\x.jpg"});
    std::vector<std::string> files;
    ForEachFileBelow(
        m_tree,
        [&](const FolderEntry& file) {
            files.push_back(file.path);
            return true;
        },
        {},
        [&](const FolderEntry& folder) {
            EXPECT_TRUE(SwapForLink(folder.path, m_outside)) << folder.path;
            return true;
        });
    EXPECT_TRUE(files.empty()) << files.front();
    ExpectOutsideUntouched();
}

// The work folders are reached from the top one folder at a time: a link at
// any level stops the way there, is named, and nothing is made behind it.
TEST_F(FolderTreeLinks, FoldersOpenedFromTheTopStopAtALinkAtEveryLevel) {
    const std::string data = In("p\\q\\data");
    for (const char* linked : {"", "p", "p\\q", "p\\q\\data"}) {
        SCOPED_TRACE(linked);
        Make({"p\\", "p\\q\\", "p\\q\\data\\"});
        if (*linked) ASSERT_TRUE(SwapForLink(In(linked), m_outside));
        std::string link = "unset";
        const std::optional<win::HeldFolder> held = OpenHeldBelow(m_tree, data, true, &link);
        EXPECT_EQ(held.has_value(), !*linked);
        EXPECT_EQ(link, *linked ? In(linked) : "");
        EXPECT_FALSE(FileExists(Outside("q")));
        EXPECT_FALSE(FileExists(Outside("data")));
        ExpectOutsideUntouched();
        testing_support::RemoveTreeFromUnix(In("p"));
    }
    // Made where missing, one level after the other.
    std::string link;
    EXPECT_TRUE(OpenHeldBelow(m_tree, data, true, &link).has_value());
    EXPECT_TRUE(IsFolder(data));
    EXPECT_FALSE(OpenHeldBelow(m_tree, m_base.In("elsewhere"), true).has_value());
}

TEST_F(FolderTreeLinks, RemoveTreeOnALinkLeavesItsTarget) {
    RemoveTree(In("link"), true);
    RemoveTree(In("empty_link"), true);
    ExpectOutsideUntouched();
}

}  // namespace
