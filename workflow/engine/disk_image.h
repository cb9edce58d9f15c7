#pragma once
// A disk image the user brings (a card or disk copied into one file) as a
// row of the drive list: the engine searches the file in place of a disk.
#include <optional>
#include <string>

#include "workflow/engine/drive_list.h"

namespace workflow {

inline constexpr char kDiskImageTypeText[] = "Disk image";

// The image's row, or why it cannot be one: a folder, a file that cannot be
// opened or read, an empty one, a path the program cannot hand on. The
// problem names the file and is shown as it stands. Reads the first sectors
// only: a sparse 2 TB image is described at once.
struct DiskImageCheck {
    std::optional<DriveInfo> image;
    std::string problem;
};
DiskImageCheck DescribeDiskImage(const std::string& path);

// None while `image` is still the file that was added (the same file, not
// only the same name); else what the user is told instead of a search.
std::optional<std::string> DiskImageGoneOrChanged(const DriveInfo& image);

}  // namespace workflow
