#pragma once
// UTF-8 for files other programs read (a spreadsheet reads recovered.csv as
// UTF-8), from the program's ANSI texts.
#include <string>

namespace win {

// `text` in code page `codePage` as UTF-8; a byte the code page does not
// map becomes what the system maps it to (a replacement character).
std::string Utf8FromCodePage(const std::string& text, unsigned codePage);
// The same from the system's ANSI code page, the program's own texts.
std::string Utf8FromAnsi(const std::string& text);

}  // namespace win
