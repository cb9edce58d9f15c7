#pragma once
// The lines of recovered.csv, the list of what a copy brought back that it
// writes beside the copies: a spreadsheet opens it (UTF-8 with a byte order
// mark, lines ending CR LF, fields quoted as RFC 4180 quotes them). Plain
// functions of a file's facts; the copy writes the lines as it names files.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/sha256.h"
#include "workflow/found/found_item.h"

namespace workflow {

inline constexpr std::string_view kRecordFileName = "recovered.csv";

// The program's texts (names, messages) are in the ANSI code page: the
// record takes them through this to UTF-8 (win::Utf8FromAnsi).
using TextToUtf8 = std::function<std::string(const std::string&)>;

enum class RecordResult {
    Written,        // "written"
    SameAsAnother,  // "same as another": its bytes were written under another name
    Failed,         // "failed"
};

struct RecordedFile {
    // As written, relative to the output folder; for a file the same as
    // another, the name that other was written under; empty when failed.
    std::string nameWritten;
    std::string nameFound;  // the found file's own name
    uint64_t size = 0;
    uint32_t width = 0, height = 0;  // 0 x 0 when unknown
    // YYYYMMDDhhmmss as read, of the photo and of its embedded preview; left
    // out unless believed (imaging::AgreedDateTaken), as for names.
    uint64_t taken = 0;
    uint64_t previewTaken = 0;
    std::string camera;
    Damage damage;
    uint32_t timesFound = 1;
    std::optional<imaging::Sha256Digest> sha256;
    RecordResult result = RecordResult::Written;
    std::string problem;  // for a failed file: what went wrong, as the copy said it
};

// The byte order mark and the header line.
std::string RecordHead();
// One line, CR LF ended.
std::string RecordLine(const RecordedFile& file, const TextToUtf8& toUtf8);

// One field as CSV holds it: quoted when it holds a comma, a quote, a line
// break or leading or trailing blanks, quotes doubled. A text a spreadsheet
// would take for a formula (starting = + - @, a tab or CR) gets a leading
// apostrophe: a found file's name or a camera's model is whatever the found
// bytes said, and must not run as a formula.
std::string CsvField(std::string_view text);

}  // namespace workflow
