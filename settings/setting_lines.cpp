#include "settings/setting_lines.h"

namespace settings {

SettingLineScanner::SettingLineScanner(std::string key, std::string fallback)
    : key_(std::move(key)), value_(std::move(fallback)) {}

void SettingLineScanner::Feed(std::string_view text) {
    for (char c : text) {
        // A CR is held back until the next character shows whether it ends the line.
        if (pendingCarriageReturn_) {
            pendingCarriageReturn_ = false;
            if (c == '\n') {
                EndLine();
                continue;
            }
            Append('\r');
        }
        if (c == '\r')
            pendingCarriageReturn_ = true;
        else if (c == '\n')
            EndLine();
        else
            Append(c);
    }
}

std::string SettingLineScanner::Finish() {
    if (pendingCarriageReturn_) {
        pendingCarriageReturn_ = false;
        Append('\r');
    }
    if (!line_.empty()) EndLine();
    return value_;
}

void SettingLineScanner::Append(char c) {
    if (line_.size() < kMaxLineLength)
        line_ += c;
    else
        lineCut_ = true;
}

void SettingLineScanner::EndLine() {
    // The C string the runtime would have seen ends at the first NUL.
    const std::string_view line(line_.c_str());
    if (!lineCut_ && line.size() >= key_.size() && line.compare(0, key_.size(), key_) == 0)
        value_ = std::string(line.substr(key_.size()));
    line_.clear();
    lineCut_ = false;
}

}  // namespace settings
