#pragma once
// The "Settings" dialog: one check box per file type of the format list, and
// whether a copy writes the list of what it recovered. It shows "formats.ini"
// and that choice in "settings.ini" when it opens and rewrites them on OK;
// Cancel, Esc and the close box write nothing. It keeps no state of its own: between openings the
// list lives only in the file.
#include <string>

#include "win/dialog.h"

namespace settings {

class SettingsDialog : public win::Dialog {
public:
    SettingsDialog();

    // Sets every box: checked when the list enables its format, otherwise clear.
    void SetChecksFromList(const std::string& list);
    // The names of the boxes that are not clear, in list order, joined by commas.
    std::string BuildListFromChecks() const;

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;

private:
    void OnDefaultClicked();
    void CentreOverOwner();
};

}  // namespace settings
