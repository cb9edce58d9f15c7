// The result lists' entries: what the lists ask for when they draw (texts,
// thumbnails, ticks, tips), the ticks the user sets, and the entries the scan
// monitor hands over, renames or takes back. The entries' data and ticks live
// in the rows, so the lists hold no text, picture or tick of their own.
#include "workflow/main_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "workflow/scan_results.h"
#include "workflow/timer_ids.h"

namespace workflow {

namespace {

constexpr char kDamagedText[] = "Damaged";

template <typename DisplayInfo>
auto& ItemAsked(const NMHDR& header) {
    return const_cast<DisplayInfo&>(reinterpret_cast<const DisplayInfo&>(header)).item;
}

template <typename Item>
void AnswerTick(Item& item, bool checked) {
    if (!(item.mask & LVIF_STATE)) return;
    item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    item.stateMask |= LVIS_STATEIMAGEMASK;
}

template <typename InfoTip>
void AnswerTip(const NMHDR& header, const FoundPhoto* photo) {
    auto& tip = const_cast<InfoTip&>(reinterpret_cast<const InfoTip&>(header));
    // The list puts the entry's own text in front unless told it is cut off;
    // a tip that repeats "Damaged" reads oddly.
    if (photo) win::CopyListText(PhotoTip(*photo), tip.pszText, tip.cchTextMax);
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

template <typename Rows>
void Tick(Rows& rows, const win::ListView& list, const std::vector<int>& items) {
    if (items.empty() || !rows.Valid(items.front())) return;
    const bool checked = !rows.At(items.front())->checked;
    for (int item : items) {
        if (!rows.Valid(item)) continue;
        rows.SetChecked(item, checked);
        ListView_RedrawItems(list.Handle(), item, item);
    }
}

template <typename DisplayInfo>
void AnswerPhoto(const NMHDR& header, FoundPhoto* photo, ThumbnailCache& thumbnails) {
    auto& item = ItemAsked<DisplayInfo>(header);
    if (item.mask & LVIF_TEXT) win::CopyListText(photo->damage.Any() ? kDamagedText : "", item.pszText, item.cchTextMax);
    if (item.mask & LVIF_IMAGE) item.iImage = thumbnails.ImageOf(*photo);
    if (item.mask & LVIF_PARAM) item.lParam = reinterpret_cast<LPARAM>(photo);
    AnswerTick(item, photo->checked);
}

template <typename DisplayInfo>
void AnswerFileRow(const NMHDR& header, FoundItem* row) {
    auto& item = ItemAsked<DisplayInfo>(header);
    if (item.mask & LVIF_TEXT) win::CopyListText(FileRowText(*row, item.iSubItem), item.pszText, item.cchTextMax);
    if (item.mask & LVIF_PARAM) item.lParam = reinterpret_cast<LPARAM>(row);
    if (item.iSubItem == 0) AnswerTick(item, row->checked);
}

}  // namespace

bool MainDialog::OnPhotoListNotify(const NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
        const int index = reinterpret_cast<const NMLVDISPINFOA&>(header).item.iItem;
        if (!m_photoRows.Valid(index)) return true;
        FoundPhoto* photo = m_photoRows.At(index);
        if (header.code == LVN_GETDISPINFOA) AnswerPhoto<NMLVDISPINFOA>(header, photo, m_thumbnails);
        else AnswerPhoto<NMLVDISPINFOW>(header, photo, m_thumbnails);
        WatchRemadeThumbnails();
        return true;
    }
    case LVN_GETINFOTIPA:
    case LVN_GETINFOTIPW: {
        const int index = reinterpret_cast<const NMLVGETINFOTIPA&>(header).iItem;
        const FoundPhoto* photo = m_photoRows.Valid(index) ? m_photoRows.At(index) : nullptr;
        if (header.code == LVN_GETINFOTIPA) AnswerTip<NMLVGETINFOTIPA>(header, photo);
        else AnswerTip<NMLVGETINFOTIPW>(header, photo);
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
        if (!m_fileRows.Valid(index)) return true;
        if (header.code == LVN_GETDISPINFOA) AnswerFileRow<NMLVDISPINFOA>(header, m_fileRows.At(index));
        else AnswerFileRow<NMLVDISPINFOW>(header, m_fileRows.At(index));
        return true;
    }
    case LVN_ODFINDITEMA:
        result = FindFileRow(m_fileRows, reinterpret_cast<const NMLVFINDITEMA&>(header));
        return true;
    case LVN_ODFINDITEMW:
        result = FindFileRow(m_fileRows, reinterpret_cast<const NMLVFINDITEMW&>(header));
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

void MainDialog::TickPhotos(const std::vector<int>& items) { Tick(m_photoRows, m_photoList, items); }

void MainDialog::TickFiles(const std::vector<int>& items) { Tick(m_fileRows, m_fileList, items); }

void MainDialog::TogglePhotos() {
    const bool selectAll = m_photoToggleTicks;
    m_photoToggleTicks = !selectAll;
    m_photoRows.SetAll(selectAll);
    InvalidateRect(m_photoList.Handle(), nullptr, FALSE);
    SetLabelText(m_photoToggle, selectAll ? kUnselectAllPhotosText : kSelectAllPhotosText);
}

void MainDialog::ToggleFiles() {
    const bool selectAll = m_fileToggleTicks;
    m_fileToggleTicks = !selectAll;
    m_fileRows.SetAll(selectAll);
    InvalidateRect(m_fileList.Handle(), nullptr, FALSE);
    SetLabelText(m_fileToggle, selectAll ? kUnselectAllFilesText : kSelectAllFilesText);
}

// An entry whose thumbnail the image list could not take would show
// whichever picture holds the slot: it is declined instead.
bool MainDialog::AddPhotoEntry(FoundPhoto* photo, const ThumbnailImage& thumbnail) {
    if (!m_thumbnails.Put(*photo, thumbnail)) return false;
    AddFoundPhoto(photo);
    return true;
}

void MainDialog::AddFileEntry(FoundItem* item) { m_fileRows.Add(item); }

// Both lists are virtual: they learn only how many entries there are, and
// ask for what they draw.
void MainDialog::SetRowCounts() {
    if (m_photoList.Count() != m_photoRows.Count())
        ListView_SetItemCountEx(m_photoList.Handle(), m_photoRows.Count(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (m_fileList.Count() != m_fileRows.Count())
        ListView_SetItemCountEx(m_fileList.Handle(), m_fileRows.Count(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void MainDialog::PhotoEntryChanged(const FoundPhoto* photo) {
    const int index = m_photoRows.IndexOf(photo);
    if (index >= 0) m_photoList.Update(index);
}

void MainDialog::FileEntryChanged(const FoundItem* item) {
    const int index = m_fileRows.IndexOf(item);
    if (index < 0) return;
    if (item->damaged) m_fileRows.SetChecked(index, false);
    m_fileList.Update(index);
}

void MainDialog::RemovePhotoEntry(const FoundPhoto* photo) {
    ForgetFoundPhoto(photo);
    const int index = m_photoRows.Remove(photo);
    if (index >= 0) m_photoList.DeleteItem(index);
}

void MainDialog::RemoveFileEntry(const FoundItem* item) {
    if (m_fileRows.Remove(item) < 0) return;
    SetRowCounts();
    InvalidateRect(m_fileList.Handle(), nullptr, FALSE);
}

}  // namespace workflow
