#pragma once
// What the first sectors of a disk image say about the file system on it:
// a boot sector at its start (a card formatted without a partition table),
// or the first partition of an MBR or GPT partition table.
// Plain bytes in, a name out: nothing here touches a file.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace workflow {

inline constexpr size_t kImageSectorBytes = 512;
inline constexpr char kUnknownFileSystem[] = "Unknown";

// "FAT32", "FAT16", "exFAT" or "NTFS" for a boot sector of that file system;
// none for anything else (FAT12 included, and a sector shorter than 512 bytes).
std::optional<std::string> BootSectorFileSystem(std::span<const uint8_t> sector);

// Where the first partition of an MBR starts, in bytes; the protective entry
// of a GPT disk gives none (its own table says where the partitions are).
std::optional<uint64_t> FirstMbrPartitionOffset(std::span<const uint8_t> sector0);
// The disk uses a GPT: its MBR holds the one protective entry (type 0xEE).
bool HasProtectiveMbr(std::span<const uint8_t> sector0);

// Reads the 512 bytes at an offset of the image; none when it cannot.
using ReadImageSector = std::function<std::optional<std::vector<uint8_t>>(uint64_t offset)>;

// The file system of a whole image: its own boot sector, else that of its
// first partition; "Unknown" when neither says.
std::string DiskImageFileSystem(const ReadImageSector& read);

}  // namespace workflow
