// Placeholder until the help viewer lands.
#include "workflow/main_dialog.h"

namespace workflow {
void MainDialog::OnHelpClicked() {}
}  // namespace workflow
