#include "workflow/found/found_item.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "workflow/engine/drive_list.h"
#include "workflow/found/duplicate_index.h"
#include "workflow/found/scan_results.h"

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

namespace {

// YYYYMMDDhhmmss as "2008-10-22 16:28".
std::string TakenText(uint64_t taken) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", static_cast<unsigned>(taken / 10000000000),
                  static_cast<unsigned>(taken / 100000000 % 100), static_cast<unsigned>(taken / 1000000 % 100),
                  static_cast<unsigned>(taken / 10000 % 100), static_cast<unsigned>(taken / 100 % 100));
    return text;
}

}  // namespace

std::string PhotoTip(const FoundPhoto& photo, uint32_t timesFound) {
    std::string tip = FileNameOf(photo.path);
    const imaging::PictureFacts& facts = photo.facts;
    if (facts.SizeKnown()) tip += "\n" + std::to_string(facts.width) + " x " + std::to_string(facts.height) + " pixels";
    if (facts.taken) tip += "\nTaken " + TakenText(facts.taken);
    if (!facts.camera.empty()) tip += "\n" + facts.camera;
    if (photo.fileSize) tip += "\n" + FormatSize(static_cast<int64_t>(photo.fileSize));
    if (const std::string damage = DamageTip(photo.damage); !damage.empty()) tip += "\n" + damage;
    if (const std::string found = TimesFoundText(timesFound); !found.empty()) tip += "\n" + found;
    return tip;
}

}  // namespace workflow
