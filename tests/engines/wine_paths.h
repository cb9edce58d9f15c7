#pragma once
// Wine's mapping between Windows and Unix paths, from the functions its
// kernel32 exports for Wine-aware programs. Not available on Windows itself.
#include <windows.h>

#include <string>

namespace engines {

// `codePage` CP_ACP for Windows texts, CP_UTF8 for Unix paths (Wine gives
// and takes those in UTF-8).
inline std::wstring Widen(const std::string& text, UINT codePage = CP_ACP) {
    const int size = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide.data(), size);
    wide.resize(static_cast<std::size_t>(size) - 1);
    return wide;
}

class WinePaths {
public:
    WinePaths() {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        if (!kernel) return;
        m_toUnix = reinterpret_cast<UnixNameFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
        m_toDos = reinterpret_cast<DosNameFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    }
    bool available() const { return m_toUnix && m_toDos; }

    // Empty when Wine cannot map the path.
    std::string ToUnix(const std::string& windowsPath) const {
        return Take(m_toUnix ? m_toUnix(Widen(windowsPath).c_str()) : nullptr);
    }
    std::wstring ToDos(const std::string& unixPath) const { return Take(m_toDos ? m_toDos(unixPath.c_str()) : nullptr); }

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

    UnixNameFn m_toUnix = nullptr;
    DosNameFn m_toDos = nullptr;
};

}  // namespace engines
