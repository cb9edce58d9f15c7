// Photos laid out in pieces on a device in memory, put back together: gap
// sizes and fills, restart intervals or none, the sampling factors cameras
// use, three and four pieces, and the layouts that must not be rebuilt. The
// checkpointed decode against a decode in one go, and the seam measure on
// intact photos.
#include "imaging/rebuild/photo_rebuild.h"
#include "imaging/rebuild/scan_checkpoint.h"
#include "imaging/rebuild/seam_score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "imaging/jpeg/jpeg_headers.h"
#include "tests/support/files.h"
#include "tests/support/fragmented_device.h"
#include "tests/support/pump.h"

namespace {

using namespace imaging::rebuild;
using testing_support::FragmentedDevice;
using testing_support::GapFill;
using testing_support::MakeFragmentedDevice;
using testing_support::PiecePlan;
using testing_support::ReadRuns;
using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path) {
    const std::string text = testing_support::ReadFile(testing_support::WindowsPath(path));
    EXPECT_FALSE(text.empty()) << path;
    return Bytes(text.begin(), text.end());
}
// The build's JPEG corpus (make_jpeg_corpus.sh), or a camera photo.
Bytes Picture(const std::string& name) {
    if (name.find(".jpg") != std::string::npos)
        return ReadBytes(std::string(VANTREO_SOURCE_DIR) + "/tests/corpus/jpeg-camera/" + name);
    return ReadBytes(std::string(VANTREO_JPEG_CORPUS) + "/" + name + ".jpg");
}

RebuildResult Rebuild(const FragmentedDevice& device, uint32_t clusterSize, const ClaimedRanges& claimed = {},
                      const RebuildLimits& limits = {}) {
    MemoryByteSource source(device.bytes);
    return RebuildPhoto(source, device.carvedRuns, clusterSize, claimed, limits);
}

const char* Name(RebuildOutcome outcome) {
    static const char* const names[] = {"Rebuilt", "Whole", "NotCovered", "Progressive", "Unreadable",
                                        "NoContinuation", "TooManyPieces", "Cancelled"};
    return names[static_cast<int>(outcome)];
}

TEST(RebuildSearch, PutsPhotosInPiecesBackByteForByte) {
    const struct {
        const char* photo;
        uint32_t cluster;
        std::vector<PiecePlan> pieces;  // clusters of the photo in each, and the gap before it
        GapFill fill;
        const char* other;  // the photo whose data fills the gaps
    } rows[] = {
        {"s420", 4096, {{8, 0}, {0, 1}}, GapFill::Random, ""},
        {"s422", 4096, {{12, 0}, {0, 40}}, GapFill::Text, ""},
        {"s444", 4096, {{5, 0}, {0, 300}}, GapFill::OtherPhoto, "other"},
        {"s440", 4096, {{10, 0}, {0, 2}}, GapFill::OtherPhoto, "s422"},  // the same scene coded alike
        {"s422-restart-rows", 4096, {{9, 0}, {0, 7}}, GapFill::Random, ""},
        {"s420-restart-7", 4096, {{6, 0}, {0, 2000}}, GapFill::Random, ""},
        {"grey", 4096, {{4, 0}, {0, 3}}, GapFill::Text, ""},
        {"grey-restart", 2048, {{20, 0}, {0, 33}}, GapFill::Random, ""},
        {"odd420", 4096, {{11, 0}, {0, 12}}, GapFill::OtherPhoto, "other-optimized"},
        {"optimized", 4096, {{7, 0}, {0, 5}}, GapFill::Random, ""},
        {"s420", 512, {{100, 0}, {0, 100}}, GapFill::Text, ""},
        {"gps-DSCN0010.jpg", 4096, {{9, 0}, {12, 4}, {0, 9}}, GapFill::Random, ""},
        {"exif-org-nikon-e950.jpg", 4096, {{9, 0}, {8, 2}, {7, 3}, {0, 1}}, GapFill::Text, ""},
        {"exif-org-kodak-dc240.jpg", 32768, {{1, 0}, {0, 2}}, GapFill::OtherPhoto, "gps-DSCN0012.jpg"},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto& row = rows[i];
        const Bytes photo = Picture(row.photo);
        const Bytes other = *row.other ? Picture(row.other) : Bytes{};
        const auto device = MakeFragmentedDevice(photo, row.cluster, row.pieces, row.fill, other, 2, 2, 7 + i);
        const RebuildResult result = Rebuild(device, row.cluster);
        ASSERT_EQ(result.outcome, RebuildOutcome::Rebuilt) << i << " " << row.photo << ": " << Name(result.outcome);
        EXPECT_EQ(result.pieces, row.pieces.size()) << i;
        EXPECT_EQ(result.runs.size(), row.pieces.size()) << i;
        EXPECT_TRUE(ReadRuns(device.bytes, result.runs) == photo) << i << " " << row.photo;
    }
}

