// The watcher of the engine's data folder on its own, on real folders.
#include "workflow/scan/data_folder_watcher.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>
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
    std::vector<uint64_t> sizes;
    std::vector<bool> lastWalk;

    void From(DataFolderWatcher& watcher) {
        for (const DataFolderWatcher::Found& found : watcher.TakeFound()) {
            paths.push_back(found.path);
            sizes.push_back(found.size);
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
    EXPECT_EQ(taken.sizes[0], std::string("a.txt").size());
    SetFileAttributesA((output + "\\locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

bool SetFolderTime(const std::string& folder, const FILETIME& time) {
    const win::UniqueHandle handle(CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle.valid() && SetFileTime(handle.get(), nullptr, nullptr, &time);
}

FILETIME HoursFromNow(int hours) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart += static_cast<int64_t>(hours) * 36'000'000'000;
    return FILETIME{time.LowPart, time.HighPart};
}

// A folder whose files were all handed over is left out by later walks until
// its time moves: a file slipped into it with the folder's time put back is
// found by the last walk alone. A folder whose time moved is listed again, and
// so is one whose time is not well before the walk (it may be a coarse clock's)
// unless a folder beside it has a later time over two walks: the engine has
// moved on from it.
TEST(DataFolderWatcher, AWalkLeavesOutAFolderWhoseFilesWereAllHandedOverUntilItsTimeMoves) {
    const testing_support::ScratchFolder data{"watcher-settled"};
    const FILETIME past = HoursFromNow(-1), ahead = HoursFromNow(2), overtaken = HoursFromNow(1);
    const std::pair<const char*, FILETIME> folders[] = {
        {"still", past}, {"moved", past}, {"ahead", ahead}, {"overtaken", overtaken}};
    for (const auto& [name, time] : folders) {
        CreateDirectoryA(data.In(name).c_str(), nullptr);
        WriteFile(data.In(name) + "\\a.txt", "a");
        ASSERT_TRUE(SetFolderTime(data.In(name), time)) << name;
    }
    // Slipped in by the watcher's own thread between two walks, as it asks
    // whether the engine runs, so that no walk sees a folder half changed.
    std::atomic<bool> slipIn{false}, slipFailed{false}, engineRunning{true};
    std::atomic<int> walks{0}, slippedBeforeWalk{0};
    const auto askedBeforeEachWalk = [&] {
        ++walks;
        if (slipIn.exchange(false)) {
            for (const auto& [name, time] : folders) {
                WriteFile(data.In(name) + "\\b.txt", "b");
                if (std::string(name) != "moved" && !SetFolderTime(data.In(name), time)) slipFailed = true;
            }
            slippedBeforeWalk = walks.load();
        }
        return engineRunning.load();
    };

    Taken taken;
    DataFolderWatcher watcher(data.path(), askedBeforeEachWalk, 0, 10);
    ASSERT_TRUE(PumpUntil([&] {
        taken.From(watcher);
        return taken.Has(data.In("still\\a.txt")) && taken.Has(data.In("moved\\a.txt")) &&
               taken.Has(data.In("ahead\\a.txt")) && taken.Has(data.In("overtaken\\a.txt"));
    }));
    // A walk after the one that handed everything over has ended.
    const int handedOverBy = walks;
    ASSERT_TRUE(PumpUntil([&] { return walks >= handedOverBy + 2; }));
    slipIn = true;
    // Over once the next walk is asked for.
    ASSERT_TRUE(PumpUntil([&] { return slippedBeforeWalk != 0 && walks > slippedBeforeWalk; }));
    ASSERT_FALSE(slipFailed);
    // Handed over by that walk, or by its helpers just after it.
    EXPECT_TRUE(PumpUntil([&] {
        taken.From(watcher);
        return taken.Has(data.In("moved\\b.txt")) && taken.Has(data.In("ahead\\b.txt"));
    }));
    EXPECT_FALSE(taken.Has(data.In("still\\b.txt")));
    EXPECT_FALSE(taken.Has(data.In("overtaken\\b.txt")));

    engineRunning = false;
    ASSERT_TRUE(PumpUntil([&] { return watcher.Finished(); }));
    taken.From(watcher);
    for (const char* leftOut : {"still\\b.txt", "overtaken\\b.txt"}) {
        const auto found = std::find(taken.paths.begin(), taken.paths.end(), data.In(leftOut));
        ASSERT_NE(found, taken.paths.end()) << leftOut;
        EXPECT_TRUE(taken.lastWalk[static_cast<size_t>(found - taken.paths.begin())]) << leftOut;
    }
}

// Files f1.txt to fN.txt in a new folder `temp.1` of `data`, made and removed
// from the Unix side: through Wine each file costs milliseconds.
class UnixMadeFiles {
public:
    UnixMadeFiles(const testing_support::ScratchFolder& data, int count)
        : m_data(data), m_output(data.In("temp.1")) {
        CreateDirectoryA(m_output.c_str(), nullptr);
        const std::string unixOutput = engines::WinePaths().ToUnix(m_output);
        const std::string last = Path(count);
        m_made = !unixOutput.empty() &&
                 testing_support::RunUnixUntil("Z:\\bin\\sh -c \"cd '" + unixOutput + "' && seq -f f%.0f.txt 1 " +
                                                   std::to_string(count) + " | xargs touch\"",
                                               [&] { return testing_support::FileExists(last); });
    }
    ~UnixMadeFiles() { testing_support::RemoveTreeFromUnix(m_data.path()); }
    UnixMadeFiles(const UnixMadeFiles&) = delete;
    UnixMadeFiles& operator=(const UnixMadeFiles&) = delete;

    bool Made() const { return m_made; }
    std::string Path(int number) const { return m_output + "\\f" + std::to_string(number) + ".txt"; }

private:
    const testing_support::ScratchFolder& m_data;
    const std::string m_output;
    bool m_made = false;
};

// Stop, asked once the first files of a long walk have been handed over,
// ends the walk within a file: the rest is never probed or handed over.
TEST(DataFolderWatcher, StopEndsALongFirstWalkWithinAFile) {
    constexpr int kFiles = 20000;
    const testing_support::ScratchFolder data{"watcher-stop"};
    const UnixMadeFiles files(data, kFiles);
    ASSERT_TRUE(files.Made());

    Taken taken;
    DataFolderWatcher watcher(data.path(), [] { return false; }, 0, 10);
    ASSERT_TRUE(PumpUntil([&] { taken.From(watcher); return !taken.paths.empty(); }, 60000));
    watcher.Stop();
    // Nothing is handed over once Stop has returned.
    taken.From(watcher);
    EXPECT_LT(taken.paths.size(), static_cast<size_t>(kFiles));
    EXPECT_FALSE(watcher.Finished());
}

// The engine ends while a walk still probes its files: the last walk lists
// everything meanwhile, and hands over only what that walk did not.
TEST(DataFolderWatcher, TheEngineEndingWithinAWalkHandsOverEachFileOnce) {
    constexpr int kFiles = 3000;
    const testing_support::ScratchFolder data{"watcher-ending"};
    const UnixMadeFiles files(data, kFiles);
    ASSERT_TRUE(files.Made());

    std::atomic<bool> engineRunning{true};
    Taken taken;
    {
        DataFolderWatcher watcher(data.path(), [&] { return engineRunning.load(); }, 0, 10);
        ASSERT_TRUE(PumpUntil([&] { taken.From(watcher); return !taken.paths.empty(); }, 60000));
        // Written after that walk's listing: only the last walk can find it.
        CreateDirectoryA(data.In("temp.2").c_str(), nullptr);
        WriteFile(data.In("temp.2\\last.txt"), "last");
        engineRunning = false;
        ASSERT_TRUE(PumpUntil([&] { return watcher.Finished(); }, 60000));
        taken.From(watcher);
    }
    std::vector<std::string> sorted = taken.paths;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "a file was handed over twice";
    EXPECT_EQ(sorted.size(), static_cast<size_t>(kFiles) + 1);
    EXPECT_TRUE(taken.Has(files.Path(kFiles)));
    EXPECT_TRUE(taken.Has(data.In("temp.2\\last.txt")));
}

}  // namespace
