#include "tests/support/files.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tests/support/folder_links.h"
#include "win/handles.h"

namespace testing_support {

namespace {

// Calls `visit` with each entry of a folder but "." and "..".
template <typename Visit>
void ForEachEntry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAA entry;
    win::FindHandle listing(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!listing.valid()) return;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") visit(name, entry.dwFileAttributes);
    } while (FindNextFileA(listing.get(), &entry));
}

bool HoldsLink(const std::string& folder) {
    if (IsLinkOnDisk(folder)) return true;
    bool link = false;
    ForEachEntry(folder, [&](const std::string& name, DWORD attributes) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) link = true;
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY) link = link || HoldsLink(folder + "\\" + name);
    });
    return link;
}

void RemovePlainTree(const std::string& folder) {
    ForEachEntry(folder, [&](const std::string& name, DWORD attributes) {
        const std::string path = folder + "\\" + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) RemovePlainTree(path);
        else DeleteFileA(path.c_str());
    });
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool CanOpenExclusively(const std::string& path) {
    return win::UniqueHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr)).valid();
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    ForEachEntry(folder, [&](const std::string& name, DWORD attributes) {
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> FilesBelow(const std::string& folder) {
    std::map<std::string, std::string> files;
    ForEachEntry(folder, [&](const std::string& name, DWORD attributes) {
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files[name] = ReadFile(folder + "\\" + name);
            return;
        }
        for (auto& [below, content] : FilesBelow(folder + "\\" + name)) files[name + "\\" + below] = content;
    });
    return files;
}

void RemoveFolder(const std::string& path) {
    if (!FileExists(path)) return;
    if (HoldsLink(path)) {
        RemoveTreeFromUnix(path);
    } else {
        RemovePlainTree(path);
    }
}

ScratchFolder::ScratchFolder(const std::string& name, const std::string& parent) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    m_path = (parent.empty() ? std::string(temp) : parent) + "vantreo-" + name + "-" + std::to_string(GetCurrentProcessId());
    RemoveFolder(m_path);
    CreateDirectoryA(m_path.c_str(), nullptr);
}

}  // namespace testing_support
