#include "workflow/engine/disk_image_layout.h"

#include <algorithm>
#include <cstring>

#include "imaging/byte_reader.h"

namespace workflow {

namespace {

constexpr size_t kMbrEntries = 446;
constexpr size_t kMbrEntryBytes = 16;
constexpr uint8_t kGptProtectiveType = 0xEE;
// A GPT's partition entries may lie anywhere the header says; a hostile
// header must not send the read to the end of a 2 TB image for nothing.
constexpr uint64_t kGptEntryLimitBytes = uint64_t{1} << 20;

// Fields of the image's sectors, through the one bounded reader of found
// bytes: one past the end reads as zero.
uint16_t Le16(std::span<const uint8_t> b, size_t at) {
    return imaging::ByteReader(b, imaging::ByteOrder::LittleEndian).At(at).U16();
}
uint32_t Le32(std::span<const uint8_t> b, size_t at) {
    return imaging::ByteReader(b, imaging::ByteOrder::LittleEndian).At(at).U32();
}
uint64_t Le64(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint64_t>(Le32(b, at)) | static_cast<uint64_t>(Le32(b, at + 4)) << 32;
}

bool TextAt(std::span<const uint8_t> b, size_t at, const char* text) {
    const size_t length = strlen(text);
    return at + length <= b.size() && memcmp(b.data() + at, text, length) == 0;
}

bool HasBootSignature(std::span<const uint8_t> b) {
    return b.size() >= kImageSectorBytes && b[510] == 0x55 && b[511] == 0xAA;
}

// The BIOS parameter block of a FAT volume: a jump, a power-of-two sector
// size and cluster size, reserved sectors and at least one FAT.
bool HasFatParameters(std::span<const uint8_t> b) {
    const uint16_t bytesPerSector = Le16(b, 11);
    const uint8_t sectorsPerCluster = b[13];
    const bool jump = b[0] == 0xEB || b[0] == 0xE9;
    const auto powerOfTwo = [](unsigned v) { return v != 0 && (v & (v - 1)) == 0; };
    return jump && bytesPerSector >= 512 && bytesPerSector <= 4096 && powerOfTwo(bytesPerSector) &&
           powerOfTwo(sectorsPerCluster) && Le16(b, 14) != 0 && b[16] != 0;
}

}  // namespace

std::optional<std::string> BootSectorFileSystem(std::span<const uint8_t> b) {
    if (b.size() < kImageSectorBytes) return std::nullopt;
    // Both name themselves where a FAT volume keeps its OEM name.
    if (TextAt(b, 3, "NTFS    ")) return "NTFS";
    if (TextAt(b, 3, "EXFAT   ")) return "exFAT";
    if (!HasBootSignature(b) || !HasFatParameters(b)) return std::nullopt;
    // FAT32 keeps no root entry count and no 16-bit FAT size; its FAT size is
    // a 32-bit field. The type label is only a label, so the layout decides.
    const bool fat32Layout = Le16(b, 17) == 0 && Le16(b, 22) == 0 && Le32(b, 36) != 0;
    if (fat32Layout) return "FAT32";
    if (TextAt(b, 54, "FAT16   ")) return "FAT16";
    if (TextAt(b, 54, "FAT12   ")) return std::nullopt;
    // Without a label, the count of clusters tells FAT16 from FAT12.
    const uint32_t totalSectors = Le16(b, 19) != 0 ? Le16(b, 19) : Le32(b, 32);
    const uint32_t rootSectors = (Le16(b, 17) * 32u + Le16(b, 11) - 1) / Le16(b, 11);
    const uint32_t dataStart = Le16(b, 14) + b[16] * static_cast<uint32_t>(Le16(b, 22)) + rootSectors;
    if (totalSectors <= dataStart) return std::nullopt;
    const uint32_t clusters = (totalSectors - dataStart) / b[13];
    if (clusters >= 4085 && clusters < 65525) return "FAT16";
    return std::nullopt;
}

bool HasProtectiveMbr(std::span<const uint8_t> sector0) {
    if (!HasBootSignature(sector0)) return false;
    return sector0[kMbrEntries + 4] == kGptProtectiveType;
}

std::optional<uint64_t> FirstMbrPartitionOffset(std::span<const uint8_t> sector0) {
    if (!HasBootSignature(sector0) || HasProtectiveMbr(sector0)) return std::nullopt;
    for (size_t i = 0; i < 4; ++i) {
        const size_t entry = kMbrEntries + i * kMbrEntryBytes;
        const uint8_t status = sector0[entry];
        const uint8_t type = sector0[entry + 4];
        const uint32_t start = Le32(sector0, entry + 8);
        const uint32_t count = Le32(sector0, entry + 12);
        // Anything but these status bytes means this sector is no partition table.
        if (status != 0x00 && status != 0x80) return std::nullopt;
        if (type == 0 || start == 0 || count == 0) continue;
        return static_cast<uint64_t>(start) * kImageSectorBytes;
    }
    return std::nullopt;
}

namespace {

// The first used entry of a GPT, read from the header in sector 1.
std::optional<uint64_t> FirstGptPartitionOffset(const ReadImageSector& read) {
    const std::optional<std::vector<uint8_t>> header = read(kImageSectorBytes);
    if (!header || header->size() < kImageSectorBytes || !TextAt(*header, 0, "EFI PART")) return std::nullopt;
    const uint64_t entriesLba = Le64(*header, 72);
    const uint32_t entryCount = Le32(*header, 80);
    const uint32_t entryBytes = Le32(*header, 84);
    if (entryBytes < 128 || entryBytes > kImageSectorBytes || kImageSectorBytes % entryBytes != 0) return std::nullopt;
    if (entriesLba == 0 || entriesLba > UINT64_MAX / kImageSectorBytes) return std::nullopt;
    const uint64_t entriesAt = entriesLba * kImageSectorBytes;
    const uint64_t tableBytes = std::min<uint64_t>(static_cast<uint64_t>(entryCount) * entryBytes, kGptEntryLimitBytes);
    for (uint64_t offset = 0; offset < tableBytes; offset += kImageSectorBytes) {
        const std::optional<std::vector<uint8_t>> sector = read(entriesAt + offset);
        if (!sector || sector->size() < kImageSectorBytes) return std::nullopt;
        for (size_t at = 0; at < kImageSectorBytes && offset + at < tableBytes; at += entryBytes) {
            const std::span<const uint8_t> entry(sector->data() + at, entryBytes);
            const bool used = std::any_of(entry.begin(), entry.begin() + 16, [](uint8_t v) { return v != 0; });
            if (!used) continue;
            const uint64_t firstLba = Le64(entry, 32);
            if (firstLba == 0 || firstLba > UINT64_MAX / kImageSectorBytes) return std::nullopt;
            return firstLba * kImageSectorBytes;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string DiskImageFileSystem(const ReadImageSector& read) {
    const std::optional<std::vector<uint8_t>> sector0 = read(0);
    if (!sector0 || sector0->size() < kImageSectorBytes) return kUnknownFileSystem;
    if (auto own = BootSectorFileSystem(*sector0)) return *own;
    std::optional<uint64_t> partition =
        HasProtectiveMbr(*sector0) ? FirstGptPartitionOffset(read) : FirstMbrPartitionOffset(*sector0);
    if (!partition) return kUnknownFileSystem;
    const std::optional<std::vector<uint8_t>> boot = read(*partition);
    if (!boot) return kUnknownFileSystem;
    return BootSectorFileSystem(*boot).value_or(kUnknownFileSystem);
}

}  // namespace workflow
