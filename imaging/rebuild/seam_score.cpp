#include "imaging/rebuild/seam_score.h"

#include <algorithm>
#include <cstdlib>

namespace imaging::rebuild {

double SeamDifference(const DcGrid& grid, const ScanLayout& layout, uint64_t firstMcu, uint64_t count) {
    uint64_t sum = 0, samples = 0;
    const uint64_t end = std::min(firstMcu + count, layout.Mcus());
    for (uint64_t mcu = std::max(firstMcu, uint64_t{layout.mcusX}); mcu < end; ++mcu) {
        const unsigned mcuX = static_cast<unsigned>(mcu % layout.mcusX);
        const unsigned mcuY = static_cast<unsigned>(mcu / layout.mcusX);
        for (unsigned c = 0; c < layout.componentCount; ++c) {
            const ScanComponent& component = layout.components[c];
            const unsigned row = mcuY * component.v;
            for (unsigned bx = 0; bx < component.h; ++bx) {
                const unsigned column = mcuX * component.h + bx;
                sum += static_cast<uint64_t>(std::abs(int{grid.At(c, column, row)} - int{grid.At(c, column, row - 1)}));
                ++samples;
            }
        }
    }
    return samples == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(samples);
}

SeamJudge::SeamJudge(const DcGrid& grid, const ScanLayout& layout, uint64_t seamMcu, uint64_t count) {
    double sum = 0;
    unsigned rows = 0;
    for (uint64_t up = 1; up <= 2 && seamMcu >= (up + 1) * layout.mcusX; ++up, ++rows)
        sum += SeamDifference(grid, layout, seamMcu - up * layout.mcusX, count);
    if (rows > 0) m_yardstick = std::max(kLeastYardstick, sum / rows);
}

}  // namespace imaging::rebuild
