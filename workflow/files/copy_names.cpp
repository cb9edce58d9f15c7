#include "workflow/files/copy_names.h"

namespace workflow {

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

std::string NextFreeDestination(const std::string& folder, const std::string& name,
                                const std::function<bool(const std::string&)>& exists) {
    for (int number = 1;; ++number) {
        std::string candidate = JoinPath(folder, NumberedName(name, number));
        if (!exists(candidate)) return candidate;
    }
}

}  // namespace workflow
