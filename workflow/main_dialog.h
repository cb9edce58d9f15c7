#pragma once
// The main window: one dialog whose controls are shown, hidden, moved and
// re-labelled to make the loading, drive-selection, analysing, results and
// recovering screens. The screen it is on is kept in m_screen; no decision is
// read back from a control's caption or visibility.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "controls/link_label.h"
#include "controls/skin_button.h"
#include "controls/skinned_dialog.h"
#include "win/check_box_clicks.h"
#include "win/edit.h"
#include "win/handles.h"
#include "win/held_folder.h"
#include "win/list_view.h"
#include "win/progress_bar.h"
#include "workflow/app_title.h"
#include "workflow/drive_list.h"
#include "workflow/engine_run.h"
#include "workflow/found_item.h"
#include "workflow/photo_view.h"
#include "workflow/recovery_copy.h"
#include "workflow/result_rows.h"
#include "workflow/scan_monitor.h"
#include "workflow/scan_progress.h"
#include "workflow/thumbnail_cache.h"

namespace workflow {

inline constexpr char kCancelCaption[] = "Cancel";
inline constexpr char kRecoverCaption[] = "Recover";
inline constexpr char kResultsPrompt[] = "Press 'Recover' to recover files detected.";
inline constexpr char kWaitingForListingText[] =
    "Listing the last files found; the copy starts as soon as all are listed.";
inline constexpr char kSelectAllPhotosText[] = "Select All Photos";
inline constexpr char kUnselectAllPhotosText[] = "Unselect All Photos";
inline constexpr char kSelectAllFilesText[] = "Select All Files";
inline constexpr char kUnselectAllFilesText[] = "Unselect All Files";
inline constexpr char kTipsText[] = "<- Tips: click \"Cancel\" to stop analyzing and recover detected files.";

class MainDialog : public controls::SkinnedDialog, private ScanMonitor::Listener, private RecoveryCopy::Report {
public:
    // The gate runs once while the window sets itself up; when it says no (it
    // has told the user why), the window hides and the program ends. Without
    // one, the window goes on.
    using StartupGate = std::function<bool(HWND owner)>;
    explicit MainDialog(StartupGate startupGate = {});
    ~MainDialog() override;

    void ShowDriveControls(bool show);
    void EnterAnalysingMode();
    void EnterResultsMode();
    void ReturnToDriveSelection();

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    void OnCancel() override;  // close box, Alt+F4 and Esc: ConfirmClose
    void OnOK() override {}    // Enter must not end the window

private:
    // Set-up, in this order.
    void BindControls();
    void SetIcons();
    void SetUpDriveList();
    void StyleAndPlaceControls();
    void SetUpResultLists();
    void RunStartupGate();
    // Ends the modal loop when the start-up gate says no.
    static constexpr int kStartupRefusedQuitCode = 18;

    void OnStartupTimer();
    void PaintMinimised();
    void SetLabelText(controls::LinkLabel& label, const std::string& text);

    // Drive list
    void EnumerateDrives();
    void OnReload();

    // Starting and stopping a scan
    void OnNext();
    bool ShowLeftovers();
    std::optional<std::string> PrepareWorkFolders();
    bool WorkFoldersArePlain();
    // The data folder, reached from the application-data folder one folder at
    // a time; a folder on the way that is a link is reported.
    std::optional<win::HeldFolder> OpenDataFolder();
    void ReportLinkedFolder(const std::string& folder);
    bool ConfirmWritingOntoSearchedDisk(const std::string& folder, const char* question);
    bool ConfirmWritingOntoSearchedDisk(std::optional<uint32_t> disk, const char* question);
    void CancelScan();
    static constexpr DWORD kWorkerStopTimeoutMs = 10000;
    // %APPDATA%\Norvale\Vantreo: the engine, and the data folder below it.
    static std::string EngineFolder();

    // Closing and the clean-ups of the data folder
    void ConfirmClose();
    // Found files that closing would delete unrecovered, and how many of them
    // were reported as staying.
    struct Unrecovered {
        int count = 0;
        int staying = 0;
    };
    Unrecovered UnrecoveredFiles() const;
    void CleanUpDataFolder();

