#include "imaging/sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define VANTREO_SHA_INSTRUCTIONS 1
#endif

namespace imaging {

namespace {

constexpr std::array<uint32_t, 8> kInitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

alignas(16) constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void PortableBlocks(uint32_t* state, const uint8_t* data, size_t count) {
    for (; count > 0; --count, data += 64) {
        uint32_t w[64];
        for (int t = 0; t < 16; ++t) w[t] = BigEndian32(data + 4 * t);
        for (int t = 16; t < 64; ++t) {
            const uint32_t s0 = Rotr(w[t - 15], 7) ^ Rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
            const uint32_t s1 = Rotr(w[t - 2], 17) ^ Rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int t = 0; t < 64; ++t) {
            const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[t] + w[t];
            const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

#ifdef VANTREO_SHA_INSTRUCTIONS

// The SHA extensions keep the state as two vectors, ABEF and CDGH (A in the
// highest lane), and take four message words a step; sha256rnds2 does two
// rounds, so each step runs it on the low and then the high half.
__attribute__((target("sha,sse4.1,ssse3"))) void InstructionBlocks(uint32_t* state, const uint8_t* data,
                                                                 size_t count) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    dcba = _mm_shuffle_epi32(dcba, 0xB1);                 // C D A B from the lowest lane
    hgfe = _mm_shuffle_epi32(hgfe, 0x1B);                 // H G F E
    __m128i abef = _mm_alignr_epi8(dcba, hgfe, 8);        // F E B A
    __m128i cdgh = _mm_blend_epi16(hgfe, dcba, 0xF0);     // H G D C
    for (; count > 0; --count, data += 64) {
        const __m128i abefBefore = abef, cdghBefore = cdgh;
        __m128i w[4];  // message words 4k..4k+3 in w[k % 4]
        for (int k = 0; k < 4; ++k)
            w[k] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k)), byteSwap);
#pragma GCC unroll 16
        for (int k = 0; k < 16; ++k) {
            if (k >= 4) {
                // W[t] = s1(W[t-2]) + W[t-7] + s0(W[t-15]) + W[t-16], four at a time.
                const __m128i older = _mm_sha256msg1_epu32(w[k % 4], w[(k + 1) % 4]);
                const __m128i seventh = _mm_alignr_epi8(w[(k + 3) % 4], w[(k + 2) % 4], 4);
                w[k % 4] = _mm_sha256msg2_epu32(_mm_add_epi32(older, seventh), w[(k + 3) % 4]);
            }
            __m128i words =
                _mm_add_epi32(w[k % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * k)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, words);
            words = _mm_shuffle_epi32(words, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, words);
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);  // A B E F
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);  // G H C D
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

bool DetectShaInstructions() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    const bool ssse3 = ecx & bit_SSSE3, sse41 = ecx & bit_SSE4_1;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
    return ssse3 && sse41 && (ebx & bit_SHA);
}

#endif

}  // namespace

bool Sha256::HasShaInstructions() {
#ifdef VANTREO_SHA_INSTRUCTIONS
    static const bool has = DetectShaInstructions();
    return has;
#else
    return false;
#endif
}

Sha256::Sha256(Engine engine)
    : m_state(kInitialState), m_useInstructions(engine == Engine::Fastest && HasShaInstructions()) {}

void Sha256::Blocks(const uint8_t* data, size_t count) {
#ifdef VANTREO_SHA_INSTRUCTIONS
    if (m_useInstructions) return InstructionBlocks(m_state.data(), data, count);
#endif
    PortableBlocks(m_state.data(), data, count);
}

void Sha256::Add(std::span<const uint8_t> bytes) {
    m_totalBytes += bytes.size();
    const uint8_t* data = bytes.data();
    size_t size = bytes.size();
    if (m_pendingSize > 0) {
        const size_t taken = std::min(size, m_pending.size() - m_pendingSize);
        std::memcpy(m_pending.data() + m_pendingSize, data, taken);
        m_pendingSize += taken;
        data += taken;
        size -= taken;
        if (m_pendingSize < m_pending.size()) return;
        Blocks(m_pending.data(), 1);
        m_pendingSize = 0;
    }
    if (size >= 64) {
        Blocks(data, size / 64);
        data += size / 64 * 64;
        size %= 64;
    }
    if (size > 0) std::memcpy(m_pending.data(), data, size);
    m_pendingSize = size;
}

Sha256Digest Sha256::Finish() {
    // Padding: one 1 bit, zeros up to 8 bytes short of a block, the length in bits.
    const uint64_t bits = m_totalBytes * 8;
    uint8_t tail[72] = {0x80};
    const size_t zeros = (m_pendingSize < 56 ? 56 : 120) - m_pendingSize;
    for (int i = 0; i < 8; ++i) tail[zeros + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Add({tail, zeros + 8});
    Sha256Digest digest;
    for (size_t i = 0; i < 8; ++i)
        for (size_t j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(m_state[i] >> (24 - 8 * j));
    m_state = kInitialState;
    m_pendingSize = 0;
    m_totalBytes = 0;
    return digest;
}

Sha256Digest Sha256Of(std::span<const uint8_t> bytes) {
    Sha256 hash;
    hash.Add(bytes);
    return hash.Finish();
}

std::string Sha256Hex(const Sha256Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

}  // namespace imaging