// The photo's second piece, replaced on the device by other data.
FragmentedDevice Overwritten(const Bytes& photo, uint32_t cluster, uint8_t fill) {
    auto device = MakeFragmentedDevice(photo, cluster, {{8, 0}, {0, 3}}, GapFill::Random);
    const auto& second = device.photoRuns[1];
    for (uint64_t i = 0; i < second.length; ++i)
        device.bytes[second.deviceOffset + i] = fill == 1 ? static_cast<uint8_t>(i * 7919 >> 3) : fill;
    return device;
}

// The second piece stored before the first: [piece 2][gap][piece 1].
FragmentedDevice SecondPieceFirst(const Bytes& photo, uint32_t cluster, uint64_t split) {
    const auto layout = MakeFragmentedDevice(photo, cluster, {{split, 0}, {0, 1}}, GapFill::Random);
    const auto& first = layout.photoRuns[0];
    const auto& second = layout.photoRuns[1];
    FragmentedDevice device;
    device.bytes.assign(cluster, 0x5A);
    Bytes secondPiece(layout.bytes.begin() + second.deviceOffset, layout.bytes.begin() + second.DeviceEnd());
    secondPiece.resize((secondPiece.size() + cluster - 1) / cluster * cluster, 0x33);
    device.bytes.insert(device.bytes.end(), secondPiece.begin(), secondPiece.end());
    device.bytes.insert(device.bytes.end(), 3 * cluster, 0x6B);
    const uint64_t firstAt = device.bytes.size();
    device.bytes.insert(device.bytes.end(), photo.begin(), photo.begin() + first.length);
    device.bytes.insert(device.bytes.end(), 4 * cluster, 0x71);
    device.carvedRuns.push_back({0, firstAt, first.length + cluster});
    return device;
}

TEST(RebuildSearch, LeavesAPhotoBrokenWhenItsPiecesCannotBeFound) {
    const Bytes s420 = Picture("s420");
    const uint32_t cluster = 4096;
    auto whole = MakeFragmentedDevice(s420, cluster, {{0, 0}}, GapFill::Random);
    auto farAway = MakeFragmentedDevice(s420, cluster, {{8, 0}, {0, 40}}, GapFill::Random);
    RebuildLimits nearOnly;
    nearOnly.gapClusters = 16;
    auto claimedSecond = MakeFragmentedDevice(s420, cluster, {{8, 0}, {0, 3}}, GapFill::Random);
    ClaimedRanges claimed;
    claimed.Add(claimedSecond.photoRuns[1].deviceOffset, cluster);
    // Fill bytes (FF) after the first piece: no window holds a whole MCU.
    FragmentedDevice fillBytes;
    fillBytes.bytes.assign(s420.begin(), s420.begin() + 8 * cluster);
    fillBytes.bytes.resize(fillBytes.bytes.size() + (3 << 20), 0xFF);
    fillBytes.carvedRuns.push_back({0, 0, 9 * cluster});
    auto pastTheDevice = farAway;
    pastTheDevice.carvedRuns[0].length = pastTheDevice.bytes.size();
    const struct {
        const char* what;
        FragmentedDevice device;
        uint32_t cluster;
        ClaimedRanges claimed;
        RebuildLimits limits;
        RebuildOutcome outcome;
    } rows[] = {
        {"the second piece overwritten with other data", Overwritten(s420, cluster, 1), cluster, {}, {},
         RebuildOutcome::NoContinuation},
        {"the second piece overwritten with zeros", Overwritten(s420, cluster, 0), cluster, {}, {},
         RebuildOutcome::NoContinuation},
        // Pieces are only looked for after the piece before them.
        {"the second piece before the first", SecondPieceFirst(s420, cluster, 8), cluster, {}, {},
         RebuildOutcome::NoContinuation},
        {"a gap past the limit", farAway, cluster, {}, nearOnly, RebuildOutcome::NoContinuation},
        {"the second piece claimed by a found file", claimedSecond, cluster, claimed, {},
         RebuildOutcome::NoContinuation},
        {"megabytes of fill bytes", fillBytes, cluster, {}, {}, RebuildOutcome::NoContinuation},
        {"one piece", whole, cluster, {}, {}, RebuildOutcome::Whole},
        {"a block size no file system has", farAway, 3000, {}, {}, RebuildOutcome::Unreadable},
        {"runs past the device's end", pastTheDevice, cluster, {}, {}, RebuildOutcome::Unreadable},
        {"progressive coding", MakeFragmentedDevice(Picture("progressive"), cluster, {{8, 0}, {0, 1}}, GapFill::Random),
         cluster, {}, {}, RebuildOutcome::Progressive},
        {"arithmetic coding", MakeFragmentedDevice(Picture("arithmetic"), cluster, {{8, 0}, {0, 1}}, GapFill::Random),
         cluster, {}, {}, RebuildOutcome::NotCovered},
    };
    for (const auto& row : rows) {
        const RebuildResult result = Rebuild(row.device, row.cluster, row.claimed, row.limits);
        EXPECT_EQ(result.outcome, row.outcome) << row.what << ": " << Name(result.outcome);
        EXPECT_TRUE(result.runs.empty()) << row.what;
    }
}

