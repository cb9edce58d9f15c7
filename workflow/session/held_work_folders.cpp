#include "workflow/session/held_work_folders.h"

#include <algorithm>

#include "workflow/files/folder_tree.h"

namespace workflow {

void HeldWorkFolders::HoldData(win::HeldFolder data) {
    Release();
    m_data = std::move(data);
}

void HeldWorkFolders::HoldNewOutputFolders() {
    std::vector<win::HeldEntry> entries;
    if (!m_data || !m_data->List(entries)) return;
    for (const win::HeldEntry& entry : entries) {
        if (!IsWalkableFolder(entry.attributes) ||
            std::find(m_outputNames.begin(), m_outputNames.end(), entry.name) != m_outputNames.end())
            continue;
        std::optional<win::HeldFolder> output = m_data->OpenFolder(entry.name);
        if (!output) continue;
        m_output.push_back(std::move(*output));
        m_outputNames.push_back(entry.name);
    }
}

void HeldWorkFolders::Release() {
    m_output.clear();
    m_outputNames.clear();
    m_data.reset();
}

}  // namespace workflow
