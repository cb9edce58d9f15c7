#include "workflow/record/recovered_record.h"

#include <algorithm>
#include <cmath>

#include "imaging/date_taken.h"

namespace workflow {

namespace {

std::string_view ResultText(RecordResult result) {
    switch (result) {
    case RecordResult::SameAsAnother: return "same as another";
    case RecordResult::Failed: return "failed";
    case RecordResult::Written: break;
    }
    return "written";
}

// As DamageTip rounds it: down, and never 100% for a damaged file.
std::string ShareRead(const Damage& damage) {
    if (!damage.readableShare) return {};
    return std::to_string(std::clamp(static_cast<int>(std::floor(*damage.readableShare * 100)), 0, 99)) + "%";
}

}  // namespace

std::string CsvField(std::string_view text) {
    std::string field;
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) field = "'";
    field += text;
    const bool quoted = field.find_first_of(",\"\r\n") != std::string::npos ||
                        (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!quoted) return field;
    std::string quotedField = "\"";
    for (char c : field) {
        if (c == '"') quotedField += '"';
        quotedField += c;
    }
    return quotedField + "\"";
}

std::string RecordHead() {
    return "\xEF\xBB\xBF"
           "Name written,Name found,Size,Pixel size,Date taken,Camera,Condition,Share read,Times found,SHA-256,"
           "Result,Problem\r\n";
}

std::string RecordLine(const RecordedFile& file, const TextToUtf8& toUtf8) {
    const auto taken = imaging::AgreedDateTaken(file.taken, file.previewTaken);
    const std::string fields[] = {
        toUtf8(file.nameWritten),
        toUtf8(file.nameFound),
        std::to_string(file.size),
        file.width && file.height ? std::to_string(file.width) + " x " + std::to_string(file.height) : std::string(),
        taken ? taken->Text() : std::string(),
        toUtf8(file.camera),
        file.damage.Any() ? "damaged" : "intact",
        ShareRead(file.damage),
        std::to_string(file.timesFound),
        file.sha256 ? imaging::Sha256Hex(*file.sha256) : std::string(),
        std::string(ResultText(file.result)),
        toUtf8(file.problem),
    };
    std::string line;
    for (const std::string& field : fields) {
        if (&field != fields) line += ',';
        line += CsvField(field);
    }
    return line + "\r\n";
}

}  // namespace workflow