TEST(RebuildSearch, AFileSystemLyingAboutItsClusterSizeGivesNoWrongPhoto) {
    const Bytes photo = Picture("s422");
    // Pieces on 4 KB clusters, an odd number of them: no 8 KB boundary.
    const auto device = MakeFragmentedDevice(photo, 4096, {{7, 0}, {0, 3}}, GapFill::Random);
    for (const uint32_t claimedSize : {8192u, 16384u, 65536u}) {
        const RebuildResult result = Rebuild(device, claimedSize);
        if (result.outcome == RebuildOutcome::Rebuilt)
            EXPECT_TRUE(ReadRuns(device.bytes, result.runs) == photo) << claimedSize;
        else
            EXPECT_EQ(result.outcome, RebuildOutcome::NoContinuation) << claimedSize;
    }
}

// A device whose reads fail on the sectors of some ranges.
class FailingSectors final : public ByteSource {
public:
    FailingSectors(const Bytes& bytes, std::vector<ByteRun> bad) : m_memory(bytes), m_bad(std::move(bad)) {}
    uint64_t Size() const override { return m_memory.Size(); }
    bool Read(uint64_t offset, std::span<uint8_t> into) override {
        for (const ByteRun& bad : m_bad)
            if (offset < bad.DeviceEnd() && bad.deviceOffset < offset + into.size()) return false;
        return m_memory.Read(offset, into);
    }

private:
    MemoryByteSource m_memory;
    std::vector<ByteRun> m_bad;
};

TEST(RebuildSearch, PassesOverSectorsTheDeviceCannotRead) {
    const Bytes photo = Picture("s420");
    const auto device = MakeFragmentedDevice(photo, 4096, {{8, 0}, {0, 6}}, GapFill::Random);
    const uint64_t gapStart = device.photoRuns[0].DeviceEnd();
    const uint64_t second = device.photoRuns[1].deviceOffset;
    {
        // Two sectors of the gap, the carved cluster among them.
        FailingSectors source(device.bytes, {{0, gapStart + 512, 512}, {0, gapStart + 3 * 4096, 1024}});
        const auto result = RebuildPhoto(source, device.carvedRuns, 4096, {});
        ASSERT_EQ(result.outcome, RebuildOutcome::Rebuilt) << Name(result.outcome);
        EXPECT_TRUE(ReadRuns(device.bytes, result.runs) == photo);
    }
    {
        // A sector in the middle of the second piece: the photo is not whole.
        FailingSectors source(device.bytes, {{0, second + 6 * 4096, 512}});
        const auto result = RebuildPhoto(source, device.carvedRuns, 4096, {});
        EXPECT_NE(result.outcome, RebuildOutcome::Rebuilt);
        EXPECT_TRUE(result.runs.empty());
    }
}

TEST(RebuildSearch, StopsAtOnceWhenCancelled) {
    const auto device = MakeFragmentedDevice(Picture("s420"), 4096, {{8, 0}, {0, 1}}, GapFill::Random);
    std::atomic<bool> cancel{true};
    RebuildLimits limits;
    limits.cancel = &cancel;
    EXPECT_EQ(Rebuild(device, 4096, {}, limits).outcome, RebuildOutcome::Cancelled);
}

struct Decoded {
    std::unique_ptr<imaging::JpegHeaders> headers = std::make_unique<imaging::JpegHeaders>();
    imaging::ScanLayout layout;
    std::unique_ptr<DcGrid> grid;
    ScanProgress end;
};

// The whole scan through windows of `window` bytes (all at once when 0),
// each twice as large as the last while one holds no whole MCU.
Decoded DecodeInWindows(const Bytes& bytes, size_t window) {
    Decoded decoded;
    EXPECT_TRUE(imaging::ReadJpegHeaders(bytes, *decoded.headers));
    decoded.layout = imaging::MakeScanLayout(*decoded.headers);
    decoded.grid = std::make_unique<DcGrid>(decoded.layout);
    ScanCheckpoint at;
    at.position = decoded.headers->scanStart;
    size_t size = window;
    for (;;) {
        const uint64_t from = at.position;
        const size_t count = size == 0 ? bytes.size() - from : std::min(size, bytes.size() - from);
        decoded.end = DecodeFromCheckpoint(std::span(bytes).subspan(from, count), from, from + count == bytes.size(),
                                           decoded.layout, at, decoded.layout.Mcus(), *decoded.grid);
        if (decoded.end.stop != ScanStop::NeedBytes) break;
        size = at.position == from ? size * 2 : window;
    }
    return decoded;
}

