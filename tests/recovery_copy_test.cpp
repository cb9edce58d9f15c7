// Copying checked entries into the output folder, on real files.
#include "workflow/copy/recovery_copy.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <map>
#include <variant>

#include "tests/support/files.h"
#include "tests/support/folder_links.h"
#include "win/handles.h"
#include "workflow/files/copy_names.h"
#include "workflow/files/folder_tree.h"

namespace {

using Files = std::map<std::string, std::string>;  // path below a folder -> content
using workflow::CopyOutcome;

// How the copy ended: reported finished or stopped, ended by the owner
// without a report, or refused before it began.
enum class End { Finished, Stopped, Declined, Refused };

struct CopyCase {
    const char* what;
    // Checked entries in list order, path below the data folder -> content; an entry's item index is its place
    // here, and entries below "photos\\" are photo-list entries.
    std::vector<std::pair<std::string, std::string>> found;
    Files before;          // the output folder exists only when it holds these
    std::string vanished;  // a found file deleted before the copy
    std::string held;      // a found file held open without sharing
    std::string appears;   // a destination taken right after it was found free
    std::string link;      // a found file or folder replaced by a link to one elsewhere before the copy
    std::string folder = "output";
    bool folderIsLink = false;   // the output folder is a link to a folder elsewhere
    std::string stopAtNaming;    // the copy is told to stop when this copy, all written, is about to be named
    std::string sparse4GiB;      // a found file made 4 GiB long (sparse)
    std::string fileSystem;      // the destination's file system, when not the real one's
    int roomForFiles = -1;       // the destination has room for this many of the found files, when not -1
    bool copyWhatFits = true;    // the answer when asked
    std::vector<bool> asked = {false, false};  // told of files too large, asked about room
    Files after;                               // the output folder at the end
    std::vector<std::vector<int>> outcome;     // copied photos, copied files, failed photos, failed files
    End end = End::Finished;
};

const CopyCase kCases[] = {
    {.what = "same names never replace each other or an earlier file, and photos go first",
     .found = {{"same.txt", "file"}, {"photos\\same.txt", "photo"}}, .before = {{"same.txt", "last time"}},
     .after = {{"same (2).txt", "photo"}, {"same (3).txt", "file"}, {"same.txt", "last time"}},
     .outcome = {{1}, {0}, {}, {}}},
    {.what = "a name taken between its choice and the copy is not overwritten", .found = {{"a.txt", "alpha"}},
     .appears = "a.txt", .after = {{"a (2).txt", "alpha"}, {"a.txt", "appeared"}}, .outcome = {{}, {0}, {}, {}}},
    {.what = "a vanished source is skipped and not counted; the missing last level of the folder is made",
     .found = {{"a.txt", "alpha"}, {"b.txt", "beta"}}, .vanished = "b.txt", .after = {{"a.txt", "alpha"}},
     .outcome = {{}, {0}, {}, {}}},
    {.what = "a source held open fails and the others are copied",
     .found = {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}}, .held = "b.txt",
     .after = {{"a.txt", "a"}, {"c.txt", "c"}}, .outcome = {{}, {0, 2}, {}, {1}}},
    {.what = "a found file that has become a link is not copied", .found = {{"a.txt", "a"}, {"b.txt", "b"}},
     .link = "b.txt", .after = {{"a.txt", "a"}}, .outcome = {{}, {0}, {}, {1}}},
    {.what = "a found file below a folder that has become a link is not copied",
     .found = {{"a.txt", "a"}, {"sub\\c.txt", "c"}}, .link = "sub", .after = {{"a.txt", "a"}},
     .outcome = {{}, {0}, {}, {1}}},
    {.what = "a folder whose parent is missing is refused before anything is copied", .found = {{"a.txt", "a"}},
     .folder = "missing\\output", .outcome = {{}, {}, {}, {}}, .end = End::Refused},
    {.what = "an output folder that is a link is refused and nothing is written where it points",
     .found = {{"a.txt", "a"}}, .folderIsLink = true, .outcome = {{}, {}, {}, {}}, .end = End::Refused},
    {.what = "a copy stopped when all written leaves no partial file and the files after it are not copied",
     .found = {{"a.txt", "a"}, {"b.txt", std::string(3 << 20, 'b')}, {"c.txt", "c"}}, .stopAtNaming = "b.txt",
     .after = {{"a.txt", "a"}}, .outcome = {{}, {0}, {}, {}}, .end = End::Stopped},
    {.what = "without room for all, the user is asked and only what fits is copied, in order",
     .found = {{"a.txt", "a"}, {"photos\\p.txt", "p"}, {"b.txt", "b"}}, .roomForFiles = 2,
     .asked = {false, true}, .after = {{"p.txt", "p"}, {"a.txt", "a"}}, .outcome = {{1}, {0}, {}, {2}}},
    {.what = "without room for all, No copies nothing", .found = {{"a.txt", "a"}, {"b.txt", "b"}},
     .roomForFiles = 1, .copyWhatFits = false, .asked = {false, true}, .outcome = {{}, {}, {}, {}},
     .end = End::Declined},
    {.what = "a file of 4 GiB is not copied to FAT32, it is named, and the rest is copied",
     .found = {{"a.txt", "a"}, {"big.mov", "big"}, {"b.txt", "b"}}, .sparse4GiB = "big.mov", .fileSystem = "FAT32",
     .asked = {true, false}, .after = {{"a.txt", "a"}, {"b.txt", "b"}}, .outcome = {{}, {0, 2}, {}, {1}}},
};

