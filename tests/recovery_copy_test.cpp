// Copying checked entries into the output folder, on real files.
#include "workflow/copy/recovery_copy.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <variant>

#include "tests/support/files.h"
#include "tests/support/folder_links.h"
#include "tests/support/import_patch.h"
#include "imaging/sha256.h"
#include "win/handles.h"
#include "workflow/copy/copy_messages.h"
#include "workflow/files/copy_names.h"
#include "workflow/files/folder_tree.h"

namespace {

using Files = std::map<std::string, std::string>;  // path below a folder -> content
using workflow::CopyOutcome;
using workflow::FailureCounts;

// What the system says when a copy's flush or the creation of a partial copy
// is made to fail.
BOOL WINAPI FailingFlush(HANDLE) {
    SetLastError(ERROR_IO_DEVICE);
    return FALSE;
}
// The partial copies created, by name; with g_refusePartials, none is.
std::mutex g_partialsLock;
std::vector<std::wstring> g_partialsCreated;
std::atomic<bool> g_refusePartials{false};
NTSTATUS NTAPI RecordingPartials(PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES object, PIO_STATUS_BLOCK io,
                                 PLARGE_INTEGER allocation, ULONG attributes, ULONG share, ULONG disposition,
                                 ULONG options, PVOID extended, ULONG extendedLength) {
    const std::wstring name = object && object->ObjectName
                                  ? std::wstring(object->ObjectName->Buffer, object->ObjectName->Length / sizeof(WCHAR))
                                  : std::wstring();
    if (name.ends_with(L".vantreo-partial")) {
        if (g_refusePartials) return static_cast<NTSTATUS>(0xC00000A2);  // STATUS_MEDIA_WRITE_PROTECTED
        const std::lock_guard lock(g_partialsLock);
        g_partialsCreated.push_back(name);
    }
    static const auto original =
        reinterpret_cast<decltype(&NtCreateFile)>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtCreateFile"));
    return original(handle, access, object, io, allocation, attributes, share, disposition, options, extended,
                    extendedLength);
}

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
    size_t folderPathLength = 0; // the output folder's name is padded to make its path this long, when not 0
    bool folderIsLink = false;   // the output folder is a link to a folder elsewhere
    bool flushFails = false;     // every flush of a copy fails
    bool writeProtected = false; // the output folder takes no new file
    std::string neverWritten;    // a found file of which no partial copy is ever made
    std::string stopAtNaming;    // the copy is told to stop when this copy, all written, is about to be named
    std::string sparse4GiB;      // a found file made 4 GiB long (sparse)
    std::string fileSystem;      // the destination's file system, when not the real one's
    int roomForFiles = -1;       // the destination has room for this many of the found files, when not -1
    bool copyWhatFits = true;    // the answer when asked
    std::vector<bool> asked = {false, false};  // told of files too large, told or asked about room
    Files after;                               // the output folder at the end
    // Copied photos, copied files, failed photos, failed files, and when
    // given, left-out photos and left-out files.
    std::vector<std::vector<int>> outcome;
    FailureCounts failedFor{};  // by cause
    End end = End::Finished;
    workflow::CopyChoices choices{};
    std::map<std::string, uint64_t> taken;  // photos' EXIF dates, by path below the data folder
    std::vector<std::string> digestKnown;    // entries handed over with their digest
    std::vector<std::vector<int>> same = {{}, {}};  // photos and files written under another's name
    // recovered.csv's lines as "name written|name found|result", when the
    // copy writes it under `recordName`.
    std::vector<std::string> record;
    std::string recordName = "recovered.csv";
};

