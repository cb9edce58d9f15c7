// The watcher of the engine's data folder on its own, on real folders.
#include "workflow/data_folder_watcher.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "tests/engines/wine_paths.h"
#include "tests/support/files.h"
#include "tests/support/folder_links.h"
#include "tests/support/pump.h"
#include "win/handles.h"

namespace {

using testing_support::PumpUntil;
using testing_support::WriteFile;
using workflow::DataFolderWatcher;

struct Taken {
    std::vector<std::string> paths;
    std::vector<bool> lastWalk;

    void From(DataFolderWatcher& watcher) {
        for (const DataFolderWatcher::Found& found : watcher.TakeFound()) {
            paths.push_back(found.path);
            lastWalk.push_back(found.lastWalk);
        }
    }
    bool Has(const std::string& path) const { return std::find(paths.begin(), paths.end(), path) != paths.end(); }
};

// A file held open by someone else waits for a walk after it is released; the
// engine's log is never handed over, a read-only file is reported by the last
// walk, and every file is handed over once.
TEST(DataFolderWatcher, HandsOverEachCompleteFileOnceAndTheLastWalkReportsWhatItCannotRead) {
    const testing_support::ScratchFolder data{"watcher"};
    const std::string output = data.In("temp.1");
    CreateDirectoryA(output.c_str(), nullptr);
    for (const char* name : {"a.txt", "held.txt", "report.xml", "locked.txt"}) WriteFile(output + "\\" + name, name);
    SetFileAttributesA((output + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    win::UniqueHandle held(CreateFileA((output + "\\held.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());

    std::atomic<bool> engineRunning{true};
    Taken taken;
    {
        DataFolderWatcher watcher(data.path(), [&] { return engineRunning.load(); }, 0, 10);
        ASSERT_TRUE(PumpUntil([&] { taken.From(watcher); return taken.Has(output + "\\a.txt"); }));
        // A file written now is handed over by a later walk, which met the held file too.
        WriteFile(output + "\\later.txt", "later");
        ASSERT_TRUE(PumpUntil([&] { taken.From(watcher); return taken.Has(output + "\\later.txt"); }));
        EXPECT_FALSE(taken.Has(output + "\\held.txt"));

        held.reset();
        engineRunning = false;
        ASSERT_TRUE(PumpUntil([&] { return watcher.Finished(); }));
        taken.From(watcher);
        EXPECT_EQ(watcher.TakeUnreadable(), std::vector<std::string>{output + "\\locked.txt"});
        EXPECT_TRUE(watcher.TakeUnreadable().empty());
    }
    EXPECT_EQ(taken.paths,
              (std::vector<std::string>{output + "\\a.txt", output + "\\later.txt", output + "\\held.txt"}));
    // The held file may come from a walk just before the last.
    EXPECT_EQ(taken.lastWalk[0] || taken.lastWalk[1], false);
    SetFileAttributesA((output + "\\locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Stop, asked once the first files of a long walk have been handed over,
// ends the walk within a file: the rest is never tested or handed over.
TEST(DataFolderWatcher, StopEndsALongFirstWalkWithinAFile) {
    constexpr int kFiles = 20000;
    const testing_support::ScratchFolder data{"watcher-stop"};
    const std::string output = data.In("temp.1");
    CreateDirectoryA(output.c_str(), nullptr);
    // Made and removed from the Unix side: through Wine each file costs milliseconds.
    const std::string unixOutput = engines::WinePaths().ToUnix(output);
    ASSERT_FALSE(unixOutput.empty());
    const std::string last = output + "\\f" + std::to_string(kFiles) + ".txt";
    ASSERT_TRUE(testing_support::RunUnixUntil("Z:\\bin\\sh -c \"cd '" + unixOutput + "' && seq -f f%.0f.txt 1 " +
                                                  std::to_string(kFiles) + " | xargs touch\"",
                                              [&] { return testing_support::FileExists(last); }));
    struct RemovedFromUnix {
        const std::string& path;
        ~RemovedFromUnix() { testing_support::RemoveTreeFromUnix(path); }
    } removed{data.path()};

    Taken taken;
    DataFolderWatcher watcher(data.path(), [] { return false; }, 0, 10);
    ASSERT_TRUE(PumpUntil([&] { taken.From(watcher); return !taken.paths.empty(); }, 60000));
    watcher.Stop();
    // Nothing is handed over once Stop has returned.
    taken.From(watcher);
    EXPECT_LT(taken.paths.size(), static_cast<size_t>(kFiles));
    EXPECT_FALSE(watcher.Finished());
}

}  // namespace
