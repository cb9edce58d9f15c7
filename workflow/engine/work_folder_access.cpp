#include "workflow/engine/work_folder_access.h"

namespace workflow {

std::string SearchOutputAccess(const std::string& userSid) {
    // 0x1200a9: FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, that is reading,
    // listing and passing through; no writing, no deleting.
    std::string access = kAdministratorsOnlyAccess;
    if (!userSid.empty()) access += "(A;OICI;0x1200a9;;;" + userSid + ")";
    return access;
}

}  // namespace workflow
