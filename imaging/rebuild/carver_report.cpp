#include "imaging/rebuild/carver_report.h"

#include <algorithm>
#include <optional>

namespace imaging::rebuild {

namespace {

constexpr uint64_t kLargestBlock = 1 << 20;

std::optional<uint64_t> ParseNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\r' || text.front() == '\t'))
        text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    size_t digits = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return value;
}

// The value of `name='...'` (or double quotes) inside a tag's text.
std::optional<uint64_t> Attribute(std::string_view tag, std::string_view name) {
    size_t at = 0;
    while ((at = tag.find(name, at)) != std::string_view::npos) {
        const bool startsWord = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n');
        size_t next = at + name.size();
        at = next;
        if (!startsWord || next + 1 >= tag.size() || tag[next] != '=') continue;
        const char quote = tag[next + 1];
        if (quote != '\'' && quote != '"') continue;
        const size_t close = tag.find(quote, next + 2);
        if (close == std::string_view::npos) return std::nullopt;
        return ParseNumber(tag.substr(next + 2, close - next - 2));
    }
    return std::nullopt;
}

// Whether the file's runs can be read back: in file order, from offset 0 on
// without a hole, within the device, no two on the same device bytes.
bool Readable(const FoundFile& file, uint64_t imageSize) {
    if (file.runs.empty()) return false;
    uint64_t expected = 0;
    for (const ByteRun& run : file.runs) {
        if (run.fileOffset != expected || run.length == 0) return false;
        if (run.deviceOffset > UINT64_MAX - run.length || run.fileOffset > UINT64_MAX - run.length) return false;
        if (imageSize != 0 && run.DeviceEnd() > imageSize) return false;
        expected += run.length;
    }
    std::vector<ByteRun> byDevice = file.runs;
    std::sort(byDevice.begin(), byDevice.end(),
              [](const ByteRun& a, const ByteRun& b) { return a.deviceOffset < b.deviceOffset; });
    for (size_t i = 1; i < byDevice.size(); ++i)
        if (byDevice[i].deviceOffset < byDevice[i - 1].DeviceEnd()) return false;
    return true;
}

class ReportParser {
public:
    ReportParser(std::string_view xml, const ReportBounds& bounds) : m_xml(xml), m_bounds(bounds) {}

    CarverReport Parse() {
        size_t at = 0;
        while ((at = m_xml.find('<', at)) != std::string_view::npos) {
            const size_t close = m_xml.find('>', at);
            if (close == std::string_view::npos) break;  // cut inside a tag
            const std::string_view tag = m_xml.substr(at + 1, close - at - 1);
            at = close + 1;
            if (!Take(tag, at)) break;
        }
        for (size_t i = 0; i < m_report.files.size(); ++i)
            m_report.files[i].readable = !m_overfull[i] && Readable(m_report.files[i], m_report.imageSize);
        return std::move(m_report);
    }

private:
    std::string_view Text(size_t from) const {
        const size_t end = m_xml.find('<', from);
        return end == std::string_view::npos ? std::string_view{} : m_xml.substr(from, end - from);
    }
    static bool Is(std::string_view tag, std::string_view name) {
        return tag.substr(0, name.size()) == name &&
               (tag.size() == name.size() || tag[name.size()] == ' ' || tag[name.size()] == '/' ||
                tag[name.size()] == '\t' || tag[name.size()] == '\n');
    }

    // False to stop reading: the report's end, or the bounds reached.
    bool Take(std::string_view tag, size_t after) {
        if (Is(tag, "/dfxml")) {
            m_report.complete = true;
            return false;
        }
        if (Is(tag, "fileobject")) {
            if (m_report.files.size() >= m_bounds.maxFiles) return Overflow();
            m_file = FoundFile{};
            m_fileOverfull = false;
            m_inFile = true;
        } else if (Is(tag, "/fileobject")) {
            // Only a file whose element closed is whole.
            if (m_inFile) {
                m_report.files.push_back(std::move(m_file));
                m_overfull.push_back(m_fileOverfull);
            }
            m_fileOverfull = false;
            m_inFile = false;
        } else if (Is(tag, "filename") && m_inFile) {
            m_file.name = std::string(Text(after).substr(0, 260));
        } else if (Is(tag, "byte_run") && m_inFile) {
            const auto offset = Attribute(tag, "offset"), device = Attribute(tag, "img_offset"),
                       length = Attribute(tag, "len");
            if (m_file.runs.size() >= m_bounds.maxRunsPerFile) {
                m_fileOverfull = true;
            } else if (m_runs >= m_bounds.maxRuns) {
                return Overflow();
            } else {
                ++m_runs;
                // A run missing a number cannot be placed: keep a run that
                // makes the file unreadable rather than a file with a hole.
                m_file.runs.push_back(offset && device && length ? ByteRun{*offset, *device, *length}
                                                                  : ByteRun{UINT64_MAX, 0, 0});
            }
        } else if (Is(tag, "image_size") && !m_inFile) {
            m_report.imageSize = ParseNumber(Text(after)).value_or(0);
        } else if (Is(tag, "block_size") && !m_inFile) {
            const uint64_t size = ParseNumber(Text(after)).value_or(0);
            m_report.blockSize = PlausibleBlockSize(size) ? static_cast<uint32_t>(size) : 0;
        }
        return true;
    }
    bool Overflow() {
        m_report.truncated = true;
        return false;
    }

    std::string_view m_xml;
    ReportBounds m_bounds;
    CarverReport m_report;
    FoundFile m_file;
    bool m_inFile = false;
    bool m_fileOverfull = false;
    std::vector<bool> m_overfull;  // by file: more runs than a file may have
    size_t m_runs = 0;
};

}  // namespace

bool PlausibleBlockSize(uint64_t size) { return size >= 512 && size <= kLargestBlock && (size & (size - 1)) == 0; }

CarverReport ReadCarverReport(std::string_view xml, const ReportBounds& bounds) {
    return ReportParser(xml, bounds).Parse();
}

uint32_t ReadLogBlockSize(std::string_view log) {
    constexpr std::string_view kKey = "blocksize=";
    uint32_t found = 0;
    size_t at = 0;
    while ((at = log.find(kKey, at)) != std::string_view::npos) {
        at += kKey.size();
        const uint64_t size = ParseNumber(log.substr(at, 20)).value_or(0);
        if (PlausibleBlockSize(size)) found = static_cast<uint32_t>(size);
    }
    return found;
}

}  // namespace imaging::rebuild