constexpr FailureCounts Failed(workflow::CopyFailure cause, int count) {
    FailureCounts counts{};
    counts[static_cast<size_t>(cause)] = count;
    return counts;
}

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
     .after = {{"a.txt", "a"}, {"c.txt", "c"}}, .outcome = {{}, {0, 2}, {}, {1}},
     .failedFor = Failed(workflow::CopyFailure::Unreadable, 1)},
    {.what = "a found file that has become a link is not copied", .found = {{"a.txt", "a"}, {"b.txt", "b"}},
     .link = "b.txt", .after = {{"a.txt", "a"}}, .outcome = {{}, {0}, {}, {1}},
     .failedFor = Failed(workflow::CopyFailure::Unreadable, 1)},
    {.what = "a found file below a folder that has become a link is not copied",
     .found = {{"a.txt", "a"}, {"sub\\c.txt", "c"}}, .link = "sub", .after = {{"a.txt", "a"}},
     .outcome = {{}, {0}, {}, {1}}, .failedFor = Failed(workflow::CopyFailure::Unreadable, 1)},
    {.what = "a folder whose parent is missing is refused before anything is copied", .found = {{"a.txt", "a"}},
     .folder = "missing\\output", .outcome = {{}, {}, {}, {}}, .end = End::Refused},
    {.what = "an output folder that is a link is refused and nothing is written where it points",
     .found = {{"a.txt", "a"}}, .folderIsLink = true, .outcome = {{}, {}, {}, {}}, .end = End::Refused},
    {.what = "a copy stopped when all written leaves no partial file and the files after it are not copied",
     .found = {{"a.txt", "a"}, {"b.txt", std::string(3 << 20, 'b')}, {"c.txt", "c"}}, .stopAtNaming = "b.txt",
     .after = {{"a.txt", "a"}}, .outcome = {{}, {0}, {}, {}}, .end = End::Stopped},
    {.what = "without room for all, the user is asked and only what fits is copied, in order",
     .found = {{"a.txt", "a"}, {"photos\\p.txt", "p"}, {"b.txt", "b"}}, .roomForFiles = 2,
     .asked = {false, true}, .after = {{"p.txt", "p"}, {"a.txt", "a"}}, .outcome = {{1}, {0}, {}, {}, {}, {2}}},
    {.what = "without room for all, No copies nothing", .found = {{"a.txt", "a"}, {"b.txt", "b"}},
     .roomForFiles = 1, .copyWhatFits = false, .asked = {false, true}, .outcome = {{}, {}, {}, {}},
     .end = End::Declined},
    {.what = "without room for any, the user is told and nothing is copied or failed",
     .found = {{"a.txt", "a"}, {"b.txt", "b"}}, .roomForFiles = 0, .asked = {false, true},
     .outcome = {{}, {}, {}, {}, {}, {0, 1}}},
    {.what = "a file of 4 GiB is not copied to FAT32, it is named, and the rest is copied",
     .found = {{"a.txt", "a"}, {"big.mov", "big"}, {"b.txt", "b"}}, .sparse4GiB = "big.mov", .fileSystem = "FAT32",
     .asked = {true, false}, .after = {{"a.txt", "a"}, {"b.txt", "b"}}, .outcome = {{}, {0, 2}, {}, {}, {}, {1}}},
    {.what = "a file of 4 GiB alone is named and nothing is copied or failed", .found = {{"big.mov", "big"}},
     .sparse4GiB = "big.mov", .fileSystem = "FAT32", .asked = {true, false}, .outcome = {{}, {}, {}, {}, {}, {0}}},
    {.what = "a copy whose flush fails is never named and counts as failed",
     .found = {{"a.txt", "a"}, {"photos\\p.txt", "p"}}, .flushFails = true, .outcome = {{}, {}, {1}, {0}},
     .failedFor = Failed(workflow::CopyFailure::NotWritten, 2)},
    {.what = "a write-protected folder is named as the cause", .found = {{"a.txt", "a"}, {"b.txt", "b"}},
     .before = {{"kept.txt", "mine"}}, .writeProtected = true, .after = {{"kept.txt", "mine"}},
     .outcome = {{}, {}, {}, {0, 1}}, .failedFor = Failed(workflow::CopyFailure::WriteProtected, 2)},
    {.what = "a name too long for the folder's path is cut to fit before it is written",
     .found = {{"a.txt", "a"}, {std::string(40, 'n') + ".txt", "n"}}, .folderPathLength = 230,
     .neverWritten = std::string(40, 'n'), .after = {{"a.txt", "a"}, {"nnnn.txt", "n"}}, .outcome = {{}, {0, 1}, {}, {}}},
    {.what = "a folder whose path leaves no room for any name fails every file before it is written",
     .found = {{"a.txt", "a"}}, .folderPathLength = 250, .outcome = {{}, {}, {}, {0}},
     .failedFor = Failed(workflow::CopyFailure::NameTooLong, 1)},
    {.what = "by date, in folders: a year and a month, the same second numbered, undated and other files apart",
     .found = {{"photos\\f1.jpg", "one"}, {"photos\\f2.jpg", "two"}, {"photos\\f3.jpg", "three"},
               {"photos\\f4.jpg", "four"}, {"notes.txt", "n"}, {"readme", "r"}},
     .after = {{"2019\\2019-05\\2019-05-04 13.22.10.jpg", "one"}, {"2019\\2019-05\\2019-05-04 13.22.10 (2).jpg", "three"},
               {"2020\\2020-12\\2020-12-31 23.59.59.jpg", "two"}, {"Undated\\f4.jpg", "four"},
               {"Other files\\txt\\notes.txt", "n"}, {"Other files\\readme", "r"}},
     .outcome = {{0, 1, 2, 3}, {4, 5}, {}, {}},
     .choices = {workflow::NameChoice::ByDateInFolders, true},
     .taken = {{"photos\\f1.jpg", 20190504132210}, {"photos\\f2.jpg", 20201231235959}, {"photos\\f3.jpg", 20190504132210},
               {"photos\\f4.jpg", 99991231235959}},
     .record = {"2019\\2019-05\\2019-05-04 13.22.10.jpg|f1.jpg|written", "2020\\2020-12\\2020-12-31 23.59.59.jpg|f2.jpg|written",
                "2019\\2019-05\\2019-05-04 13.22.10 (2).jpg|f3.jpg|written", "Undated\\f4.jpg|f4.jpg|written",
                "Other files\\txt\\notes.txt|notes.txt|written", "Other files\\readme|readme|written"}},
    {.what = "by date taken: the same bytes are written once, among photos, among files and between the two",
     .found = {{"photos\\a.jpg", "same"}, {"photos\\b.jpg", "same"}, {"c.bin", "same"}, {"d.bin", "other"},
               {"e.bin", "other"}},
     .after = {{"2019-05-04 13.22.10.jpg", "same"}, {"d.bin", "other"}}, .outcome = {{0}, {3}, {}, {}},
     .choices = {workflow::NameChoice::ByDateTaken, true}, .taken = {{"photos\\a.jpg", 20190504132210}},
     .digestKnown = {"photos\\a.jpg", "photos\\b.jpg"}, .same = {{1}, {2, 4}},
     .record = {"2019-05-04 13.22.10.jpg|a.jpg|written", "2019-05-04 13.22.10.jpg|b.jpg|same as another",
                "2019-05-04 13.22.10.jpg|c.bin|same as another", "d.bin|d.bin|written", "d.bin|e.bin|same as another"}},
    {.what = "a stop leaves a record of exactly the files named",
     .found = {{"a.txt", "a"}, {"b.txt", std::string(3 << 20, 'b')}, {"c.txt", "c"}}, .stopAtNaming = "b.txt",
     .after = {{"a.txt", "a"}}, .outcome = {{}, {0}, {}, {}}, .end = End::Stopped, .choices = {{}, true},
     .record = {"a.txt|a.txt|written"}},
    {.what = "a file that fails is listed with what went wrong, and an earlier record is never replaced",
     .found = {{"a.txt", "a"}, {"b.txt", "b"}}, .before = {{"recovered.csv", "last time"}}, .held = "b.txt",
     .after = {{"a.txt", "a"}, {"recovered.csv", "last time"}}, .outcome = {{}, {0}, {}, {1}},
     .failedFor = Failed(workflow::CopyFailure::Unreadable, 1), .choices = {{}, true},
     .record = {"a.txt|a.txt|written", "|b.txt|failed"}, .recordName = "recovered (2).csv"},
    {.what = "partial copies a killed run left are deleted, and nothing else is",
     .found = {{"a.txt", "a"}},
     .before = {{"a.txt.vantreo-partial", "half"}, {"b.jpg.2.VANTREO-PARTIAL", ""}, {"notes.partial", "mine"}},
     .after = {{"a.txt", "a"}, {"notes.partial", "mine"}}, .outcome = {{}, {0}, {}, {}}},
};

