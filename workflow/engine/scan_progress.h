#pragma once
// How far the engine has got through the disk, told from the names of the
// files it writes: each is "f" + the sector where the file starts on the
// searched device + "." + extension (f0065956.jpg), or "b" for a file that
// failed the engine's checks and was kept all the same (b0065956.jpg), and
// the engine reads the disk from start to end.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace workflow {

constexpr uint64_t kEngineSectorBytes = 512;

// The start sector in a found file's name, after the last backslash of a path:
// "f" or "b" then one or more digits then ".", "_" or the end. The engine writes a
// lower-case letter; "F0002048.jpg" and anything else ("report.xml", "fx12.jpg") give none.
// A number too large for 64 bits gives UINT64_MAX: still past any disk's end.
std::optional<uint64_t> StartSectorOf(const std::string& fileName);

// The engine's name for a file it found damaged: "b" + sector, as above.
bool IsMarkedDamaged(const std::string& fileName);

// The furthest start sector seen so far; it only moves forward, so the
// window can feed it each file as the file appears.
struct SearchProgress {
    uint64_t furthestSector = 0;

    void See(const std::string& fileName);
    // In [0, 1]; 0 for a disk of unknown (0) size, 1 once a file lies past the end.
    double Fraction(uint64_t diskBytes) const;
};

// Fraction of the disk searched, judged by the furthest file among the names.
double SearchedFraction(const std::vector<std::string>& fileNames, uint64_t diskBytes);

// Size in bytes of physical disk n (\\.\PhysicalDriveN); none when the disk
// cannot be opened or asked, or reports no size.
std::optional<uint64_t> PhysicalDiskSize(uint32_t disk);

}  // namespace workflow
