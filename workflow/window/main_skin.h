#pragma once
// The look of the main window's command buttons and labels.
#include <windows.h>

#include "controls/link_label.h"
#include "controls/skin_button.h"

namespace workflow {

// Blue caption at rest and when focused, black while pressed, raised 3-D
// border over the window's background, hand cursor.
void ApplyCommandButtonLook(controls::SkinButton& button);

struct LabelLook {
    int pointSize;
    COLORREF color;
    bool emphasised;  // bold and italic
    bool link;        // underlined, clickable, reported to the window, hand cursor
};

inline constexpr LabelLook kCaptionLook{9, 0x000000, false, false};     // IDC_DRIVE_LIST_LABEL, IDC_SAVE_FOLDER_LABEL
inline constexpr LabelLook kHeaderLinkLook{9, 0xFF0000, false, true};   // IDC_SETTINGS_LINK, IDC_HELP_LINK
inline constexpr LabelLook kStatusLook{12, 0xB469FF, true, false};      // IDC_STATUS
inline constexpr LabelLook kLoadingLook{14, 0xFF69FF, true, false};     // IDC_LOADING
inline constexpr LabelLook kToggleLinkLook{9, 0xB40000, false, true};   // IDC_PHOTO_TOGGLE, IDC_FILE_TOGGLE
inline constexpr LabelLook kProgressTextLook{9, 0xFF0000, false, false};  // IDC_PROGRESS_TEXT

// Transparent "Ariel" text (as the face is spelled) of the given size and colour.
void ApplyLabelLook(controls::LinkLabel& label, const LabelLook& look);

}  // namespace workflow