struct Recorder : workflow::RecoveryCopy::Report {
    void OnCopyProgress(int position, int) override { positions.push_back(position); }
    void OnDestinationShort(const workflow::DestinationShort& shortOf) override {
        tooLarge = shortOf.tooLarge;
        roomQuestion = shortOf.room;
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

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + separator.size();
    }
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
        const std::string data = scratch.In("data");
        std::string output = scratch.In(row.folder);
        if (row.folderPathLength > output.size()) output.append(row.folderPathLength - output.size(), 'o');
        std::vector<workflow::CopyEntry> photos, files;
        for (size_t i = 0; i < row.found.size(); ++i) {
            const auto& [path, content] = row.found[i];
            const std::string source = data + "\\" + path;
            std::filesystem::create_directories(std::filesystem::path(source).parent_path());
            testing_support::WriteFile(source, content);
            // Photos carry no size: the copy reads it.
            const bool photo = path.starts_with("photos\\");
            workflow::CopyEntry entry{static_cast<int>(i), source, photo ? std::nullopt : std::optional<uint64_t>(content.size())};
            entry.naming.photo = photo;
            if (const auto date = row.taken.find(path); date != row.taken.end()) entry.naming.taken = date->second;
            if (std::find(row.digestKnown.begin(), row.digestKnown.end(), path) != row.digestKnown.end()) {
                entry.size = content.size();
                entry.sha256 = imaging::Sha256Of(std::span(reinterpret_cast<const uint8_t*>(content.data()), content.size()));
            }
            (photo ? photos : files).push_back(std::move(entry));
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
            if (!testing_support::SwapForLink(data + "\\" + row.link, elsewhere + "\\" + row.link)) {
                ADD_FAILURE() << "no link can be made here";
                continue;
            }
        }
        if (row.folderIsLink) {
            CreateDirectoryA(elsewhere.c_str(), nullptr);
            if (!testing_support::MakeFolderLink(output, elsewhere)) {
                ADD_FAILURE() << "no link can be made here";
                continue;
            }
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
            std::optional<testing_support::ImportPatch> flush, create;
            if (row.flushFails) flush.emplace("kernel32.dll", "FlushFileBuffers", reinterpret_cast<void*>(FailingFlush));
            g_partialsCreated.clear();
            g_refusePartials = row.writeProtected;
            create.emplace("ntdll.dll", "NtCreateFile", reinterpret_cast<void*>(RecordingPartials));
            ASSERT_TRUE((!flush || flush->Applied()) && (!create || create->Applied()));
            copy->SetChoices(row.choices);
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
        Files written = testing_support::FilesBelow(output);
        if (!row.record.empty()) {
            const std::string record = written[row.recordName];
            written.erase(row.recordName);
            // No name in these rows holds a comma or a quote: fields split at commas.
            std::vector<std::string> lines;
            for (const std::string& line : Split(record, "\r\n")) {
                const std::vector<std::string> fields = Split(line, ",");
                if (fields.size() == 12 && fields[0] != "\xEF\xBB\xBFName written")
                    lines.push_back(fields[0] + "|" + fields[1] + "|" + fields[10]);
            }
            EXPECT_TRUE(record.starts_with("\xEF\xBB\xBFName written,")) << record;
            EXPECT_EQ(lines, row.record) << record;
        }
        EXPECT_EQ(written, row.after);
        const CopyOutcome& o = report.outcome;
        std::vector<std::vector<int>> expected = row.outcome;
        expected.resize(6);
        EXPECT_EQ((std::vector<std::vector<int>>{o.copiedPhotos, o.copiedFiles, o.failedPhotos, o.failedFiles,
                                                 o.leftOutPhotos, o.leftOutFiles}),
                  expected);
        EXPECT_EQ(o.failedFor, row.failedFor);
        EXPECT_EQ((std::vector<std::vector<int>>{o.samePhotos, o.sameFiles}), row.same);
        if (!row.neverWritten.empty()) {
            const std::lock_guard lock(g_partialsLock);
            for (const std::wstring& created : g_partialsCreated)
                EXPECT_FALSE(created.starts_with(win::WidenAnsi(row.neverWritten))) << win::NarrowToAnsi(created);
            EXPECT_FALSE(g_partialsCreated.empty());  // the short name's
        }
        EXPECT_EQ(report.finished, row.end == End::Finished);
        EXPECT_EQ(report.stopped, row.end == End::Stopped);
        EXPECT_EQ(report.stopMessage, "");
        EXPECT_EQ(report.failureReport, workflow::FailureReport(row.failedFor, output));
        EXPECT_EQ((std::vector<bool>{!report.tooLarge.empty(), !report.roomQuestion.empty()}), row.asked);
        if (!row.sparse4GiB.empty()) EXPECT_NE(report.tooLarge.find(row.sparse4GiB), std::string::npos) << report.tooLarge;
        EXPECT_TRUE(std::is_sorted(report.positions.begin(), report.positions.end()));
        if (row.end == End::Refused) continue;

        // The clean-up deletes the found files it may and leaves the others,
        // and nothing a link points to. The copy runs it itself only when
        // nothing failed.
        EXPECT_EQ(o.cleansUp, report.finished && o.FailedCount() == 0 && o.LeftOutCount() == 0);
        copy->Stop();
        held.reset();
        if (!o.cleansUp) copy->CleanUpFoundFiles(data);
        if (!row.link.empty()) {
            for (const auto& [path, content] : row.found)
                EXPECT_EQ(testing_support::ReadFile(elsewhere + "\\" + path), "elsewhere") << path;
            continue;
        }
        const std::string keptName = kept.substr(data.size() + 1);
        // A file of 4 GiB is not read back.
        if (keptName == row.sparse4GiB)
            EXPECT_EQ(testing_support::FilesIn(data), std::vector<std::string>{keptName});
        else
            EXPECT_EQ(testing_support::FilesBelow(data),
                      (Files{{keptName, std::find_if(row.found.begin(), row.found.end(), [&](const auto& found) {
                                            return found.first == keptName;
                                        })->second}}));
    }
}

