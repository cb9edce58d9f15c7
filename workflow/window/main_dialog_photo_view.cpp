// The controls that choose what the photo list shows of the photos found:
// small pictures hidden or not, copies hidden or not, and the order, on the
// photo list's own line and kept in the settings file.
#include <windows.h>

#include <algorithm>
#include <commctrl.h>

#include "settings/settings_file.h"
#include "workflow/window/main_dialog.h"
#include "resources/resource.h"
#include "workflow/window/main_layout.h"
#include "workflow/window/main_skin.h"

namespace workflow {

namespace {

// The drop-down's items, in the order of PhotoOrder.
constexpr const char* kOrderItems[] = {"Found order", "Date taken", "Largest file first"};

// The background bitmap's one colour, behind the check box's caption.
constexpr COLORREF kSkinColour = RGB(229, 198, 195);

}  // namespace

void MainDialog::SetUpPhotoView() {
    m_hideSmall.Attach(Item(IDC_HIDE_SMALL));
    m_hideCopies.Attach(Item(IDC_HIDE_COPIES));
    m_photoOrder.Attach(Item(IDC_PHOTO_ORDER));
    m_photosShown.Bind(m_hwnd, IDC_PHOTOS_SHOWN);
    ApplyLabelLook(m_photosShown, kCaptionLook);
    for (const char* item : kOrderItems)
        SendMessageA(m_photoOrder, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    // Low enough for the line of the select-all link.
    SendMessageA(m_photoOrder, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 12);
    PhotoView view;
    view.hideSmall = settings::LoadHideSmall();
    view.order = PhotoOrderNamed(settings::LoadPhotoOrder());
    view.hideCopies = settings::LoadHideCopies();
    m_session.SetPhotoView(view);
    SendMessageA(m_hideSmall, BM_SETCHECK, view.hideSmall ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(m_hideCopies, BM_SETCHECK, view.hideCopies ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(m_photoOrder, CB_SETCURSEL, static_cast<WPARAM>(view.order), 0);
    m_skinBrush.reset(CreateSolidBrush(kSkinColour));
    ShowPhotoViewControls(false);
}

void MainDialog::ShowPhotoViewControls(bool show) {
    for (win::Window* control :
         std::initializer_list<win::Window*>{&m_hideSmall, &m_hideCopies, &m_photoOrder, &m_photosShown})
        control->Show(show);
}

// On the select-all link's line, right of it, up to the Settings link.
void MainDialog::PlacePhotoViewControls() {
    const PhotoViewPlacement place =
        PlacePhotoView(m_photoToggle.RectInParent(), m_photoOrder.RectInParent(), m_settingsLink.RectInParent());
    m_hideSmall.Move(place.hideSmall, true);
    m_hideCopies.Move(place.hideCopies, true);
    m_photoOrder.Move(place.order, true);
    m_photosShown.Move(place.shownText, true);
}

bool MainDialog::OnPhotoViewCommand(int id, int code) {
    PhotoView view = m_session.GetPhotoView();
    if (id == IDC_HIDE_SMALL && code == BN_CLICKED) {
        view.hideSmall = SendMessageA(m_hideSmall, BM_GETCHECK, 0, 0) == BST_CHECKED;
    } else if (id == IDC_HIDE_COPIES && code == BN_CLICKED) {
        view.hideCopies = SendMessageA(m_hideCopies, BM_GETCHECK, 0, 0) == BST_CHECKED;
    } else if (id == IDC_PHOTO_ORDER && code == CBN_SELCHANGE) {
        const LRESULT chosen = SendMessageA(m_photoOrder, CB_GETCURSEL, 0, 0);
        if (chosen < 0 || chosen >= static_cast<LRESULT>(std::size(kOrderItems))) return true;
        view.order = static_cast<PhotoOrder>(chosen);
    } else {
        return false;
    }
    ArrangePhotos(view);
    return true;
}

void MainDialog::ArrangePhotos(const PhotoView& view) {
    m_session.SetPhotoView(view);
    ShowArrangedRows();
}

// The session turned the filter off to show the pictures it kept: the box
// and the settings file say so too.
void MainDialog::PhotoViewChanged() {
    const PhotoView view = m_session.GetPhotoView();
    SendMessageA(m_hideSmall, BM_SETCHECK, view.hideSmall ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(m_hideCopies, BM_SETCHECK, view.hideCopies ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(m_photoOrder, CB_SETCURSEL, static_cast<WPARAM>(view.order), 0);
    ShowArrangedRows();
    InvalidateRect(m_fileList.Handle(), nullptr, FALSE);
}

// The choices are kept for the next start whenever they change.
void MainDialog::ShowArrangedRows() {
    const PhotoView view = m_session.GetPhotoView();
    settings::StorePhotoView(view.hideSmall, view.order == PhotoOrder::Found ? "" : PhotoOrderName(view.order),
                             view.hideCopies);
    // Selection and focus name rows, which now hold other photos.
    ListView_SetItemState(m_photoList.Handle(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    SetRowCounts();
    InvalidateRect(m_photoList.Handle(), nullptr, FALSE);
    // Another choice shows other photos: from the first of them.
    if (m_session.PhotoRows().Count() > 0) m_photoList.EnsureVisible(0);
    ShowPhotoCounts();
}

void MainDialog::ShowPhotoCounts() {
    const std::string text =
        ShowingText(static_cast<size_t>(m_session.PhotoRows().Count()), m_session.FoundPhotoCount());
    // Relabelling repaints the line: only a changed count is drawn.
    if (text == m_photosShownText) return;
    m_photosShownText = text;
    SetLabelText(m_photosShown, text);
}

bool MainDialog::PaintsOnSkin(HWND control, HDC dc, INT_PTR& result) {
    if ((control != m_hideSmall.Handle() && control != m_hideCopies.Handle()) || !m_skinBrush) return false;
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, kSkinColour);
    result = reinterpret_cast<INT_PTR>(m_skinBrush.get());
    return true;
}

}  // namespace workflow
