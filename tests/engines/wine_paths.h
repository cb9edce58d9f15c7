#pragma once
// Wine's mapping between Windows and Unix paths, from the functions its
// kernel32 exports for Wine-aware programs. Not available on Windows itself.
#include <windows.h>

#include <string>

namespace engines {

inline std::wstring Widen(const std::string& text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
    wide.resize(static_cast<std::size_t>(size) - 1);
    return wide;
}

class WinePaths {
public:
    WinePaths() {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        if (!kernel) return;
        toUnix_ = reinterpret_cast<UnixNameFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
        toDos_ = reinterpret_cast<DosNameFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    }
    bool available() const { return toUnix_ && toDos_; }

    // Empty when Wine cannot map the path.
    std::string ToUnix(const std::string& windowsPath) const {
        return Take(toUnix_ ? toUnix_(Widen(windowsPath).c_str()) : nullptr);
    }
    std::wstring ToDos(const std::string& unixPath) const { return Take(toDos_ ? toDos_(unixPath.c_str()) : nullptr); }

private:
    // Both functions return memory of the process heap.
    template <typename Char>
    static std::basic_string<Char> Take(Char* name) {
        if (!name) return {};
        std::basic_string<Char> result = name;
        HeapFree(GetProcessHeap(), 0, name);
        return result;
    }

    using UnixNameFn = char*(CDECL*)(const WCHAR*);
    using DosNameFn = WCHAR*(CDECL*)(const char*);

    UnixNameFn toUnix_ = nullptr;
    DosNameFn toDos_ = nullptr;
};

}  // namespace engines
