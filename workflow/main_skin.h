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

inline constexpr LabelLook kCaptionLook{9, 0x000000, false, false};     // 1008, 1005
inline constexpr LabelLook kHeaderLinkLook{9, 0xFF0000, false, true};   // 1015, 1014
inline constexpr LabelLook kStatusLook{12, 0xB469FF, true, false};      // 1013
inline constexpr LabelLook kLoadingLook{14, 0xFF69FF, true, false};     // 1016
inline constexpr LabelLook kToggleLinkLook{9, 0xB40000, false, true};   // 1018, 1019
inline constexpr LabelLook kProgressTextLook{9, 0xFF0000, false, false};  // 1012

// Transparent "Ariel" text (as the face is spelled) of the given size and colour.
void ApplyLabelLook(controls::LinkLabel& label, const LabelLook& look);

}  // namespace workflow
