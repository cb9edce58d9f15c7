#include "workflow/found/scan_results.h"

#include <mbstring.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "workflow/engine/drive_list.h"

namespace workflow {

std::string FileNameOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    if (slash == std::string::npos) slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(slash + 1);
}

std::string ExtensionOf(const std::string& path) {
    size_t nameStart = path.find_last_of("\\/");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return {};
    return path.substr(dot + 1);
}

namespace {

template <size_t N>
bool HasExtension(const std::string& path, const std::array<const char*, N>& extensions) {
    std::string extension = ExtensionOf(path);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::any_of(extensions.begin(), extensions.end(), [&](const char* photo) { return extension == photo; });
}

}  // namespace

bool IsPhotoPath(const std::string& path) {
    static const std::array<const char*, 7> kPhotoExtensions = {"bmp", "gif", "jpg", "jpeg", "tiff", "tif", "png"};
    return HasExtension(path, kPhotoExtensions) || IsRawPath(path);
}

bool IsRawPath(const std::string& path) {
    static const std::array<const char*, 14> kRawExtensions = {"cr2", "cr3", "crw", "nef", "nrw", "arw", "sr2",
                                                               "srf", "dng", "pef", "orf", "rw2", "raf", "srw"};
    return HasExtension(path, kRawExtensions);
}

std::string NextStatusText(const std::string& current) {
    const std::string base = kAnalyzingText;
    for (int dots = 0; dots < 5; ++dots) {
        if (current == base + std::string(static_cast<size_t>(dots), '.')) {
            return base + std::string(static_cast<size_t>(dots) + 1, '.');
        }
    }
    return base;
}

std::string SizeText(uint64_t size) {
    return size == 0 ? std::string("unknown") : FormatSize(static_cast<int64_t>(size));
}

int CompareFoundItems(const FoundItem& a, const FoundItem& b, int column, bool descending) {
    int order = 0;
    switch (column) {
    case 0:
        order = _mbscmp(reinterpret_cast<const unsigned char*>(a.name.c_str()),
                        reinterpret_cast<const unsigned char*>(b.name.c_str()));
        break;
    case 1:
        order = a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
        break;
    case 2:
        order = std::strcmp(a.extension.c_str(), b.extension.c_str());
        break;
    default:
        break;
    }
    order = order < 0 ? -1 : (order > 0 ? 1 : 0);
    return descending ? -order : order;
}

}  // namespace workflow
