// The whole workflow with the real carver (photorec behind the forwarder) on
// disk images with deleted pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/support/scan_fixture.h"
#include "tests/support/window_picture.h"
#include "win/handles.h"
#include "workflow/copy/copy_messages.h"
#include "workflow/engine/engine_copy.h"
#include "workflow/found/scan_results.h"
#include "workflow/thumbnails/thumbnail_cache.h"
#include "workflow/thumbnails/thumbnails.h"

namespace {

using testing_support::FileExists;
using testing_support::FilesIn;
using testing_support::PumpUntil;
using testing_support::ReadFile;
using testing_support::WriteFile;

class RealEngine : public testing_support::ScanTest {
protected:
    // The tip the photo list shows over an entry, as the window answers it.
    std::string InfoTip(int index) {
        char text[INFOTIPSIZE] = {};
        NMLVGETINFOTIPA tip{};
        tip.hdr = {Item(IDC_PHOTO_LIST), IDC_PHOTO_LIST, static_cast<UINT>(LVN_GETINFOTIPA)};
        tip.pszText = text;
        tip.cchTextMax = INFOTIPSIZE;
        tip.iItem = index;
        SendMessageA(m_hwnd, WM_NOTIFY, IDC_PHOTO_LIST, reinterpret_cast<LPARAM>(&tip));
        return text;
    }
    // The image opened as a user opens one, its row chosen and Next pressed;
    // or, `asDrive`, searched in place of drive C:'s disk.
    void ScanImage(const std::string& image, bool asDrive = false) {
        ASSERT_TRUE(engines::InstallEngine(engines::EngineKind::Photorec));
        if (asDrive) {
            SetEnvironment("VANTREO_DISK_IMAGE", engines::DiskImageUnixPath(image));
            StartScan();
        } else {
            OpenWindow();
            const std::string path = testing_support::WindowsPath(engines::DiskImageUnixPath(image));
            COPYDATASTRUCT request{workflow::MainDialog::kOpenImageCopyData, static_cast<DWORD>(path.size() + 1),
                                   const_cast<char*>(path.c_str())};
            ASSERT_TRUE(SendMessageA(Window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&request)));
            ASSERT_TRUE(PumpUntil([&] { return List(IDC_DRIVE_LIST).FirstSelected() >= 0; }, 5000));
            ASSERT_EQ(List(IDC_DRIVE_LIST).GetItemText(List(IDC_DRIVE_LIST).FirstSelected(), 0), image);
            Click(IDC_NEXT);
        }
        ASSERT_TRUE(WaitForResults(60000));
        EXPECT_TRUE(m_boxes.Boxes().empty());
        // It ran from the copy only administrators can change.
        EXPECT_EQ(ReadFile(workflow::EngineCopyFolder() + "\\photo.exe"),
                  ReadFile(engines::EnginePath(engines::EngineKind::Photorec)));
    }
    // Contents of the deleted JPEGs of an image, by name.
    std::map<std::string, std::string> DeletedJpegs(const std::string& originals) {
        std::map<std::string, std::string> deleted;
        for (const auto& name : engines::DeletedFileNames(originals))
            if (name.ends_with(".jpg"))
                deleted[name] = ReadFile(engines::OriginalsFolder(originals) + "\\" + name);
        return deleted;
    }
    std::vector<std::string> PhotoContents() {
        std::vector<std::string> contents;
        for (const auto& path : PhotoPaths()) contents.push_back(ReadFile(path));
        return contents;
    }
};

// The drive's way: the disk of C: is, for the forwarder, the image that
// VANTREO_DISK_IMAGE names.
TEST_F(RealEngine, PicturesOnTheSecondPartitionAreFoundToo) {
    ScanImage("partitioned.img", true);
    const auto photos = PhotoContents();
    const auto deleted = DeletedJpegs("partitioned");
    ASSERT_FALSE(deleted.empty());
    for (const auto& [name, content] : deleted) {
        EXPECT_NE(std::find(photos.begin(), photos.end(), content), photos.end()) << name << " was not found";
    }
}

