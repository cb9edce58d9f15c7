#pragma once
// The data folder and the engine's output folders in it, held from before
// the engine starts until the clean-up. Held without delete sharing, none of
// them can be renamed or deleted meanwhile, so nothing can put a link where
// the engine writes by path. (Their access lists keep the user's own programs
// out of them as well; this holds on any platform, lists or not.)
//
// Threads: the window's thread alone.
#include <optional>
#include <string>
#include <vector>

#include "win/held_folder.h"

namespace workflow {

class HeldWorkFolders {
public:
    void HoldData(win::HeldFolder data);
    // Holds each folder the engine has made in the data folder since the last call.
    void HoldNewOutputFolders();
    // Lets every folder go, for the clean-up to delete them.
    void Release();
    bool Holding() const { return m_data.has_value(); }

private:
    std::optional<win::HeldFolder> m_data;
    std::vector<win::HeldFolder> m_output;
    std::vector<std::wstring> m_outputNames;
};

}  // namespace workflow
