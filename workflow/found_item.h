#pragma once
#include <cstdint>
#include <optional>
#include <string>

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

// The record behind each row of the file list.
struct FoundItem {
    std::string name;
    uint64_t size = 0;
    std::string extension;
    std::string path;
    bool damaged = false;  // marked by the engine: listed unticked
};

// The record behind each entry of the photo list.
struct FoundPhoto {
    std::string path;
    Damage damage;
};

}  // namespace workflow
