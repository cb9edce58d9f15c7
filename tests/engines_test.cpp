// The test engines, started the way the program starts the real one: the
// stand-in that writes a fixture folder, and photorec behind the forwarder.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/engines/engine_args.h"
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

// The stand-in set to write the fixtures, spending `writeMs` on each file, with no pause between files.
struct StandInWriting {
    explicit StandInWriting(const char* writeMs) : writeMs("VANTREO_STANDIN_WRITE_MS", writeMs) {}
    ScopedEnvironment fixtures{"VANTREO_STANDIN_FIXTURES", engines::FixturesFolder()}, writeMs,
        gapMs{"VANTREO_STANDIN_GAP_MS", "0"};
};

std::string Parameters(const std::string& scanDir, const std::string& options) {
    return "/d \"" + scanDir + "\" /cmd /dev/sda " + options;
}

// Starts an engine exactly as the program does: hidden, keeping the process handle.
win::UniqueHandle Launch(const std::string& file, const std::string& parameters) {
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

std::vector<std::string> SplitLikeWindows(const std::string& commandLine) {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(engines::Widen(commandLine).c_str(), &count);
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i) {
        const std::wstring wide = argv[i];
        result.emplace_back(wide.begin(), wide.end());
    }
    LocalFree(argv);
    return result;
}

// --- reading the parameter string ---

TEST(EngineParameters, QuotedArgumentsSplitBackUnchanged) {
    const std::vector<std::string> arguments = {"plain", "with blank", "C:\\dir\\", "a\\\"b", "\\\\server\\x y\\", ""};
    std::string commandLine = "prog";
    for (const auto& argument : arguments) commandLine += " " + engines::QuoteArgument(argument);
    std::vector<std::string> expected = {"prog"};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(SplitLikeWindows(commandLine), expected);
}

// --- the stand-in engine: what the window tests rely on ---

TEST(StandInEngine, LogsItsParametersWritesEveryFixtureAndExitsWithTheAskedCode) {
    ScanArea area;
    const std::string log = area.root() + "\\log.txt";
    ScopedEnvironment logEnv("VANTREO_STANDIN_LOG", log);
    const StandInWriting writing("20");

    const std::string first = Parameters(area.scanDir(), kEverything);
    const std::string second = Parameters(area.scanDir(), kJpgAndPng);
    win::UniqueHandle engine = Launch(EnginePath(EngineKind::StandIn), first);
    ASSERT_TRUE(engine);
    EXPECT_EQ(WaitForExit(engine, 30000), 0u);
    ScopedEnvironment exitCode("VANTREO_STANDIN_EXIT", "3");
    engine = Launch(EnginePath(EngineKind::StandIn), second);
    ASSERT_TRUE(engine);
    EXPECT_EQ(WaitForExit(engine, 30000), 3u);

    EXPECT_EQ(ReadFile(log), first + "\r\n" + second + "\r\n");
    EXPECT_FALSE(FileExists(area.scanDir())) << "the engine writes beside the folder it is given";
    const auto expected = FilesBelow(engines::FixturesFolder());
    ASSERT_EQ(expected.size(), 6u);
    ASSERT_EQ(expected.count("empty.dat"), 1u);
    ASSERT_EQ(expected.count("sub\\e_nested.jpg"), 1u);
    EXPECT_EQ(FilesBelow(area.output()), expected);
}

TEST(StandInEngine, HoldsEachFileUnsharedWhileWritingIt) {
    ScanArea area;
    const StandInWriting writing("2000");
    win::UniqueHandle engine = Launch(EnginePath(EngineKind::StandIn), Parameters(area.scanDir(), kEverything));
    ASSERT_TRUE(engine);

    const std::string firstFile = area.output() + "\\a_small.jpg";
    const std::string secondFile = area.output() + "\\b_small.jpg";
    ASSERT_TRUE(PumpUntil([&] { return FileExists(firstFile); }, 20000));
    EXPECT_FALSE(CanOpenExclusively(firstFile));
    ASSERT_TRUE(PumpUntil([&] { return FileExists(secondFile); }, 20000));
    EXPECT_TRUE(CanOpenExclusively(firstFile));
    EXPECT_EQ(ReadFile(firstFile), ReadFile(engines::FixturesFolder() + "\\a_small.jpg"));
    EXPECT_FALSE(CanOpenExclusively(secondFile));
    TerminateProcess(engine.get(), 0);
    WaitForExit(engine, 5000);
}

