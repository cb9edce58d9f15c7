#include "workflow/copy/copy_messages.h"

#include <cctype>
#include <numeric>

#include "workflow/engine/drive_list.h"

namespace workflow {

namespace {

std::string Files(size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

// The cause of failures of one kind, said of all of them, or of `count` among others.
std::string Cause(CopyFailure kind, int count, bool alone) {
    const bool one = count == 1;
    const std::string who = alone ? std::string(one ? "it" : "they") : std::to_string(count);
    switch (kind) {
    case CopyFailure::Unreadable:
        return who + " could not be read from the found files";
    case CopyFailure::NameTooLong:
        if (alone) return std::string(one ? "its name is" : "their names are") + " too long for that folder";
        return who + (one ? " has a name" : " have names") + " too long for that folder";
    case CopyFailure::WriteProtected:
        if (alone) return "the folder is write-protected";
        return who + " could not be written as the folder is write-protected";
    case CopyFailure::NotWritten:
        break;
    }
    return who + " could not be written there";
}

const char* Advice(CopyFailure kind) {
    switch (kind) {
    case CopyFailure::Unreadable:
        return "close any program that may hold the found files open";
    case CopyFailure::NameTooLong:
        return "choose a folder with a shorter path";
    case CopyFailure::WriteProtected:
        return "remove the write protection or choose another folder";
    case CopyFailure::NotWritten:
        break;
    }
    return "check the disk or choose another folder";
}

// "a, b and c".
std::string JoinedAsList(const std::vector<std::string>& parts) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += i + 1 == parts.size() ? " and " : ", ";
        text += parts[i];
    }
    return text;
}

}  // namespace

std::string NameList(const std::vector<std::string>& names, size_t shown) {
    const size_t listed = names.size() > shown ? shown : names.size();
    std::vector<std::string> parts(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(listed));
    if (names.size() > listed) parts.push_back(std::to_string(names.size() - listed) + " more");
    return JoinedAsList(parts);
}

std::string TooLargeMessage(const std::vector<std::string>& names, const std::string& fileSystem,
                            const std::string& folder, bool othersCopied) {
    if (names.empty()) return {};
    const bool one = names.size() == 1;
    const std::string limit = " 4 GB or larger, which " + fileSystem + " cannot hold, so ";
    std::string text = one ? names.front() + " is" + limit + "it is not copied to \"" + folder + "\"."
                           : Files(names.size()) + " are" + limit + "they are not copied to \"" + folder +
                                 "\": " + NameList(names) + ".";
    return text + "\n\n" + (othersCopied ? "The other files are copied. " : "") + "To recover " +
           (one ? "it" : "them") + ", choose a folder on a disk formatted with NTFS or exFAT.";
}

std::string RoomMessage(uint64_t needed, uint64_t available, size_t fitting, const std::string& folder) {
    const std::string text = "Not enough room: the copy needs " + FormatSize(static_cast<int64_t>(needed)) +
                             ", the disk of \"" + folder + "\" has " + FormatSize(static_cast<int64_t>(available)) +
                             " free.\n\n";
    if (fitting == 0)
        return text + "No ticked file fits there. Free some space or choose another folder, then press 'Recover' again.";
    return text + "Copy the " + Files(fitting) + (fitting == 1 ? " that fits" : " that fit") +
           "? Press No to choose another folder.";
}

std::string DiskFullMessage(const std::string& folder, size_t copied, const std::vector<std::string>& notCopied) {
    const size_t total = copied + notCopied.size();
    std::string text = "The disk of \"" + folder + "\" is full: ";
    if (copied == 0 && total == 1) {
        text += notCopied.front() + " could not be copied.";
    } else {
        text += (copied == 0 ? "none of the " + Files(total)
                             : "only " + std::to_string(copied) + " of the " + Files(total)) +
                " could be copied. Not copied: " + NameList(notCopied) + ".";
    }
    return text + "\n\nThe found files stay until they are recovered or the program is closed; " +
           (notCopied.size() == 1 ? "the one not copied stays" : "those not copied stay") +
           " ticked. Free some space or choose another folder, then press 'Recover' again.";
}

std::string FailureReport(const FailureCounts& failed, const std::string& folder) {
    const int total = std::accumulate(failed.begin(), failed.end(), 0);
    if (total == 0) return {};
    std::vector<std::string> causes, advice;
    for (size_t kind = 0; kind < kCopyFailureKinds; ++kind) {
        if (failed[kind] == 0) continue;
        causes.push_back(Cause(static_cast<CopyFailure>(kind), failed[kind], failed[kind] == total));
        advice.push_back(Advice(static_cast<CopyFailure>(kind)));
    }
    std::string steps = JoinedAsList(advice);
    steps[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(steps[0])));
    return Files(static_cast<size_t>(total)) + " could not be copied to \"" + folder + "\": " + JoinedAsList(causes) +
           ".\n\nThe found files are kept, and " + (total == 1 ? "the one not copied stays" : "those not copied stay") +
           " ticked. " + steps + ", then press 'Recover' again.";
}

std::string RecoveredQuestion(int copied, int same) {
    std::string text = Files(static_cast<size_t>(copied)) + " recovered.";
    if (same == 1) text += " 1 other file was the same as another file and was not written again.";
    if (same > 1)
        text += " " + std::to_string(same) + " other files were the same as another file and were not written again.";
    return text + "\n\nDo you want to view recovered files?";
}

std::string RecordedProblem(CopyFailure failure) {
    switch (failure) {
    case CopyFailure::Unreadable:
        return "could not be read from the found files";
    case CopyFailure::NameTooLong:
        return "name too long for the folder";
    case CopyFailure::WriteProtected:
        return "the folder is write-protected";
    case CopyFailure::NotWritten:
        break;
    }
    return "could not be written";
}

std::string HiddenPicturesQuestion(size_t hidden) {
    return hidden == 1 ? std::string("1 hidden picture was not recovered. Delete it with the other found files?")
                       : std::to_string(hidden) +
                             " hidden pictures were not recovered. Delete them with the other found files?";
}

}  // namespace workflow
