#include "settings/format_checks.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace settings {

bool IsFormatEnabled(std::string_view list, std::string_view name) {
    return list.find(name) != std::string_view::npos;
}

FormatChecks ChecksFromList(std::string_view list) {
    FormatChecks checks{};
    for (std::size_t i = 0; i < kFormatCount; ++i) checks[i] = IsFormatEnabled(list, kFormatNames[i]);
    return checks;
}

std::string ListFromChecks(const FormatChecks& checks) {
    std::string list;
    for (std::size_t i = 0; i < kFormatCount; ++i) {
        if (!checks[i]) continue;
        if (!list.empty()) list += ',';
        list += kFormatNames[i];
    }
    return list;
}

bool IsEngineExtension(std::string_view extension) {
    std::string lower(extension);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::ranges::binary_search(kEngineExtensions, std::string_view(lower));
}

}  // namespace settings
