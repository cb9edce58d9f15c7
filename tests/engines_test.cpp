// The test engines, started the way the program starts the real one: what the
// window tests rely on of the stand-in that writes a fixture folder, and of
// photorec behind the forwarder.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/engines/engine_paths.h"
#include "tests/engines/wine_paths.h"
#include "tests/support/files.h"
#include "tests/support/pump.h"
#include "tests/support/scoped_environment.h"
#include "win/handles.h"

namespace {

using engines::EngineKind;
using engines::EnginePath;
using testing_support::CanOpenExclusively;
using testing_support::FileExists;
using testing_support::FilesBelow;
using testing_support::PumpUntil;
using testing_support::ReadFile;
using testing_support::ScopedEnvironment;
using testing_support::WriteFile;

constexpr const char* kJpgAndPng = "partition_none,options,keep_corrupted_file,fileopt,everything,disable,jpg,enable,png,enable,search";
constexpr const char* kEverything = "partition_none,options,keep_corrupted_file,fileopt,everything,enable,search";

// A scratch folder with "data" in it; the engine is pointed at data\temp, as
// the program does, and writes data\temp.1.
class ScanArea {
public:
    ScanArea() { CreateDirectoryA(data().c_str(), nullptr); }
    const std::string& root() const { return m_folder.path(); }
    std::string data() const { return m_folder.In("data"); }
    std::string scanDir() const { return data() + "\\temp"; }
    std::string output() const { return scanDir() + ".1"; }

private:
    testing_support::ScratchFolder m_folder{"engines"};
};

std::string Parameters(const std::string& scanDir, const std::string& options,
                       const std::string& device = "/dev/sda") {
    return "/d \"" + scanDir + "\" /cmd " + device + " " + options;
}

// Starts an engine exactly as the program does: hidden, keeping the process handle.
win::UniqueHandle Launch(EngineKind kind, const std::string& parameters) {
    const std::string file = EnginePath(kind);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExA(&info)) return {};
    return win::UniqueHandle(info.hProcess);
}