TEST(StandInEngine, HoldsTheNamedFileUntilReleasedThenHangsWhenAsked) {
    ScanArea area;
    const std::string release = area.root() + "\\release";
    const StandInWriting writing("0");
    ScopedEnvironment hold("VANTREO_STANDIN_HOLD", "c_small.png");
    ScopedEnvironment releaseEnv("VANTREO_STANDIN_RELEASE", release);
    ScopedEnvironment hang("VANTREO_STANDIN_HANG", "1");
    win::UniqueHandle engine = Launch(EnginePath(EngineKind::StandIn), Parameters(area.scanDir(), kEverything));
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

// Runs photorec on an image through the forwarder and returns what it wrote.
std::map<std::string, std::string> CarveImage(const ScanArea& area, const std::string& image,
                                              const std::string& options) {
    ScopedEnvironment disk("VANTREO_DISK_IMAGE", engines::DiskImageUnixPath(image));
    const ULONGLONG start = GetTickCount64();
    win::UniqueHandle engine = Launch(EnginePath(EngineKind::Photorec), Parameters(area.scanDir(), options));
    EXPECT_TRUE(engine);
    if (!engine) return {};
    EXPECT_EQ(WaitForExit(engine, 90000), 0u);
    std::printf("photorec on %s: %llu ms\n", image.c_str(), GetTickCount64() - start);
    return FilesBelow(area.output());
}

// Names of the originals of `image` that no found file equals byte for byte.
std::vector<std::string> MissingOriginals(const std::string& image, const std::map<std::string, std::string>& found) {
    std::vector<std::string> missing;
    for (const std::string& name : engines::DeletedFileNames(image)) {
        const std::string original = ReadFile(engines::OriginalsFolder(image) + "\\" + name);
        bool seen = false;
        for (const auto& [path, contents] : found) seen = seen || contents == original;
        if (original.empty() || !seen) missing.push_back(name);
    }
    return missing;
}

TEST(PhotorecEngine, FindsEveryDeletedFileOfAPlainImage) {
    ScanArea area;
    const auto found = CarveImage(area, "plain.img", kJpgAndPng);
    ASSERT_EQ(engines::DeletedFileNames("plain").size(), 3u);
    EXPECT_EQ(MissingOriginals("plain", found), std::vector<std::string>{});
    ASSERT_EQ(found.count("report.xml"), 1u);
    EXPECT_NE(found.at("report.xml").find("</dfxml>"), std::string::npos);
    for (const auto& [path, contents] : found)
        EXPECT_TRUE(path == "report.xml" || path.ends_with(".jpg") || path.ends_with(".png")) << path;
}

TEST(PhotorecEngine, FindsTheSecondPartitionOnlyWhenToldPartitionNone) {
    ScanArea whole;
    const auto found = CarveImage(whole, "partitioned.img", kEverything);
    ASSERT_EQ(engines::DeletedFileNames("partitioned").size(), 2u);
    EXPECT_EQ(MissingOriginals("partitioned", found), std::vector<std::string>{});
    EXPECT_EQ(found.count("report.xml"), 1u);

    // Without it photorec scans the first partition alone.
    ScanArea first;
    const auto firstOnly = CarveImage(first, "partitioned.img", "fileopt,everything,enable,search");
    EXPECT_EQ(MissingOriginals("partitioned", firstOnly), engines::DeletedFileNames("partitioned"));
    EXPECT_EQ(firstOnly.count("report.xml"), 1u);
}

// It ends at once without a disk image, and stops when the forwarder is terminated.
TEST(PhotorecEngine, EndsAtOnceWithoutADiskImageAndStopsWhenTheForwarderIsTerminated) {
    ScanArea area;
    {
        ScopedEnvironment noDisk("VANTREO_DISK_IMAGE", nullptr);
        win::UniqueHandle engine = Launch(EnginePath(EngineKind::Photorec), Parameters(area.scanDir(), kEverything));
        ASSERT_TRUE(engine);
        EXPECT_EQ(WaitForExit(engine, 20000), 2u);
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
    win::UniqueHandle engine = Launch(EnginePath(EngineKind::Photorec), Parameters(area.scanDir(), kEverything));
    ASSERT_TRUE(engine);
    ASSERT_TRUE(PumpUntil([&] { return FileExists(area.output() + "\\report.xml"); }, 20000));

    // The forwarder's work folder, in the same temp folder, goes only once photorec has ended.
    const std::string workFolders = area.root().substr(0, area.root().rfind('\\')) + "\\vantreo-photorec-" +
                                    std::to_string(GetProcessId(engine.get())) + "-*";
    const auto workFolderExists = [&] {
        WIN32_FIND_DATAA data;
        return win::FindHandle(FindFirstFileA(workFolders.c_str(), &data)).valid();
    };
    ASSERT_TRUE(workFolderExists());
    const ULONGLONG stop = GetTickCount64();
    ASSERT_TRUE(TerminateProcess(engine.get(), 0));
    EXPECT_TRUE(PumpUntil([&] { return !workFolderExists(); }, 3000));
    std::printf("photorec stopped %llu ms after the forwarder\n", GetTickCount64() - stop);
}

// --- installing an engine where the program looks for it ---

TEST(EngineInstall, InstalledEnginesRunFromTheEngineFolderAndComeOutAgain) {
    const std::string folder = engines::EngineFolder();
    ScopedEnvironment fixtures("VANTREO_STANDIN_FIXTURES", engines::FixturesFolder());
    ScopedEnvironment disk("VANTREO_DISK_IMAGE", engines::DiskImageUnixPath("plain.img"));
    for (EngineKind kind : {EngineKind::StandIn, EngineKind::Photorec}) {
        ASSERT_TRUE(engines::InstallEngine(kind));
        EXPECT_EQ(ReadFile(folder + "\\photo.exe"), ReadFile(EnginePath(kind)));
        EXPECT_TRUE(FileExists(folder + "\\cygwin1.dll"));
        EXPECT_EQ(ReadFile(folder + "\\cygwin1.dll"), "");
        EXPECT_NE(GetFileAttributesA((folder + "\\c\\cygwin").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

        ScanArea area;
        win::UniqueHandle engine = Launch(folder + "\\photo.exe", Parameters(area.scanDir(), kJpgAndPng));
        ASSERT_TRUE(engine);
        EXPECT_EQ(WaitForExit(engine, 60000), 0u);
        const auto found = FilesBelow(area.output());
        EXPECT_EQ(found.count(kind == EngineKind::StandIn ? "a_small.jpg" : "report.xml"), 1u);

        EXPECT_TRUE(engines::RemoveEngine());
        EXPECT_FALSE(FileExists(folder + "\\photo.exe"));
        EXPECT_FALSE(FileExists(folder + "\\c"));
    }
}

}  // namespace
