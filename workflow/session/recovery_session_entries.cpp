// The entries the scan monitor hands over, renames or takes back, their
// checks, and what the photo list shows of them. Every photo stays in found
// order in m_foundPhotos; the photo rows are the ones shown, so checks, the
// select-all links and the copy act on them.
#include <algorithm>

#include "workflow/session/recovery_session.h"
#include "workflow/copy/recovery_copy.h"
#include "workflow/found/scan_results.h"
#include "workflow/scan/listing_rules.h"

namespace workflow {

namespace {

// The first row flips, the others follow it.
template <typename Rows>
void CheckLikeFirst(Rows& rows, const std::vector<int>& items) {
    if (items.empty() || !rows.Valid(items.front())) return;
    const bool checked = !rows.At(items.front())->checked;
    for (int item : items)
        if (rows.Valid(item)) rows.SetChecked(item, checked);
}

}  // namespace

void RecoverySession::CheckPhotos(const std::vector<int>& rows) { CheckLikeFirst(m_photoRows, rows); }

void RecoverySession::CheckFiles(const std::vector<int>& rows) { CheckLikeFirst(m_fileRows, rows); }

void RecoverySession::SetPhotoView(const PhotoView& view) {
    m_photoView = view;
    m_photoRows.Assign(Arrange(m_foundPhotos, m_photoView));
}

bool RecoverySession::SortFiles(int column) {
    if (m_copy.Running()) return false;
    const bool descending = m_sortDescending;
    m_fileRows.Sort([&](const FoundItem& a, const FoundItem& b) {
        return CompareFoundItems(a, b, column, descending) < 0;
    });
    m_sortDescending = !m_sortDescending;
    return true;
}

// An entry whose thumbnail the window could not take would show whichever
// picture holds its slot: it is declined instead.
bool RecoverySession::AddPhotoEntry(FoundPhoto* photo, const ThumbnailImage& thumbnail) {
    if (!m_view.HoldThumbnail(*photo, thumbnail)) {
        // The declined photo is freed: another may come at its address.
        m_contentRead.reset();
        return false;
    }
    AddFoundPhoto(photo);
    return true;
}

// The monitor lists photos in found order, so a photo's standing is final
// when it is listed: the first found of its bytes was listed before it.
void RecoverySession::PhotoContentRead(const FoundPhoto& photo, const imaging::Sha256Digest& digest) {
    m_contentRead.emplace(&photo, digest);
}

uint32_t RecoverySession::TimesFound(const FoundPhoto& photo) const {
    return photo.content == FoundPhoto::kNoContent ? 1 : m_duplicates.TimesFound(photo.content);
}

void RecoverySession::AddFoundPhoto(FoundPhoto* photo) {
    if (m_contentRead && m_contentRead->first == photo) {
        photo->content = m_duplicates.Add(photo->fileSize).id;
        m_duplicates.SetContent(photo->content, m_contentRead->second);
        photo->copy = m_duplicates.IsCopy(photo->content);
    }
    m_contentRead.reset();
    m_foundPhotos.push_back(photo);
    if (!IsShown(*photo, m_photoView)) return;
    if (m_photoView.order == PhotoOrder::Found) {
        m_photoRows.Add(photo);
        return;
    }
    m_photoRows.Insert(static_cast<int>(PlaceOf(m_photoRows.Rows(), *photo, m_photoView.order)), photo);
}

void RecoverySession::AddFileEntry(FoundItem* item) { m_fileRows.Add(item); }

void RecoverySession::EndEntries(bool photosAdded, bool filesAdded) { m_view.EntriesAdded(photosAdded, filesAdded); }

void RecoverySession::PhotoEntryChanged(const FoundPhoto* photo) {
    const int row = m_photoRows.IndexOf(photo);
    if (row >= 0) m_view.PhotoRowChanged(row);
}

// A file the engine marked damaged after it was listed is checked as it
// would have been had it been listed damaged: a picture keeps its check.
void RecoverySession::FileEntryChanged(const FoundItem* item) {
    const int row = m_fileRows.IndexOf(item);
    if (row < 0) return;
    if (!StartsChecked(item->path)) m_fileRows.SetChecked(row, false);
    m_view.FileRowChanged(row);
}

void RecoverySession::RemovePhotoEntry(const FoundPhoto* photo) {
    const auto found = std::find(m_foundPhotos.begin(), m_foundPhotos.end(), photo);
    if (found != m_foundPhotos.end()) m_foundPhotos.erase(found);
    const int row = m_photoRows.Remove(photo);
    if (row >= 0) m_view.PhotoRowRemoved(row);
    if (photo->content != FoundPhoto::kNoContent && !photo->copy) OfferNextOfContent(*photo);
}

// The first found of a content went: the next one listed stands for it, or
// hiding copies would leave its bytes unoffered.
void RecoverySession::OfferNextOfContent(const FoundPhoto& gone) {
    const auto next = std::find_if(m_foundPhotos.begin(), m_foundPhotos.end(), [&](const FoundPhoto* photo) {
        return photo->content != FoundPhoto::kNoContent &&
               m_duplicates.FirstFound(photo->content) == m_duplicates.FirstFound(gone.content);
    });
    if (next == m_foundPhotos.end()) return;
    (*next)->copy = false;
    if (!m_photoView.hideCopies) return;
    m_photoRows.Assign(Arrange(m_foundPhotos, m_photoView));
    m_view.PhotoViewChanged();
}

void RecoverySession::RemoveFileEntry(const FoundItem* item) {
    const int row = m_fileRows.Remove(item);
    if (row >= 0) m_view.FileRowRemoved(row);
}

void RecoverySession::RememberHiddenPhotos() {
    m_hiddenAtCopy.clear();
    const std::unordered_set<const FoundPhoto*> shown(m_photoRows.Rows().begin(), m_photoRows.Rows().end());
    for (const FoundPhoto* photo : m_foundPhotos)
        if (!shown.count(photo)) m_hiddenAtCopy.insert(photo->path);
}

bool RecoverySession::MayCleanUpAfterCopy(const std::string& path) const {
    return m_monitor.MayCleanUp(path) && !m_hiddenAtCopy.count(path);
}

}  // namespace workflow
