// How the copy names what it writes, chosen on the Recover row of the
// results and kept in the settings file; and the copy's other choices, handed
// to the session when Recover is pressed.
#include <windows.h>

#include <iterator>
#include <string>

#include "resources/resource.h"
#include "settings/settings_file.h"
#include "workflow/window/main_dialog.h"
#include "workflow/window/main_layout.h"
#include "workflow/window/main_skin.h"

namespace workflow {

void MainDialog::SetUpNaming() {
    m_nameFiles.Attach(Item(IDC_NAME_FILES));
    m_nameFilesLabel.Bind(m_hwnd, IDC_NAME_FILES_LABEL);
    ApplyLabelLook(m_nameFilesLabel, kCaptionLook);
    for (NameChoice choice : kNameChoices)
        SendMessageA(m_nameFiles, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(NameChoiceText(choice)).c_str()));
    m_naming = NameChoiceNamed(settings::LoadNaming());
    SendMessageA(m_nameFiles, CB_SETCURSEL, static_cast<WPARAM>(m_naming), 0);
    const RECT label = m_nameFilesLabel.RectInParent(), choice = m_nameFiles.RectInParent();
    const NamingPlacement place = PlaceNamingBesideRecover(m_recover.RectInParent(),
                                                           SIZE{win::Width(label), win::Height(label)},
                                                           SIZE{win::Width(choice), win::Height(choice)});
    m_nameFilesLabel.Move(place.label, false);
    m_nameFiles.Move(place.choice, false);
    ShowNamingControls(false);
}

void MainDialog::ShowNamingControls(bool show) {
    m_nameFilesLabel.Show(show);
    m_nameFiles.Show(show);
}

bool MainDialog::OnNamingCommand(int id, int code) {
    if (id != IDC_NAME_FILES) return false;
    if (code != CBN_SELCHANGE) return true;
    const LRESULT chosen = SendMessageA(m_nameFiles, CB_GETCURSEL, 0, 0);
    if (chosen < 0 || chosen >= static_cast<LRESULT>(std::size(kNameChoices))) return true;
    m_naming = kNameChoices[chosen];
    settings::StoreNaming(m_naming == NameChoice::AsFound ? "" : NameChoiceName(m_naming));
    return true;
}

// The list of recovered files is chosen in the Settings dialog, which keeps
// it only in the settings file.
void MainDialog::GiveCopyChoices() { m_session.SetCopyChoices({m_naming, settings::LoadWriteList()}); }

}  // namespace workflow
