// What hashing a found photo costs beside decoding its preview: SHA-256 of a
// camera-like JPEG's whole bytes, with the processor's SHA instructions and
// without, against the JPEG preview decoder on the same bytes, run in turn
// so that both see the same load. Built and run natively by sha256_cost.sh.
#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "imaging/jpeg/jpeg_preview.h"
#include "imaging/sha256.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Best(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::printf("%-28s %7s %11s %20s %20s\n", "file", "MB", "decode ms", "SHA instr. ms (MB/s)", "portable ms (MB/s)");
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<double> decode, fastest, portable;
        for (int round = 0; round < 15; ++round) {
            const auto start = Clock::now();
            const auto preview = imaging::DecodeJpegPreview(bytes);
            const auto decoded = Clock::now();
            imaging::Sha256 fast(imaging::Sha256::Engine::Fastest);
            fast.Add(bytes);
            const auto fastDigest = fast.Finish();
            const auto hashed = Clock::now();
            imaging::Sha256 plain(imaging::Sha256::Engine::Portable);
            plain.Add(bytes);
            const auto plainDigest = plain.Finish();
            const auto end = Clock::now();
            if (preview.status != imaging::JpegPreviewStatus::Made || fastDigest != plainDigest) {
                std::fprintf(stderr, "%s: not decoded, or the engines disagree\n", argv[i]);
                return 1;
            }
            decode.push_back(Milliseconds(start, decoded));
            fastest.push_back(Milliseconds(decoded, hashed));
            portable.push_back(Milliseconds(hashed, end));
        }
        const double megabytes = static_cast<double>(bytes.size()) / 1e6;
        const char* name = std::max(argv[i], std::strrchr(argv[i], '/') ? std::strrchr(argv[i], '/') + 1 : argv[i]);
        std::printf("%-28s %7.1f %11.1f %11.2f (%6.0f) %11.2f (%6.0f)   best; SHA %.1f%% / %.1f%% of the decode%s\n",
                    name, megabytes, Best(decode), Best(fastest), megabytes / Best(fastest) * 1000, Best(portable),
                    megabytes / Best(portable) * 1000, 100 * Best(fastest) / Best(decode),
                    100 * Best(portable) / Best(decode),
                    imaging::Sha256::HasShaInstructions() ? "" : " (no SHA instructions here)");
        std::printf("%-28s %7s %11.1f %11.2f %20.2f   median\n", "", "", Median(decode), Median(fastest),
                    Median(portable));
    }
}