struct Recorder : workflow::RecoveryCopy::Report {
    void OnCopyProgress(int position, int) override { positions.push_back(position); }
    void OnDestinationShort(const std::string& tooLargeText, const std::string& question) override {
        tooLarge = tooLargeText;
        roomQuestion = question;
        asked = true;
    }
    void OnCopyStopped(const std::string& message, const CopyOutcome& soFar) override {
        stopped = true;
        stopMessage = message;
        outcome = soFar;
    }
    void OnCopyFinished(const CopyOutcome& result, const std::string& report) override {
        finished = true;
        outcome = result;
        failureReport = report;
    }
    std::vector<int> positions;
    std::string tooLarge, roomQuestion, stopMessage, failureReport;
    bool asked = false, stopped = false, finished = false;
    CopyOutcome outcome;
};

// The copy is looked at as the window looks at it, until it has ended.
bool RunToEnd(workflow::RecoveryCopy& copy, Recorder& report, bool copyWhatFits) {
    for (ULONGLONG deadline = GetTickCount64() + 30000; copy.Running() && GetTickCount64() < deadline; Sleep(5)) {
        const bool askedBefore = report.asked;
        copy.Poll();
        if (report.asked && !askedBefore) copyWhatFits ? copy.Continue() : copy.Stop();
    }
    return !copy.Running();
}

bool MakeSparse4GiB(const std::string& path) {
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = int64_t{1} << 32;
    return file && SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
}

