#include "workflow/window/main_skin.h"

#include "resources/resource.h"

namespace workflow {

void ApplyCommandButtonLook(controls::SkinButton& button) {
    button.ShiftStateColor(controls::kActiveBackground, 30, true);
    button.SetStateColor(controls::kActiveCaption, 0x000000, true);
    button.SetStateColor(controls::kNormalCaption, 0xFF0000, true);
    button.SetStateColor(controls::kFocusedCaption, 0xFF0000, true);
    button.SetHoverCursor(IDC_HAND_CURSOR, true);
    button.SetFlatLook(false, true);
    button.UseParentBackground(false);
}

void ApplyLabelLook(controls::LinkLabel& label, const LabelLook& look) {
    label.SetTransparentBackground(true).SetFaceName("Ariel", 0).SetPointSize(look.pointSize);
    if (look.emphasised) label.SetBold(true).SetItalic(true);
    label.SetForeColor(look.color);
    if (look.link) {
        // A shared resource cursor: loaded once per process and never destroyed.
        HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR));
        label.SetUnderline(true).SetLinkMode(true, true).SetHandCursor(hand);
    }
}

}  // namespace workflow
