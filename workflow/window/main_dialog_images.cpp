// Disk images in the drive list: the Open disk image link's file dialog,
// files dropped on the window, and an image named by a later start.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include "workflow/window/main_dialog.h"

namespace workflow {

namespace {

constexpr char kImageFilter[] =
    "Disk images (*.img;*.dd;*.raw;*.bin;*.iso;*.001)\0*.img;*.dd;*.raw;*.bin;*.iso;*.001\0All files\0*.*\0";

// Room for any path the file dialog can give in the ANSI code page.
constexpr size_t kChosenPathChars = 32768;

}  // namespace

// The program runs elevated: without these, Explorer (not elevated) could
// not drop files on it, nor a later start (elevated or not) send it an image.
void MainDialog::SetUpDiskImages() {
    DragAcceptFiles(m_hwnd, TRUE);
    constexpr UINT kCopyGlobalData = 0x0049;
    for (UINT message : {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData})
        ChangeWindowMessageFilterEx(m_hwnd, message, MSGFLT_ALLOW, nullptr);
}

void MainDialog::OnOpenImage() {
    if (m_screen != Screen::Drives) return;
    std::string chosen(kChosenPathChars, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hwnd;
    dialog.lpstrFilter = kImageFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.lpstrTitle = "Open disk image";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetOpenFileNameA(&dialog)) return;
    chosen.resize(chosen.find('\0'));
    AddDiskImage(chosen);
}

void MainDialog::OnDropFiles(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::string path(DragQueryFileA(drop, i, nullptr, 0) + 1, '\0');
        path.resize(DragQueryFileA(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(std::move(path));
    }
    DragFinish(drop);
    // The messages about an image come after the drop has ended: the
    // program that dropped waits for it.
    for (const std::string& path : paths) AddDiskImage(path);
}

bool MainDialog::OnOpenImageRequest(const COPYDATASTRUCT& request) {
    if (request.dwData != kOpenImageCopyData || !request.lpData || request.cbData == 0) return false;
    const char* text = static_cast<const char*>(request.lpData);
    std::string path(text, strnlen(text, request.cbData));
    // Answered at once and opened after: the later start waits for the
    // answer, and a message box about the image must not keep it waiting.
    if (m_screen == Screen::Loading) {
        m_imageAtStart = std::move(path);
    } else {
        m_requestedImages.push_back(std::move(path));
        PostMessageA(m_hwnd, kOpenRequestedImagesMessage, 0, 0);
    }
    return true;
}

void MainDialog::OpenRequestedImages() {
    for (const std::string& path : std::exchange(m_requestedImages, {})) AddDiskImage(path);
}

// Only the drive selection offers images: during a search or a copy the
// drive list is not there to add to.
void MainDialog::AddDiskImage(const std::string& path) {
    if (m_screen != Screen::Drives || m_session.Busy()) {
        Tell("A disk image can be opened when the drives are shown.\n\nOpen \"" + path +
                 "\" once the search or the copy has ended.",
             kAppCaption, Mark::Information);
        return;
    }
    const std::optional<size_t> row = m_session.AddDiskImage(path);
    if (!row) return;
    FillDriveList();
    const int index = static_cast<int>(*row);
    m_driveList.Select(index);
    m_driveList.EnsureVisible(index);
    SetFocus(m_driveList.Handle());
}

}  // namespace workflow
