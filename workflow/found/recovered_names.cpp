#include "workflow/found/recovered_names.h"

#include <cstdio>

#include "imaging/date_taken.h"
#include "workflow/found/file_name_rules.h"

namespace workflow {

namespace {

std::string DatePart(const imaging::DateTaken& date) {
    char text[24];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u.%02u.%02u", date.year, date.month, date.day, date.hour,
                  date.minute, date.second);
    return text;
}

// The extension as a name's, with its dot; empty when it is none a file type has.
std::string ExtensionPart(const std::string& extension) {
    if (extension.empty() || extension.size() > kMostExtensionChars) return {};
    for (char c : extension)
        if (c == '.' || c == ' ' || IsForbiddenInName(c)) return {};
    return "." + extension;
}

// `name` with the damaged mark before its extension.
std::string MarkedDamaged(const std::string& name) {
    const size_t dot = name.rfind('.');
    const size_t end = dot == std::string::npos || dot == 0 ? name.size() : dot;
    if (std::string_view(name).substr(0, end).ends_with(kDamagedMark)) return name;
    return name.substr(0, end) + std::string(kDamagedMark) + name.substr(end);
}

}  // namespace

std::string_view NameChoiceText(NameChoice choice) {
    switch (choice) {
    case NameChoice::ByDateTaken: return "By date taken";
    case NameChoice::ByDateInFolders: return "By date, in folders";
    case NameChoice::AsFound: break;
    }
    return "As found";
}

std::string NameChoiceName(NameChoice choice) {
    switch (choice) {
    case NameChoice::ByDateTaken: return "date";
    case NameChoice::ByDateInFolders: return "date-folders";
    case NameChoice::AsFound: break;
    }
    return "found";
}

NameChoice NameChoiceNamed(const std::string& name) {
    if (name == "date") return NameChoice::ByDateTaken;
    if (name == "date-folders") return NameChoice::ByDateInFolders;
    return NameChoice::AsFound;
}

std::string CameraPartOfName(std::string_view model) {
    std::string words;
    for (char c : model) {
        const bool blank = c == ' ' || c == '\x7F' || IsForbiddenInName(c);
        if (!blank) words += c;
        else if (!words.empty() && words.back() != ' ') words += ' ';
    }
    if (words.size() > kMostCameraChars) {
        // At the last blank that leaves a word whole, else within the word.
        const size_t blank = words.rfind(' ', kMostCameraChars);
        words.resize(blank != std::string::npos && blank > 0 ? blank : kMostCameraChars);
    }
    while (!words.empty() && (words.back() == ' ' || words.back() == '.')) words.pop_back();
    return words;
}

std::string RecoveredName(const NameFacts& facts, NameChoice choice) {
    const std::string found = SafeNamePart(facts.foundName, "file");
    if (choice == NameChoice::AsFound) return found;
    const bool inFolders = choice == NameChoice::ByDateInFolders;
    if (!facts.photo) {
        if (!inFolders) return found;
        const std::string type = ExtensionPart(facts.extension);
        std::string folder = std::string(kOtherFilesFolder) + "\\";
        if (!type.empty()) folder += SafeNamePart(type.substr(1)) + "\\";
        return folder + found;
    }
    const auto date = imaging::AgreedDateTaken(facts.taken, facts.previewTaken);
    std::string name;
    if (date) {
        name = DatePart(*date);
        if (const std::string camera = CameraPartOfName(facts.camera); !camera.empty()) name += " " + camera;
        name += ExtensionPart(facts.extension);
    } else {
        name = found;
    }
    if (facts.damaged) name = MarkedDamaged(name);
    if (!inFolders) return name;
    if (!date) return std::string(kUndatedFolder) + "\\" + name;
    char folders[16];
    std::snprintf(folders, sizeof folders, "%04u\\%04u-%02u\\", date->year, date->year, date->month);
    return folders + name;
}

}  // namespace workflow
