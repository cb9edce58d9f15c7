// Watches the data folder while the engine runs: every poll walks the whole
// folder, then one new file per tick becomes a thumbnail or a row. Once the
// engine has stopped, what it left is listed at full pace before the results.
#include <windows.h>
#include <shlwapi.h>

#include "workflow/app_title.h"
#include "workflow/folder_tree.h"
#include "workflow/main_dialog.h"
#include "workflow/scan_results.h"
#include "workflow/thumbnails.h"
#include "workflow/timer_ids.h"

namespace workflow {

namespace {

// Once the engine has stopped, a pass tick lists files until this much time
// is spent: the window stays responsive and thousands of files take seconds.
constexpr ULONGLONG kDrainSliceMs = 50;

uint64_t FileSizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

bool MainDialog::ScanPassPending() const { return m_pollArmed || m_passRunning; }

int MainDialog::TickMessage(UINT_PTR timer, bool rearm, const std::string& text, const std::string& caption,
                            UINT type) {
    KillTimer(hwnd_, timer);
    const int answer = MessageBoxA(hwnd_, text.c_str(), caption.c_str(), type);
    if (rearm) SetTimer(hwnd_, timer, kTickMs, nullptr);
    return answer;
}

void MainDialog::ArmPoll() { m_pollArmed = SetTimer(hwnd_, kPollTimer, kTickMs, nullptr) != 0; }

void MainDialog::OnPollTimer() {
    KillTimer(hwnd_, kPollTimer);
    m_pollArmed = false;
    const bool engineRunning = m_engineRun.Running();
    // Even a poll that finds nothing new shows that the search goes on.
    if (engineRunning && !m_copyRequested) AdvanceStatusAnimation();
    PollDataFolder(engineRunning);
}

void MainDialog::PollDataFolder(bool engineRunning) {
    std::vector<std::string> found = CollectFiles(m_dataDir);
    UpdateSearchProgress(found);
    if (m_pass.Start(std::move(found), engineRunning, m_thumbnails.Count())) {
        m_passRunning = SetTimer(hwnd_, kPassTimer, kTickMs, nullptr) != 0;
    } else if (engineRunning) {
        ArmPoll();
    } else {
        FinishListing();
    }
}

// Files are named after the sector where they start, so the furthest one tells
// how far the engine has got; an engine that ended by itself has read it all.
void MainDialog::UpdateSearchProgress(const std::vector<std::string>& found) {
    if (!m_searchedDiskBytes || !m_progress.IsVisible()) return;
    for (const std::string& path : found) m_searchProgress.See(path);
    const bool searchedToTheEnd = !m_engineRun.Running() && !m_engineRun.Stopped();
    const double fraction = searchedToTheEnd ? 1.0 : m_searchProgress.Fraction(*m_searchedDiskBytes);
    const int position = static_cast<int>(fraction * kSearchProgressSteps);
    if (position > m_progress.Position()) m_progress.SetPosition(position);
}

// Depth first, in listing order; the folder walk tells folders from files by
// the listing's own attributes and never follows links.
std::vector<std::string> MainDialog::CollectFiles(const std::string& folder) {
    std::vector<std::string> found;
    if (folder.empty()) return found;
    ForEachFileBelow(folder, [&](const FolderEntry& file) {
        found.push_back(file.path);
        return true;
    });
    return found;
}

bool MainDialog::IsListed(const std::string& path) const { return m_pass.IsListed(path); }

void MainDialog::AdvanceStatusAnimation() { SetLabelText(m_status, NextStatusText(m_status.GetText())); }

void MainDialog::ScanPassStep() {
    if (m_pass.Ended()) {
        EndPass();
        return;
    }
    if (!m_copyRequested) AdvanceStatusAnimation();
    // While the engine runs one file a tick is enough to keep up with it;
    // once it has stopped, nothing is gained by waiting.
    if (m_engineRun.Running()) {
        ExamineNextPath();
        return;
    }
    const ULONGLONG start = GetTickCount64();
    do {
        ExamineNextPath();
    } while (m_passRunning && !m_pass.Ended() && GetTickCount64() - start < kDrainSliceMs);
}

void MainDialog::ExamineNextPath() {
    const std::string* next = m_pass.Next();
    if (!next) {
        m_pass.EndNow();
        return;
    }
    const std::string path = *next;
    if (!PathExists(path) || IsListed(path)) {
        m_pass.Skip();
        return;
    }
    // A file still open elsewhere is tried again by a later pass; in the last
    // pass it is kept for the report.
    if (!CanOpenExclusively(path)) {
        m_pass.SkipUnreadable();
        return;
    }
    // A picture that yields no thumbnail is tried again by a later pass; the
    // last pass lists it as a file rather than lose it.
    if (IsPhotoPath(path) && AddPhotoEntry(path)) return;
    if (IsPhotoPath(path) && m_pass.KeepPolling()) {
        m_pass.Skip();
        return;
    }
    AddFileEntry(path);
}

void MainDialog::EndPass() {
    KillTimer(hwnd_, kPassTimer);
    m_passRunning = false;
    if (m_pass.KeepPolling()) {
        ArmPoll();
    } else {
        FinishListing();
    }
}

// The engine has stopped and every file it left has been examined.
void MainDialog::FinishListing() {
    EnterResultsMode();
    if (const std::vector<std::string> unreadable = m_pass.TakeUnreadable(); !unreadable.empty()) {
        const size_t count = unreadable.size();
        const std::string text =
            std::to_string(count) + (count == 1 ? " found file could not be read" : " found files could not be read") +
            " and " + (count == 1 ? "is" : "are") + " not listed. They stay in \"" + m_dataDir +
            "\".\n\nClose any program that may hold them open, or copy them from there yourself.";
        MessageBoxA(hwnd_, text.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
    }
    if (m_copyRequested) {
        m_copyRequested = false;
        StartCopy();
    }
}

bool MainDialog::AddPhotoEntry(const std::string& path) {
    if (!AddPhotoThumbnail(m_thumbnails, path)) return false;
    m_photoPaths.push_back(std::make_unique<std::string>(path));
    const int position = m_pass.PhotoCount();
    // The entry's empty text comes by callback: stored, it would cost the list
    // about a kilobyte per photo.
    const int index = m_photoList.InsertItemWithCallbackText(position, position,
                                                             reinterpret_cast<LPARAM>(m_photoPaths.back().get()));
    m_photoList.SetCheck(index, true);
    m_photoList.EnsureVisible(index);
    m_pass.Listed(path, true);
    if (m_photoList.Count() != m_pass.PhotoCount()) {
        TickMessage(kPassTimer, true, "Photo items count error", ApplicationTitle(), MB_OK);
    }
    return true;
}

void MainDialog::AddFileEntry(const std::string& path) {
    auto item = std::make_unique<FoundItem>();
    item->name = FileNameOf(path);
    item->size = FileSizeOf(path);
    item->extension = ExtensionOf(path);
    item->path = path;

    const int index =
        m_fileList.InsertItem(m_fileList.Count(), item->name, -1, reinterpret_cast<LPARAM>(item.get()));
    m_fileList.SetItemText(index, 1, SizeText(item->size));
    m_fileList.SetItemText(index, 2, item->extension);
    m_foundItems.push_back(std::move(item));
    m_fileList.SetCheck(index, true);
    m_fileList.EnsureVisible(index);
    m_pass.Listed(path, false);
}

void MainDialog::EmptyResultLists() {
    if (m_photoList.Exists()) m_photoList.DeleteAll();
    if (m_fileList.Exists()) m_fileList.DeleteAll();
    m_photoPaths.clear();
    m_foundItems.clear();
    m_pass.ForgetListed();
    if (m_thumbnails.Handle()) m_thumbnails.RemoveAll();
}

namespace {
struct SortRequest {
    int column;
    bool descending;
};

int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM request) {
    const auto& sort = *reinterpret_cast<const SortRequest*>(request);
    return CompareFoundItems(*reinterpret_cast<const FoundItem*>(first), *reinterpret_cast<const FoundItem*>(second),
                             sort.column, sort.descending);
}
}  // namespace

void MainDialog::SortFileList(int column) {
    // The copy holds item indexes; a sort would hand them to other entries.
    if (m_copyRunning) return;
    SortRequest request{column, m_sortDescending};
    m_fileList.SortItems(CompareRows, reinterpret_cast<LPARAM>(&request));
    m_sortDescending = !m_sortDescending;
}

}  // namespace workflow
