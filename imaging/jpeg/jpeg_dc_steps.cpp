#include "imaging/jpeg/jpeg_dc_steps.h"

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

// A step shows at 1/8 scale when it moves a component by this many levels...
constexpr double kLeastStep = 6.0;
// ...stands out of the spread of the changes this many standard errors...
constexpr double kLeastT = 10.0;
// ...and is clearly larger where it starts mid-row than where it would start
// at either end of the rows: a level edge of the scene is largest there.
constexpr double kPeakOverEnds = 1.15;
// ...and is sudden: over this many columns either side of its start, the
// changes of both rows move by at least kSudden of it. An edge of the scene
// crossing from one row of MCUs to the next moves over many columns.
constexpr unsigned kSideColumns = 6;
constexpr double kSudden = 0.5;
// Narrower pictures have too few columns to tell.
constexpr unsigned kLeastColumns = 8;

struct Window {
    double sum = 0, squares = 0;
    void Add(int value) { sum += value, squares += double(value) * value; }
    void Remove(int value) { sum -= value, squares -= double(value) * value; }
};

// The mean of changes[from, to).
double Mean(const int* changes, unsigned from, unsigned to) {
    double sum = 0;
    for (unsigned x = from; x < to; ++x) sum += changes[x];
    return sum / (to - from);
}

// How much the upper row's changes rise at `column` and the lower row's fall.
double SuddenStep(const int* above, const int* below, unsigned column, unsigned columns) {
    const unsigned side = std::min({kSideColumns, column, columns - column});
    const double upper = Mean(above, column, column + side) - Mean(above, column - side, column);
    const double lower = Mean(below, column - side, column) - Mean(below, column, column + side);
    return (upper + lower) / 2;
}

// The difference of the means of the stepped window and the rest.
double Difference(const Window& stepped, const Window& rest, unsigned count) {
    return (stepped.sum - rest.sum) / count;
}

}  // namespace

DcStepWatch::DcStepWatch(unsigned columns, unsigned components)
    : m_columns(columns), m_components(components), m_lastBottom(size_t{columns} * components),
      m_previousChange(size_t{columns} * components), m_change(size_t{columns} * components) {}

void DcStepWatch::TakeRow(unsigned mcuRow, const std::vector<uint8_t>& top, const std::vector<uint8_t>& bottom) {
    if (m_columns < kLeastColumns) return;
    m_previousChange.swap(m_change);
    for (size_t i = 0; i < m_change.size(); ++i) m_change[i] = int{top[i]} - int{m_lastBottom[i]};
    m_lastBottom = bottom;
    // The step between rows R-1 and R shows once row R+1 is in.
    if (++m_rows >= 3 && !m_first) {
        for (unsigned c = 0; c < m_components; ++c) {
            if (const auto column = BestStep(c)) {
                m_first = DcStep{mcuRow - 1, *column};
                break;
            }
        }
    }
}

// The step starting at column x covers the upper row's changes from x on and
// the lower row's before x; the rest of both rows is the window it is
// compared with.
std::optional<unsigned> DcStepWatch::BestStep(unsigned component) const {
    const int* above = m_previousChange.data() + size_t{component} * m_columns;
    const int* below = m_change.data() + size_t{component} * m_columns;
    const unsigned n = m_columns;
    Window stepped, rest;
    for (unsigned x = 0; x < n; ++x) stepped.Add(above[x]), rest.Add(below[x]);
    const double atStart = std::fabs(Difference(stepped, rest, n));
    double best = 0;
    unsigned bestColumn = 0;
    Window bestStepped, bestRest;
    for (unsigned x = 1; x < n; ++x) {
        stepped.Remove(above[x - 1]), stepped.Add(below[x - 1]);
        rest.Remove(below[x - 1]), rest.Add(above[x - 1]);
        const double difference = std::fabs(Difference(stepped, rest, n));
        if (difference > best) best = difference, bestColumn = x, bestStepped = stepped, bestRest = rest;
    }
    // After the loop the windows have swapped rows: the step at the end.
    const double atEnd = std::fabs(Difference(stepped, rest, n));
    if (best < kLeastStep || best < kPeakOverEnds * std::max(atStart, atEnd)) return std::nullopt;
    const double steppedMean = bestStepped.sum / n, restMean = bestRest.sum / n;
    const double variance = (bestStepped.squares - n * steppedMean * steppedMean + bestRest.squares -
                             n * restMean * restMean) / (2.0 * n);
    const double standardError = std::sqrt(std::max(variance, 0.25) * 2.0 / n);
    if (best < kLeastT * standardError) return std::nullopt;
    const double signedBest = Difference(bestStepped, bestRest, n);
    if (SuddenStep(above, below, bestColumn, n) * (signedBest < 0 ? -1 : 1) < kSudden * best) return std::nullopt;
    return bestColumn;
}

}  // namespace imaging
