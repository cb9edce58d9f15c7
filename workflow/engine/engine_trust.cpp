#include "workflow/engine/engine_trust.h"

#include <bcrypt.h>

#include <vector>

#include "workflow/files/copy_names.h"

namespace workflow {

namespace {

constexpr char kMachineKey[] = "Software\\Norvale\\Vantreo";
constexpr char kDigestValue[] = "EngineDigest";

// Read sharing only: while held, nobody can write the file, rename it or
// delete it, and the digest stays the digest of what the loader maps.
win::UniqueHandle OpenShared(const std::string& path) {
    return win::UniqueHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// SHA-256 of the file from its start, read through the handle.
std::optional<std::array<uint8_t, 32>> Sha256Of(HANDLE file) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) return std::nullopt;
    BCRYPT_HASH_HANDLE hash = nullptr;
    std::optional<std::array<uint8_t, 32>> digest;
    if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
        LARGE_INTEGER start{};
        std::vector<uint8_t> buffer(1 << 16);
        bool readAll = SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
        for (DWORD got = 0; readAll;) {
            readAll = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) != FALSE;
            if (!readAll || got == 0) break;
            readAll = BCryptHashData(hash, buffer.data(), got, 0) == 0;
        }
        std::array<uint8_t, 32> result{};
        if (readAll && BCryptFinishHash(hash, result.data(), static_cast<ULONG>(result.size()), 0) == 0)
            digest = result;
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return digest;
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

}  // namespace

std::optional<HeldEngineFiles> HoldEngineFiles(const std::string& engineFolder) {
    HeldEngineFiles held;
    held.engine = OpenShared(JoinPath(engineFolder, "photo.exe"));
    held.runtime = OpenShared(JoinPath(engineFolder, "cygwin1.dll"));
    if (!held.engine || !held.runtime) return std::nullopt;
    const auto engineDigest = Sha256Of(held.engine.get());
    const auto runtimeDigest = Sha256Of(held.runtime.get());
    if (!engineDigest || !runtimeDigest) return std::nullopt;
    std::copy(engineDigest->begin(), engineDigest->end(), held.digest.begin());
    std::copy(runtimeDigest->begin(), runtimeDigest->end(), held.digest.begin() + 32);
    held.engineFacts = FactsOf(held.engine.get());
    held.runtimeFacts = FactsOf(held.runtime.get());
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

void ForgetConfirmedEngineDigest() { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMachineKey, kDigestValue); }

std::string EngineQuestion(const std::string& engineFolder, const HeldEngineFiles& files) {
    return kEngineQuestionStart + engineFolder +
           "\" is new or has changed since it was last started:\n\n"
           "photo.exe: " + files.engineFacts + "\ncygwin1.dll: " + files.runtimeFacts +
           "\n\nIt will read the whole disk with administrator rights. Start it only if you installed or updated "
           "it yourself.\n\nStart this engine?";
}

bool ConfirmEngine(const std::string& engineFolder, const AskUser& ask) {
    // Held while the user reads the question, so the digest kept is that of
    // the files the question names.
    const std::optional<HeldEngineFiles> files = HoldEngineFiles(engineFolder);
    if (!files) return true;
    if (ConfirmedEngineDigest() == files->digest) return true;
    const std::string question = EngineQuestion(engineFolder, *files);
    if (!ask(question, "Confirm")) return false;
    // A digest that could not be kept makes the launch refuse the engine, and say so.
    KeepConfirmedEngineDigest(files->digest);
    return true;
}

}  // namespace workflow
