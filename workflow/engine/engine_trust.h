#pragma once
// The engine's files checked before the engine is started as administrator.
//
// photo.exe and cygwin1.dll lie in the user's own application-data folder,
// where any program of that user can write. The user confirms them once, and
// whenever they change; their digest is then kept where only administrators
// can write. At each launch both files are held so that nobody may write,
// rename or delete them, and the digest read through those very handles must
// be the one confirmed.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "win/handles.h"

namespace workflow {

// SHA-256 of photo.exe followed by that of cygwin1.dll.
using EngineDigest = std::array<uint8_t, 64>;

// The start of the question asked about a new or changed engine.
inline constexpr char kEngineQuestionStart[] = "The recovery engine in \"";

// Both files held open for reading with only reading shared, as long as this
// object lives.
struct HeldEngineFiles {
    win::UniqueHandle engine, runtime;
    EngineDigest digest{};
    std::string engineFacts, runtimeFacts;  // "<size> bytes, <date and time written>"
};

// Both files of the engine folder held and digested through their handles;
// none when either is missing or is held by someone who shares no reading.
std::optional<HeldEngineFiles> HoldEngineFiles(const std::string& engineFolder);

// The digest the user confirmed last, as kept for the whole machine.
std::optional<EngineDigest> ConfirmedEngineDigest();
bool KeepConfirmedEngineDigest(const EngineDigest& digest);
void ForgetConfirmedEngineDigest();

// The question about a new or changed engine, naming its folder and files.
std::string EngineQuestion(const std::string& engineFolder, const HeldEngineFiles& files);

// Asks the user about an engine whose digest was never confirmed and keeps
// the digest when the answer is Yes. True when the engine may be started, or
// when its files are missing (the launch reports that); false for No.
// `ask` puts a question with its caption to the user; true for Yes.
using AskUser = std::function<bool(const std::string& question, const std::string& caption)>;
bool ConfirmEngine(const std::string& engineFolder, const AskUser& ask);

}  // namespace workflow
