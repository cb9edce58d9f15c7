#pragma once
// The environment and folders the engine is started with. The engine runs as
// administrator, and its runtime honours variables that start other programs:
// it gets none of the user's variables, only the system's own, a TEMP of its
// own that only administrators can write, and a PATH of system folders.
#include <map>
#include <optional>
#include <string>

namespace workflow {

// Names compared without regard to case, as Windows compares them.
struct VariableNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using Variables = std::map<std::string, std::string, VariableNameLess>;

// The environment block ("NAME=value\0...\0\0", sorted by name) for the engine:
// the system's variables, but PATH, TEMP and TMP; SystemRoot, windir and
// SystemDrive from `windowsFolder`; TEMP and TMP `tempFolder`; PATH the
// system folders followed by `engineFolder`.
std::string EngineEnvironmentBlock(const Variables& systemVariables, const std::string& windowsFolder,
                                   const std::string& engineFolder, const std::string& tempFolder);

// The machine's own variables, as kept where only administrators can write,
// with references to other variables of them expanded.
Variables SystemVariables();

// The Windows folder, e.g. "C:\Windows".
std::string WindowsFolder();

// A new, empty folder only SYSTEM and administrators may open, below the
// system's temporary folder; none when it cannot be made.
std::optional<std::string> MakeAdministratorsOnlyFolder();

}  // namespace workflow
