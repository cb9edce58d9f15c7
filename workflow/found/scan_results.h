#pragma once
// Plain rules of the scan monitor: names, extensions, photo test, the status
// animation and the file-list order.
#include <cstdint>
#include <string>

#include "workflow/found/found_item.h"

namespace workflow {

inline constexpr char kAnalyzingText[] = "Analyzing disk, please wait";

// Text after the last backslash, else after the last forward slash, else empty.
std::string FileNameOf(const std::string& path);
// Text after the last '.' of the file's own name, in its stored case; empty without one.
// Only the name counts, so a dot in a folder name ("temp.1\f0001") gives no extension.
std::string ExtensionOf(const std::string& path);
// True for .bmp .gif .jpg .jpeg .tiff .tif .png in any case, and for IsRawPath.
bool IsPhotoPath(const std::string& path);
// True for the camera RAW files the engine writes, in any case: .cr2 .cr3
// (named "..._ftyp.cr3") .crw .nef .nrw .arw .sr2 .srf .dng .pef .orf .rw2
// .raf .srw. A Pentax PEF comes back as a .tif, which only its content tells.
bool IsRawPath(const std::string& path);
// The next text of the status animation: zero to five dots, then round again.
std::string NextStatusText(const std::string& current);
// The "Size" column: FormatSize, or "unknown" for 0.
std::string SizeText(uint64_t size);
// Order of two file-list entries by column 0 (name), 1 (size) or 2 (extension).
int CompareFoundItems(const FoundItem& a, const FoundItem& b, int column, bool descending);

}  // namespace workflow
