#include "workflow/found_item.h"

#include <algorithm>
#include <cmath>

namespace workflow {

std::string DamageTip(const Damage& damage) {
    if (damage.readableShare) {
        // Rounded down, and never "100%": some of it could not be read.
        const int percent = std::clamp(static_cast<int>(std::floor(*damage.readableShare * 100)), 0, 99);
        return "Damaged: about " + std::to_string(percent) + "% of this picture could be read.";
    }
    if (damage.engineMarked) return "Damaged: the search engine found errors in this picture.";
    return {};
}

}  // namespace workflow
