// Which photos the list shows and in what order, as plain functions of their
// facts, and the EXIF facts they are read from.
#include "workflow/found/photo_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/jpeg/jpeg_exif.h"
#include "imaging/picture_facts.h"
#include "tests/support/files.h"
#include "tests/support/pump.h"

namespace {

using workflow::FoundPhoto;
using workflow::PhotoOrder;

// name, width x height (0: unknown), taken (0: none), file size; found in this order.
struct Fact {
    const char* name;
    uint32_t width, height;
    uint64_t taken;
    uint64_t size;
};

std::vector<FoundPhoto> Photos(const std::vector<Fact>& facts) {
    std::vector<FoundPhoto> photos(facts.size());
    for (size_t i = 0; i < facts.size(); ++i) {
        photos[i].path = facts[i].name;
        photos[i].facts.width = facts[i].width;
        photos[i].facts.height = facts[i].height;
        photos[i].facts.taken = facts[i].taken;
        photos[i].fileSize = facts[i].size;
        photos[i].foundIndex = static_cast<uint32_t>(i);
    }
    return photos;
}

std::vector<std::string> Names(const std::vector<FoundPhoto*>& shown) {
    std::vector<std::string> names;
    for (const FoundPhoto* photo : shown) names.push_back(photo->path);
    return names;
}

const std::vector<Fact> kFound = {
    {"icon", 32, 32, 0, 900},
    {"edge-below", 255, 100, 0, 8000},
    {"edge", 100, 256, 20081022164321, 9000},
    {"photo-b", 4000, 3000, 20081022162839, 5000000},
    {"unknown-size", 0, 0, 0, 70000},
    {"photo-a", 3000, 4000, 19990525210009, 4000000},
    {"same-time", 640, 480, 20081022162839, 5000000},
};

TEST(PhotoView, ShowsAndOrdersAsChosenAndNewPhotosTakeTheirPlace) {
    const struct {
        bool hideSmall;
        PhotoOrder order;
        std::vector<std::string> shown;
        bool hideCopies = false;  // "same-time" holds photo-b's bytes
    } rows[] = {
        {false, PhotoOrder::Found, {"icon", "edge-below", "edge", "photo-b", "unknown-size", "photo-a", "same-time"}},
        // The longer side decides, 256 is not small, and a size not known may be a damaged photo's.
        {true, PhotoOrder::Found, {"edge", "photo-b", "unknown-size", "photo-a", "same-time"}},
        // Oldest first, equal dates in found order, undated after them in found order.
        {false, PhotoOrder::DateTaken, {"photo-a", "photo-b", "same-time", "edge", "icon", "edge-below", "unknown-size"}},
        {true, PhotoOrder::DateTaken, {"photo-a", "photo-b", "same-time", "edge", "unknown-size"}},
        // Largest first, equal sizes in found order.
        {false, PhotoOrder::LargestFile, {"photo-b", "same-time", "photo-a", "unknown-size", "edge", "edge-below", "icon"}},
        // A copy goes, whatever the order; its first found stays.
        {false, PhotoOrder::Found, {"icon", "edge-below", "edge", "photo-b", "unknown-size", "photo-a"}, true},
        {true, PhotoOrder::LargestFile, {"photo-b", "photo-a", "unknown-size", "edge"}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.hideSmall) + " order " + std::to_string(static_cast<int>(row.order)) +
                     " copies " + std::to_string(row.hideCopies));
        std::vector<FoundPhoto> photos = Photos(kFound);
        photos.back().copy = true;
        std::vector<FoundPhoto*> found;
        for (FoundPhoto& photo : photos) found.push_back(&photo);
        const workflow::PhotoView view{row.hideSmall, row.order, row.hideCopies};
        EXPECT_EQ(Names(workflow::Arrange(found, view)), row.shown);

        // Found one at a time, each placed among those shown so far, they end
        // up as arranged all at once.
        std::vector<FoundPhoto*> arriving;
        for (FoundPhoto* photo : found) {
            if (!workflow::IsShown(*photo, view)) continue;
            arriving.insert(arriving.begin() + static_cast<ptrdiff_t>(workflow::PlaceOf(arriving, *photo, row.order)),
                            photo);
        }
        EXPECT_EQ(Names(arriving), row.shown);
    }
}

TEST(PhotoView, CountsAndChoicesAreWrittenAsPeopleReadThem) {
    EXPECT_EQ(workflow::ShowingText(812, 40213), "Showing 812 of 40,213 pictures");
    EXPECT_EQ(workflow::ShowingText(1, 1), "Showing 1 of 1 picture");
    EXPECT_EQ(workflow::ShowingText(0, 1), "The only picture found is hidden as small");
    EXPECT_EQ(workflow::ShowingText(0, 4600), "All 4,600 pictures are hidden as small");
    EXPECT_EQ(workflow::ShowingText(0, 0), "Showing 0 of 0 pictures");
    EXPECT_EQ(workflow::ShowingText(1234567, 1234567), "Showing 1,234,567 of 1,234,567 pictures");
    for (PhotoOrder order : {PhotoOrder::Found, PhotoOrder::DateTaken, PhotoOrder::LargestFile})
        EXPECT_EQ(workflow::PhotoOrderNamed(workflow::PhotoOrderName(order)), order);
    EXPECT_EQ(workflow::PhotoOrderNamed("sideways"), PhotoOrder::Found);
}

