// Size texts, device names, the drive list as Wine presents it, and the disk a path lies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/support/files.h"
#include "workflow/engine/disk_warning.h"
#include "workflow/engine/drive_list.h"

namespace {

using workflow::EngineDeviceName;
using workflow::FormatSize;

constexpr int64_t kKB = 1024;
constexpr int64_t kMB = 1024 * kKB;
constexpr int64_t kGB = 1024 * kMB;

TEST(FormatSize, BytesUpTo1024ThenOneDecimalOfStrictlyLargerUnits) {
    const struct {
        int64_t bytes;
        const char* text;
    } rows[] = {
        {0, "0 bytes"}, {1, "1 bytes"}, {1024, "1024 bytes"},  // thresholds are strict
        {1025, "1.0 KB"}, {kMB, "1024.0 KB"}, {kMB + 1, "1.0 MB"}, {kGB, "1024.0 MB"}, {kGB + 1, "1.0 GB"},
        {1536, "1.5 KB"}, {5 * kGB, "5.0 GB"}, {3 * kMB / 4 * 10, "7.5 MB"}, {2000 * kGB, "2000.0 GB"},
        {kMB - 52, "1023.9 KB"}, {kMB - 51, "1024.0 KB"},  // rounded to nearest
        // Negative sizes show their low 32 bits as bytes.
        {-1, "-1 bytes"}, {-2 * kGB, "-2147483648 bytes"}, {-(int64_t{1} << 32) + 5, "5 bytes"}, {INT64_MIN, "0 bytes"},
    };
    for (const auto& row : rows) EXPECT_EQ(FormatSize(row.bytes), row.text) << row.bytes;
}

TEST(EngineDeviceName, LettersLikeSpreadsheetColumnsAndNoneFrom128) {
    const std::optional<std::string> none;
    const struct {
        uint32_t disk;
        std::optional<std::string> name;
    } rows[] = {
        {0, "/dev/sda"},   {1, "/dev/sdb"},   {2, "/dev/sdc"},   {25, "/dev/sdz"},  {26, "/dev/sdaa"},
        {27, "/dev/sdab"}, {51, "/dev/sdaz"}, {52, "/dev/sdba"}, {127, "/dev/sddx"}, {128, none},
        {1000, none},      {UINT32_MAX, none},
    };
    for (const auto& row : rows) EXPECT_EQ(EngineDeviceName(row.disk), row.name) << row.disk;

    // Every nameable disk has its own lower-case name.
    std::set<std::string> names;
    for (uint32_t disk = 0; disk < 128; ++disk) {
        const std::optional<std::string> name = EngineDeviceName(disk);
        ASSERT_TRUE(name) << disk;
        ASSERT_EQ(name->rfind("/dev/sd", 0), 0u) << *name;
        const std::string letters = name->substr(7);
        EXPECT_EQ(letters.size(), disk < 26 ? 1u : 2u) << *name;
        EXPECT_TRUE(std::all_of(letters.begin(), letters.end(), [](char c) { return c >= 'a' && c <= 'z'; })) << *name;
        names.insert(*name);
    }
    EXPECT_EQ(names.size(), 128u);
}

TEST(DriveTypeText, KnownTypesAndEmptyForTheRest) {
    const std::pair<UINT, std::string> rows[] = {
        {DRIVE_REMOVABLE, "Removable Disk"}, {DRIVE_FIXED, "Local Disk"}, {DRIVE_REMOTE, "Network Drive"},
        {DRIVE_CDROM, "Compact Disc"}, {DRIVE_UNKNOWN, ""}, {DRIVE_NO_ROOT_DIR, ""}, {DRIVE_RAMDISK, ""}};
    for (const auto& [type, text] : rows) EXPECT_EQ(workflow::DriveTypeText(type), text) << type;
}

// Wine puts its C: drive on disk 0.
TEST(DriveList, ListsEveryDriveByBareNameInOrderWithTheSystemDriveOnTheFirstDisk) {
    const std::vector<workflow::DriveInfo> drives = workflow::ListDrives();
    for (const workflow::DriveInfo& drive : drives) {
        EXPECT_EQ(drive.name.size(), 2u) << drive.name;
        EXPECT_EQ(drive.name[1], ':') << drive.name;
        EXPECT_EQ(drive.device.rfind("/dev/sd", 0), 0u) << drive.name;
    }
    EXPECT_TRUE(std::is_sorted(drives.begin(), drives.end(),
                               [](const auto& a, const auto& b) { return a.name < b.name; }));
    auto c = std::find_if(drives.begin(), drives.end(), [](const auto& d) { return d.name == "C:"; });
    ASSERT_NE(c, drives.end());
    EXPECT_EQ(c->typeText, "Local Disk");
    EXPECT_FALSE(c->fileSystem.empty());
    EXPECT_GT(c->capacity, 0);
    EXPECT_EQ(c->device, "/dev/sda");
}

TEST(DiskWarning, WarnsOnlyWhenBothDisksAreKnownAndTheSameAsTheDisksOfTheirVolumes) {
    const std::optional<uint32_t> unknown;
    const struct {
        std::optional<uint32_t> searched, written;
        bool warn;
    } rows[] = {
        {0u, 0u, true},        {5u, 5u, true},        {0u, 1u, false},           {1u, 0u, false},
        {unknown, 0u, false},  {0u, unknown, false},  {unknown, unknown, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(workflow::WritesOntoSearchedDisk(row.searched, row.written), row.warn)
            << row.searched.value_or(99) << " " << row.written.value_or(99);

    // Volumes and paths lie on the disk of their volume. Under Wine every drive
    // letter sits on disk 0, and the temp folder on C:.
    const testing_support::ScratchFolder scratch("disk");
    const std::string temp = scratch.path();
    const std::optional<uint32_t> c = workflow::MapVolumeToDisk("C:");
    ASSERT_EQ(c, 0u);
    EXPECT_EQ(workflow::MapVolumeToDisk("Q:"), std::nullopt);  // no such drive under Wine
    EXPECT_EQ(workflow::DiskOfPath(temp), c);
    EXPECT_EQ(workflow::DiskOfPath(temp + "\\not made yet\\deeper"), c);
    EXPECT_EQ(workflow::DiskOfPath("c:\\"), c);

    EXPECT_EQ(workflow::DiskOfPath("\\\\server\\share\\photos"), std::nullopt);
    EXPECT_EQ(workflow::DiskOfPath("Q:\\photos"), std::nullopt);
    EXPECT_EQ(workflow::DiskOfPath(""), std::nullopt);
}

}  // namespace
