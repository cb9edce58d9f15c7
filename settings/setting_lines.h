#pragma once
// Finds a key's value in the lines of a settings file, fed in pieces of any size.
// Lines are cut as the C runtime's text mode and a 260-character line buffer
// would cut them: a CR before an LF is dropped, and a line holds at most 259
// characters. The rest of a longer line is dropped, never read as a line, and
// a line that had to be cut never matches, so a cut value is never used.
#include <string>
#include <string_view>

namespace settings {

class SettingLineScanner {
public:
    static constexpr size_t kMaxLineLength = 259;

    SettingLineScanner(std::string key, std::string fallback);

    void Feed(std::string_view text);
    // The value of the last matching line, the unfinished last line included.
    std::string Finish();

private:
    void Append(char c);
    void EndLine();

    std::string m_key;
    std::string m_value;
    std::string m_line;
    bool m_lineCut = false;
    bool m_pendingCarriageReturn = false;
};

}  // namespace settings
