#include "workflow/files/copy_names.h"

#include <algorithm>
#include <cctype>

namespace workflow {

namespace {

constexpr char kPartialSuffix[] = ".vantreo-partial";
// Including the terminating null, as the system counts it.
constexpr size_t kPathLimit = 260;

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

std::string NumberedName(const std::string& name, int number) {
    if (number <= 1) return name;
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
    return stem + " (" + std::to_string(number) + ")" + extension;
}

Naming GiveFirstFreeName(const std::string& name, const std::function<Naming(const std::string&)>& give) {
    for (int number = 1; number <= kLastCopyNumber; ++number) {
        const Naming named = give(NumberedName(name, number));
        if (named != Naming::Taken) return named;
    }
    return Naming::Taken;
}

bool FitsPathLimit(const std::string& path) { return path.size() < kPathLimit; }

std::string PartialName(const std::string& name, int attempt) {
    return name + (attempt <= 1 ? std::string() : "." + std::to_string(attempt)) + kPartialSuffix;
}

bool IsPartialName(const std::string& name) {
    const size_t length = sizeof kPartialSuffix - 1;
    return name.size() > length &&
           std::equal(name.end() - length, name.end(), kPartialSuffix,
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace workflow
