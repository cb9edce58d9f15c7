#include "workflow/thumbnails/decode_budget.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace workflow {

namespace {

struct Budget {
    std::mutex lock;
    std::condition_variable freed;
    uint64_t held = 0;
    uint64_t peak = 0;
};

Budget& TheBudget() {
    static Budget budget;
    return budget;
}

uint64_t CeilEighth(uint32_t side) { return (uint64_t{side} + 7) / 8; }

}  // namespace

uint64_t GdiplusDecodeBytes(const imaging::PictureHeader& header) {
    const uint64_t pixels = header.Pixels();
    return header.bitsPerSample > 8 ? pixels * 8 + pixels * 4 : pixels * 4;
}

uint64_t JpegPreviewDecodeBytes(const imaging::PictureHeader& header) {
    return CeilEighth(header.width) * CeilEighth(header.height) * 12;
}

uint64_t GifDecodeBytes(const imaging::PictureHeader& header) { return header.Pixels() * 4; }

std::optional<DecodeShare> DecodeShare::Wait(uint64_t bytes) {
    if (bytes > kDecodeBudgetBytes) return std::nullopt;
    if (bytes < kUncountedDecodeBytes) return DecodeShare(0);
    Budget& budget = TheBudget();
    std::unique_lock<std::mutex> guard(budget.lock);
    budget.freed.wait(guard, [&] { return budget.held + bytes <= kDecodeBudgetBytes; });
    budget.held += bytes;
    budget.peak = std::max(budget.peak, budget.held);
    return DecodeShare(bytes);
}

DecodeShare& DecodeShare::operator=(DecodeShare&& other) noexcept {
    if (this != &other) {
        DecodeShare given(std::exchange(m_bytes, other.m_bytes));
        other.m_bytes = 0;
    }
    return *this;
}

DecodeShare::~DecodeShare() {
    if (m_bytes == 0) return;
    Budget& budget = TheBudget();
    {
        std::lock_guard<std::mutex> guard(budget.lock);
        budget.held -= m_bytes;
    }
    budget.freed.notify_all();
}

uint64_t DecodeShare::HeldNow() {
    std::lock_guard<std::mutex> guard(TheBudget().lock);
    return TheBudget().held;
}

uint64_t DecodeShare::TakePeak() {
    std::lock_guard<std::mutex> guard(TheBudget().lock);
    return std::exchange(TheBudget().peak, TheBudget().held);
}

}  // namespace workflow