    // Scan monitor: the entries it hands over, the end of the listing
    bool AddPhotoEntry(FoundPhoto* photo, const ThumbnailImage& thumbnail) override;
    void AddFileEntry(FoundItem* item) override;
    void PhotoEntryChanged(const FoundPhoto* photo) override;
    void FileEntryChanged(const FoundItem* item) override;
    void RemovePhotoEntry(const FoundPhoto* photo) override;
    void RemoveFileEntry(const FoundItem* item) override;
    // The lists ask for what they draw: a photo's text ("Damaged" or none),
    // thumbnail, tick and tip; a file row's texts and tick.
    bool OnPhotoListNotify(const NMHDR& header);
    bool OnFileListNotify(const NMHDR& header, LRESULT& result);
    void OnThumbnailTimer();
    // Thumbnails made again are drawn as they come.
    void WatchRemadeThumbnails();
    // The entries changed in number.
    void SetRowCounts();
    void EndEntries(bool photosAdded, bool filesAdded) override;
    // The entries added since the lists were last drawn are shown, and the
    // newest of each list scrolled into view.
    void ShowNewEntries();
    void ShowScanStatus(const std::string& text) override;
    void ShowSearchProgress(uint64_t furthestSector) override;
    void ListingEnded(const std::vector<std::string>& unreadable) override;
    void ReportUnreadable(const std::vector<std::string>& unreadable);
    void SortFileList(int column);
    void EmptyResultLists();
    void ShowSearchProgressBar();
    // A message box raised inside a tick: the timer is stopped while it is up,
    // so it is shown once, and re-armed after when the work goes on.
    int TickMessage(UINT_PTR timer, UINT periodMs, bool rearm, const std::string& text, const std::string& caption,
                    UINT type);

    // Recovery copy
    // A click on a box or Space: the first item flips, the others follow it.
    void TickPhotos(const std::vector<int>& items);
    void TickFiles(const std::vector<int>& items);
    void TogglePhotos();
    void ToggleFiles();
    void StartCopy();
    // False, after telling the user, for a folder inside the engine's folder.
    bool AcceptOutputFolder(const std::string& folder);
    void OnCopyProgress(int position, int total) override;
    void OnDestinationShort(const std::string& tooLarge, const std::string& roomQuestion) override;
    // On the copy's thread.
    void LookAtCopySoon();
    void OnCopyStopped(const std::string& message, const CopyOutcome& soFar) override;
    void OnCopyFinished(const CopyOutcome& outcome, const std::string& failureReport) override;
    void RecordRecovered(const CopyOutcome& outcome);
    void ReturnToResults(const CopyOutcome& outcome);
    void ShowSaveFolderInResults(bool show);

    // What the photo list shows: small pictures hidden or not, and the order
    void SetUpPhotoView();
    void ShowPhotoViewControls(bool show);
    void PlacePhotoViewControls();
    bool OnPhotoViewCommand(int id, int code);
    void ArrangePhotos();
    void AddFoundPhoto(FoundPhoto* photo);
    void ForgetFoundPhoto(const FoundPhoto* photo);
    void ShowPhotoCounts();
    void RememberHiddenPhotos();
    bool MayCleanUpAfterCopy(const std::string& path) const;
    // The check box's caption on the window's background.
    bool PaintsOnSkin(HWND control, HDC dc, INT_PTR& result);

