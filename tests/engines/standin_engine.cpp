// A stand-in for the carving engine: takes the same parameter string, "finds"
// the files of a fixture folder by writing them into "<scan dir>.1" the way the
// real engine writes what it carves (one file at a time, held open without
// sharing while it is written), and can be told to hold a file or to hang.
//
// Environment (all optional):
//   VANTREO_STANDIN_LOG       file to which the parameter string is appended as one line
//   VANTREO_STANDIN_FIXTURES  folder whose files (sub-folders too, in name order) are written
//   VANTREO_STANDIN_WRITE_MS  time spent writing each file, in chunks (default 100)
//   VANTREO_STANDIN_GAP_MS    pause between two files (default 50)
//   VANTREO_STANDIN_HOLD      name of a file kept open after writing it ...
//   VANTREO_STANDIN_RELEASE   ... until this file exists
//   VANTREO_STANDIN_HANG      "1": sleep after the last file until terminated
//   VANTREO_STANDIN_EXIT      exit code of a normal exit (default 0)
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/engines/engine_args.h"
#include "tests/engines/environment.h"
#include "win/handles.h"

namespace {

struct Options {
    std::string log;
    std::string fixtures;
    DWORD writeMs = 100;
    DWORD gapMs = 50;
    std::string hold;
    std::string release;
    bool hang = false;
    DWORD exitCode = 0;
};

DWORD EnvNumber(const char* name, DWORD fallback) {
    const std::string text = engines::EnvironmentValue(name);
    if (text.empty()) return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    return *end == '\0' ? static_cast<DWORD>(value) : fallback;
}

Options ReadOptions() {
    Options options;
    options.log = engines::EnvironmentValue("VANTREO_STANDIN_LOG");
    options.fixtures = engines::EnvironmentValue("VANTREO_STANDIN_FIXTURES");
    options.writeMs = EnvNumber("VANTREO_STANDIN_WRITE_MS", 100);
    options.gapMs = EnvNumber("VANTREO_STANDIN_GAP_MS", 50);
    options.hold = engines::EnvironmentValue("VANTREO_STANDIN_HOLD");
    options.release = engines::EnvironmentValue("VANTREO_STANDIN_RELEASE");
    options.hang = engines::EnvironmentValue("VANTREO_STANDIN_HANG") == "1";
    options.exitCode = EnvNumber("VANTREO_STANDIN_EXIT", 0);
    return options;
}

[[noreturn]] void SleepForever() {
    for (;;) Sleep(INFINITE);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20));
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

void AppendLine(const std::string& path, const std::string& line) {
    // Several runs may share one log, so append and let others read meanwhile.
    win::UniqueHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    const std::string text = line + "\r\n";
    WriteAll(file.get(), text.data(), text.size());
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return false;
    contents.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < contents.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, 1 << 20));
        if (!ReadFile(file.get(), contents.data() + done, chunk, &read, nullptr) || read == 0) return false;
        done += read;
    }
    return true;
}

struct Entry {
    std::string name;
    bool folder;
};

std::vector<Entry> ListSorted(const std::string& folder) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAA data;
    win::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find.valid()) return entries;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find.get(), &data));
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

class Writer {
public:
    explicit Writer(const Options& options) : options_(options) {}

    void CopyFolder(const std::string& from, const std::string& to) {
        for (const Entry& entry : ListSorted(from)) {
            const std::string source = from + "\\" + entry.name;
            const std::string target = to + "\\" + entry.name;
            if (entry.folder) {
                CreateDirectoryA(target.c_str(), nullptr);
                CopyFolder(source, target);
            } else {
                WriteOneFile(source, target, entry.name);
            }
        }
    }

private:
    void WriteOneFile(const std::string& source, const std::string& target, const std::string& name) {
        std::string contents;
        if (!ReadWholeFile(source, contents)) return;
        if (!first_) Sleep(options_.gapMs);
        first_ = false;

        // No sharing while the file is written: whoever watches the folder can
        // only open it once it is complete.
        win::UniqueHandle file(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        constexpr std::size_t kChunks = 4;
        const std::size_t chunkSize = (contents.size() + kChunks - 1) / kChunks;
        for (std::size_t i = 0; i < kChunks; ++i) {
            const std::size_t begin = std::min(contents.size(), i * chunkSize);
            const std::size_t end = std::min(contents.size(), begin + chunkSize);
            if (!WriteAll(file.get(), contents.data() + begin, end - begin)) return;
            FlushFileBuffers(file.get());
            Sleep(options_.writeMs / kChunks);
        }
        if (!options_.hold.empty() && name == options_.hold) WaitForRelease();
    }

    void WaitForRelease() const {
        while (options_.release.empty() || !Exists(options_.release)) Sleep(20);
    }

    const Options& options_;
    bool first_ = true;
};

int Run() {
    const Options options = ReadOptions();
    const std::string parameters = engines::ParametersOf(GetCommandLineA());
    if (!options.log.empty()) AppendLine(options.log, parameters);

    const auto scanDir = engines::ScanDirOf(parameters);
    if (!scanDir) return 2;
    const std::string outputDir = *scanDir + ".1";
    // The real engine waits on a prompt nobody can see when it cannot make its
    // output folder (for example when the parent is missing).
    if (!CreateDirectoryA(outputDir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) SleepForever();

    if (!options.fixtures.empty()) Writer(options).CopyFolder(options.fixtures, outputDir);

    if (options.hang) SleepForever();
    return static_cast<int>(options.exitCode);
}

}  // namespace

int main() {
    try {
        return Run();
    } catch (...) {
        return 1;
    }
}
