// The entries the scan monitor hands over after they were listed: a file the
// engine renamed once its checks failed, or deleted again; and what a photo
// entry says of its damage.
#include "workflow/main_dialog.h"

#include <cstring>

namespace workflow {

namespace {

constexpr char kDamagedText[] = "Damaged";

const FoundPhoto* PhotoOf(LPARAM data) { return reinterpret_cast<const FoundPhoto*>(data); }

// Copies text into a list's buffer, cut to fit.
template <typename Char>
void CopyText(const std::string& text, Char* buffer, int capacity) {
    if (!buffer || capacity <= 0) return;
    const size_t length = std::min(text.size(), static_cast<size_t>(capacity - 1));
    for (size_t i = 0; i < length; ++i) buffer[i] = static_cast<Char>(static_cast<unsigned char>(text[i]));
    buffer[length] = 0;
}

template <typename DisplayInfo>
void AnswerEntryText(const NMHDR& header) {
    auto& item = const_cast<DisplayInfo&>(reinterpret_cast<const DisplayInfo&>(header)).item;
    if (!(item.mask & LVIF_TEXT)) return;
    const FoundPhoto* photo = PhotoOf(item.lParam);
    CopyText(photo && photo->damage.Any() ? kDamagedText : "", item.pszText, item.cchTextMax);
}

template <typename InfoTip>
void AnswerTip(const NMHDR& header, const FoundPhoto* photo) {
    auto& tip = const_cast<InfoTip&>(reinterpret_cast<const InfoTip&>(header));
    // The list puts the entry's own text in front unless told it is cut off;
    // a tip that repeats "Damaged" reads oddly.
    if (photo && photo->damage.Any()) CopyText(DamageTip(photo->damage), tip.pszText, tip.cchTextMax);
}

}  // namespace

bool MainDialog::OnPhotoListNotify(const NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOA:
        AnswerEntryText<NMLVDISPINFOA>(header);
        return true;
    case LVN_GETDISPINFOW:
        AnswerEntryText<NMLVDISPINFOW>(header);
        return true;
    case LVN_GETINFOTIPA:
    case LVN_GETINFOTIPW: {
        const int index = reinterpret_cast<const NMLVGETINFOTIPA&>(header).iItem;
        const FoundPhoto* photo = index >= 0 ? PhotoOf(m_photoList.GetItemData(index)) : nullptr;
        if (header.code == LVN_GETINFOTIPA) AnswerTip<NMLVGETINFOTIPA>(header, photo);
        else AnswerTip<NMLVGETINFOTIPW>(header, photo);
        return true;
    }
    default:
        return false;
    }
}

void MainDialog::PhotoEntryChanged(const FoundPhoto* photo) {
    const int index = m_photoList.FindByData(reinterpret_cast<LPARAM>(photo));
    if (index >= 0) m_photoList.Update(index);
}

void MainDialog::FileEntryChanged(const FoundItem* item) {
    const int index = m_fileList.FindByData(reinterpret_cast<LPARAM>(item));
    if (index < 0) return;
    m_fileList.SetItemText(index, 0, item->name);
    if (item->damaged) m_fileList.SetCheck(index, false);
}

void MainDialog::RemovePhotoEntry(const FoundPhoto* photo) {
    const int index = m_photoList.FindByData(reinterpret_cast<LPARAM>(photo));
    if (index < 0) return;
    m_photoList.DeleteItem(index);
    ++m_removedPhotoEntries;
}

void MainDialog::RemoveFileEntry(const FoundItem* item) {
    const int index = m_fileList.FindByData(reinterpret_cast<LPARAM>(item));
    if (index >= 0) m_fileList.DeleteItem(index);
}

}  // namespace workflow
