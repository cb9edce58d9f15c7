#pragma once
// Reading the parameter string our program gives the carving engine:
//   /d "<scan dir>" /cmd <device> <options>
// Shared by the test engines and checked directly by the tests.
#include <cstddef>
#include <optional>
#include <string>

namespace engines {

// The command line without the program name and the blanks after it, the way
// the C runtime finds the end of argv[0]: a quoted name ends at the next quote,
// an unquoted one at the first blank.
inline std::string ParametersOf(const std::string& commandLine) {
    std::size_t pos = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        pos = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        pos = commandLine.find_first_of(" \t");
        if (pos == std::string::npos) pos = commandLine.size();
    }
    while (pos < commandLine.size() && (commandLine[pos] == ' ' || commandLine[pos] == '\t')) ++pos;
    return commandLine.substr(pos);
}

// Where the quoted folder after "/d" sits in the parameter string.
struct QuotedSpan {
    std::size_t begin;  // first character inside the quotes
    std::size_t end;    // the closing quote
};

inline std::optional<QuotedSpan> FindScanDir(const std::string& parameters) {
    const std::size_t d = parameters.find("/d \"");
    if (d == std::string::npos) return std::nullopt;
    const std::size_t begin = d + 4;
    const std::size_t end = parameters.find('"', begin);
    if (end == std::string::npos || end == begin) return std::nullopt;
    return QuotedSpan{begin, end};
}

// The folder named after "/d", without its quotes.
inline std::optional<std::string> ScanDirOf(const std::string& parameters) {
    const auto span = FindScanDir(parameters);
    if (!span) return std::nullopt;
    return parameters.substr(span->begin, span->end - span->begin);
}

// The words after "/cmd": the device and the option list. Searched after the
// quoted folder, which may itself hold " /cmd ".
struct EngineCommand {
    std::string device;
    std::string options;
};

inline std::optional<EngineCommand> CommandOf(const std::string& parameters) {
    const auto span = FindScanDir(parameters);
    const std::size_t from = span ? span->end + 1 : 0;
    const std::size_t cmd = parameters.find("/cmd ", from);
    if (cmd == std::string::npos) return std::nullopt;
    std::size_t deviceBegin = parameters.find_first_not_of(' ', cmd + 5);
    if (deviceBegin == std::string::npos) return std::nullopt;
    // A disk image's path comes quoted when it holds a blank.
    std::size_t deviceEnd = 0, afterDevice = 0;
    if (parameters[deviceBegin] == '"') {
        ++deviceBegin;
        deviceEnd = parameters.find('"', deviceBegin);
        if (deviceEnd == std::string::npos || deviceEnd == deviceBegin) return std::nullopt;
        afterDevice = deviceEnd + 1;
    } else {
        deviceEnd = afterDevice = parameters.find(' ', deviceBegin);
        if (deviceEnd == std::string::npos) return std::nullopt;
    }
    const std::size_t optionsBegin = parameters.find_first_not_of(' ', afterDevice);
    if (optionsBegin == std::string::npos || optionsBegin == afterDevice) return std::nullopt;
    return EngineCommand{parameters.substr(deviceBegin, deviceEnd - deviceBegin),
                         parameters.substr(optionsBegin)};
}

// One argument quoted so that the Windows rules of splitting a command line
// give it back unchanged: backslashes double only before a quote.
inline std::string QuoteArgument(const std::string& argument) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

}  // namespace engines
