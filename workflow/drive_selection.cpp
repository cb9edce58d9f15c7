// The drive list of the drive-selection screen.
#include "workflow/main_dialog.h"

namespace workflow {

void MainDialog::EnumerateDrives() {
    m_drives.clear();
    m_driveList.DeleteAll();
    m_drives = ListDrives();
    for (size_t i = 0; i < m_drives.size(); ++i) {
        const DriveInfo& drive = m_drives[i];
        const int index = static_cast<int>(i);
        m_driveList.InsertItem(index, drive.name);
        m_driveList.SetItemText(index, 0, drive.name);
        m_driveList.SetItemText(index, 1, drive.fileSystem);
        m_driveList.SetItemText(index, 2, FormatSize(drive.capacity));
        m_driveList.SetItemText(index, 3, drive.typeText);
    }
}

void MainDialog::OnReload() {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    EnumerateDrives();
    SetCursor(previous);
}

}  // namespace workflow
