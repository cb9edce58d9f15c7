#include "win/utf8_text.h"

#include <windows.h>

namespace win {

std::string Utf8FromCodePage(const std::string& text, unsigned codePage) {
    if (text.empty()) return {};
    const int wideSize = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wideSize <= 0) return {};
    std::wstring wide(static_cast<size_t>(wideSize), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideSize);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

std::string Utf8FromAnsi(const std::string& text) { return Utf8FromCodePage(text, CP_ACP); }

}  // namespace win
