#include "settings/settings_dialog.h"
#include "workflow/main_dialog.h"

namespace workflow {

// The next scan reads "formats.ini" afresh, so the outcome of the dialog needs no handling here.
void MainDialog::OnSettingsClicked() {
    settings::SettingsDialog dialog;
    dialog.DoModal(m_hwnd);
}

}  // namespace workflow