TEST(ExifDate, OnlyAWholeDateAndTimeIsADate) {
    const struct {
        std::string text;
        uint64_t taken;
    } rows[] = {
        {"2008:10:22 16:28:39", 20081022162839}, {"1999:05:25 21:00:09\0", 19990525210009},
        {"0000:00:00 00:00:00", 0},              {"                   ", 0},
        {"2008:13:22 16:28:39", 0},              {"2008:10:22 24:00:00", 0},
        {"2008:10:22", 0},                       {"2008-10-22 16:28:39", 20081022162839},
    };
    for (const auto& row : rows) {
        const auto bytes = std::span(reinterpret_cast<const uint8_t*>(row.text.data()), row.text.size());
        EXPECT_EQ(imaging::ParseExifDate(bytes), row.taken) << row.text;
    }
}

// A little-endian TIFF block whose IFD0 holds DateTime `changed` (none when
// empty) and an Exif pointer for each of `exifDates`, in order, each to a
// directory of its own holding DateTimeOriginal (none when empty).
std::vector<uint8_t> ExifBlock(const std::string& changed, const std::vector<std::string>& exifDates) {
    constexpr uint32_t kEntry = 12, kText = 20;
    std::vector<uint8_t> bytes = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const auto u16 = [&](uint32_t v) { bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    const auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    const auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        u16(tag), u16(type), u32(count), u32(value);
    };
    const uint32_t ifd0Entries = static_cast<uint32_t>(!changed.empty() + exifDates.size());
    uint32_t next = 8 + 2 + ifd0Entries * kEntry + 4;  // the first Exif directory
    std::vector<uint32_t> directories;
    for (const std::string& date : exifDates) {
        directories.push_back(next);
        next += 2 + (date.empty() ? 0 : kEntry) + 4;
    }
    uint32_t text = next;  // the texts, after the directories
    u16(ifd0Entries);
    if (!changed.empty()) entry(0x0132, 2, kText, text), text += kText;
    for (uint32_t directory : directories) entry(0x8769, 4, 1, directory);
    u32(0);
    for (const std::string& date : exifDates) {
        u16(date.empty() ? 0 : 1);
        if (!date.empty()) entry(0x9003, 2, kText, text), text += kText;
        u32(0);
    }
    // Each text is 19 characters and its NUL.
    const auto put = [&](const std::string& date) {
        if (date.empty()) return;
        bytes.insert(bytes.end(), date.begin(), date.end());
        bytes.push_back(0);
    };
    put(changed);
    for (const std::string& date : exifDates) put(date);
    return bytes;
}

// The date a photo was taken is in the Exif directory IFD0 points to, else
// the date it was changed is taken. A real block points once; the first
// pointer is the one followed, so a block repeating it is read in one walk.
TEST(ExifFacts, TheDateTakenComesFromTheFirstExifDirectoryElseTheDateChanged) {
    const std::string taken = "2008:10:22 16:28:39", other = "1999:05:25 21:00:09", changed = "2001:02:03 04:05:06";
    const struct {
        const char* name;
        std::string changed;
        std::vector<std::string> exifDates;
        uint64_t taken;
    } rows[] = {
        {"one Exif directory", changed, {taken}, 20081022162839},
        {"no Exif directory", changed, {}, 20010203040506},
        {"an Exif directory without a date", changed, {""}, 20010203040506},
        {"a second pointer to a dated directory", changed, {"", taken}, 20010203040506},
        {"two dated directories", "", {taken, other}, 20081022162839},
    };
    for (const auto& row : rows) {
        const std::vector<uint8_t> block = ExifBlock(row.changed, row.exifDates);
        EXPECT_EQ(imaging::ReadExifFacts(block).taken, row.taken) << row.name;
    }
}

TEST(PictureFacts, CameraPhotosTellTheirSizeAsShownTheirDateAndCamera) {
    const struct {
        const char* file;
        uint32_t width, height;
        uint64_t taken;
        const char* camera;
    } rows[] = {
        {"gps-DSCN0010.jpg", 640, 480, 20081022162839, "COOLPIX P6000"},
        {"exif-org-kodak-dc240.jpg", 640, 480, 19990525210009, "KODAK DC240 ZOOM DIGITAL CAMERA"},
        {"exif-org-olympus-d320l.jpg", 640, 480, 0, ""},  // its date is in a maker's own segment
        {"orientation-portrait_6.jpg", 450, 600, 0, ""},   // stored 600 x 450, turned
        {"orientation-landscape_5.jpg", 600, 450, 0, ""},
    };
    for (const auto& row : rows) {
        const std::string bytes = testing_support::ReadFile(
            testing_support::WindowsPath(std::string(VANTREO_SOURCE_DIR) + "/tests/corpus/jpeg-camera/" + row.file));
        const imaging::PictureFacts facts =
            imaging::ReadPictureFacts(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        EXPECT_EQ(facts.width, row.width) << row.file;
        EXPECT_EQ(facts.height, row.height) << row.file;
        EXPECT_EQ(facts.taken, row.taken) << row.file;
        EXPECT_EQ(facts.camera, row.camera) << row.file;
    }
}

}  // namespace