TEST(RecoveryCopyOnFiles, CopiesEachCheckedFileAtMostOnceNeverOverAnotherAndNeverHalfWritten) {
    for (const CopyCase& row : kCases) {
        SCOPED_TRACE(row.what);
        testing_support::ScratchFolder scratch("copy");
        const std::string data = scratch.In("data"), output = scratch.In(row.folder);
        std::vector<workflow::CopyEntry> photos, files;
        for (size_t i = 0; i < row.found.size(); ++i) {
            const auto& [path, content] = row.found[i];
            const std::string source = data + "\\" + path;
            std::filesystem::create_directories(std::filesystem::path(source).parent_path());
            testing_support::WriteFile(source, content);
            // Photos carry no size: the copy reads it.
            const bool photo = path.starts_with("photos\\");
            (photo ? photos : files)
                .push_back({static_cast<int>(i), source, photo ? std::nullopt : std::optional<uint64_t>(content.size())});
        }
        if (!row.sparse4GiB.empty()) {
            ASSERT_TRUE(MakeSparse4GiB(data + "\\" + row.sparse4GiB));
            for (auto& entry : files)
                if (entry.source.ends_with(row.sparse4GiB)) entry.size = uint64_t{1} << 32;
        }
        if (!row.before.empty()) CreateDirectoryA(output.c_str(), nullptr);
        for (const auto& [name, content] : row.before) testing_support::WriteFile(output + "\\" + name, content);
        if (!row.vanished.empty()) DeleteFileA((data + "\\" + row.vanished).c_str());
        win::UniqueHandle held;
        if (!row.held.empty())
            held.reset(CreateFileA((data + "\\" + row.held).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        // What a link points to: the same names, other contents.
        const std::string elsewhere = scratch.In("elsewhere");
        if (!row.link.empty()) {
            for (const auto& [path, content] : row.found) {
                std::filesystem::create_directories(std::filesystem::path(elsewhere + "\\" + path).parent_path());
                testing_support::WriteFile(elsewhere + "\\" + path, "elsewhere");
            }
            if (!testing_support::SwapForLink(data + "\\" + row.link, elsewhere + "\\" + row.link))
                GTEST_SKIP() << "no link can be made here";
        }
        if (row.folderIsLink) {
            CreateDirectoryA(elsewhere.c_str(), nullptr);
            if (!testing_support::MakeFolderLink(output, elsewhere)) GTEST_SKIP() << "no link can be made here";
        }

        Recorder report;
        const std::string kept = files.empty() ? photos.front().source : files.front().source;
        std::unique_ptr<workflow::RecoveryCopy> copy;
        bool appeared = false;
        const auto nameTaken = [&](const std::string& path) {
            if (!row.stopAtNaming.empty() && path == output + "\\" + row.stopAtNaming) copy->RequestStop();
            // Names are otherwise found taken by trying them.
            if (appeared || row.appears.empty() || path != output + "\\" + row.appears) return false;
            testing_support::WriteFile(path, "appeared");
            return !(appeared = true);
        };
        copy = std::make_unique<workflow::RecoveryCopy>(
            report, [&](const std::string& path) { return path != kept; }, nullptr, nameTaken);

        std::variant<workflow::CopyDestination, std::string> destination = workflow::OpenCopyDestination(output);
        if (auto* opened = std::get_if<workflow::CopyDestination>(&destination)) {
            workflow::DestinationRoom& room = opened->room;
            if (!row.fileSystem.empty()) room.fileSystem = row.fileSystem;
            if (row.roomForFiles >= 0)
                room.freeBytes = workflow::kRoomMarginBytes +
                                 row.roomForFiles * (std::max<uint64_t>(room.clusterBytes, 1) + workflow::kBytesPerFileEntry);
            copy->Start(photos, files, std::move(*opened), data, true);
            ASSERT_TRUE(RunToEnd(*copy, report, row.copyWhatFits));
        }
        EXPECT_EQ(std::holds_alternative<std::string>(destination), row.end == End::Refused);
        if (row.end == End::Refused) {
            const std::string refusal = std::get<std::string>(destination);
            EXPECT_EQ(refusal.rfind(row.folderIsLink ? "The folder \"" + output + "\" is a link"
                                                     : "Output directory \"" + output + "\" does not exists.",
                                    0),
                      0u)
                << refusal;
            EXPECT_TRUE(testing_support::FilesBelow(elsewhere).empty());
        }
        EXPECT_EQ(testing_support::FilesBelow(output), row.after);
        const CopyOutcome& o = report.outcome;
        EXPECT_EQ((std::vector<std::vector<int>>{o.copiedPhotos, o.copiedFiles, o.failedPhotos, o.failedFiles}), row.outcome);
        EXPECT_EQ(report.finished, row.end == End::Finished);
        EXPECT_EQ(report.stopped, row.end == End::Stopped);
        EXPECT_EQ(report.stopMessage, "");
        EXPECT_EQ(report.failureReport.empty(), o.FailedCount() == 0);
        EXPECT_EQ((std::vector<bool>{!report.tooLarge.empty(), !report.roomQuestion.empty()}), row.asked);
        if (!row.sparse4GiB.empty()) EXPECT_NE(report.tooLarge.find(row.sparse4GiB), std::string::npos) << report.tooLarge;
        EXPECT_TRUE(std::is_sorted(report.positions.begin(), report.positions.end()));
        if (row.end == End::Refused) continue;

        // The clean-up deletes the found files it may and leaves the others,
        // and nothing a link points to. The copy runs it itself only when
        // nothing failed.
        EXPECT_EQ(o.cleansUp, report.finished && o.FailedCount() == 0);
        copy->Stop();
        held.reset();
        if (!o.cleansUp) copy->CleanUpFoundFiles(data);
        if (!row.link.empty()) {
            for (const auto& [path, content] : row.found)
                EXPECT_EQ(testing_support::ReadFile(elsewhere + "\\" + path), "elsewhere") << path;
            continue;
        }
        EXPECT_EQ(testing_support::FilesBelow(data), (Files{{kept.substr(data.size() + 1), row.found.front().second}}));
    }
}

TEST(CopyDestination, FatHoldsNoFileOf4GiBAndWhatFitsIsTakenInOrder) {
    constexpr uint64_t k4GiB = uint64_t{1} << 32;
    EXPECT_TRUE(workflow::FileSystemHolds("FAT32", k4GiB - 1));
    for (const char* fat : {"FAT32", "FAT", "fat16"}) EXPECT_FALSE(workflow::FileSystemHolds(fat, k4GiB)) << fat;
    for (const char* other : {"NTFS", "exFAT", "ReFS", ""}) EXPECT_TRUE(workflow::FileSystemHolds(other, k4GiB)) << other;

    // Each file takes whole clusters and an entry; the file of three clusters
    // no longer fits, the 10-byte one after it does.
    const uint64_t each = 4096 + workflow::kBytesPerFileEntry;
    const workflow::DestinationRoom room{workflow::kRoomMarginBytes + 2 * each, 4096, "FAT32"};
    const workflow::DestinationCheck check = workflow::CheckDestination({4096, k4GiB, 12000, 10}, room);
    EXPECT_EQ(check.tooLarge, std::vector<size_t>{1});
    EXPECT_EQ(check.leftOut, (std::vector<size_t>{1, 2}));
    EXPECT_EQ(check.needed, workflow::kRoomMarginBytes + 4 * each);
    EXPECT_EQ(check.fitting, 2u);
    EXPECT_FALSE(check.TakesAll());
    EXPECT_EQ(workflow::NameList({"a", "b", "c", "d"}, 2), "a, b and 2 more");
    EXPECT_EQ(workflow::NameList({"a", "b", "c"}), "a, b and c");
}

TEST(CopyNames, JoinWithOneBackslashAndNumberANameWithoutExtensionWhole) {
    const auto taken = [](const std::string& path) { return path == "D:\\notes" || path == "D:\\.hidden"; };
    EXPECT_EQ(workflow::NextFreeDestination("D:\\out\\", "f.jpg", taken), "D:\\out\\f.jpg");
    EXPECT_EQ(workflow::NextFreeDestination("D:", "notes", taken), "D:\\notes (2)");
    EXPECT_EQ(workflow::NextFreeDestination("D:", ".hidden", taken), "D:\\.hidden (2)");
}

}  // namespace
