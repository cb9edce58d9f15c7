#include "workflow/engine/engine_trust.h"

#include <bcrypt.h>

#include <algorithm>

#include "workflow/engine/engine_copy.h"
#include "workflow/files/copy_names.h"
#include "workflow/files/folder_tree.h"

namespace workflow {

namespace {

constexpr char kMachineKey[] = "Software\\Norvale\\Vantreo";
constexpr char kDigestValue[] = "EngineDigest";
constexpr char kEngineFile[] = "photo.exe";
constexpr char kRuntimeFile[] = "cygwin1.dll";

class Sha256 {
public:
    Sha256() {
        if (BCryptOpenAlgorithmProvider(&m_algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) m_algorithm = nullptr;
        if (m_algorithm && BCryptCreateHash(m_algorithm, &m_hash, nullptr, 0, nullptr, 0, 0) != 0) m_hash = nullptr;
    }
    ~Sha256() {
        if (m_hash) BCryptDestroyHash(m_hash);
        if (m_algorithm) BCryptCloseAlgorithmProvider(m_algorithm, 0);
    }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool Add(const void* bytes, size_t size) {
        return m_hash && BCryptHashData(m_hash, static_cast<PUCHAR>(const_cast<void*>(bytes)), static_cast<ULONG>(size),
                                        0) == 0;
    }
    std::optional<std::array<uint8_t, 32>> Finish() {
        std::array<uint8_t, 32> digest{};
        if (!m_hash || BCryptFinishHash(m_hash, digest.data(), static_cast<ULONG>(digest.size()), 0) != 0)
            return std::nullopt;
        return digest;
    }

private:
    BCRYPT_ALG_HANDLE m_algorithm = nullptr;
    BCRYPT_HASH_HANDLE m_hash = nullptr;
};

// SHA-256 of the file from its start, read through the handle.
std::optional<std::array<uint8_t, 32>> Sha256Of(HANDLE file) {
    Sha256 hash;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return std::nullopt;
    std::vector<uint8_t> buffer(1 << 16);
    for (DWORD got = 0;;) {
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        if (!hash.Add(buffer.data(), got)) return std::nullopt;
    }
    return hash.Finish();
}

std::string FactsOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return {};
    const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    FILETIME local{};
    SYSTEMTIME written{};
    FileTimeToLocalFileTime(&info.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &written);
    char date[32] = {};
    wsprintfA(date, "%04u-%02u-%02u %02u:%02u", written.wYear, written.wMonth, written.wDay, written.wHour,
              written.wMinute);
    return std::to_string(size) + " bytes, written " + date;
}

bool SameName(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

bool IsLibraryName(const std::string& name) {
    return name.size() > 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".dll") == 0;
}

// Holds what a walk of the engine's folders meets, and says what stopped it.
class EngineWalk {
public:
    EngineWalk(const std::string& top, HeldEngineFiles& held, EngineFilesProblem& problem)
        : m_top(top), m_held(held), m_problem(problem) {}

    bool HoldFile(const win::HeldFolder& folder, const std::string& name, const std::string& relative) {
        bool busy = false;
        HeldEngineEntry entry{relative, false, folder.OpenFileForReading(win::WidenAnsi(name), &busy), std::nullopt, {}};
        if (!entry.file) return Fail(busy ? EngineFilesProblem::Kind::InUse : EngineFilesProblem::Kind::Unreadable,
                                     relative);
        const auto digest = Sha256Of(entry.file.get());
        if (!digest) return Fail(EngineFilesProblem::Kind::Unreadable, relative);
        entry.digest = *digest;
        m_held.entries.push_back(std::move(entry));
        return true;
    }

    // Every file and folder below, links left out.
    bool HoldTree(const win::HeldFolder& folder, const std::string& relative) {
        std::vector<win::HeldEntry> listed;
        if (!folder.List(listed)) return Fail(EngineFilesProblem::Kind::Unreadable, relative);
        for (const win::HeldEntry& entry : listed) {
            if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            const std::string name = win::NarrowToAnsi(entry.name);
            const std::string path = JoinPath(relative, name);
            if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                if (!HoldFile(folder, name, path)) return false;
                continue;
            }
            std::optional<win::HeldFolder> below = folder.OpenFolder(entry.name);
            if (!below) return Fail(EngineFilesProblem::Kind::Unreadable, path);
            if (!HoldTree(*below, path)) return false;
            m_held.entries.push_back({path, true, {}, std::move(below), {}});
        }
        return true;
    }

    bool Fail(EngineFilesProblem::Kind kind, const std::string& relative) {
        m_problem = {kind, JoinPath(m_top, relative)};
        return false;
    }

private:
    const std::string& m_top;
    HeldEngineFiles& m_held;
    EngineFilesProblem& m_problem;
};

std::optional<EngineDigest> DigestOf(const std::vector<HeldEngineEntry>& entries) {
    Sha256 hash;
    for (const HeldEngineEntry& entry : entries) {
        if (!hash.Add(entry.name.c_str(), entry.name.size() + 1)) return std::nullopt;
        if (entry.folder ? !hash.Add("\\", 1) : !hash.Add(entry.digest.data(), entry.digest.size()))
            return std::nullopt;
    }
    return hash.Finish();
}

}  // namespace

