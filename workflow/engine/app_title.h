#pragma once
#include <windows.h>

#include <string>

namespace workflow {

// The caption of the program's message boxes.
inline constexpr char kAppCaption[] = "Vantreo";

// The application title: the program file's name without its extension.
inline std::string ApplicationTitle() {
    std::string path(MAX_PATH, '\0');
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), MAX_PATH);
    path.resize(length);
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace workflow
