#pragma once
// What the marker segments before the first scan say: the frame, its
// tables, the restart interval, and the EXIF and JFIF facts. Only what this
// decoder covers is accepted: 8-bit sequential Huffman frames of one or three
// components, whose first scan holds every component.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/jpeg/jpeg_huffman.h"

namespace imaging {

struct JpegFrameComponent {
    uint8_t id = 0;
    unsigned h = 1;
    unsigned v = 1;
    unsigned quantTable = 0;
    unsigned dcTable = 0;  // from the scan header
    unsigned acTable = 0;
};

struct JpegHeaders {
    unsigned width = 0;
    unsigned height = 0;
    std::array<JpegFrameComponent, 3> components;
    unsigned componentCount = 0;
    std::array<unsigned, 4> dcQuant{};  // 0 while undefined
    std::array<HuffmanTable, 4> dcTables;
    std::array<HuffmanTable, 4> acTables;
    unsigned restartInterval = 0;
    int orientation = 1;
    float dpiX = 0;
    float dpiY = 0;
    // Three components stored as R, G, B rather than Y, Cb, Cr.
    bool rgb = false;
    size_t scanStart = 0;  // the first byte of the entropy-coded data
};

// True when the picture is one this decoder covers and the headers are
// complete and consistent up to the first scan.
bool ReadJpegHeaders(std::span<const uint8_t> bytes, JpegHeaders& headers);

}  // namespace imaging