TEST(RebuildCheckpoint, GoingOnFromCheckpointsDecodesAsInOneGo) {
    const char* const names[] = {"s420", "s422-restart-rows", "s420-restart-7", "grey-restart", "odd422", "optimized",
                                 "zeros-before-eoi", "exif-org-nikon-e950.jpg", "exif-org-fujifilm-mx1700.jpg"};
    for (const char* name : names) {
        const Bytes bytes = Picture(name);
        const Decoded whole = DecodeInWindows(bytes, 0);
        ASSERT_EQ(whole.end.stop, ScanStop::Finished) << name;
        EXPECT_EQ(whole.end.endPosition, bytes.size()) << name;
        for (const size_t window : {1u, 300u, 4096u}) {
            const Decoded parts = DecodeInWindows(bytes, window);
            EXPECT_EQ(parts.end.stop, ScanStop::Finished) << name << " " << window;
            EXPECT_EQ(parts.end.endPosition, whole.end.endPosition) << name << " " << window;
            bool same = true;
            for (unsigned c = 0; c < whole.layout.componentCount; ++c)
                for (unsigned y = 0; y < whole.layout.mcusY * whole.layout.components[c].v; ++y)
                    for (unsigned x = 0; x < whole.grid->Columns(c); ++x)
                        same = same && whole.grid->At(c, x, y) == parts.grid->At(c, x, y);
            EXPECT_TRUE(same) << name << " " << window;
        }
    }
}

TEST(RebuildCheckpoint, FaultsWhereTheDataStopsBeingThePictures) {
    Bytes bytes = Picture("s422-restart-rows");
    const Decoded whole = DecodeInWindows(bytes, 0);
    const size_t cut = bytes.size() / 2;
    const struct {
        const char* what;
        Bytes bytes;
    } rows[] = {
        {"cut short", Bytes(bytes.begin(), bytes.begin() + cut)},
        {"zeros", [&] { Bytes b = bytes; std::fill(b.begin() + cut, b.end() - 2, 0); return b; }()},
        {"an early end marker", [&] { Bytes b(bytes.begin(), bytes.begin() + cut); b.push_back(0xFF), b.push_back(0xD9); return b; }()},
        {"a restart marker out of order",
         [&] {
             Bytes b = bytes;
             for (size_t i = cut; i + 1 < b.size(); ++i)
                 if (b[i] == 0xFF && b[i + 1] >= 0xD0 && b[i + 1] <= 0xD7) { b[i + 1] = 0xD0 + ((b[i + 1] - 0xD0 + 3) & 7); break; }
             return b;
         }()},
    };
    for (const auto& row : rows) {
        const Decoded broken = DecodeInWindows(row.bytes, 500);
        EXPECT_EQ(broken.end.stop, ScanStop::Fault) << row.what;
        EXPECT_LT(broken.end.faultMcu, whole.layout.Mcus()) << row.what;
        EXPECT_GT(broken.end.faultMcu, whole.layout.Mcus() / 3) << row.what;
    }
}

// What intact photos show: the seam measure at every MCU of camera photos,
// as if a piece began there. Nearly all stay within the ratio the search
// takes; what does not is a scene's edge crossing the seam, where the search
// leaves the photo broken rather than risk a wrong piece.
TEST(RebuildSeam, IntactPhotosStayWithinTheRatioTaken) {
    const std::vector<std::string> photos = testing_support::FilesIn(testing_support::WindowsPath(
        std::string(VANTREO_SOURCE_DIR) + "/tests/corpus/jpeg-camera"));
    std::vector<double> ratios;
    for (const std::string& name : photos) {
        if (name.find(".jpg") == std::string::npos) continue;
        const Bytes bytes = Picture(name);
        const Decoded decoded = DecodeInWindows(bytes, 0);
        ASSERT_EQ(decoded.end.stop, ScanStop::Finished) << name;
        const auto& layout = decoded.layout;
        for (uint64_t mcu = 2 * layout.mcusX; mcu + layout.mcusX <= layout.Mcus(); mcu += 3) {
            const SeamJudge judge(*decoded.grid, layout, mcu, layout.mcusX);
            ratios.push_back(judge.Ratio(SeamDifference(*decoded.grid, layout, mcu, layout.mcusX)));
        }
    }
    ASSERT_GT(ratios.size(), 10000u);
    std::sort(ratios.begin(), ratios.end());
    EXPECT_LT(ratios[ratios.size() / 2], 1.2);
    EXPECT_LT(ratios[ratios.size() * 995 / 1000], SeamJudge::kLargestRatio);
}

}  // namespace
