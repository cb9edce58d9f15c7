// A stand-in for the carving engine that "finds" the files of a fixture folder
// by writing them the way the real engine writes what it carves; README.md
// lists the VANTREO_STANDIN_* variables that configure it.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/engines/engine_args.h"
#include "tests/engines/environment.h"
#include "win/handles.h"

#ifdef VANTREO_STANDIN_PART
extern "C" __declspec(dllimport) const char* EnginePartName();
#endif

namespace {

DWORD EnvNumber(const char* name, DWORD fallback) {
    const std::string text = engines::EnvironmentValue(name);
    if (text.empty()) return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    return *end == '\0' ? static_cast<DWORD>(value) : fallback;
}

struct Options {
    std::string log = engines::EnvironmentValue("VANTREO_STANDIN_LOG");
    std::string fixtures = engines::EnvironmentValue("VANTREO_STANDIN_FIXTURES");
    DWORD writeMs = EnvNumber("VANTREO_STANDIN_WRITE_MS", 100);
    DWORD gapMs = EnvNumber("VANTREO_STANDIN_GAP_MS", 50);
    std::string hold = engines::EnvironmentValue("VANTREO_STANDIN_HOLD");
    std::string release = engines::EnvironmentValue("VANTREO_STANDIN_RELEASE");
    bool hang = engines::EnvironmentValue("VANTREO_STANDIN_HANG") == "1";
    bool session = engines::EnvironmentValue("VANTREO_STANDIN_SESSION") == "1";
    DWORD exitCode = EnvNumber("VANTREO_STANDIN_EXIT", 0);
};

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
    std::ifstream file(path, std::ios::binary);
    contents.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad() && file.is_open();
}

class Writer {
public:
    explicit Writer(const Options& options) : m_options(options) {}

    void CopyFolder(const std::filesystem::path& from, const std::filesystem::path& to) {
        std::vector<std::filesystem::directory_entry> entries(std::filesystem::directory_iterator(from), {});
        std::sort(entries.begin(), entries.end());  // in name order
        for (const auto& entry : entries) {
            const std::filesystem::path target = to / entry.path().filename();
            if (entry.is_directory()) {
                CreateDirectoryA(target.string().c_str(), nullptr);
                CopyFolder(entry.path(), target);
            } else {
                WriteOneFile(entry.path().string(), target.string(), entry.path().filename().string());
            }
        }
    }

private:
    void WriteOneFile(const std::string& source, const std::string& target, const std::string& name) {
        std::string contents;
        if (!ReadWholeFile(source, contents)) return;
        if (!m_first) Sleep(m_options.gapMs);
        m_first = false;

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
            Sleep(m_options.writeMs / kChunks);
        }
        if (!m_options.hold.empty() && name == m_options.hold) WaitForRelease();
    }

    void WaitForRelease() const {
        while (m_options.release.empty() || !Exists(m_options.release)) Sleep(20);
    }

    const Options& m_options;
    bool m_first = true;
};

int Run() {
    const Options options;
    const std::string parameters = engines::ParametersOf(GetCommandLineA());
    if (!options.log.empty()) AppendLine(options.log, parameters);
#ifdef VANTREO_STANDIN_PART
    if (!options.log.empty()) AppendLine(options.log, std::string("part: ") + EnginePartName());
#endif
    // As the real engine writes its session file: by name, in its working
    // folder, through whatever is there.
    if (options.session) {
        win::UniqueHandle file(CreateFileA("photorec.ses", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        const std::string text = "#session of the stand-in engine\n" + parameters + "\n";
        if (file) WriteAll(file.get(), text.data(), text.size());
    }

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
