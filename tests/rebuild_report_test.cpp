// The engine's report of the files it wrote, as the rebuild reads it: a real
// report, reports cut short while the engine ran, and hostile ones; and the
// device bytes that intact files claim.
#include "imaging/rebuild/carver_report.h"
#include "imaging/rebuild/claimed_ranges.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using imaging::rebuild::ClaimedRanges;
using imaging::rebuild::ReadCarverReport;
using imaging::rebuild::ReadLogBlockSize;
using imaging::rebuild::ReportBounds;

// As the real carver wrote it for a FAT16 card holding one photo in two
// pieces (trimmed of its build details).
const std::string kReport = R"(<?xml version='1.0' encoding='UTF-8'?>
<dfxml xmloutputversion='1.0'>
  <metadata
  xmlns='http://www.forensicswiki.org/wiki/Category:Digital_Forensics_XML'>
    <dc:type>Carve Report</dc:type>
  </metadata>
  <creator>
    <package>PhotoRec</package>
    <version>7.1</version>
  </creator>
  <source>
    <image_filename>disk.img</image_filename>
    <sectorsize>512</sectorsize>
    <image_size>16777216</image_size>
    <volume>
      <byte_runs>
        <byte_run offset='0' img_offset='0' len='16777216'/>
      </byte_runs>
      <block_size>2048</block_size>
    </volume>
  </source>
  <configuration>
  </configuration>
  <fileobject>
    <filename>f0000000.fat</filename>
    <filesize>51200</filesize>
    <byte_runs>
      <byte_run offset='0' img_offset='0' len='51200'/>
    </byte_runs>
  </fileobject>
  <fileobject>
    <filename>b0000100.jpg</filename>
    <filesize>22528</filesize>
    <byte_runs>
      <byte_run offset='0' img_offset='51200' len='20480'/>
      <byte_run offset='20480' img_offset='81920' len='2048'/>
    </byte_runs>
  </fileobject>
</dfxml>
)";

std::string FileObject(const std::string& name, const std::string& runs) {
    return "<fileobject><filename>" + name + "</filename><byte_runs>" + runs + "</byte_runs></fileobject>\n";
}
std::string RunXml(uint64_t offset, uint64_t device, uint64_t length) {
    return "<byte_run offset='" + std::to_string(offset) + "' img_offset='" + std::to_string(device) + "' len='" +
           std::to_string(length) + "'/>";
}
std::string Report(const std::string& files) {
    return "<dfxml><source><image_size>1048576</image_size><volume><block_size>4096</block_size></volume></source>" +
           files + "</dfxml>";
}

TEST(RebuildReport, ReadsTheCarversOwnReport) {
    const auto report = ReadCarverReport(kReport);
    EXPECT_TRUE(report.complete);
    EXPECT_FALSE(report.truncated);
    EXPECT_EQ(report.imageSize, 16777216u);
    EXPECT_EQ(report.blockSize, 2048u);
    ASSERT_EQ(report.files.size(), 2u);
    const auto& photo = report.files[1];
    EXPECT_EQ(photo.name, "b0000100.jpg");
    ASSERT_EQ(photo.runs.size(), 2u);
    EXPECT_EQ(photo.runs[1].fileOffset, 20480u);
    EXPECT_EQ(photo.runs[1].deviceOffset, 81920u);
    EXPECT_EQ(photo.runs[1].length, 2048u);
    EXPECT_TRUE(photo.readable);
    // The volume's own run is no file's.
    EXPECT_EQ(report.files[0].runs.size(), 1u);
}

TEST(RebuildReport, KeepsOnlyTheFilesWhoseElementClosedInAReportCutShort) {
    const size_t secondFile = kReport.find("<fileobject>", kReport.find("<fileobject>") + 1);
    const struct {
        size_t cut;
        size_t files;
    } rows[] = {
        {kReport.find("<block_size>") + 5, 0},    // inside a tag
        {secondFile, 1},                           // before the photo
        {kReport.find("len='2048'/>", secondFile), 1},  // inside the photo's runs
        {kReport.find("</dfxml>"), 2},             // before the end
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto report = ReadCarverReport(std::string_view(kReport).substr(0, rows[i].cut));
        EXPECT_FALSE(report.complete) << i;
        EXPECT_EQ(report.files.size(), rows[i].files) << i;
    }
    EXPECT_EQ(ReadCarverReport("").files.size(), 0u);
}

