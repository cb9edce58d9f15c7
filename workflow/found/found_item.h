#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "imaging/picture_facts.h"

namespace workflow {

// What is known of a found file's damage: the engine's own mark (it names a
// file that failed its checks "b<sector>...") and, for a JPEG, the share of
// the picture our decoder could read.
struct Damage {
    bool engineMarked = false;
    std::optional<double> readableShare;

    bool Any() const { return engineMarked || readableShare.has_value(); }
};

// The tip shown over a damaged photo; empty for an intact one.
std::string DamageTip(const Damage& damage);

// The record behind each row of the file list. Its texts are short (an
// engine name and its extension), so they cost no allocation of their own.
struct FoundItem {
    std::string name;
    uint64_t size = 0;
    std::string extension;
    std::string path;
    bool damaged = false;  // marked by the engine: listed unchecked
    bool checked = false;
};

// The record behind each entry of the photo list. Its thumbnail lives in the
// window's thumbnail cache while it is held there.
struct FoundPhoto {
    std::string path;
    Damage damage;
    bool checked = false;
    // What its entry shows: its own thumbnail (held by the window's cache
    // while there is room, made again when dropped), the placeholder, or an
    // empty square for a picture that decodes but cannot be drawn.
    enum class Shows : uint8_t { Own, Placeholder, Nothing };
    Shows shows = Shows::Own;
    int cacheSlot = -1;  // the cache's image holding its own thumbnail, -1 while it is not held
    uint32_t foundIndex = 0;  // its place among the photos in the order they were found
    // Its place in the session's duplicate index once its bytes were hashed;
    // kNoContent until then.
    static constexpr uint32_t kNoContent = UINT32_MAX;
    uint32_t content = kNoContent;
    bool copy = false;  // its bytes are those of a photo found before it
    uint64_t fileSize = 0;
    imaging::PictureFacts facts;
};

// The tip shown over a photo: its name, size, when and by what it was taken,
// the file's size, the damage line and how often its bytes were found, each
// known one on a line of its own.
std::string PhotoTip(const FoundPhoto& photo, uint32_t timesFound = 1);

}  // namespace workflow
