// SHA-256 fed in pieces, with and without the processor's SHA instructions,
// against the FIPS 180-4 examples and against itself fed whole.
#include "imaging/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using imaging::Sha256;

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

constexpr Sha256::Engine kEngines[] = {Sha256::Engine::Fastest, Sha256::Engine::Portable};

TEST(Sha256, KnownDigestsFromEitherEngine) {
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the block, padding takes a second one.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopq"
         "rstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Sha256::Engine engine : kEngines) {
        for (size_t i = 0; i < std::size(cases); ++i) {
            Sha256 whole(engine);
            whole.Add(Bytes(cases[i].message));
            EXPECT_EQ(imaging::Sha256Hex(whole.Finish()), cases[i].digest) << "case " << i;
            if (cases[i].message.size() > 4096) continue;
            // Byte by byte, through the partial block alone.
            Sha256 bytewise(engine);
            for (size_t at = 0; at < cases[i].message.size(); ++at)
                bytewise.Add(Bytes(cases[i].message).subspan(at, 1));
            EXPECT_EQ(imaging::Sha256Hex(bytewise.Finish()), cases[i].digest) << "case " << i << " byte by byte";
        }
    }
}

TEST(Sha256, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
    // Lengths around every block and padding edge, fed in pieces that cross
    // block edges at every offset; the portable engine, fed whole, decides.
    std::vector<uint8_t> bytes(4099);
    uint32_t noise = 1;
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>((noise = noise * 1103515245u + 12345u) >> 16);
    for (size_t length : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000, 4099}) {
        const std::span<const uint8_t> message(bytes.data(), length);
        Sha256 reference(Sha256::Engine::Portable);
        reference.Add(message);
        const imaging::Sha256Digest expected = reference.Finish();
        for (const Sha256::Engine engine : kEngines) {
            for (size_t piece : {1, 3, 63, 64, 65, 200}) {
                Sha256 hash(engine);
                for (size_t at = 0; at < length; at += piece)
                    hash.Add(message.subspan(at, std::min(piece, length - at)));
                EXPECT_EQ(hash.Finish(), expected) << "length " << length << " in pieces of " << piece;
            }
        }
    }
}

TEST(Sha256, StartsOverAfterFinish) {
    Sha256 hash;
    hash.Add(Bytes("something else"));
    hash.Finish();
    hash.Add(Bytes("abc"));
    EXPECT_EQ(imaging::Sha256Hex(hash.Finish()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(imaging::Sha256Of(Bytes("abc")), imaging::Sha256Of(Bytes("abc")));
}

}  // namespace
