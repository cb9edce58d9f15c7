#include "settings/setting_lines.h"

namespace settings {

SettingLineScanner::SettingLineScanner(std::string key, std::string fallback)
    : m_key(std::move(key)), m_value(std::move(fallback)) {}

void SettingLineScanner::Feed(std::string_view text) {
    for (char c : text) {
        // A CR is held back until the next character shows whether it ends the line.
        if (m_pendingCarriageReturn) {
            m_pendingCarriageReturn = false;
            if (c == '\n') {
                EndLine();
                continue;
            }
            Append('\r');
        }
        if (c == '\r')
            m_pendingCarriageReturn = true;
        else if (c == '\n')
            EndLine();
        else
            Append(c);
    }
}

std::string SettingLineScanner::Finish() {
    if (m_pendingCarriageReturn) {
        m_pendingCarriageReturn = false;
        Append('\r');
    }
    if (!m_line.empty()) EndLine();
    return m_value;
}

void SettingLineScanner::Append(char c) {
    if (m_line.size() < kMaxLineLength)
        m_line += c;
    else
        m_lineCut = true;
}

void SettingLineScanner::EndLine() {
    // The C string the runtime would have seen ends at the first NUL.
    const std::string_view line(m_line.c_str());
    if (!m_lineCut && line.size() >= m_key.size() && line.compare(0, m_key.size(), m_key) == 0)
        m_value = std::string(line.substr(m_key.size()));
    m_line.clear();
    m_lineCut = false;
}

}  // namespace settings
