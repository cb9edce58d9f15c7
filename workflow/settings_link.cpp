// Placeholder until the settings dialog lands.
#include "workflow/main_dialog.h"

namespace workflow {
void MainDialog::OnSettingsClicked() {}
}  // namespace workflow