TEST(RebuildReport, AFileWhoseRunsCannotBeReadBackIsListedNotReadable) {
    const struct {
        const char* what;
        std::string runs;
        bool readable;
    } rows[] = {
        {"two runs in order", RunXml(0, 8192, 4096) + RunXml(4096, 40960, 4096), true},
        {"past the device's end", RunXml(0, 1044480, 8192), false},
        {"length wrapping around", RunXml(0, 4096, UINT64_MAX - 100), false},
        {"a hole between runs", RunXml(0, 8192, 4096) + RunXml(8192, 40960, 4096), false},
        {"runs out of file order", RunXml(4096, 40960, 4096) + RunXml(0, 8192, 4096), false},
        {"two runs on the same bytes", RunXml(0, 8192, 8192) + RunXml(8192, 12288, 4096), false},
        {"an empty run", RunXml(0, 8192, 0), false},
        {"no runs", "", false},
        {"a run missing its length", "<byte_run offset='0' img_offset='8192'/>", false},
        {"a number too large", "<byte_run offset='0' img_offset='99999999999999999999999' len='1'/>", false},
        {"double quotes", "<byte_run offset=\"0\" img_offset=\"8192\" len=\"4096\"/>", true},
    };
    for (const auto& row : rows) {
        const auto report = ReadCarverReport(Report(FileObject("b0000016.jpg", row.runs)));
        ASSERT_EQ(report.files.size(), 1u) << row.what;
        EXPECT_EQ(report.files[0].readable, row.readable) << row.what;
    }
}

TEST(RebuildReport, MillionsOfRunsStayWithinTheBounds) {
    ReportBounds bounds;
    bounds.maxRunsPerFile = 100;
    bounds.maxRuns = 250;
    bounds.maxFiles = 5;
    std::string many;
    for (uint64_t i = 0; i < 150; ++i) many += RunXml(i * 512, i * 1024, 512);
    std::string files = FileObject("b0000001.jpg", many);  // over the file's bound
    std::string fewer;
    for (uint64_t i = 0; i < 90; ++i) fewer += RunXml(i * 512, i * 1024, 512);
    for (int i = 0; i < 3; ++i) files += FileObject("f000000" + std::to_string(i + 2) + ".jpg", fewer);
    const auto report = ReadCarverReport(Report(files), bounds);
    // The first file keeps 100 runs and is not readable; the second adds 90;
    // the third reaches the bound of all runs and ends the reading.
    ASSERT_EQ(report.files.size(), 2u);
    EXPECT_EQ(report.files[0].runs.size(), 100u);
    EXPECT_FALSE(report.files[0].readable);
    EXPECT_TRUE(report.files[1].readable);
    EXPECT_TRUE(report.truncated);

    std::string tooMany;
    for (int i = 0; i < 7; ++i) tooMany += FileObject("f" + std::to_string(i) + ".jpg", RunXml(0, 0, 512));
    const auto capped = ReadCarverReport(Report(tooMany), bounds);
    EXPECT_EQ(capped.files.size(), 5u);
    EXPECT_TRUE(capped.truncated);
}

TEST(RebuildReport, TakesOnlyAPlausibleBlockSize) {
    const struct {
        const char* text;
        uint32_t size;
    } rows[] = {{"4096", 4096}, {"32768", 32768}, {"3000", 0}, {"256", 0}, {"4194304", 0}, {"-4096", 0}, {"", 0}};
    for (const auto& row : rows) {
        const auto report = ReadCarverReport(std::string("<dfxml><block_size>") + row.text + "</block_size></dfxml>");
        EXPECT_EQ(report.blockSize, row.size) << row.text;
    }
    // The log names the first pass's 512 bytes, then the file system's size.
    EXPECT_EQ(ReadLogBlockSize("     FAT16, blocksize=2048, 16 MB / 16 MiB\nPass 0 (blocksize=512) STATUS_FIND_OFFSET\n"
                               "blocksize=2048, offset=0\nPass 1 (blocksize=2048) STATUS_EXT2_OFF\n"),
              2048u);
    EXPECT_EQ(ReadLogBlockSize("blocksize=12345\n"), 0u);
    EXPECT_EQ(ReadLogBlockSize(""), 0u);
}

TEST(RebuildReport, OnlyIntactFilesClaimTheirBytes) {
    const auto report = ReadCarverReport(Report(FileObject("f0000016.jpg", RunXml(0, 8192, 8192)) +
                                                FileObject("f0000064.png", RunXml(0, 32768, 4096)) +
                                                FileObject("b0000128.jpg", RunXml(0, 65536, 65536))));
    const ClaimedRanges claimed(report);
    EXPECT_EQ(claimed.RangeCount(), 2u);
    EXPECT_FALSE(claimed.Claims(0, 8192));
    EXPECT_TRUE(claimed.Claims(4096, 8192));
    EXPECT_TRUE(claimed.Claims(16383, 1));
    EXPECT_FALSE(claimed.Claims(16384, 16384));
    EXPECT_TRUE(claimed.Claims(32768, 1));
    EXPECT_FALSE(claimed.Claims(65536, 4096));  // a broken file's clusters may be a piece of another
    EXPECT_EQ(claimed.NextFree(8192), 16384u);
    EXPECT_EQ(claimed.NextFree(20000), 20000u);

    ClaimedRanges overlapping;
    overlapping.Add(100, 50);
    overlapping.Add(120, 100);
    overlapping.Add(UINT64_MAX - 10, 100);  // wraps: claims to the end
    EXPECT_EQ(overlapping.RangeCount(), 2u);
    EXPECT_EQ(overlapping.NextFree(100), 220u);
    EXPECT_TRUE(overlapping.Claims(UINT64_MAX - 1, 1));
}

}  // namespace
