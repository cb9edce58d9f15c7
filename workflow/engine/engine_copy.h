#pragma once
// The copy of the engine the program starts: the files the user confirmed,
// copied from the handles they were digested through into a folder under the
// machine's program-data folder that only administrators can change. The
// engine runs from there, and works in its "work" folder, so nothing it loads,
// runs or writes beside itself can be changed by the user's own programs.
#include <optional>
#include <string>

#include "workflow/engine/engine_trust.h"

namespace workflow {

// "<program data>\Norvale\Vantreo\engine".
std::string EngineCopyFolder();
// The engine's working folder in the copy.
std::string EngineWorkFolder();

// Replaces the copy with the held files and checks it against their digest.
// None when it was made; otherwise the message that says why it was not (the
// disk full, the folder refused), and no copy is left.
std::optional<std::string> MakeEngineCopy(const HeldEngineFiles& files);

// The copy held file by file, when it holds exactly the files of `digest`
// (and its working folder); none otherwise, `problem` telling of a file in use.
std::optional<HeldEngineFiles> HoldEngineCopy(const EngineDigest& digest, EngineFilesProblem* problem = nullptr);

// Removes the copy, as uninstalling does.
void RemoveEngineCopy();

}  // namespace workflow
