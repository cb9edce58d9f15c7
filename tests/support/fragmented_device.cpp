#include "tests/support/fragmented_device.h"

#include <algorithm>
#include <string>

namespace testing_support {

namespace {

void AppendFill(std::vector<uint8_t>& device, uint64_t count, GapFill fill, const std::vector<uint8_t>& other,
                uint64_t& otherAt, std::mt19937& random) {
    static const std::string text =
        "The quick brown fox jumps over the lazy dog; minutes of the meeting follow.\r\n";
    for (uint64_t i = 0; i < count; ++i) {
        uint8_t byte = 0;
        switch (fill) {
        case GapFill::Random: byte = static_cast<uint8_t>(random()); break;
        case GapFill::Zeros: break;
        case GapFill::Text: byte = static_cast<uint8_t>(text[(device.size() + i) % text.size()]); break;
        case GapFill::OtherPhoto:
            byte = other.empty() ? 0 : other[otherAt % other.size()];
            ++otherAt;
            break;
        }
        device.push_back(byte);
    }
}

}  // namespace

FragmentedDevice MakeFragmentedDevice(const std::vector<uint8_t>& photo, uint32_t clusterSize,
                                      const std::vector<PiecePlan>& pieces, GapFill fill,
                                      const std::vector<uint8_t>& other, uint64_t lead, uint64_t tail, uint32_t seed) {
    FragmentedDevice made;
    std::mt19937 random(seed);
    uint64_t otherAt = 0;
    AppendFill(made.bytes, lead * clusterSize, GapFill::Random, other, otherAt, random);
    uint64_t photoAt = 0;
    for (size_t i = 0; i < pieces.size() && photoAt < photo.size(); ++i) {
        AppendFill(made.bytes, pieces[i].gapBefore * clusterSize, fill, other, otherAt, random);
        const bool last = i + 1 == pieces.size();
        const uint64_t length = last ? photo.size() - photoAt
                                     : std::min<uint64_t>(pieces[i].clusters * clusterSize, photo.size() - photoAt);
        made.photoRuns.push_back({photoAt, made.bytes.size(), length});
        made.bytes.insert(made.bytes.end(), photo.begin() + static_cast<ptrdiff_t>(photoAt),
                          photo.begin() + static_cast<ptrdiff_t>(photoAt + length));
        photoAt += length;
        // The rest of the last cluster: slack of whatever was there before.
        const uint64_t slack = (clusterSize - made.bytes.size() % clusterSize) % clusterSize;
        AppendFill(made.bytes, slack, GapFill::Random, other, otherAt, random);
    }
    AppendFill(made.bytes, tail * clusterSize, GapFill::Random, other, otherAt, random);
    const auto& first = made.photoRuns.front();
    const uint64_t carved = std::min<uint64_t>((first.length + clusterSize - 1) / clusterSize * clusterSize + clusterSize,
                                               made.bytes.size() - first.deviceOffset);
    made.carvedRuns.push_back({0, first.deviceOffset, carved});
    return made;
}

std::vector<uint8_t> ReadRuns(const std::vector<uint8_t>& device, const std::vector<imaging::rebuild::ByteRun>& runs) {
    std::vector<uint8_t> bytes;
    for (const auto& run : runs) {
        if (run.deviceOffset > device.size() || run.length > device.size() - run.deviceOffset) return {};
        bytes.insert(bytes.end(), device.begin() + static_cast<ptrdiff_t>(run.deviceOffset),
                     device.begin() + static_cast<ptrdiff_t>(run.DeviceEnd()));
    }
    return bytes;
}

}  // namespace testing_support
