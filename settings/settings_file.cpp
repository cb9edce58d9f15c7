#include "settings/settings_file.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <memory>

#include "settings/folders.h"
#include "settings/setting_lines.h"
#include "win/handles.h"

namespace settings {

namespace {

constexpr char kSaveFolderFile[] = "settings.ini";
constexpr char kFormatListFile[] = "formats.ini";

// BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE
constexpr UINT kBrowseFlags = 0x59;
static_assert((BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE) == kBrowseFlags);

struct ItemIdListFree {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using ItemIdList = std::unique_ptr<ITEMIDLIST, ItemIdListFree>;

// The new-style folder picker needs COM on the calling thread.
class ComScope {
public:
    ComScope() : m_initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (m_initialised) CoUninitialize();
    }

private:
    bool m_initialised;
};

// Empty, and so never opened, when the program's folder is unknown.
std::string BesideProgram(const char* fileName) {
    const std::string folder = GetProgramFolder();
    return folder.empty() ? "" : folder + fileName;
}

}  // namespace

std::string FindSettingValue(const std::string& content, const std::string& key, const std::string& fallback) {
    SettingLineScanner scanner(key, fallback);
    scanner.Feed(content);
    return scanner.Finish();
}

std::string ReadSetting(const std::string& path, const std::string& key, const std::string& fallback) {
    if (path.empty() || !PathFileExistsA(path.c_str())) return fallback;
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return fallback;
    SettingLineScanner scanner(key, fallback);
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return fallback;
        if (read == 0) break;
        scanner.Feed(std::string_view(chunk, read));
    }
    return scanner.Finish();
}

bool WriteSetting(const std::string& path, const std::string& key, const std::string& value) {
    // A line feed in the value would write a second line.
    if (path.empty() || value.find('\n') != std::string::npos) return false;
    win::UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const std::string line = key + value + "\r\n";
    DWORD written = 0;
    return WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

std::string SaveFolderPath() {
    return BesideProgram(kSaveFolderFile);
}

std::string FormatListPath() {
    return BesideProgram(kFormatListFile);
}

std::string LoadSaveFolder() { return ReadSetting(SaveFolderPath(), kSaveFolderKey, GetPicturesFolder()); }

namespace {

// Everything settings.ini holds.
struct SavedChoices {
    std::string folder;
    bool hideSmall = false;
    std::string order;
    bool hideCopies = false;
    std::string naming;
    bool writeList = true;
};

SavedChoices LoadSavedChoices() {
    return {ReadSetting(SaveFolderPath(), kSaveFolderKey, ""), LoadHideSmall(), LoadPhotoOrder(), LoadHideCopies(),
            LoadNaming(), LoadWriteList()};
}

// The folder's line first, as a file of one line always had it; a choice
// left at its default writes no line.
void WriteSaveFolderFile(const SavedChoices& saved) {
    const std::string path = SaveFolderPath();
    for (const std::string& value : {saved.folder, saved.order, saved.naming})
        if (value.find('\n') != std::string::npos) return;
    std::string content;
    if (!saved.folder.empty()) content += std::string(kSaveFolderKey) + saved.folder + "\r\n";
    if (saved.hideSmall) content += std::string(kHideSmallKey) + "1\r\n";
    if (!saved.order.empty()) content += std::string(kPhotoOrderKey) + saved.order + "\r\n";
    if (saved.hideCopies) content += std::string(kHideCopiesKey) + "1\r\n";
    if (!saved.naming.empty()) content += std::string(kNamingKey) + saved.naming + "\r\n";
    if (!saved.writeList) content += std::string(kWriteListKey) + "0\r\n";
    if (path.empty()) return;
    win::UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

}  // namespace

void StoreSaveFolder(const std::string& folder) {
    SavedChoices saved = LoadSavedChoices();
    saved.folder = folder;
    WriteSaveFolderFile(saved);
}

void StorePhotoView(bool hideSmall, const std::string& order, bool hideCopies) {
    SavedChoices saved = LoadSavedChoices();
    saved.hideSmall = hideSmall;
    saved.order = order;
    saved.hideCopies = hideCopies;
    WriteSaveFolderFile(saved);
}

void StoreNaming(const std::string& naming) {
    SavedChoices saved = LoadSavedChoices();
    saved.naming = naming;
    WriteSaveFolderFile(saved);
}

void StoreWriteList(bool write) {
    SavedChoices saved = LoadSavedChoices();
    saved.writeList = write;
    WriteSaveFolderFile(saved);
}

bool LoadHideCopies() { return ReadSetting(SaveFolderPath(), kHideCopiesKey, "") == "1"; }

std::string LoadNaming() { return ReadSetting(SaveFolderPath(), kNamingKey, ""); }

bool LoadWriteList() { return ReadSetting(SaveFolderPath(), kWriteListKey, "") != "0"; }

bool LoadHideSmall() { return ReadSetting(SaveFolderPath(), kHideSmallKey, "") == "1"; }

std::string LoadPhotoOrder() { return ReadSetting(SaveFolderPath(), kPhotoOrderKey, ""); }

std::optional<std::string> BrowseForSaveFolder(HWND owner, const std::function<bool(const std::string&)>& accept) {
    ComScope com;
    char displayName[MAX_PATH] = {};
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = "";
    browse.ulFlags = kBrowseFlags;
    ItemIdList chosen(SHBrowseForFolderA(&browse));
    if (!chosen) return std::nullopt;

    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen.get(), path)) return std::nullopt;
    const std::string folder = WithoutTrailingBackslash(path);
    if (accept && !accept(folder)) return std::nullopt;
    StoreSaveFolder(folder);
    return folder;
}

std::string WithoutTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string LoadFormatList() {
    return ReadSetting(FormatListPath(), kFormatListKey, kDefaultFormatList);
}

void StoreFormatList(const std::string& list) {
    WriteSetting(FormatListPath(), kFormatListKey, list);
}

}  // namespace settings
