#pragma once
// SHA-256 (FIPS 180-4) fed in pieces, so that a worker that reads a file for
// another purpose (a thumbnail, a copy) hashes the bytes as they pass and
// never reads them a second time. Uses the processor's SHA instructions where
// it has them; plain C++ otherwise. No Windows header: tested natively too.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace imaging {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
public:
    enum class Engine { Fastest, Portable };

    // `Portable` only to compare the two engines in tests.
    explicit Sha256(Engine engine = Engine::Fastest);

    void Add(std::span<const uint8_t> bytes);
    // The digest of everything added; the object starts over afterwards.
    Sha256Digest Finish();

    // Whether this processor has the SHA instructions `Fastest` uses.
    static bool HasShaInstructions();

private:
    void Blocks(const uint8_t* data, size_t count);

    std::array<uint32_t, 8> m_state;
    std::array<uint8_t, 64> m_pending{};
    size_t m_pendingSize = 0;
    uint64_t m_totalBytes = 0;
    bool m_useInstructions;
};

// The digest of bytes held whole.
Sha256Digest Sha256Of(std::span<const uint8_t> bytes);

// 64 lower-case hexadecimal digits, as sha256sum prints them.
std::string Sha256Hex(const Sha256Digest& digest);

}  // namespace imaging
