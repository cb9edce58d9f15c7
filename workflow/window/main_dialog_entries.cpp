// The result lists as the window draws them: what the lists ask for (texts,
// thumbnails, checks, tips), the checks the user sets, and the entries the
// session adds, changes or takes back. The entries and their checks live in
// the session's rows, so the lists hold no text, picture or check of their own.
#include "workflow/window/main_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "workflow/found/scan_results.h"
#include "workflow/window/timer_ids.h"

namespace workflow {

namespace {

constexpr char kDamagedText[] = "Damaged";

template <typename DisplayInfo>
auto& ItemAsked(const NMHDR& header) {
    return const_cast<DisplayInfo&>(reinterpret_cast<const DisplayInfo&>(header)).item;
}

template <typename Item>
void AnswerCheck(Item& item, bool checked) {
    if (!(item.mask & LVIF_STATE)) return;
    item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    item.stateMask |= LVIS_STATEIMAGEMASK;
}

template <typename InfoTip>
void AnswerTip(const NMHDR& header, const FoundPhoto* photo, uint32_t timesFound) {
    auto& tip = const_cast<InfoTip&>(reinterpret_cast<const InfoTip&>(header));
    // The list puts the entry's own text in front unless told it is cut off;
    // a tip that repeats "Damaged" reads oddly.
    if (photo) win::CopyListText(PhotoTip(*photo, timesFound), tip.pszText, tip.cchTextMax);
}

std::string FileRowText(const FoundItem& item, int column) {
    switch (column) {
    case 0:
        return item.name;
    case 1:
        return SizeText(item.size);
    case 2:
        return item.extension;
    default:
        return {};
    }
}

// Typing in the file list finds the next row whose name starts with the text typed.
template <typename Find>
int FindFileRow(const ResultRows<FoundItem>& rows, const Find& find) {
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
    std::string typed;
    for (auto* c = find.lvfi.psz; *c; ++c) typed.push_back(static_cast<char>(*c));
    const int count = rows.Count();
    for (int step = 0; step < count; ++step) {
        const int row = (std::max(find.iStart, 0) + step) % count;
        const std::string& name = rows.At(row)->name;
        if (name.size() >= typed.size() && _strnicmp(name.c_str(), typed.c_str(), typed.size()) == 0) return row;
    }
    return -1;
}

template <typename DisplayInfo>
void AnswerPhoto(const NMHDR& header, FoundPhoto* photo, ThumbnailCache& thumbnails) {
    auto& item = ItemAsked<DisplayInfo>(header);
    if (item.mask & LVIF_TEXT) win::CopyListText(photo->damage.Any() ? kDamagedText : "", item.pszText, item.cchTextMax);
    if (item.mask & LVIF_IMAGE) item.iImage = thumbnails.ImageOf(*photo);
    if (item.mask & LVIF_PARAM) item.lParam = reinterpret_cast<LPARAM>(photo);
    AnswerCheck(item, photo->checked);
}

template <typename DisplayInfo>
void AnswerFileRow(const NMHDR& header, FoundItem* row) {
    auto& item = ItemAsked<DisplayInfo>(header);
    if (item.mask & LVIF_TEXT) win::CopyListText(FileRowText(*row, item.iSubItem), item.pszText, item.cchTextMax);
    if (item.mask & LVIF_PARAM) item.lParam = reinterpret_cast<LPARAM>(row);
    if (item.iSubItem == 0) AnswerCheck(item, row->checked);
}

}  // namespace

bool MainDialog::OnPhotoListNotify(const NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
        const int index = reinterpret_cast<const NMLVDISPINFOA&>(header).item.iItem;
        if (!m_session.PhotoRows().Valid(index)) return true;
        FoundPhoto* photo = m_session.PhotoRows().At(index);
        if (header.code == LVN_GETDISPINFOA) AnswerPhoto<NMLVDISPINFOA>(header, photo, m_thumbnails);
        else AnswerPhoto<NMLVDISPINFOW>(header, photo, m_thumbnails);
        WatchRemadeThumbnails();
        return true;
    }
    case LVN_GETINFOTIPA:
    case LVN_GETINFOTIPW: {
        const int index = reinterpret_cast<const NMLVGETINFOTIPA&>(header).iItem;
        const ResultRows<FoundPhoto>& rows = m_session.PhotoRows();
        const FoundPhoto* photo = rows.Valid(index) ? rows.At(index) : nullptr;
        const uint32_t times = photo ? m_session.TimesFound(*photo) : 1;
        if (header.code == LVN_GETINFOTIPA) AnswerTip<NMLVGETINFOTIPA>(header, photo, times);
        else AnswerTip<NMLVGETINFOTIPW>(header, photo, times);
        return true;
    }
    default:
        return false;
    }
}

