// The RAW preview finder on three real files and on a small file of each
// family built from its documented layout, hostile ones among them; and the
// thumbnail each gives as a found file: its preview's picture, or none, and
// damaged when the file ends before the data it declares.
#include "imaging/raw/raw_preview.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "imaging/jpeg/jpeg_preview.h"
#include "tests/support/files.h"
#include "tests/support/pump.h"
#include "tests/support/raw_fixtures.h"
#include "win/handles.h"
#include "workflow/thumbnails/thumbnails.h"

namespace {

using imaging::RawFamily;
using namespace raw_fixtures;

Bytes Load(const std::string& unixPath) {
    const std::string text = testing_support::ReadFile(testing_support::WindowsPath(unixPath));
    return Bytes(text.begin(), text.end());
}
Bytes RealRaw(const std::string& name) { return Load(std::string(VANTREO_SOURCE_DIR) + "/tests/corpus/raw/" + name); }
Bytes Jpeg(const std::string& name) { return Load(std::string(VANTREO_JPEG_CORPUS) + "/" + name + ".jpg"); }

// The JPEG with an APP2 segment of `size` bytes first: a RAF's or RW2's
// preview carries its own EXIF, tens of kilobytes of it.
Bytes WithSegment(Bytes jpeg, uint16_t size) {
    Bytes segment(size + 2u, 0);
    segment[0] = 0xFF, segment[1] = 0xE2, segment[2] = static_cast<uint8_t>(size >> 8), segment[3] = static_cast<uint8_t>(size);
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

Bytes CutTo(Bytes bytes, size_t size) {
    bytes.resize(std::min(bytes.size(), size));
    return bytes;
}

// The bytes, then zeros up to `size`, as the engine pads a file cut short;
// counts what is read.
class PaddedReader final : public imaging::RawReader {
public:
    PaddedReader(const Bytes& bytes, uint64_t size) : m_bytes(bytes), m_size(std::max<uint64_t>(size, bytes.size())) {}
    uint64_t Size() const override { return m_size; }
    bool Read(uint64_t offset, std::span<uint8_t> into) override {
        if (offset > m_size || into.size() > m_size - offset) return false;
        read += into.size();
        for (size_t i = 0; i < into.size(); ++i)
            into[i] = offset + i < m_bytes.size() ? m_bytes[static_cast<size_t>(offset + i)] : 0;
        return true;
    }
    uint64_t read = 0;

private:
    const Bytes& m_bytes;
    uint64_t m_size;
};

// The file holding the bytes, extended with zeros to `size` without writing them.
void WriteFound(const std::string& path, const Bytes& bytes, uint64_t size) {
    testing_support::WriteFile(path, std::string(bytes.begin(), bytes.end()));
    if (size <= bytes.size()) return;
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
}

TEST(RawPreview, TheLargestPictureEachFamilyEmbedsIsFoundWithItsOrientationAndHostileFilesGiveNone) {
    const Bytes nef = RealRaw("Nikon_D7100_truncated.nef"), cr3 = RealRaw("Canon_EOS_R6_pruned.cr3");
    const Bytes horizon = Jpeg("horizon"), turned = Jpeg("orientation-6");  // 320 x 240; 256 x 192 with EXIF 6
    const Bytes large = Jpeg("s420");  // 640 x 480 in 75 KB: more than the finder's first read of a JPEG
    const Bytes thumbnail(cr3.begin() + 18264 + 24, cr3.begin() + 18264 + 24 + 16005);  // the real CR3's THMB
    const Bytes lossless = WithFrame(horizon, 0xC3, 4000, 3000);
    const Bytes sub = MakeSubIfdFile(horizon), boxes = MakeCr3File(horizon, thumbnail, 1);
    const uint32_t rawAt = static_cast<uint32_t>(sub.size()) - kRawBytes;
    const struct {
        const char* name;
        Bytes file;
        RawFamily family;
        unsigned width, height;  // 0 x 0: no preview
        int orientation;
        bool cutShort;
        bool tooLarge = false;
        uint64_t paddedTo = 0;
    } rows[] = {
        {"NEF: the full-size JPEG of three, in a SubIFD; raw data cut off", nef, RawFamily::Tiff, 6000, 4000, 1, true},
        {"the same NEF padded to 100 MB", nef, RawFamily::Tiff, 6000, 4000, 1, false, false, 100 << 20},
        {"CR3: PRVW", cr3, RawFamily::Cr3, 1620, 1080, 1, false},
        {"DNG: the larger of IFD0's and a SubIFD's", RealRaw("Canon_EOS_6D_lossy.dng"), RawFamily::Tiff, 1024, 683, 1, false},
        {"SubIFD, little-endian", MakeSubIfdFile(horizon, {.orientation = 6}), RawFamily::Tiff, 320, 240, 6, false},
        {"SubIFD, big-endian", MakeSubIfdFile(horizon, {.bigEndian = true, .orientation = 8}), RawFamily::Tiff, 320, 240, 8, false},
        {"CR2: IFD0's strip, not the wider lossless one", MakeCr2File(horizon, lossless), RawFamily::Tiff, 320, 240, 1, false},
        {"ORF: Olympus's maker note", MakeOrfFile(horizon), RawFamily::Tiff, 320, 240, 1, false},
        {"RW2: JpgFromRaw", MakeRw2File(horizon), RawFamily::Tiff, 320, 240, 1, false},
        {"CR3 boxes: PRVW, orientation from CMT1", MakeCr3File(horizon, thumbnail, 8), RawFamily::Cr3, 320, 240, 8, false},
        {"CR3 boxes: THMB alone", MakeCr3File({}, thumbnail, 3), RawFamily::Cr3, 160, 120, 3, false},
        {"RAF header: the JPEG's own orientation, after 40 KB of its segments", MakeRafFile(WithSegment(turned, 40000)),
         RawFamily::Raf, 256, 192, 6, false},
        {"CRW heap: rotation 90", MakeCrwFile(horizon, 90), RawFamily::Crw, 320, 240, 6, false},
        {"a TIFF picture with a JPEG thumbnail is no RAW", MakePlainTiff(horizon), RawFamily::NotRaw, 0, 0, 0, false},
        {"raw data cut off", CutTo(sub, rawAt + kRawBytes / 2), RawFamily::Tiff, 320, 240, 1, true},
        {"preview past the end", CutTo(sub, kPreviewAt + horizon.size() / 2), RawFamily::Tiff, 0, 0, 0, true},
        // Its headers lie whole in the file, read by the first read; the rest does not.
        {"preview larger than the first read, past the end", CutTo(MakeSubIfdFile(large), kPreviewAt + large.size() / 2),
         RawFamily::Tiff, 0, 0, 0, true},
        {"CR3 cut in its last box", CutTo(boxes, boxes.size() - kRawBytes / 2), RawFamily::Cr3, 320, 240, 1, true},
        {"IFD0 chained to itself, a SubIFD naming itself",
         MakeSubIfdFile(horizon, {.ifd0ChainsToItself = true, .rawSubIfdNamesItself = true}), RawFamily::Tiff, 320, 240, 1, false},
        {"preview offset into the header", MakeSubIfdFile(horizon, {.previewOffset = 4}), RawFamily::Tiff, 0, 0, 0, false},
        {"lossless JPEG strip alone", MakeCr2File(lossless, lossless), RawFamily::Tiff, 0, 0, 0, false},
        {"preview claiming 400 megapixels", MakeSubIfdFile(WithFrame(horizon, 0xC0, 20000, 20000)), RawFamily::Tiff, 0, 0, 0, false, true},
    };
    const testing_support::ScratchFolder folder("raw-previews");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PaddedReader reader(row.file, row.paddedTo);
        const imaging::RawFacts facts = imaging::FindRawPreview(reader);
        EXPECT_EQ(facts.family, row.family);
        EXPECT_EQ(facts.preview.has_value(), row.width > 0);
        EXPECT_EQ(facts.CutShort(), row.cutShort);
        EXPECT_EQ(facts.previewTooLarge, row.tooLarge);
        // The directories and the JPEGs' headers, never the whole file.
        EXPECT_LE(reader.read, uint64_t{2} << 20);
        if (facts.preview) {
            const imaging::RawPreview& preview = *facts.preview;
            EXPECT_EQ(preview.width, row.width);
            EXPECT_EQ(preview.height, row.height);
            EXPECT_EQ(preview.orientation, row.orientation);
            const auto jpeg = std::span(row.file).subspan(static_cast<size_t>(preview.offset), preview.length);
            EXPECT_EQ(imaging::DecodeJpegPreview(jpeg).status, imaging::JpegPreviewStatus::Made);
        }

        // As a found file: the preview's picture or the placeholder, damaged when cut short.
        const std::string path = folder.In("f0001.nef");
        WriteFound(path, row.file, row.paddedTo);
        const workflow::Thumbnail made = workflow::MakeThumbnail(path);
        EXPECT_EQ(made.Decoded(), row.width > 0);
        EXPECT_EQ(made.readableShare.has_value(), row.cutShort);
        if (row.cutShort) EXPECT_DOUBLE_EQ(*made.readableShare, facts.PresentShare());
    }
}

}  // namespace
