// The whole workflow with the real carver (photorec behind the forwarder) on
// disk images with deleted pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/support/scan_fixture.h"

namespace {

using testing_support::FileExists;
using testing_support::FilesIn;
using testing_support::PumpUntil;
using testing_support::ReadFile;
using testing_support::WriteFile;

class RealEngine : public testing_support::ScanTest {
protected:
    void ScanImage(const std::string& image) {
        SetEnvironment("VANTREO_DISK_IMAGE", engines::DiskImageUnixPath(image));
        ASSERT_TRUE(engines::InstallEngine(engines::EngineKind::Photorec));
        StartScan();
        ASSERT_TRUE(WaitForResults(60000));
        EXPECT_TRUE(m_boxes.Boxes().empty());
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

TEST_F(RealEngine, PicturesOnTheSecondPartitionAreFoundToo) {
    ScanImage("partitioned.img");
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
    for (const auto& row : FileRows()) EXPECT_NE(row.name, "report.xml");

    m_boxes.QueueAnswer(IDNO);
    Click(IDC_RECOVER);
    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }, 30000));
    const auto recovered = FilesIn(output);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Texts()[0],
              std::to_string(recovered.size()) + " files recovered.\n\nDo you want to view recovered files?");
    EXPECT_EQ(recovered.size(), PhotoPaths().size() + FileRows().size());

    std::vector<std::string> contents;
    for (const auto& name : recovered) contents.push_back(ReadFile(output + "\\" + name));
    for (const auto& [name, content] : DeletedJpegs("plain")) {
        EXPECT_NE(std::find(contents.begin(), contents.end(), content), contents.end()) << name << " not recovered";
    }
    EXPECT_FALSE(FileExists(DataFolder()));
}

}  // namespace
