#include "imaging/gif_picture.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "imaging/byte_reader.h"

namespace imaging {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;

using Palette = std::vector<uint8_t>;  // R G B, three bytes a colour

Palette ReadPalette(ByteReader& in, uint8_t flags) {
    if (!(flags & 0x80)) return {};
    const size_t colours = size_t{2} << (flags & 0x07);
    const auto bytes = in.Take(colours * 3);
    return Palette(bytes.begin(), bytes.end());
}

// The image data's sub-blocks, joined: a size byte, that many bytes, until a
// size of 0. Data cut short ends with what there is of its last block.
std::vector<uint8_t> ReadSubBlocks(ByteReader& in) {
    std::vector<uint8_t> data;
    for (;;) {
        const uint8_t size = in.U8();
        if (size == 0) return data;
        const auto block = in.Take(std::min<size_t>(size, in.Remaining()));
        data.insert(data.end(), block.begin(), block.end());
    }
}

void SkipSubBlocks(ByteReader& in) {
    for (uint8_t size; (size = in.U8()) != 0;) in.Skip(size);
}

// Where the frame's rows go: an interlaced frame stores every eighth row
// first, then the fourth rows between, then the second, then the rest.
unsigned FrameRow(unsigned stored, unsigned height, bool interlaced) {
    if (!interlaced) return stored;
    const unsigned pass1 = (height + 7) / 8, pass2 = (height + 3) / 8, pass3 = (height + 1) / 4;
    if (stored < pass1) return stored * 8;
    stored -= pass1;
    if (stored < pass2) return 4 + stored * 8;
    stored -= pass2;
    if (stored < pass3) return 2 + stored * 4;
    stored -= pass3;
    return 1 + stored * 2;
}

struct Frame {
    unsigned left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::optional<uint8_t> transparent;
};

// Decodes the LZW data into colour indexes, one a pixel, and draws them;
// false when the data ends or breaks off before the frame is full.
bool DrawFrame(const std::vector<uint8_t>& data, int minimumBits, const Frame& frame, const Palette& palette,
               GifPicture& picture) {
    const int clear = 1 << minimumBits, end = clear + 1;
    std::array<uint16_t, kMaxCodes> prefix{};
    std::array<uint8_t, kMaxCodes> suffix{}, first{};
    std::array<uint8_t, kMaxCodes + 1> stack{};
    for (int code = 0; code < clear; ++code) suffix[code] = first[code] = static_cast<uint8_t>(code);

    const uint64_t pixels = uint64_t{frame.width} * frame.height;
    uint64_t drawn = 0;
    const auto draw = [&](uint8_t index) {
        const unsigned x = static_cast<unsigned>(drawn % frame.width);
        const unsigned y = FrameRow(static_cast<unsigned>(drawn / frame.width), frame.height, frame.interlaced);
        ++drawn;
        if (frame.transparent && index == *frame.transparent) return;
        if (size_t{index} * 3 + 2 >= palette.size()) return;
        const unsigned px = frame.left + x, py = frame.top + y;
        if (px >= picture.width || py >= picture.height) return;
        uint8_t* to = picture.rgb.data() + (size_t{py} * picture.width + px) * 3;
        std::memcpy(to, palette.data() + size_t{index} * 3, 3);
    };

    int bits = minimumBits + 1, next = clear + 2, previous = -1;
    uint32_t buffer = 0;
    int buffered = 0;
    size_t at = 0;
    while (drawn < pixels) {
        while (buffered < bits) {
            if (at >= data.size()) return false;
            buffer |= uint32_t{data[at++]} << buffered;
            buffered += 8;
        }
        const int code = static_cast<int>(buffer & ((1u << bits) - 1));
        buffer >>= bits;
        buffered -= bits;
        if (code == clear) {
            bits = minimumBits + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) return false;
        if (previous < 0) {
            if (code >= clear) return false;
            draw(static_cast<uint8_t>(code));
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= kMaxCodes)) return false;
        // A code not in the table yet is the previous string and its own first byte.
        int walk = code == next ? previous : code;
        size_t depth = 0;
        if (code == next) stack[depth++] = first[previous];
        while (walk >= clear) {
            stack[depth++] = suffix[walk];
            walk = prefix[walk];
        }
        stack[depth++] = static_cast<uint8_t>(walk);
        const uint8_t head = stack[depth - 1];
        while (depth > 0 && drawn < pixels) draw(stack[--depth]);
        if (next < kMaxCodes) {
            prefix[next] = static_cast<uint16_t>(previous);
            suffix[next] = head;
            first[next] = first[previous];
            ++next;
            if (next == (1 << bits) && bits < kMaxCodeBits) ++bits;
        }
        previous = code;
    }
    return true;
}

}  // namespace

GifResult DecodeGif(std::span<const uint8_t> bytes) {
    GifResult result;
    ByteReader in(bytes, ByteOrder::LittleEndian);
    const auto signature = in.Take(6);
    if (signature.size() < 6 || std::memcmp(signature.data(), "GIF8", 4) != 0 ||
        (signature[4] != '7' && signature[4] != '9') || signature[5] != 'a')
        return result;
    GifPicture& picture = result.picture;
    picture.width = in.U16();
    picture.height = in.U16();
    const uint8_t screenFlags = in.U8();
    in.Skip(2);  // background colour and aspect: the square behind a thumbnail is white
    const Palette global = ReadPalette(in, screenFlags);
    if (!in.Has(1) || picture.width == 0 || picture.height == 0) return result;
    if (uint64_t{picture.width} * picture.height > kMaxGifPixels) {
        result.status = GifStatus::TooLarge;
        return result;
    }

    Frame frame;
    for (;;) {
        if (in.Remaining() == 0) return result;
        const uint8_t introducer = in.U8();
        if (introducer == 0x21) {  // an extension: only the first frame's transparency matters
            const uint8_t label = in.U8();
            if (label == 0xF9) {
                const auto control = in.Take(in.U8());
                if (control.size() >= 4 && (control[0] & 0x01)) frame.transparent = control[3];
            }
            SkipSubBlocks(in);
            continue;
        }
        if (introducer != 0x2C) return result;  // the trailer, or no GIF block at all: no frame
        break;
    }
    frame.left = in.U16();
    frame.top = in.U16();
    frame.width = in.U16();
    frame.height = in.U16();
    const uint8_t frameFlags = in.U8();
    frame.interlaced = (frameFlags & 0x40) != 0;
    const Palette local = ReadPalette(in, frameFlags);
    const int minimumBits = in.U8();
    if (minimumBits < 2 || minimumBits > 8 || frame.width == 0 || frame.height == 0) return result;
    // Every pixel of the frame is decoded, on the screen or off it: a frame
    // claiming more than a screen may hold would keep a worker for minutes.
    if (uint64_t{frame.width} * frame.height > kMaxGifPixels) {
        result.status = GifStatus::TooLarge;
        return result;
    }
    const Palette& palette = local.empty() ? global : local;
    if (palette.empty()) return result;

    picture.rgb.assign(size_t{picture.width} * picture.height * 3, 0xFF);
    picture.complete = DrawFrame(ReadSubBlocks(in), minimumBits, frame, palette, picture);
    result.status = GifStatus::Made;
    return result;
}

}  // namespace imaging