TEST_F(RealEngine, DeletedPicturesAppearAsPhotosWithoutTheEnginesLogAndAreRecoveredByteIdentical) {
    const std::string output = m_scratch.In("recovered");
    WriteFile(settings::GetProgramFolder() + "settings.ini", "savedir=" + output + "\r\n");
    ScanImage("plain.img");
    const auto photos = PhotoContents();
    for (const auto& [name, content] : DeletedJpegs("plain"))
        EXPECT_NE(std::find(photos.begin(), photos.end(), content), photos.end()) << name << " was not found";
    bool png = false;
    for (const auto& path : PhotoPaths()) png = png || path.substr(path.size() - 4) == ".png";
    EXPECT_TRUE(png);
    // The engine keeps the pieces of the file system it found damaged: listed, unchecked.
    size_t checked = 0;
    for (const auto& row : FileRows()) {
        EXPECT_NE(row.name, "report.xml");
        EXPECT_EQ(row.checked, row.name[0] != 'b') << row.name;
        checked += row.checked;
    }

    m_boxes.QueueAnswer(IDNO);
    Click(IDC_RECOVER);
    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }, 30000));
    const auto recovered = FilesIn(output);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Texts()[0], workflow::RecoveredQuestion(static_cast<int>(recovered.size())));
    EXPECT_EQ(recovered.size(), PhotoPaths().size() + checked);

    std::vector<std::string> contents;
    for (const auto& name : recovered) contents.push_back(ReadFile(output + "\\" + name));
    for (const auto& [name, content] : DeletedJpegs("plain")) {
        EXPECT_NE(std::find(contents.begin(), contents.end(), content), contents.end()) << name << " not recovered";
    }
    // The clean-up goes on after the copy has said it finished.
    EXPECT_TRUE(PumpUntil([&] { return !FileExists(DataFolder()); }, 10000));
}

// A card of two intact and three damaged photos (zeroed in the middle, cut off,
// half from another photo): the engine keeps the damaged ones as b<sector>.jpg;
// each is listed with its own thumbnail, marked, checked, and recovered as the
// engine wrote it.
TEST_F(RealEngine, DamagedPhotosAreListedMarkedAndRecoveredAsTheEngineWroteThem) {
    const std::string output = m_scratch.In("recovered");
    WriteFile(settings::GetProgramFolder() + "settings.ini", "savedir=" + output + "\r\n");
    ScanImage("damaged.img");
    const auto paths = PhotoPaths();
    ASSERT_EQ(paths.size(), 5u);
    const auto written = PhotoContents();
    const auto deleted = DeletedJpegs("damaged");
    const win::ListView photos = List(IDC_PHOTO_LIST);
    const HIMAGELIST thumbnails = ListView_GetImageList(photos.Handle(), LVSIL_NORMAL);
    // Without a placeholder beside the program a picture that cannot be drawn
    // is listed as a file row: five photo entries then show that all five were.
    const auto placeholder = workflow::MakePlaceholderThumbnail();
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string name = workflow::FileNameOf(paths[i]);
        SCOPED_TRACE(name);
        const bool damaged = name[0] == 'b';
        EXPECT_EQ(photos.GetItemText(static_cast<int>(i), 0), damaged ? "Damaged" : "");
        // Its name, its size, its file's size, and for a damaged one how much of it could be read.
        const std::string tip = InfoTip(static_cast<int>(i));
        EXPECT_TRUE(tip.starts_with(name + "\n1600 x 1200 pixels\n")) << tip;
        EXPECT_EQ(tip.find("\nDamaged: ") != std::string::npos, damaged) << tip;
        EXPECT_TRUE(PhotoChecks()[i]);
        if (placeholder)
            EXPECT_NE(testing_support::ImageListPixels(thumbnails, photos.GetItemImage(static_cast<int>(i)),
                                                       workflow::kThumbnailSize),
                      testing_support::BitmapPixels(workflow::SquareBitmap(*placeholder).get(), workflow::kThumbnailSize));
        if (!damaged) EXPECT_TRUE(written[i] == deleted.at("intact1.jpg") || written[i] == deleted.at("intact2.jpg"));
    }

    m_boxes.QueueAnswer(IDNO);
    Click(IDC_RECOVER);
    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }, 30000));
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(ReadFile(output + "\\" + workflow::FileNameOf(paths[i])), written[i]) << paths[i];
}

}  // namespace
