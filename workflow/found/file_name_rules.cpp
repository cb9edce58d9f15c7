#include "workflow/found/file_name_rules.h"

#include <algorithm>
#include <cctype>

namespace workflow {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

void TrimTrailingDotsAndSpaces(std::string& text) {
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
}

// The last name of a path split as stem, damaged mark and extension.
struct LastName {
    std::string folders;  // up to and with the last backslash
    std::string stem;
    std::string mark;
    std::string extension;  // with its dot

    std::string Joined() const { return folders + stem + mark + extension; }
};

LastName Split(const std::string& path) {
    LastName parts;
    const size_t slash = path.rfind('\\');
    parts.folders = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = path.substr(parts.folders.size());
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot != 0) {
        parts.extension = name.substr(dot);
        name.resize(dot);
    }
    if (name.size() > kDamagedMark.size() && name.ends_with(kDamagedMark)) {
        parts.mark = kDamagedMark;
        name.resize(name.size() - kDamagedMark.size());
    }
    parts.stem = std::move(name);
    return parts;
}

}  // namespace

bool IsForbiddenInName(char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
}

bool IsReservedDeviceName(std::string_view name) {
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (EqualsIgnoringCase(base, device)) return true;
    if (base.size() != 4) return false;
    const unsigned char digit = static_cast<unsigned char>(base[3]);
    // ¹ ² ³ in the ANSI code page count as digits here.
    const bool isDigit = (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    return isDigit && (EqualsIgnoringCase(base.substr(0, 3), "COM") || EqualsIgnoringCase(base.substr(0, 3), "LPT"));
}

std::string SafeNamePart(std::string_view name, std::string_view fallback) {
    std::string safe;
    safe.reserve(name.size() + 1);
    for (char c : name) safe += IsForbiddenInName(c) ? '_' : c;
    TrimTrailingDotsAndSpaces(safe);
    if (safe.empty()) safe = fallback;
    if (IsReservedDeviceName(safe)) safe = "_" + safe;
    return safe;
}

size_t MostNameChars(const std::string& folder, size_t extraChars) {
    const bool hasSlash = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    const size_t used = folder.size() + (hasSlash || folder.empty() ? 0 : 1) + extraChars + 1;  // +1: the NUL
    return used >= kMaxPathChars ? 0 : kMaxPathChars - used;
}

namespace {

// FitName leaving `room` characters of the last name free for a number.
std::optional<std::string> FitLeavingRoom(const std::string& name, size_t most, size_t room) {
    LastName parts = Split(name);
    const size_t fixed = parts.mark.size() + parts.extension.size() + room;
    if (parts.folders.size() + fixed + 1 > most || fixed + 1 > kMaxNameChars) return std::nullopt;
    const size_t stemRoom = std::min(most - parts.folders.size(), kMaxNameChars) - fixed;
    if (parts.stem.size() > stemRoom) {
        parts.stem.resize(stemRoom);
        TrimTrailingDotsAndSpaces(parts.stem);
        // "CONSOLE.jpg" cut must not become the device "CON.jpg".
        if (IsReservedDeviceName(parts.stem)) {
            parts.stem.pop_back();
            TrimTrailingDotsAndSpaces(parts.stem);
        }
        if (parts.stem.empty()) return std::nullopt;
    }
    return parts.Joined();
}

}  // namespace

std::optional<std::string> FitName(const std::string& name, size_t most) { return FitLeavingRoom(name, most, 0); }

std::string NameWithNumber(const std::string& name, unsigned number) {
    if (number <= 1) return name;
    LastName parts = Split(name);
    parts.stem += " (" + std::to_string(number) + ")";
    return parts.Joined();
}

std::optional<std::string> FirstFreeName(const std::string& name, size_t most,
                                         const std::function<bool(const std::string&)>& taken) {
    for (unsigned number = 1; number <= kMostNumberTries; ++number) {
        // The stem is cut first and numbered after, so the number is never cut off.
        const size_t numberChars = number <= 1 ? 0 : std::to_string(number).size() + 3;  // " (n)"
        const auto fitted = FitLeavingRoom(name, most, numberChars);
        if (!fitted) return std::nullopt;
        std::string candidate = NameWithNumber(*fitted, number);
        if (!taken(candidate)) return candidate;
    }
    return std::nullopt;
}

}  // namespace workflow
