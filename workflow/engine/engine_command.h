#pragma once
// What the carving engine is given: its parameter string and how it is launched.
#include <optional>
#include <string>

namespace workflow {

// The file-option part for a format list, e.g. " fileopt,everything,enable," or
// " fileopt,everything,disable,jpg,enable,"; none when the list names no format
// the engine can be told about.
std::optional<std::string> FileOptionPart(const std::string& formatList);

// The whole parameter string:
//   /d "<scanDir>" /cmd <device> partition_none,options,keep_corrupted_file,fileopt,...,search
// The whole disk is searched, and damaged files are kept (named "b...").
// The device is a disk's name ("/dev/sdb") or a disk image's full path,
// quoted when it holds a blank. None when the format list enables nothing,
// or when the folder or the device cannot be handed on unchanged.
std::optional<std::string> BuildEngineCommand(const std::string& scanDir, const std::string& device,
                                              const std::string& formatList);

}  // namespace workflow
