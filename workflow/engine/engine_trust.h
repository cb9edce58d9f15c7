#pragma once
// The engine's files checked before the engine is started as administrator.
//
// The engine is installed in the user's own application-data folder, where
// any program of that user can write. The user confirms its files once, and
// whenever they change; their digest is then kept where only administrators
// can write, and the files are copied to a folder only administrators can
// change (engine_copy.h), from which the engine runs. At each launch every
// file of that copy is held so that nobody may write, rename or delete it, and
// the digest read through those very handles must be the one confirmed.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win/handles.h"
#include "win/held_folder.h"

namespace workflow {

// SHA-256 over the name and the SHA-256 of every file of the engine, and the
// name of every folder of it, in the order of their names.
using EngineDigest = std::array<uint8_t, 32>;

// The start of the question asked about a new or changed engine.
inline constexpr char kEngineQuestionStart[] = "The recovery engine in \"";

// One file or folder of the engine, named relative to the engine's folder
// ("photo.exe", "c\\cygwin\\etc"). A file is held open for reading with only
// reading shared, a folder without delete sharing.
struct HeldEngineEntry {
    std::string name;
    bool folder = false;
    win::UniqueHandle file;
    std::optional<win::HeldFolder> heldFolder;
    std::array<uint8_t, 32> digest{};
};

// photo.exe, every DLL beside it and the c\cygwin tree, held as long as this
// object lives, so what was digested is what the loader maps.
struct HeldEngineFiles {
    std::optional<win::HeldFolder> folder;
    std::vector<HeldEngineEntry> entries;  // in the order of their names
    std::vector<std::string> others;       // other entries of the folder, not held
    EngineDigest digest{};
    std::string engineFacts, runtimeFacts;  // "<size> bytes, <date and time written>"
};

// Why the engine's files could not be held.
struct EngineFilesProblem {
    enum class Kind { None, Missing, InUse, Unreadable } kind = Kind::None;
    std::string path;  // the file or folder concerned
};

// The engine folder's files held and digested through their handles; none
// when photo.exe, cygwin1.dll or c\cygwin is missing, or a file cannot be
// read (held by someone who shares no reading, for one). Links are left out.
std::optional<HeldEngineFiles> HoldEngineFiles(const std::string& engineFolder, EngineFilesProblem* problem = nullptr);

// The digest the user confirmed last, as kept for the whole machine.
std::optional<EngineDigest> ConfirmedEngineDigest();
bool KeepConfirmedEngineDigest(const EngineDigest& digest);
// Forgets the digest and removes the copy made of the engine.
void ForgetConfirmedEngine();

// The question about a new or changed engine, naming its folder and files.
std::string EngineQuestion(const std::string& engineFolder, const HeldEngineFiles& files);
// The message for a file of the engine that another program holds.
std::string EngineInUseText(const std::string& path);
// The message for a confirmation that could not be kept.
std::string EngineNeedsAdministratorText(const std::string& engineFolder);

// Asks the user about an engine whose digest was never confirmed, keeps the
// digest when the answer is Yes, and copies the engine where it runs from
// whenever no copy of those very files is there. True when the engine may be
// started, or when its files are missing (the launch reports that); false for
// No, and after telling the user why the engine cannot be confirmed or copied.
// `ask` puts a question with its caption to the user; true for Yes.
using AskUser = std::function<bool(const std::string& question, const std::string& caption)>;
using TellUser = std::function<void(const std::string& text)>;
bool ConfirmEngine(const std::string& engineFolder, const AskUser& ask, const TellUser& tell);

}  // namespace workflow