    // Controls, bound in this order when the dialog initialises.
    controls::LinkLabel m_photoToggle;      // IDC_PHOTO_TOGGLE
    controls::LinkLabel m_fileToggle;       // IDC_FILE_TOGGLE
    win::ListView m_fileList;               // IDC_FILE_LIST
    controls::LinkLabel m_loading;          // IDC_LOADING
    controls::LinkLabel m_settingsLink;     // IDC_SETTINGS_LINK
    controls::LinkLabel m_helpLink;         // IDC_HELP_LINK
    controls::LinkLabel m_status;           // IDC_STATUS
    controls::LinkLabel m_progressText;     // IDC_PROGRESS_TEXT
    win::ProgressBar m_progress;            // IDC_PROGRESS
    win::ListView m_photoList;              // IDC_PHOTO_LIST
    win::Edit m_saveFolder;                 // IDC_SAVE_FOLDER
    controls::LinkLabel m_saveFolderLabel;  // IDC_SAVE_FOLDER_LABEL
    controls::LinkLabel m_driveListLabel;   // IDC_DRIVE_LIST_LABEL
    controls::SkinButton m_next;            // IDC_NEXT
    controls::SkinButton m_reload;          // IDC_RELOAD
    controls::SkinButton m_browse;          // IDC_BROWSE
    controls::SkinButton m_recover;         // IDC_RECOVER
    win::ListView m_driveList;              // IDC_DRIVE_LIST
    win::Window m_hideSmall;                // IDC_HIDE_SMALL
    win::Window m_photoOrder;               // IDC_PHOTO_ORDER
    controls::LinkLabel m_photosShown;      // IDC_PHOTOS_SHOWN

    enum class Screen { Loading, Drives, Analysing, Results, Recovering };
    Screen m_screen = Screen::Loading;
    // The select-all links tick every entry of their list on the next click
    // ("Select All ..."), or untick them all ("Unselect All ...").
    bool m_photoToggleTicks = false;
    bool m_fileToggleTicks = false;

    StartupGate m_startupGate;
    HICON m_appIcon = nullptr;
    EngineRun m_engineRun;
    std::string m_dataDir;
    std::optional<uint32_t> m_searchedDisk;  // physical disk of the chosen drive
    // Physical disk of the engine's folder, read when the drives are listed:
    // finding it takes tens of milliseconds under Wine.
    std::optional<uint32_t> m_appDataDisk;
    std::vector<DriveInfo> m_drives;
    RECT m_progressTextRect{};
    RECT m_copyProgressRect{};  // where the progress bar stands during a copy
    RECT m_tipsRect{};
    // Where the save-folder box and Browse stand in drive selection.
    RECT m_saveFolderRect{};
    RECT m_browseRect{};
    // The entries in list order, with their ticks; the lists hold only their
    // number (both are virtual).
    ResultRows<FoundPhoto> m_photoRows;
    // Every photo listed, in found order; m_photoRows holds those m_photoView shows.
    std::vector<FoundPhoto*> m_foundPhotos;
    PhotoView m_photoView;
    win::BrushHandle m_skinBrush;
    ResultRows<FoundItem> m_fileRows;
    win::CheckBoxClicks m_photoClicks{[this](const std::vector<int>& items) { TickPhotos(items); }};
    win::CheckBoxClicks m_fileClicks{[this](const std::vector<int>& items) { TickFiles(items); }};
    ThumbnailCache m_thumbnails;
    // Entries added and not drawn yet: drawing the lists costs tens of
    // milliseconds under Wine, so a burst of found files is drawn a few
    // times a second, not after every tick.
    bool m_newPhotos = false;
    bool m_newFiles = false;
    ULONGLONG m_entriesShownAt = 0;
    bool m_showTimerArmed = false;

    ScanMonitor m_monitor{*this};
    // Found files go with the data folder after a copy only once listed, and
    // with them the previews of listed photos and the engine's log.
    RecoveryCopy m_copy{*this, [this](const std::string& path) { return MayCleanUpAfterCopy(path); },
                        [this] { LookAtCopySoon(); }};
    // Photos the list did not show when the copy started: never offered, so
    // never deleted by it. Read by the copy's worker; set before it starts.
    std::unordered_set<std::string> m_hiddenAtCopy;
    // Found files copied since the lists were filled: what closing would not lose.
    std::unordered_set<std::string> m_recoveredFiles;
    // Found files the listing could not list, reported to the user as staying.
    std::unordered_set<std::string> m_stayingFiles;
    // A cancelled engine is being waited for; Next, Cancel and Close wait too.
    bool m_waitingForEngine = false;
    // Recover was pressed while the last files were still being listed.
    bool m_copyRequested = false;
    // Direction of the next file-list sort.
    bool m_sortDescending = false;
    // How far the search has got, shown while the engine runs when the disk's size is known.
    std::optional<uint64_t> m_searchedDiskBytes;
    static constexpr int kSearchProgressSteps = 1000;
};

}  // namespace workflow
