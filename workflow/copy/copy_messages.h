#pragma once
// What the recovery copy tells the user, made from plain counts and names:
// each message states only what happened, in the singular or plural it needs,
// and advises only what can help.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace workflow {

// Why an entry's copy failed.
enum class CopyFailure { Unreadable, NameTooLong, WriteProtected, NotWritten };
inline constexpr size_t kCopyFailureKinds = 4;
using FailureCounts = std::array<int, kCopyFailureKinds>;  // by CopyFailure

// "a.jpg, b.jpg and 3 more": at most `shown` names.
std::string NameList(const std::vector<std::string>& names, size_t shown = 10);

// The files the destination's file system cannot hold, by name, said before
// anything is copied; `othersCopied` when the other files are then copied
// without a question.
std::string TooLargeMessage(const std::vector<std::string>& names, const std::string& fileSystem,
                            const std::string& folder, bool othersCopied);

// The destination lacks room: with `fitting` files that fit, the question
// whether to copy them; with none, the statement that nothing fits.
std::string RoomMessage(uint64_t needed, uint64_t available, size_t fitting, const std::string& folder);

// The disk filled up during the copy: `copied` files were named, the others
// were not copied.
std::string DiskFullMessage(const std::string& folder, size_t copied, const std::vector<std::string>& notCopied);

// Files that failed, by cause; empty when none did.
std::string FailureReport(const FailureCounts& failed, const std::string& folder);

// The end of a copy that wrote something: what was written, and how many
// ticked files held the same bytes as another and were written only once.
std::string RecoveredQuestion(int copied, int same = 0);

// Why a file failed, as recovered.csv says it beside the file's name.
std::string RecordedProblem(CopyFailure failure);

// Pictures hidden as small when the copy started, which the clean-up after it would delete.
std::string HiddenPicturesQuestion(size_t hidden);

}  // namespace workflow
