#include "tools/bench/scratch_folder.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace bench {

ScratchFolder::ScratchFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    m_path = std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(m_path.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    // The shell's delete takes whole trees; its list of paths ends with an
    // empty string, and the folder itself must not end with a backslash.
    std::vector<char> from(m_path.begin(), m_path.end() - 1);
    from.push_back('\0');
    from.push_back('\0');
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&operation);
}

}  // namespace bench