TEST(CopyDestination, FatHoldsNoFileOf4GiBAndWhatFitsIsTakenInOrder) {
    constexpr uint64_t k4GiB = uint64_t{1} << 32;
    EXPECT_TRUE(workflow::FileSystemHolds("FAT32", 4'294'967'295));
    for (const char* fat : {"FAT32", "FAT", "fat16"}) EXPECT_FALSE(workflow::FileSystemHolds(fat, 4'294'967'296)) << fat;
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
}

// Every message of the copy in the cases where a careless one would state
// something untrue: nothing else to copy, nothing copied, one file.
TEST(CopyMessages, SayOnlyWhatHappenedInTheRightNumber) {
    using workflow::CopyFailure;
    const std::string kept = "\n\nThe found files are kept, and ";
    const std::string stay = "\n\nThe found files stay until they are recovered or the program is closed; ";
    const std::string freeSome = "Free some space or choose another folder, then press 'Recover' again.";
    FailureCounts mixed{};
    mixed[static_cast<size_t>(CopyFailure::Unreadable)] = 2;
    mixed[static_cast<size_t>(CopyFailure::NotWritten)] = 1;
    const struct {
        std::string made, expected;
    } rows[] = {
        {workflow::TooLargeMessage({"big.mov"}, "FAT32", "F:\\out", true),
         "big.mov is 4 GB or larger, which FAT32 cannot hold, so it is not copied to \"F:\\out\".\n\nThe other files "
         "are copied. To recover it, choose a folder on a disk formatted with NTFS or exFAT."},
        {workflow::TooLargeMessage({"a.mov", "b.mov"}, "FAT32", "F:\\out", false),
         "2 files are 4 GB or larger, which FAT32 cannot hold, so they are not copied to \"F:\\out\": a.mov and "
         "b.mov.\n\nTo recover them, choose a folder on a disk formatted with NTFS or exFAT."},
        {workflow::RoomMessage(0, 0, 1, "F:\\out").substr(workflow::RoomMessage(0, 0, 1, "F:\\out").find("\n\n")),
         "\n\nCopy the 1 file that fits? Press No to choose another folder."},
        {workflow::RoomMessage(0, 0, 3, "F:\\out").substr(workflow::RoomMessage(0, 0, 3, "F:\\out").find("\n\n")),
         "\n\nCopy the 3 files that fit? Press No to choose another folder."},
        {workflow::RoomMessage(0, 0, 0, "F:\\out").substr(workflow::RoomMessage(0, 0, 0, "F:\\out").find("\n\n")),
         "\n\nNo ticked file fits there. " + freeSome},
        {workflow::DiskFullMessage("F:\\out", 0, {"a.jpg"}),
         "The disk of \"F:\\out\" is full: a.jpg could not be copied." + stay + "the one not copied stays ticked. " +
             freeSome},
        {workflow::DiskFullMessage("F:\\out", 0, {"a.jpg", "b.jpg"}),
         "The disk of \"F:\\out\" is full: none of the 2 files could be copied. Not copied: a.jpg and b.jpg." + stay +
             "those not copied stay ticked. " + freeSome},
        {workflow::DiskFullMessage("F:\\out", 1, {"b.jpg"}),
         "The disk of \"F:\\out\" is full: only 1 of the 2 files could be copied. Not copied: b.jpg." + stay +
             "the one not copied stays ticked. " + freeSome},
        {workflow::FailureReport(Failed(CopyFailure::NameTooLong, 1), "F:\\out"),
         "1 file could not be copied to \"F:\\out\": its name is too long for that folder." + kept +
             "the one not copied stays ticked. Choose a folder with a shorter path, then press 'Recover' again."},
        {workflow::FailureReport(Failed(CopyFailure::WriteProtected, 5), "F:\\out"),
         "5 files could not be copied to \"F:\\out\": the folder is write-protected." + kept +
             "those not copied stay ticked. Remove the write protection or choose another folder, then press "
             "'Recover' again."},
        {workflow::FailureReport(mixed, "F:\\out"),
         "3 files could not be copied to \"F:\\out\": 2 could not be read from the found files and 1 could not be "
         "written there." + kept + "those not copied stay ticked. Close any program that may hold the found files "
         "open and check the disk or choose another folder, then press 'Recover' again."},
        {workflow::FailureReport({}, "F:\\out"), ""},
        {workflow::RecoveredQuestion(1), "1 file recovered.\n\nDo you want to view recovered files?"},
        {workflow::RecoveredQuestion(2), "2 files recovered.\n\nDo you want to view recovered files?"},
        {workflow::RecoveredQuestion(1, 1),
         "1 file recovered. 1 other file was the same as another file and was not written again.\n\n"
         "Do you want to view recovered files?"},
        {workflow::RecoveredQuestion(3, 2),
         "3 files recovered. 2 other files were the same as another file and were not written again.\n\n"
         "Do you want to view recovered files?"},
        {workflow::RecordedProblem(workflow::CopyFailure::NameTooLong), "name too long for the folder"},
        {workflow::HiddenPicturesQuestion(1), "1 hidden picture was not recovered. Delete it with the other found files?"},
        {workflow::HiddenPicturesQuestion(600),
         "600 hidden pictures were not recovered. Delete them with the other found files?"},
        {workflow::NameList({"a", "b", "c", "d"}, 2), "a, b and 2 more"},
        {workflow::NameList({"a", "b", "c"}), "a, b and c"},
    };
    for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(rows[i].made, rows[i].expected) << "row " << i;
}

// The copy's one way to choose a name: its own, then numbered as Windows
// numbers copies, each offered until one is given; and the name it has
// while it is written.
TEST(CopyNames, TheFirstFreeNameIsGivenAndPartialNamesAreTheProgramsOwn) {
    const auto given = [](const std::string& name, std::vector<std::string> taken, const std::string& refused = {}) {
        std::vector<std::string> offered;
        const workflow::Naming named = workflow::GiveFirstFreeName(name, [&](const std::string& candidate) {
            offered.push_back(candidate);
            if (candidate == refused) return workflow::Naming::Refused;
            return std::find(taken.begin(), taken.end(), candidate) != taken.end() ? workflow::Naming::Taken
                                                                                    : workflow::Naming::Given;
        });
        return std::make_pair(named, offered);
    };
    using workflow::Naming;
    using Offered = std::pair<Naming, std::vector<std::string>>;
    EXPECT_EQ(given("f.jpg", {}), (Offered{Naming::Given, {"f.jpg"}}));
    EXPECT_EQ(given("f.jpg", {"f.jpg", "f (2).jpg"}), (Offered{Naming::Given, {"f.jpg", "f (2).jpg", "f (3).jpg"}}));
    EXPECT_EQ(given("notes", {"notes"}), (Offered{Naming::Given, {"notes", "notes (2)"}}));
    EXPECT_EQ(given(".hidden", {".hidden"}), (Offered{Naming::Given, {".hidden", ".hidden (2)"}}));
    EXPECT_EQ(given("a.b.txt", {"a.b.txt"}, "a.b (2).txt"), (Offered{Naming::Refused, {"a.b.txt", "a.b (2).txt"}}));
    std::vector<std::string> all;
    for (int number = 1; number <= workflow::kLastCopyNumber; ++number) all.push_back(workflow::NumberedName("x", number));
    EXPECT_EQ(given("x", all).first, Naming::Taken);

    EXPECT_EQ(workflow::JoinPath("D:\\out\\", "f.jpg"), "D:\\out\\f.jpg");
    EXPECT_EQ(workflow::JoinPath("D:", "f.jpg"), "D:\\f.jpg");
    EXPECT_TRUE(workflow::FitsPathLimit("C:\\" + std::string(256, 'a')));
    EXPECT_FALSE(workflow::FitsPathLimit("C:\\" + std::string(257, 'a')));
    EXPECT_EQ(workflow::PartialName("f.jpg", 1), "f.jpg.vantreo-partial");
    EXPECT_EQ(workflow::PartialName("f.jpg", 2), "f.jpg.2.vantreo-partial");
    EXPECT_TRUE(workflow::IsPartialName("f.jpg.2.Vantreo-Partial"));
    for (const char* other : {".vantreo-partial", "f.jpg.partial", "f.vantreo-partial.jpg"})
        EXPECT_FALSE(workflow::IsPartialName(other)) << other;
}

}  // namespace
