#pragma once
// A DC difference decoded wrong (a flipped bit that the Huffman code
// recovers from) shifts every later block of its component by the same
// amount: the picture steps from that block on, in decoding order. Against
// the row above, the step covers the end of one row of MCUs and the start of
// the next, which a scene's own edges do not do with one even amount.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace imaging {

struct DcStep {
    unsigned mcuRow = 0;  // the row of MCUs where the step starts
    unsigned column = 0;  // the first preview column stepped
};

class DcStepWatch {
public:
    DcStepWatch(unsigned columns, unsigned components);

    // A full row of MCUs: the samples of its first and last preview rows,
    // component after component, `columns` each.
    void TakeRow(unsigned mcuRow, const std::vector<uint8_t>& top, const std::vector<uint8_t>& bottom);
    const std::optional<DcStep>& First() const { return m_first; }

private:
    std::optional<unsigned> BestStep(unsigned component) const;

    unsigned m_columns;
    unsigned m_components;
    unsigned m_rows = 0;
    std::vector<uint8_t> m_lastBottom;
    // Each column's change from the row of MCUs above: of the previous row and this one.
    std::vector<int> m_previousChange;
    std::vector<int> m_change;
    std::optional<DcStep> m_first;
};

}  // namespace imaging
