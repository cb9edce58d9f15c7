#include "workflow/engine/scan_progress.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>

#include "win/handles.h"

namespace workflow {

std::optional<uint64_t> StartSectorOf(const std::string& fileName) {
    const size_t slash = fileName.find_last_of("\\/");
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    if (start >= fileName.size() || (fileName[start] != 'f' && fileName[start] != 'b')) return std::nullopt;

    uint64_t sector = 0;
    size_t position = start + 1;
    for (; position < fileName.size() && fileName[position] >= '0' && fileName[position] <= '9'; ++position) {
        const uint64_t digit = static_cast<uint64_t>(fileName[position] - '0');
        sector = sector > (UINT64_MAX - digit) / 10 ? UINT64_MAX : sector * 10 + digit;
    }
    if (position == start + 1) return std::nullopt;
    // Some files get a title found inside them after the number: f0001234_title.doc.
    if (position < fileName.size() && fileName[position] != '.' && fileName[position] != '_') return std::nullopt;
    return sector;
}

bool IsMarkedDamaged(const std::string& fileName) {
    const size_t slash = fileName.find_last_of("\\/");
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    return start < fileName.size() && fileName[start] == 'b' && StartSectorOf(fileName).has_value();
}

void SearchProgress::See(const std::string& fileName) {
    if (const std::optional<uint64_t> sector = StartSectorOf(fileName))
        furthestSector = std::max(furthestSector, *sector);
}

double SearchProgress::Fraction(uint64_t diskBytes) const {
    if (diskBytes == 0) return 0.0;
    // In doubles: the sector's byte offset overflows 64 bits for a saturated sector.
    const double fraction =
        static_cast<double>(furthestSector) * static_cast<double>(kEngineSectorBytes) / static_cast<double>(diskBytes);
    return std::min(fraction, 1.0);
}

double SearchedFraction(const std::vector<std::string>& fileNames, uint64_t diskBytes) {
    SearchProgress progress;
    for (const std::string& name : fileNames) progress.See(name);
    return progress.Fraction(diskBytes);
}

std::optional<uint64_t> PhysicalDiskSize(uint32_t disk) {
    const std::string device = "\\\\.\\PhysicalDrive" + std::to_string(disk);
    // No read access: the geometry request needs none, so a user who is not an
    // administrator still gets the size.
    win::UniqueHandle handle(CreateFileA(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    if (!handle) return std::nullopt;

    // Room for the partition and detection parts that follow the size, so the
    // driver never answers that the buffer is too small.
    struct {
        DISK_GEOMETRY_EX geometry;
        DISK_PARTITION_INFO partition;
        DISK_DETECTION_INFO detection;
    } answer{};
    DWORD returned = 0;
    if (!DeviceIoControl(handle.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &answer, sizeof answer,
                         &returned, nullptr))
        return std::nullopt;
    if (returned < offsetof(DISK_GEOMETRY_EX, Data) || answer.geometry.DiskSize.QuadPart <= 0) return std::nullopt;
    return static_cast<uint64_t>(answer.geometry.DiskSize.QuadPart);
}

}  // namespace workflow
