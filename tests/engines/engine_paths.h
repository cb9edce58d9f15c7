#pragma once
// Where the test engines and disk images are, as Windows paths, and how to
// install an engine where the program looks for it.
#include <string>
#include <vector>

namespace engines {

enum class EngineKind {
    StandIn,   // copies VANTREO_STANDIN_FIXTURES into the output folder (standin_engine.cpp)
    Photorec,  // runs photorec on the image named by VANTREO_DISK_IMAGE (photorec_forwarder.cpp)
    StandInWithPart,  // the stand-in, importing engine_part.dll from its own folder
};

std::string EnginePath(EngineKind kind);  // its photo.exe
// engine_part.dll as built to report "original", or "replaced".
std::string EnginePartPath(bool replaced);

// Unix path of a disk image by name ("plain.img" or "partitioned.img"), for VANTREO_DISK_IMAGE.
std::string DiskImageUnixPath(const std::string& image);
// The files put on an image ("plain" or "partitioned"), with SHA256SUMS and
// deleted.txt; and the names of those deleted from it again.
std::string OriginalsFolder(const std::string& image);
std::vector<std::string> DeletedFileNames(const std::string& image);
// A small folder for VANTREO_STANDIN_FIXTURES: two JPEGs, a PNG, a text file,
// the empty file "empty.dat" and "sub\e_nested.jpg".
std::string FixturesFolder();

// The engine folder the program checks: application data + "\Norvale\Vantreo".
std::string EngineFolder();
// Puts photo.exe of that kind (and the original engine_part.dll it imports),
// an empty cygwin1.dll and the folder c\cygwin into the engine folder,
// creating it. False when a step failed.
bool InstallEngine(EngineKind kind);
// Takes those three out again (and the folders left empty), so that later
// tests find no engine. False when something is still there.
bool RemoveEngine();

}  // namespace engines
