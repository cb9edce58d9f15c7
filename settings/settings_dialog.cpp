#include "settings/settings_dialog.h"

#include <algorithm>

#include "resources/resource.h"
#include "settings/format_checks.h"
#include "settings/settings_file.h"

namespace settings {

static_assert(IDC_LAST_FORMAT - IDC_FIRST_FORMAT + 1 == kFormatCount, "one check box per format name");

SettingsDialog::SettingsDialog() : win::Dialog(IDD_SETTINGS) {}

bool SettingsDialog::OnInit() {
    CentreOverOwner();
    SetChecksFromList(LoadFormatList());
    CheckDlgButton(m_hwnd, IDC_WRITE_LIST, LoadWriteList() ? BST_CHECKED : BST_UNCHECKED);
    return true;
}

bool SettingsDialog::OnCommand(int id, int code, HWND control) {
    if (id == IDC_DEFAULT_FORMATS && code == BN_CLICKED) {
        OnDefaultClicked();
        return true;
    }
    return win::Dialog::OnCommand(id, code, control);
}

void SettingsDialog::OnOK() {
    StoreFormatList(BuildListFromChecks());
    // settings.ini also holds the output folder: it is rewritten only for a change.
    const bool writeList = IsDlgButtonChecked(m_hwnd, IDC_WRITE_LIST) == BST_CHECKED;
    if (writeList != LoadWriteList()) StoreWriteList(writeList);
    win::Dialog::OnOK();
}

void SettingsDialog::OnDefaultClicked() { SetChecksFromList(kDefaultFormatList); }

void SettingsDialog::SetChecksFromList(const std::string& list) {
    const FormatChecks checks = ChecksFromList(list);
    for (std::size_t i = 0; i < kFormatCount; ++i)
        CheckDlgButton(m_hwnd, IDC_FIRST_FORMAT + static_cast<int>(i), checks[i] ? BST_CHECKED : BST_UNCHECKED);
}

std::string SettingsDialog::BuildListFromChecks() const {
    FormatChecks checks{};
    for (std::size_t i = 0; i < kFormatCount; ++i)
        checks[i] = IsDlgButtonChecked(m_hwnd, IDC_FIRST_FORMAT + static_cast<int>(i)) != BST_UNCHECKED;
    return ListFromChecks(checks);
}

// A template without DS_CENTER opens at the owner's top-left corner; a small
// dialog reads better centred over the window that opened it, kept on the
// work area so that an owner near the screen's edge cannot push it off.
void SettingsDialog::CentreOverOwner() {
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT area = workArea;
    HWND owner = GetWindow(m_hwnd, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &area);
    RECT dialog{};
    GetWindowRect(m_hwnd, &dialog);
    int x = area.left + (win::Width(area) - win::Width(dialog)) / 2;
    int y = area.top + (win::Height(area) - win::Height(dialog)) / 2;
    x = std::max<int>(workArea.left, std::min<int>(x, workArea.right - win::Width(dialog)));
    y = std::max<int>(workArea.top, std::min<int>(y, workArea.bottom - win::Height(dialog)));
    SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace settings
