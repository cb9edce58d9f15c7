#include "workflow/window/help_viewer.h"

#include <htmlhelp.h>

#include <string>

#include "settings/folders.h"
#include "workflow/engine/app_title.h"

namespace workflow {

void ShowHelpFile(HWND owner) {
    // Always the full path of the program's folder: a bare name would be
    // resolved against the current directory, which the user may have changed.
    const std::string path = settings::GetProgramFolder() + kHelpFileName;
    if (!HtmlHelpA(nullptr, path.c_str(), HH_DISPLAY_TOPIC, 0))
        MessageBoxA(owner, kHelpNotFoundText, kAppCaption, MB_OK);
}

}  // namespace workflow
