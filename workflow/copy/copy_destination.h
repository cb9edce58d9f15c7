#pragma once
// Where a recovery copy writes: the output folder, held by a handle from the
// moment it is chosen, and what its volume can take, checked before the
// first byte is written.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "win/held_folder.h"

namespace workflow {

struct DestinationRoom {
    uint64_t freeBytes = 0;
    uint64_t clusterBytes = 0;  // the least a file's data takes there
    std::string fileSystem;     // "NTFS", "FAT32"; empty when unknown
};

struct CopyDestination {
    std::string path;
    win::HeldFolder folder;
    DestinationRoom room;
};

// The output folder opened and held; made first when only its last level is
// missing. Otherwise the message that says why it cannot be used: missing
// and not creatable, or a link (what a link points to is never written).
std::variant<CopyDestination, std::string> OpenCopyDestination(const std::string& path);

// FAT keeps a file's size in 32 bits: 4 GiB less one byte is the largest
// file it holds.
inline constexpr uint64_t kLargestFatFileBytes = 0xFFFFFFFFull;
bool FileSystemHolds(const std::string& fileSystem, uint64_t size);

// Besides the data, every file takes an entry in its folder and the file
// system's own records; the margin keeps the disk from being filled to the
// last byte.
inline constexpr uint64_t kBytesPerFileEntry = 4096;
inline constexpr uint64_t kRoomMarginBytes = uint64_t{32} << 20;

// What a destination can take of files of these sizes, in copy order.
struct DestinationCheck {
    uint64_t needed = 0;     // for every file the file system holds, with the margin
    uint64_t available = 0;  // free on the destination's volume
    std::vector<size_t> tooLarge;  // positions of files the file system cannot hold
    // Positions not copied when what fits is copied: the too large, and
    // each file that no longer fits once those before it are counted.
    std::vector<size_t> leftOut;
    size_t fitting = 0;  // files copied when what fits is copied

    bool TakesAll() const { return tooLarge.empty() && needed <= available; }
};
DestinationCheck CheckDestination(const std::vector<uint64_t>& sizes, const DestinationRoom& room);

}  // namespace workflow