// The exit code, or nothing when the process is still running after `ms`.
std::optional<DWORD> WaitForExit(const win::UniqueHandle& process, DWORD ms) {
    if (WaitForSingleObject(process.get(), ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

// --- the stand-in engine ---

// Each file is held without sharing while it is written, as the real engine
// does: the window lists only files that can be opened exclusively.
TEST(StandInEngine, WritesEveryFixtureHeldWhileWrittenLogsItsParametersAndExitsWithTheAskedCode) {
    ScanArea area;
    const std::string log = area.root() + "\\log.txt";
    ScopedEnvironment logEnv("VANTREO_STANDIN_LOG", log),
        fixtures("VANTREO_STANDIN_FIXTURES", engines::FixturesFolder()), writeMs("VANTREO_STANDIN_WRITE_MS", "400"), gapMs("VANTREO_STANDIN_GAP_MS", "0"),
        exitCode("VANTREO_STANDIN_EXIT", "3");
    const std::string parameters = Parameters(area.scanDir(), kJpgAndPng);
    win::UniqueHandle engine = Launch(EngineKind::StandIn, parameters);
    ASSERT_TRUE(engine);

    const std::string first = area.output() + "\\a_small.jpg", second = area.output() + "\\b_small.jpg";
    ASSERT_TRUE(PumpUntil([&] { return FileExists(first); }, 20000));
    EXPECT_FALSE(CanOpenExclusively(first));
    ASSERT_TRUE(PumpUntil([&] { return FileExists(second); }, 20000));
    EXPECT_TRUE(CanOpenExclusively(first));
    EXPECT_EQ(WaitForExit(engine, 30000), 3u);

    EXPECT_EQ(ReadFile(log), parameters + "\r\n");
    EXPECT_FALSE(FileExists(area.scanDir())) << "the engine writes beside the folder it is given";
    const auto expected = FilesBelow(engines::FixturesFolder());
    ASSERT_EQ(expected.size(), 6u);
    ASSERT_EQ(expected.count("empty.dat"), 1u);
    ASSERT_EQ(expected.count("sub\\e_nested.jpg"), 1u);
    EXPECT_EQ(FilesBelow(area.output()), expected);
}

TEST(StandInEngine, HoldsTheNamedFileUntilReleasedThenHangsWhenAsked) {
    ScanArea area;
    const std::string release = area.root() + "\\release";
    ScopedEnvironment fixtures("VANTREO_STANDIN_FIXTURES", engines::FixturesFolder()),
        writeMs("VANTREO_STANDIN_WRITE_MS", "0"), gapMs("VANTREO_STANDIN_GAP_MS", "0"),
        hold("VANTREO_STANDIN_HOLD", "c_small.png"), releaseEnv("VANTREO_STANDIN_RELEASE", release),
        hang("VANTREO_STANDIN_HANG", "1");
    win::UniqueHandle engine = Launch(EngineKind::StandIn, Parameters(area.scanDir(), kEverything));
    ASSERT_TRUE(engine);

    // Bounded waits: these show what does not happen while the file is held.
    const std::string held = area.output() + "\\c_small.png";
    ASSERT_TRUE(PumpUntil([&] { return FileExists(held); }, 20000));
    EXPECT_FALSE(WaitForExit(engine, 500));
    EXPECT_FALSE(CanOpenExclusively(held));
    EXPECT_FALSE(FileExists(area.output() + "\\d_notes.txt"));

    WriteFile(release, "x");
    const std::string last = area.output() + "\\sub\\e_nested.jpg";
    ASSERT_TRUE(PumpUntil([&] { return FileExists(last) && CanOpenExclusively(last); }, 20000));
    EXPECT_EQ(ReadFile(held), ReadFile(engines::FixturesFolder() + "\\c_small.png"));
    EXPECT_FALSE(WaitForExit(engine, 500));
    ASSERT_TRUE(TerminateProcess(engine.get(), 7));
    EXPECT_EQ(WaitForExit(engine, 5000), 7u);
}

// --- photorec behind the forwarder ---

// photorec finds every deleted file the program's options ask for, the second
// partition only with partition_none first, and writes its log.
// A disk image named in place of the device is searched where it lies, its
// Windows path handed to photorec as its Unix path, blanks and accents included.
TEST(PhotorecForwarder, FindsEveryDeletedFileItIsAskedFor) {
    const struct {
        const char *image, *options;
        bool allFound;
        bool named;  // the image's own path as the device, instead of /dev/sda and VANTREO_DISK_IMAGE
    } rows[] = {
        {"plain", kJpgAndPng, true, false},
        {"partitioned", kEverything, true, false},
        {"partitioned", "fileopt,everything,enable,search", false, false},
        {"plain", kJpgAndPng, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.image) + " " + row.options + (row.named ? " named" : ""));
        ScanArea area;
        const std::string unixImage = engines::DiskImageUnixPath(std::string(row.image) + ".img");
        std::string device = "/dev/sda";
        if (row.named) {
            const std::string folder = area.root() + "\\camera caf\xE9";
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
            device = folder + "\\" + row.image + ".img";
            ASSERT_TRUE(CopyFileW(engines::WinePaths().ToDos(unixImage).c_str(), engines::Widen(device).c_str(), TRUE));
            device = "\"" + device + "\"";
        }
        ScopedEnvironment disk("VANTREO_DISK_IMAGE", row.named ? nullptr : unixImage.c_str());
        win::UniqueHandle engine = Launch(EngineKind::Photorec, Parameters(area.scanDir(), row.options, device));
        ASSERT_TRUE(engine);
        EXPECT_EQ(WaitForExit(engine, 90000), 0u);
        const auto found = FilesBelow(area.output());
        std::vector<std::string> missing;
        for (const std::string& name : engines::DeletedFileNames(row.image)) {
            const std::string original = ReadFile(engines::OriginalsFolder(row.image) + "\\" + name);
            bool seen = false;
            for (const auto& [path, contents] : found) seen = seen || contents == original;
            if (original.empty() || !seen) missing.push_back(name);
        }
        ASSERT_FALSE(engines::DeletedFileNames(row.image).empty());
        EXPECT_EQ(missing, row.allFound ? std::vector<std::string>{} : engines::DeletedFileNames(row.image));
        ASSERT_EQ(found.count("report.xml"), 1u);
        EXPECT_NE(found.at("report.xml").find("</dfxml>"), std::string::npos);
        if (row.options != kJpgAndPng) continue;
        for (const auto& [path, contents] : found)
            EXPECT_TRUE(path == "report.xml" || path.ends_with(".jpg") || path.ends_with(".png")) << path;
    }
}

// Cancel and closing end the engine with TerminateProcess: photorec must stop
// with the forwarder, and leave no work folder behind.
// A disk it cannot read (under Wine a drive is a folder of Linux's), or an
// image that is not there, ends it at once as the engine ends for a device it
// cannot open.
TEST(PhotorecForwarder, EndsAtOnceWithNothingItCanSearchAndStopsWhenTerminated) {
    ScanArea area;
    for (const std::string& device : {std::string("/dev/sda"), area.root() + "\\missing.img", area.root()}) {
        SCOPED_TRACE(device);
        ScopedEnvironment noDisk("VANTREO_DISK_IMAGE", nullptr);
        win::UniqueHandle engine = Launch(EngineKind::Photorec, Parameters(area.scanDir(), kEverything, device));
        ASSERT_TRUE(engine);
        EXPECT_EQ(WaitForExit(engine, 20000), 1u);
        EXPECT_FALSE(FileExists(area.output()));
    }
    // A blank sparse image large enough that photorec needs several seconds on it.
    const std::string image = area.root() + "\\blank.img";
    {
        win::UniqueHandle file(CreateFileA(image.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size{};
        size.QuadPart = 2LL << 30;
        ASSERT_TRUE(SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    ScopedEnvironment disk("VANTREO_DISK_IMAGE", engines::WinePaths().ToUnix(image));
    // photorec works in the forwarder's work folder, in the same temp folder,
    // which goes only once photorec has ended. It is told by being new:
    // process ids come round again, and a failed run keeps its folder. Its
    // findings reach the scan folder only once photorec ends, so its own log
    // tells that it runs.
    const std::string temp = area.root().substr(0, area.root().rfind('\\'));
    const auto workFolders = [&] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        win::FindHandle find(FindFirstFileA((temp + "\\vantreo-photorec-*").c_str(), &data));
        for (bool more = find.valid(); more; more = FindNextFileA(find.get(), &data)) names.push_back(data.cFileName);
        return names;
    };
    const std::vector<std::string> before = workFolders();
    win::UniqueHandle engine = Launch(EngineKind::Photorec, Parameters(area.scanDir(), kEverything));
    ASSERT_TRUE(engine);
    std::string ours;
    ASSERT_TRUE(PumpUntil([&] {
        for (const std::string& name : workFolders())
            if (std::find(before.begin(), before.end(), name) == before.end()) ours = name;
        return !ours.empty() && FileExists(temp + "\\" + ours + "\\photorec.log");
    }, 20000));
    ASSERT_FALSE(WaitForExit(engine, 0));  // still searching when terminated
    const auto oursExists = [&] { return FileExists(temp + "\\" + ours); };
    ASSERT_TRUE(TerminateProcess(engine.get(), 0));
    EXPECT_TRUE(PumpUntil([&] { return !oursExists(); }, 10000)) << ours;
}

}  // namespace
