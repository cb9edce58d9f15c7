#include "workflow/engine/engine_command.h"

#include <array>

namespace workflow {

namespace {

// Any of these in the list makes the engine look for every type it knows.
constexpr std::array<const char*, 8> kEverythingFormats = {"raw", "txt", "doc", "wav", "avi", "wmv", "mp4", "3gp"};

// The formats the engine can be told about one by one, in the order it is told.
constexpr std::array<const char*, 16> kNamedFormats = {"jpg", "gif", "png", "bmp", "tif", "mpg", "dat", "asf",
                                                       "mp3", "mov", "rm",  "pdf", "swf", "pst", "zip", "rar"};

// Without partition_none the engine searches only the first partition of a
// partitioned disk; without keep_corrupted_file it deletes every file that
// fails its checks, a photo with one damaged cluster included. The engine
// takes "options" only after the partition word.
constexpr char kLeadingOptions[] = "partition_none,options,keep_corrupted_file,";

// A format is enabled when its name occurs anywhere in the list, case-sensitively;
// the list is never split or trimmed.
bool Enables(const std::string& formatList, const char* format) {
    return formatList.find(format) != std::string::npos;
}

}  // namespace

std::optional<std::string> FileOptionPart(const std::string& formatList) {
    for (const char* format : kEverythingFormats)
        if (Enables(formatList, format)) return std::string(" fileopt,everything,enable,");

    std::string part = " fileopt,everything,disable,";
    bool anyEnabled = false;
    for (const char* format : kNamedFormats) {
        if (!Enables(formatList, format)) continue;
        part += format;
        part += ",enable,";
        anyEnabled = true;
    }
    if (!anyEnabled) return std::nullopt;
    return part;
}

std::optional<std::string> BuildEngineCommand(const std::string& scanDir, const std::string& device,
                                              const std::string& formatList) {
    // The engine's runtime reads \" as an escaped quote, and a quote inside the
    // folder would end it early: either way the engine would get another folder.
    if (scanDir.empty() || scanDir.back() == '\\' || scanDir.find('"') != std::string::npos) return std::nullopt;
    // The same holds for an image's path, which is quoted only when a blank
    // would split it: a disk's name goes as it always went.
    if (device.empty() || device.find('"') != std::string::npos) return std::nullopt;
    const bool quoteDevice = device.find_first_of(" \t") != std::string::npos;
    if (quoteDevice && device.back() == '\\') return std::nullopt;
    std::optional<std::string> options = FileOptionPart(formatList);
    if (!options) return std::nullopt;
    options->insert(1, kLeadingOptions);
    const std::string deviceWord = quoteDevice ? "\"" + device + "\"" : device;
    return "/d \"" + scanDir + "\" /cmd " + deviceWord + *options + "search";
}

}  // namespace workflow
