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
    auto recovered = FilesIn(output);
    // Beside the copies, the list of what was recovered.
    ASSERT_NE(std::find(recovered.begin(), recovered.end(), "recovered.csv"), recovered.end());
    std::erase(recovered, "recovered.csv");
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

// A card on which two photos were copied into a folder before all were
// deleted: with Hide copies each photo is offered once, its tip says how often
// it was found, and the copy names the photos by date in year and month
// folders, the undated one apart, and lists them in recovered.csv.
TEST_F(RealEngine, PhotosCopiedTwiceAreOfferedOnceNamedByDateInFoldersAndListed) {
    const std::string output = m_scratch.In("recovered");
    WriteFile(settings::GetProgramFolder() + "settings.ini",
              "savedir=" + output + "\r\nhidecopies=1\r\nnaming=date-folders\r\n");
    ScanImage("copies.img");
    const auto deleted = DeletedJpegs("copies");
    ASSERT_EQ(deleted.size(), 3u);
    EXPECT_EQ(Text(IDC_PHOTOS_SHOWN), "Showing 3 of 5 pictures");
    const auto photos = PhotoContents();
    ASSERT_EQ(photos.size(), 3u);
    for (size_t i = 0; i < photos.size(); ++i) {
        const bool twice = photos[i] == deleted.at("DSCN0010.jpg") || photos[i] == deleted.at("sunset.jpg");
        const std::string tip = InfoTip(static_cast<int>(i));
        EXPECT_EQ(tip.ends_with("\nFound 2 times"), twice) << tip;
    }

    m_boxes.QueueAnswer(IDNO);   // the final question
    m_boxes.QueueAnswer(IDYES);  // the hidden copies go
    Click(IDC_RECOVER);
    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }, 30000));
    ASSERT_EQ(m_boxes.Boxes().size(), 2u);
    EXPECT_EQ(m_boxes.Texts()[1], "2 hidden pictures were not recovered. Delete them with the other found files?");
    auto written = testing_support::FilesBelow(output);
    const std::string record = written["recovered.csv"];
    std::erase_if(written, [](const auto& file) {
        return file.first == "recovered.csv" || file.first.starts_with("Other files\\");
    });
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written["2008\\2008-10\\2008-10-22 16.28.39 COOLPIX P6000.jpg"], deleted.at("DSCN0010.jpg"));
    EXPECT_EQ(written["1999\\1999-05\\1999-05-25 21.00.09 KODAK DC240 ZOOM DIGITAL CAMERA.jpg"], deleted.at("DCP00001.jpg"));
    const auto undated = std::find_if(written.begin(), written.end(),
                                      [](const auto& file) { return file.first.starts_with("Undated\\f"); });
    ASSERT_NE(undated, written.end());
    EXPECT_EQ(undated->second, deleted.at("sunset.jpg"));
    // A line a photo written, with its date, camera and times found.
    for (const auto& [name, content] : written) EXPECT_NE(record.find("\r\n" + name + ","), std::string::npos) << name;
    EXPECT_NE(record.find(",2008-10-22 16:28:39,COOLPIX P6000,intact,,2,"), std::string::npos) << record;
    EXPECT_EQ(record.find("same as another"), std::string::npos) << record;
}

}  // namespace
