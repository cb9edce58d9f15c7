#pragma once
// A file read whole, as a thumbnail worker hands it to a decoder.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

inline std::vector<uint8_t> ReadWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(file ? static_cast<size_t>(file.tellg()) : 0);
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

}  // namespace bench