std::optional<HeldEngineFiles> HoldEngineFiles(const std::string& engineFolder, EngineFilesProblem* problem) {
    EngineFilesProblem ignored;
    EngineFilesProblem& why = problem ? *problem : ignored;
    why = {};
    HeldEngineFiles held;
    EngineWalk walk(engineFolder, held, why);
    held.folder = win::HeldFolder::Open(engineFolder);
    std::vector<win::HeldEntry> listed;
    if (!held.folder || !held.folder->List(listed)) {
        walk.Fail(EngineFilesProblem::Kind::Missing, kEngineFile);
        return std::nullopt;
    }
    bool engine = false, runtime = false, cygwin = false;
    for (const win::HeldEntry& entry : listed) {
        const std::string name = win::NarrowToAnsi(entry.name);
        const bool plainFile = !(entry.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
        if (plainFile && (SameName(name, kEngineFile) || IsLibraryName(name))) {
            if (!walk.HoldFile(*held.folder, name, name)) return std::nullopt;
            engine = engine || SameName(name, kEngineFile);
            runtime = runtime || SameName(name, kRuntimeFile);
        } else if (SameName(name, "c") && IsWalkableFolder(entry.attributes)) {
            std::optional<win::HeldFolder> c = held.folder->OpenFolder(entry.name);
            std::optional<win::HeldFolder> tree = c ? c->OpenFolder(L"cygwin") : std::nullopt;
            if (!tree) continue;
            const std::string root = JoinPath(name, "cygwin");
            if (!walk.HoldTree(*tree, root)) return std::nullopt;
            held.entries.push_back({name, true, {}, std::move(c), {}});
            held.entries.push_back({root, true, {}, std::move(tree), {}});
            cygwin = true;
        } else {
            held.others.push_back(name);
        }
    }
    if (!engine || !runtime || !cygwin) {
        walk.Fail(EngineFilesProblem::Kind::Missing, !engine ? kEngineFile : !runtime ? kRuntimeFile : "c\\cygwin");
        return std::nullopt;
    }
    std::sort(held.entries.begin(), held.entries.end(), [](const HeldEngineEntry& a, const HeldEngineEntry& b) {
        return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.name.c_str(), -1, b.name.c_str(), -1) ==
               CSTR_LESS_THAN;
    });
    const std::optional<EngineDigest> digest = DigestOf(held.entries);
    if (!digest) {
        walk.Fail(EngineFilesProblem::Kind::Unreadable, kEngineFile);
        return std::nullopt;
    }
    held.digest = *digest;
    for (const HeldEngineEntry& entry : held.entries) {
        if (SameName(entry.name, kEngineFile)) held.engineFacts = FactsOf(entry.file.get());
        if (SameName(entry.name, kRuntimeFile)) held.runtimeFacts = FactsOf(entry.file.get());
    }
    return held;
}

// Under HKEY_LOCAL_MACHINE\Software, which only administrators may write:
// a program of the user cannot confirm an engine on the user's behalf.
std::optional<EngineDigest> ConfirmedEngineDigest() {
    EngineDigest digest{};
    DWORD size = sizeof digest, type = 0;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kMachineKey, kDigestValue, RRF_RT_REG_BINARY, &type, digest.data(), &size) !=
            ERROR_SUCCESS ||
        size != sizeof digest)
        return std::nullopt;
    return digest;
}

bool KeepConfirmedEngineDigest(const EngineDigest& digest) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMachineKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool kept = RegSetValueExA(key, kDigestValue, 0, REG_BINARY, digest.data(), sizeof digest) == ERROR_SUCCESS;
    RegCloseKey(key);
    return kept;
}

void ForgetConfirmedEngine() {
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMachineKey, kDigestValue);
    RemoveEngineCopy();
}

std::string EngineQuestion(const std::string& engineFolder, const HeldEngineFiles& files) {
    return kEngineQuestionStart + engineFolder +
           "\" is new or has changed since it was last started:\n\n"
           "photo.exe: " + files.engineFacts + "\ncygwin1.dll: " + files.runtimeFacts +
           "\n\nIt will read the whole disk with administrator rights. Start it only if you installed or updated "
           "it yourself.\n\nStart this engine?";
}

std::string EngineInUseText(const std::string& path) {
    return "The recovery engine's file \"" + path +
           "\" is in use by another program, so the engine was not started.\n\n"
           "Close that program, then press Next again.";
}

std::string EngineNeedsAdministratorText(const std::string& engineFolder) {
    return "The recovery engine in \"" + engineFolder +
           "\" needs administrator rights the first time: it could not be confirmed for this computer.\n\n"
           "Start Vantreo as administrator, then press Next again.";
}

bool ConfirmEngine(const std::string& engineFolder, const AskUser& ask, const TellUser& tell) {
    // Held while the user reads the question and while they are copied, so
    // the digest kept, and the copy, are those of the files the question names.
    EngineFilesProblem problem;
    const std::optional<HeldEngineFiles> files = HoldEngineFiles(engineFolder, &problem);
    if (!files) {
        if (problem.kind == EngineFilesProblem::Kind::Missing) return true;
        tell(problem.kind == EngineFilesProblem::Kind::InUse
                 ? EngineInUseText(problem.path)
                 : "The recovery engine's file \"" + problem.path + "\" could not be read, so the engine was not "
                   "started.\n\nReinstall the engine, then press Next again.");
        return false;
    }
    const bool confirmed = ConfirmedEngineDigest() == files->digest;
    if (confirmed && HoldEngineCopy(files->digest)) return true;
    if (!confirmed && !ask(EngineQuestion(engineFolder, *files), "Confirm")) return false;
    if (!KeepConfirmedEngineDigest(files->digest)) {
        tell(EngineNeedsAdministratorText(engineFolder));
        return false;
    }
    if (const std::optional<std::string> failure = MakeEngineCopy(*files)) {
        tell(*failure);
        return false;
    }
    return true;
}

}  // namespace workflow