bool MainDialog::OnFileListNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
        const int index = reinterpret_cast<const NMLVDISPINFOA&>(header).item.iItem;
        const ResultRows<FoundItem>& rows = m_session.FileRows();
        if (!rows.Valid(index)) return true;
        if (header.code == LVN_GETDISPINFOA) AnswerFileRow<NMLVDISPINFOA>(header, rows.At(index));
        else AnswerFileRow<NMLVDISPINFOW>(header, rows.At(index));
        return true;
    }
    case LVN_ODFINDITEMA:
        result = FindFileRow(m_session.FileRows(), reinterpret_cast<const NMLVFINDITEMA&>(header));
        return true;
    case LVN_ODFINDITEMW:
        result = FindFileRow(m_session.FileRows(), reinterpret_cast<const NMLVFINDITEMW&>(header));
        return true;
    default:
        return false;
    }
}

void MainDialog::WatchRemadeThumbnails() {
    if (m_thumbnails.Remaking()) SetTimer(m_hwnd, kThumbnailTimer, kThumbnailTickMs, nullptr);
}

void MainDialog::OnThumbnailTimer() {
    if (m_thumbnails.TakeRemade()) InvalidateRect(m_photoList.Handle(), nullptr, FALSE);
    if (!m_thumbnails.Remaking()) KillTimer(m_hwnd, kThumbnailTimer);
}

void MainDialog::CheckPhotos(const std::vector<int>& items) {
    m_session.CheckPhotos(items);
    for (int item : items) ListView_RedrawItems(m_photoList.Handle(), item, item);
}

void MainDialog::CheckFiles(const std::vector<int>& items) {
    m_session.CheckFiles(items);
    for (int item : items) ListView_RedrawItems(m_fileList.Handle(), item, item);
}

void MainDialog::SortFileList(int column) {
    if (m_session.SortFiles(column)) InvalidateRect(m_fileList.Handle(), nullptr, FALSE);
}

bool MainDialog::HoldThumbnail(FoundPhoto& photo, const ThumbnailImage& thumbnail) {
    return m_thumbnails.Put(photo, thumbnail);
}

// Both lists are virtual: they learn only how many entries there are, and
// ask for what they draw.
void MainDialog::SetRowCounts() {
    const int photos = m_session.PhotoRows().Count(), files = m_session.FileRows().Count();
    if (m_photoList.Count() != photos)
        ListView_SetItemCountEx(m_photoList.Handle(), photos, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (m_fileList.Count() != files)
        ListView_SetItemCountEx(m_fileList.Handle(), files, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    EnableToggles();
}

void MainDialog::EntriesAdded(bool photos, bool files) {
    m_newPhotos = m_newPhotos || photos;
    m_newFiles = m_newFiles || files;
    if (!m_newPhotos && !m_newFiles) return;
    if (m_showTimerArmed) return;
    // Drawing comes as a message of its own, so that a batch of listing and a
    // drawing of the lists never hold the window's thread together.
    const ULONGLONG sinceShown = GetTickCount64() - m_entriesShownAt;
    const UINT delay = sinceShown < kEntriesShownEveryMs ? static_cast<UINT>(kEntriesShownEveryMs - sinceShown) : 0;
    SetTimer(m_hwnd, kShowEntriesTimer, std::max<UINT>(delay, USER_TIMER_MINIMUM), nullptr);
    m_showTimerArmed = true;
}

void MainDialog::ShowNewEntries() {
    KillTimer(m_hwnd, kShowEntriesTimer);
    m_showTimerArmed = false;
    SetRowCounts();
    ShowPhotoCounts();
    // In another order new photos take their places among the others, and
    // the list stays where the user is looking.
    if (m_newPhotos && m_session.GetPhotoView().order == PhotoOrder::Found)
        m_photoList.EnsureVisible(m_session.PhotoRows().Count() - 1);
    if (m_newFiles) m_fileList.EnsureVisible(m_session.FileRows().Count() - 1);
    m_newPhotos = m_newFiles = false;
    m_entriesShownAt = GetTickCount64();
}

void MainDialog::PhotoRowChanged(int row) { m_photoList.Update(row); }

void MainDialog::FileRowChanged(int row) { m_fileList.Update(row); }

void MainDialog::PhotoRowRemoved(int row) {
    m_photoList.DeleteItem(row);
    EnableToggles();
}

void MainDialog::FileRowRemoved(int) {
    SetRowCounts();
    InvalidateRect(m_fileList.Handle(), nullptr, FALSE);
}

void MainDialog::ChecksChanged() {
    InvalidateRect(m_photoList.Handle(), nullptr, FALSE);
    InvalidateRect(m_fileList.Handle(), nullptr, FALSE);
}

void MainDialog::EntriesForgotten() {
    KillTimer(m_hwnd, kThumbnailTimer);
    m_newPhotos = m_newFiles = false;
    // Both lists learn the rows are gone from their counts.
    if (m_photoList.Exists() && m_fileList.Exists()) ShowNewEntries();
    m_thumbnails.Clear();
}

}  // namespace workflow
