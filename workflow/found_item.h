#pragma once
#include <cstdint>
#include <string>

namespace workflow {

// The record behind each row of the file list.
struct FoundItem {
    std::string name;
    uint64_t size = 0;
    std::string extension;
    std::string path;
};

}  // namespace workflow
