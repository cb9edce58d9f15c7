// Disk images as rows of the drive list: what their first sectors say, the
// files that are refused and why, and the window that adds, keeps and
// searches them.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "resources/resource.h"
#include "tests/engines/wine_paths.h"
#include "tests/support/scan_fixture.h"
#include "win/handles.h"
#include "workflow/engine/disk_image.h"
#include "workflow/engine/disk_image_layout.h"
#include "workflow/engine/disk_warning.h"
#include "workflow/engine/engine_trust.h"

namespace {

using testing_support::FileExists;
using testing_support::PumpUntil;
using testing_support::WriteFile;
using Bytes = std::vector<uint8_t>;

// ---- The first sectors, as plain bytes ------------------------------------------------------

void Put16(Bytes& b, size_t at, uint16_t v) { b[at] = v & 0xFF, b[at + 1] = v >> 8; }
void Put32(Bytes& b, size_t at, uint32_t v) { Put16(b, at, v & 0xFFFF), Put16(b, at + 2, v >> 16); }
void Put64(Bytes& b, size_t at, uint64_t v) { Put32(b, at, v & 0xFFFFFFFF), Put32(b, at + 4, v >> 32); }
void PutText(Bytes& b, size_t at, const char* text) { memcpy(b.data() + at, text, strlen(text)); }

Bytes Sector() { return Bytes(512, 0); }
void Sign(Bytes& b) { b[510] = 0x55, b[511] = 0xAA; }

// A FAT boot sector: 512-byte sectors, 4 sectors a cluster, two FATs.
enum class Fat { Fat32, Fat16Labelled, Fat16Unlabelled, Fat12 };
Bytes FatBoot(Fat kind) {
    Bytes b = Sector();
    b[0] = 0xEB, b[1] = 0x58, b[2] = 0x90;
    PutText(b, 3, "mkfs.fat");
    Put16(b, 11, 512), b[13] = 4, Put16(b, 14, kind == Fat::Fat32 ? 32 : 4), b[16] = 2;
    if (kind == Fat::Fat32) {
        Put32(b, 32, 131072), Put32(b, 36, 256);
        PutText(b, 82, "FAT32   ");
    } else {
        Put16(b, 17, 512);
        const bool fat12 = kind == Fat::Fat12;
        Put16(b, 19, fat12 ? 8000 : 0), Put32(b, 32, fat12 ? 0 : 131072), Put16(b, 22, fat12 ? 6 : 128);
        if (kind == Fat::Fat16Labelled) PutText(b, 54, "FAT16   ");
        if (fat12) PutText(b, 54, "FAT12   ");
    }
    Sign(b);
    return b;
}
Bytes NamedBoot(const char* name) {
    Bytes b = Sector();
    b[0] = 0xEB, b[1] = 0x52, b[2] = 0x90;
    PutText(b, 3, name);
    Sign(b);
    return b;
}
// An MBR whose entry `slot` holds a partition from `lba`.
Bytes Mbr(int slot, uint32_t lba, uint8_t type = 0x0C, uint8_t status = 0x80) {
    Bytes b = Sector();
    const size_t entry = 446 + slot * 16;
    b[entry] = status, b[entry + 4] = type;
    Put32(b, entry + 8, lba), Put32(b, entry + 12, 100000);
    Sign(b);
    return b;
}
// A GPT: protective MBR, header in sector 1, entries from sector 2, the first
// used entry in `slot` starting at `lba`.
std::map<uint64_t, Bytes> Gpt(int slot, uint64_t lba, uint32_t entryBytes = 128) {
    Bytes header = Sector();
    PutText(header, 0, "EFI PART");
    Put64(header, 72, 2), Put32(header, 80, 128), Put32(header, 84, entryBytes);
    Bytes entries = Sector();
    entries[slot * 128] = 0xA2;  // a type GUID's first byte
    Put64(entries, slot * 128 + 32, lba);
    return {{0, Mbr(0, 1, 0xEE, 0x00)}, {512, header}, {1024, entries}};
}

std::string FileSystemOf(const std::map<uint64_t, Bytes>& image) {
    return workflow::DiskImageFileSystem([&](uint64_t offset) -> std::optional<Bytes> {
        const auto found = image.find(offset);
        if (found == image.end()) return std::nullopt;
        return found->second;
    });
}

TEST(DiskImageLayout, TheFileSystemIsThatOfTheBootSectorOrOfTheFirstPartition) {
    const struct {
        const char* what;
        std::map<uint64_t, Bytes> sectors;
        const char* fileSystem;
    } rows[] = {
        {"FAT32 card", {{0, FatBoot(Fat::Fat32)}}, "FAT32"},
        {"FAT16 card", {{0, FatBoot(Fat::Fat16Labelled)}}, "FAT16"},
        {"FAT16 without its label", {{0, FatBoot(Fat::Fat16Unlabelled)}}, "FAT16"},
        {"FAT12 floppy", {{0, FatBoot(Fat::Fat12)}}, "Unknown"},
        {"NTFS volume", {{0, NamedBoot("NTFS    ")}}, "NTFS"},
        {"exFAT card", {{0, NamedBoot("EXFAT   ")}}, "exFAT"},
        {"MBR, FAT32 at 2048", {{0, Mbr(0, 2048)}, {2048 * 512, FatBoot(Fat::Fat32)}}, "FAT32"},
        {"MBR, first slot empty", {{0, Mbr(2, 63)}, {63 * 512, NamedBoot("EXFAT   ")}}, "exFAT"},
        {"MBR, partition past the end", {{0, Mbr(0, 4000000)}}, "Unknown"},
        {"MBR, boot code where the status byte goes", {{0, Mbr(0, 2048, 0x0C, 0x33)},
                                                      {2048 * 512, FatBoot(Fat::Fat32)}}, "Unknown"},
        {"GPT, NTFS in slot 0", [] { auto g = Gpt(0, 2048); g[2048 * 512] = NamedBoot("NTFS    "); return g; }(),
         "NTFS"},
        {"GPT, exFAT in slot 3", [] { auto g = Gpt(3, 34); g[34 * 512] = NamedBoot("EXFAT   "); return g; }(),
         "exFAT"},
        {"GPT, entries of a size no header has", [] { auto g = Gpt(0, 2048, 100); g[2048 * 512] =
                                                        NamedBoot("NTFS    "); return g; }(), "Unknown"},
        {"zeros", {{0, Sector()}}, "Unknown"},
        {"shorter than a sector", {{0, Bytes(100, 0xEB)}}, "Unknown"},
        {"nothing readable", {}, "Unknown"},
    };
    for (const auto& row : rows) EXPECT_EQ(FileSystemOf(row.sectors), row.fileSystem) << row.what;
}

// ---- Image files ----------------------------------------------------------------------------

std::string DiskImage(const std::string& name) { return testing_support::WindowsPath(engines::DiskImageUnixPath(name)); }

// A sparse file of `bytes`: nothing of it is written.
void MakeSparse(const std::string& path, int64_t bytes) {
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD ignored = 0;
    DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER size{};
    size.QuadPart = bytes;
    ASSERT_TRUE(SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
}

TEST(DiskImageFile, ARowTellsItsNameFileSystemAndSizeAndARefusalNamesTheFileAndWhy) {
    testing_support::ScratchFolder scratch("images");
    const std::string spaced = scratch.In("my cards\\caf\xE9");
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, spaced.c_str(), nullptr), ERROR_SUCCESS);
    ASSERT_TRUE(CopyFileA(DiskImage("plain.img").c_str(), (spaced + "\\camera card.dd").c_str(), TRUE));
    const std::string readOnly = scratch.In("card.raw");
    ASSERT_TRUE(CopyFileA(DiskImage("partitioned.img").c_str(), readOnly.c_str(), TRUE));
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    MakeSparse(scratch.In("huge.img"), int64_t{2} << 40);
    WriteFile(scratch.In("notes.txt"), "not a disk at all");
    WriteFile(scratch.In("empty.img"), "");
    WriteFile(scratch.In("held.img"), std::string(4096, 'x'));
    win::UniqueHandle holder(CreateFileA(scratch.In("held.img").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
    ASSERT_TRUE(holder);
    const std::string deep = scratch.In(std::string(240, 'd'));

    const struct {
        std::string path;
        const char *name, *fileSystem, *capacity;  // null name: refused
        const char* problem;                       // what the refusal says after the file's name
    } rows[] = {
        {DiskImage("plain.img"), "plain.img", "FAT16", "64.0 MB", nullptr},
        {spaced + "\\camera card.dd", "camera card.dd", "FAT16", "64.0 MB", nullptr},
        {readOnly, "card.raw", "FAT16", "64.0 MB", nullptr},
        {scratch.In("huge.img"), "huge.img", "Unknown", "2048.0 GB", nullptr},
        {scratch.In("notes.txt"), "notes.txt", "Unknown", "17 bytes", nullptr},
        {scratch.In("empty.img"), nullptr, nullptr, nullptr, " is empty."},
        {scratch.path(), nullptr, nullptr, nullptr, " is a folder, not a disk image."},
        {scratch.In("gone.img"), nullptr, nullptr, nullptr, " cannot be opened: it is not there."},
        {scratch.In("held.img"), nullptr, nullptr, nullptr, " cannot be opened: it is in use by another program."},
        {deep + "\\card.img", nullptr, nullptr, nullptr, " is too long: it has 260 characters or more."},
        {scratch.In("caf?.img"), nullptr, nullptr, nullptr, " holds characters this program cannot use."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const workflow::DiskImageCheck check = workflow::DescribeDiskImage(row.path);
        if (!row.name) {
            EXPECT_FALSE(check.image);
            EXPECT_NE(check.problem.find("\"" + row.path + "\"" + row.problem), std::string::npos) << check.problem;
            continue;
        }
        ASSERT_TRUE(check.image) << check.problem;
        EXPECT_EQ(check.image->name, row.name);
        EXPECT_EQ(check.image->fileSystem, row.fileSystem);
        EXPECT_EQ(workflow::FormatSize(check.image->capacity), row.capacity);
        EXPECT_EQ(check.image->typeText, "Disk image");
        EXPECT_EQ(check.image->device, row.path);
        EXPECT_EQ(check.image->Key(), row.path);
        EXPECT_FALSE(workflow::DiskImageGoneOrChanged(*check.image));
    }
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// ---- In the window ---------------------------------------------------------------------------

class DiskImageWindow : public testing_support::ScanTest {
protected:
    // Drops files on the window as Explorer does.
    void Drop(const std::vector<std::string>& paths) {
        std::string names;
        for (const std::string& path : paths) names += path + '\0';
        names += '\0';
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
        GlobalUnlock(memory);
        SendMessageA(Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    }
    std::vector<std::string> Row(int index) {
        const win::ListView drives = List(IDC_DRIVE_LIST);
        return {drives.GetItemText(index, 0), drives.GetItemText(index, 1), drives.GetItemText(index, 2),
                drives.GetItemText(index, 3)};
    }
    int SelectedRow() { return List(IDC_DRIVE_LIST).FirstSelected(); }
    int Rows() { return List(IDC_DRIVE_LIST).Count(); }
    // A copy of plain.img in a folder with blanks in its path.
    std::string CopyOfPlainImage() {
        const std::string folder = m_scratch.In("camera cards");
        CreateDirectoryA(folder.c_str(), nullptr);
        const std::string image = folder + "\\card one.img";
        CopyFileA(DiskImage("plain.img").c_str(), image.c_str(), FALSE);
        return image;
    }
};

// A drop adds the image as a row and selects it; the same file again keeps its
// one row; Reload keeps it; a refused file is said and adds nothing.
TEST_F(DiskImageWindow, ADroppedImageIsARowOfItsOwnSelectedKeptByReloadAndARefusedOneIsSaid) {
    OpenWindow();
    const int drives = Rows();
    const std::string image = CopyOfPlainImage();
    Drop({image});
    ASSERT_EQ(Rows(), drives + 1);
    EXPECT_EQ(Row(drives), (std::vector<std::string>{"card one.img", "FAT16", "64.0 MB", "Disk image"}));
    EXPECT_EQ(SelectedRow(), drives);
    EXPECT_TRUE(m_boxes.Boxes().empty());

    List(IDC_DRIVE_LIST).Select(0);
    Drop({image});
    EXPECT_EQ(Rows(), drives + 1);
    EXPECT_EQ(SelectedRow(), drives);
    Click(IDC_RELOAD);
    ASSERT_EQ(Rows(), drives + 1);
    EXPECT_EQ(Row(drives)[0], "card one.img");

    WriteFile(m_scratch.In("empty.img"), "");
    Drop({m_scratch.In("empty.img")});
    EXPECT_EQ(Rows(), drives + 1);
    ASSERT_EQ(m_boxes.Texts().size(), 1u);
    EXPECT_EQ(m_boxes.Texts()[0].rfind("The disk image \"" + m_scratch.In("empty.img") + "\" is empty.", 0), 0u);
}

// Next hands the engine the image's full path, quoted, with the same options,
// and asks nothing of writing onto the searched disk: an image has none.
TEST_F(DiskImageWindow, NextSearchesTheImageByItsPathWithoutTheSameDiskQuestion) {
    InstallStandIn(engines::FixturesFolder(), false);
    m_boxes.StopAnsweringSilently();
    m_boxes.AnswerSilentlyWhenStarting(workflow::kEngineQuestionStart, IDYES);
    const std::string image = CopyOfPlainImage();
    m_dialog = std::make_unique<workflow::MainDialog>();
    m_dialog->OpenImageAtStart(image);
    m_hwnd = m_dialog->Create(nullptr);
    ASSERT_NE(m_hwnd, nullptr);
    ShowWindow(m_hwnd, SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return SelectedRow() >= 0; }, 5000));
    EXPECT_EQ(Row(SelectedRow())[0], "card one.img");
    Click(IDC_NEXT);
    ASSERT_TRUE(WaitForResults());
    EXPECT_NE(EngineLog().find("/cmd \"" + image + "\" partition_none,options,keep_corrupted_file,"), std::string::npos)
        << EngineLog();
    for (const std::string& text : m_boxes.Texts()) EXPECT_NE(text, workflow::kSearchOntoSearchedDiskQuestion);
}

// An image that went, or another file put in its place, is said and never searched.
TEST_F(DiskImageWindow, AnImageThatWentOrWasReplacedBeforeNextIsNotSearched) {
    InstallStandIn(engines::FixturesFolder(), false);
    OpenWindow();
    const std::string image = CopyOfPlainImage();
    for (const bool replaced : {false, true}) {
        SCOPED_TRACE(replaced ? "replaced" : "gone");
        m_boxes.Clear();
        Drop({image});
        ASSERT_EQ(Row(SelectedRow())[0], "card one.img");
        ASSERT_TRUE(DeleteFileA(image.c_str()));
        if (replaced) WriteFile(image, std::string(1 << 20, 'r'));
        Click(IDC_NEXT);
        testing_support::PumpPending();
        ASSERT_EQ(m_boxes.Texts().size(), 1u);
        EXPECT_EQ(m_boxes.Texts()[0].rfind("The disk image \"" + image + (replaced ? "\" was replaced" : "\" is no longer there"), 0), 0u)
            << m_boxes.Texts()[0];
        EXPECT_TRUE(Visible(IDC_DRIVE_LIST));
        EXPECT_FALSE(FileExists(m_logPath));
        CopyFileA(DiskImage("plain.img").c_str(), image.c_str(), FALSE);
    }
}

}  // namespace
