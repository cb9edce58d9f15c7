#pragma once
// Where data from another picture took over. Its DC differences go on from
// this picture's last values, so the rows' mean colour jumps where it starts.
// A real picture can jump as much (a horizon), so this only places damage
// that something else proved: a bad code, a marker too early, data left over.
#include <cstddef>
#include <optional>
#include <span>

#include "imaging/jpeg/jpeg_preview_canvas.h"

namespace imaging {

// The row in [first, last) whose mean colour jumps from the row before it
// far more than the rows' jumps do elsewhere; none when no row stands out.
std::optional<size_t> FindColourJump(std::span<const RowMeans> means, size_t first, size_t last);

}  // namespace imaging
