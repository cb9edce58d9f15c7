// Copying ticked entries into the output folder, on real files.
#include "workflow/recovery_copy.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <map>

#include "tests/support/files.h"
#include "tests/support/folder_links.h"
#include "win/handles.h"
#include "workflow/copy_names.h"
#include "workflow/folder_tree.h"

namespace {

using Files = std::map<std::string, std::string>;  // path below a folder -> content
using workflow::CopyOutcome;

struct CopyCase {
    const char* what;
    // Ticked entries in list order, path below the data folder -> content; an entry's item index is its place
    // here, and entries below "photos\\" are photo-list entries.
    std::vector<std::pair<std::string, std::string>> found;
    Files before;          // the output folder exists only when it holds these
    std::string vanished;  // a found file deleted before the copy
    std::string held;      // a found file held open without sharing
    std::string appears;   // a destination taken right after it was found free
    std::string link;      // a found file or folder replaced by a link to one elsewhere before the copy
    std::string folder = "output";
    Files after;                            // the output folder at the end
    std::vector<std::vector<int>> outcome;  // copied photos, copied files, failed photos, failed files
    bool stops = false;                     // the output folder cannot be made
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
    {.what = "a folder whose parent is missing stops the copy", .found = {{"a.txt", "a"}},
     .folder = "missing\\output", .outcome = {{}, {}, {}, {}}, .stops = true},
};

struct Recorder : workflow::RecoveryCopy::Report {
    void OnCopyProgress(int, int) override {}
    void OnCopyStopped(const std::string& message, const CopyOutcome&) override { stopped = message; }
    void OnCopyFinished(const CopyOutcome& result, const std::string& report) override {
        finished = true;
        outcome = result;
        failureReport = report;
    }
    std::string stopped, failureReport;
    bool finished = false;
    CopyOutcome outcome;
};

TEST(RecoveryCopyOnFiles, CopiesEachTickedFileAtMostOnceAndNeverOverAnother) {
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
            (path.starts_with("photos\\") ? photos : files).push_back({static_cast<int>(i), source});
        }
        if (!row.before.empty()) CreateDirectoryA(output.c_str(), nullptr);
        for (const auto& [name, content] : row.before) testing_support::WriteFile(output + "\\" + name, content);
        if (!row.vanished.empty()) DeleteFileA((data + "\\" + row.vanished).c_str());
        win::UniqueHandle held;
        if (!row.held.empty())
            held.reset(CreateFileA((data + "\\" + row.held).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        // What the link points to: the same names, other contents.
        const std::string elsewhere = scratch.In("elsewhere");
        if (!row.link.empty()) {
            for (const auto& [path, content] : row.found) {
                std::filesystem::create_directories(std::filesystem::path(elsewhere + "\\" + path).parent_path());
                testing_support::WriteFile(elsewhere + "\\" + path, "elsewhere");
            }
            if (!testing_support::SwapForLink(data + "\\" + row.link, elsewhere + "\\" + row.link))
                GTEST_SKIP() << "no link can be made here";
        }
        bool appeared = false;
        const auto nameTaken = [&](const std::string& path) {
            if (appeared || row.appears.empty() || path != output + "\\" + row.appears) return workflow::PathExists(path);
            testing_support::WriteFile(path, "appeared");
            return !(appeared = true);
        };

        Recorder report;
        const std::string kept = files.empty() ? photos.front().source : files.front().source;
        workflow::RecoveryCopy copy(report, [&](const std::string& path) { return path != kept; }, nameTaken);
        copy.Start(photos, files, output, data);
        for (int step = 0; copy.Running() && step < 20; ++step) copy.Step();
        EXPECT_FALSE(copy.Running());
        EXPECT_EQ(testing_support::FilesBelow(output), row.after);
        const CopyOutcome& o = report.outcome;
        EXPECT_EQ((std::vector<std::vector<int>>{o.copiedPhotos, o.copiedFiles, o.failedPhotos, o.failedFiles}), row.outcome);
        EXPECT_EQ(report.finished, !row.stops);
        EXPECT_EQ(report.stopped, row.stops ? "Output directory \"" + output + "\" does not exists." : "");
        EXPECT_EQ(report.failureReport.empty(), o.FailedCount() == 0);

        // The clean-up deletes the found files it may and leaves the others,
        // and nothing a link points to.
        held.reset();
        copy.CleanUpFoundFiles(data);
        if (!row.link.empty()) {
            for (const auto& [path, content] : row.found)
                EXPECT_EQ(testing_support::ReadFile(elsewhere + "\\" + path), "elsewhere") << path;
            continue;
        }
        EXPECT_EQ(testing_support::FilesBelow(data), (Files{{kept.substr(data.size() + 1), row.found.front().second}}));
    }
}

TEST(CopyNames, JoinWithOneBackslashAndNumberANameWithoutExtensionWhole) {
    const auto taken = [](const std::string& path) { return path == "D:\\notes" || path == "D:\\.hidden"; };
    EXPECT_EQ(workflow::NextFreeDestination("D:\\out\\", "f.jpg", taken), "D:\\out\\f.jpg");
    EXPECT_EQ(workflow::NextFreeDestination("D:", "notes", taken), "D:\\notes (2)");
    EXPECT_EQ(workflow::NextFreeDestination("D:", ".hidden", taken), "D:\\.hidden (2)");
}

}  // namespace
