#pragma once
// The main window, the view of one recovery session: one dialog whose
// controls are shown, hidden, moved and re-labelled to make the loading,
// drive-selection, analysing, results and recovering screens. The session
// decides; the window draws what it holds and asks the user what it asks.
// The screen is kept in m_screen and changed by GoTo alone; no decision is
// read back from a control's caption or visibility.
//
// Threads: everything runs on the window's thread except WakeCopy (the
// copy's worker, which only posts a message) and TellFromEngine (the
// engine's worker, which shows a message box owned by the window).
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/link_label.h"
#include "controls/skin_button.h"
#include "controls/skinned_dialog.h"
#include "win/controls/check_box_clicks.h"
#include "win/controls/edit.h"
#include "win/handles.h"
#include "win/controls/list_view.h"
#include "win/controls/progress_bar.h"
#include "workflow/engine/app_title.h"
#include "workflow/session/recovery_session.h"
#include "workflow/session/screen.h"
#include "workflow/thumbnails/thumbnail_cache.h"

namespace workflow {

inline constexpr char kCancelCaption[] = "Cancel";
inline constexpr char kRecoverCaption[] = "Recover";
inline constexpr char kResultsPrompt[] = "Press 'Recover' to recover files detected.";
inline constexpr char kSelectAllPhotosText[] = "Select All Photos";
inline constexpr char kUnselectAllPhotosText[] = "Unselect All Photos";
inline constexpr char kSelectAllFilesText[] = "Select All Files";
inline constexpr char kUnselectAllFilesText[] = "Unselect All Files";
inline constexpr char kTipsText[] = "<- Tips: click \"Cancel\" to stop analyzing and recover detected files.";

class MainDialog : public controls::SkinnedDialog, private RecoverySession::View {
public:
    // The gate runs once while the window sets itself up; when it says no (it
    // has told the user why), the window hides and the program ends. Without
    // one, the window goes on.
    using StartupGate = std::function<bool(HWND owner)>;
    explicit MainDialog(StartupGate startupGate = {});
    ~MainDialog() override;

    // Shows, hides, moves and labels the controls for `next`.
    void GoTo(Screen next) override;
    // The data folder as it stands is listed, as after Next.
    void ListFoundFiles() { m_session.ListFoundFiles(); }
    // A disk image named on the command line: added to the drive list and
    // selected once the drives are listed.
    void OpenImageAtStart(std::string path) { m_imageAtStart = std::move(path); }
    // Tells a running first instance to open a disk image: the data of the
    // WM_COPYDATA message it answers.
    static constexpr ULONG_PTR kOpenImageCopyData = 0x56494D47;  // "VIMG"

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    void OnCancel() override;  // close box, Alt+F4 and Esc
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

    // The screens
    void ShowDriveControls(bool show);
    void ShowAnalysing();
    void ShowResults();
    void ShowRecovering();
    void ShowDrives();
    void ShowSearchProgressBar();
    void ShowSaveFolderInResults(bool show);

    // Drive list
    void EnumerateDrives();
    // The rows of the drives the session holds, as they stand.
    void FillDriveList();
    void OnReload();
    void OnNext();
    void OnBrowse();

    // Disk images: the link's file dialog, files dropped on the window, the
    // command line and a later start's request all end in AddDiskImage.
    void SetUpDiskImages();
    void OnOpenImage();
    void OnDropFiles(HDROP drop);
    bool OnOpenImageRequest(const COPYDATASTRUCT& request);
    void OpenRequestedImages();
    void AddDiskImage(const std::string& path);
    static constexpr UINT kOpenRequestedImagesMessage = WM_APP + 45;

    // The lists ask for what they draw: a photo's text ("Damaged" or none),
    // thumbnail, check and tip; a file row's texts and check.
    bool OnPhotoListNotify(const NMHDR& header);
    bool OnFileListNotify(const NMHDR& header, LRESULT& result);
    void OnThumbnailTimer();
    // Thumbnails made again are drawn as they come.
    void WatchRemadeThumbnails();
    // The entries changed in number; so may the select-all links' state.
    void SetRowCounts();
    // The entries added since the lists were last drawn are shown, and the
    // newest of each list scrolled into view.
    void ShowNewEntries();
    void SortFileList(int column);
    // A click on a box or Space.
    void CheckPhotos(const std::vector<int>& items);
    void CheckFiles(const std::vector<int>& items);
    void ToggleAllPhotos();
    void ToggleAllFiles();
    // Each select-all link is enabled while its list shows a row.
    void EnableToggles();

    // What the photo list shows: small pictures hidden or not, and the order
    void SetUpPhotoView();
    void ShowPhotoViewControls(bool show);
    void PlacePhotoViewControls();
    bool OnPhotoViewCommand(int id, int code);
    void ArrangePhotos(const PhotoView& view);
    void ShowArrangedRows();
    void ShowPhotoCounts();
    // The check box's caption on the window's background.
    bool PaintsOnSkin(HWND control, HDC dc, INT_PTR& result);
    // How the copy names files, on the Recover row of the results.
    void SetUpNaming();
    void ShowNamingControls(bool show);
    bool OnNamingCommand(int id, int code);
    // The user's choices for the copy, given to the session before it starts.
    void GiveCopyChoices();

    // RecoverySession::View
    void Tell(const std::string& text, const std::string& caption, Mark mark) override;
    bool Ask(const std::string& text, const std::string& caption, Mark mark) override;
    void TellFromEngine(const std::string& text) override;
    bool RunTimer(SessionTimer timer, unsigned periodMs) override;
    void WakeCopy() override;
    bool HoldThumbnail(FoundPhoto& photo, const ThumbnailImage& thumbnail) override;
    void EntriesAdded(bool photos, bool files) override;
    void DrawEntries() override { ShowNewEntries(); }
    void PhotoRowChanged(int row) override;
    void FileRowChanged(int row) override;
    void PhotoRowRemoved(int row) override;
    void FileRowRemoved(int row) override;
    void ChecksChanged() override;
    void EntriesForgotten() override;
    void PhotoViewChanged() override;
    void ShowStatus(const std::string& text) override;
    void ShowSearchProgress(double fraction) override;
    void ShowCopyProgress(int position, int total) override;
    void OpenFolder(const std::string& folder) override;
    void OfferOtherFolder() override { ShowSaveFolderInResults(true); }

    // Controls, bound in this order when the dialog initialises.
    controls::LinkLabel m_photoToggle;      // IDC_PHOTO_TOGGLE
    controls::LinkLabel m_fileToggle;       // IDC_FILE_TOGGLE
    win::ListView m_fileList;               // IDC_FILE_LIST
    controls::LinkLabel m_loading;          // IDC_LOADING
    controls::LinkLabel m_settingsLink;     // IDC_SETTINGS_LINK
    controls::LinkLabel m_helpLink;         // IDC_HELP_LINK
    controls::LinkLabel m_openImageLink;    // IDC_OPEN_IMAGE
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
    win::Window m_hideCopies;               // IDC_HIDE_COPIES
    win::Window m_nameFiles;                // IDC_NAME_FILES
    controls::LinkLabel m_nameFilesLabel;   // IDC_NAME_FILES_LABEL
    NameChoice m_naming = NameChoice::AsFound;
    controls::LinkLabel m_photosShown;      // IDC_PHOTOS_SHOWN
    std::string m_photosShownText;

    Screen m_screen = Screen::Loading;
    // The select-all links check every entry of their list on the next click
    // ("Select All ..."), or uncheck them all ("Unselect All ...").
    bool m_photoToggleChecks = false;
    bool m_fileToggleChecks = false;
    // Where recovered files are copied; the save-folder box shows it.
    std::string m_outputFolder;

    StartupGate m_startupGate;
    std::string m_imageAtStart;
    std::vector<std::string> m_requestedImages;
    HICON m_appIcon = nullptr;
    RECT m_progressTextRect{};
    RECT m_copyProgressRect{};  // where the progress bar stands during a copy
    RECT m_tipsRect{};
    // Where the save-folder box and Browse stand in drive selection.
    RECT m_saveFolderRect{};
    RECT m_browseRect{};
    win::BrushHandle m_skinBrush;
    win::CheckBoxClicks m_photoClicks{[this](const std::vector<int>& items) { CheckPhotos(items); }};
    win::CheckBoxClicks m_fileClicks{[this](const std::vector<int>& items) { CheckFiles(items); }};
    ThumbnailCache m_thumbnails;
    // Entries added and not drawn yet: drawing the lists is slow, so a burst
    // of found files is drawn a few times a second, not after every batch.
    bool m_newPhotos = false;
    bool m_newFiles = false;
    ULONGLONG m_entriesShownAt = 0;
    bool m_showTimerArmed = false;
    static constexpr int kSearchProgressSteps = 1000;

    // Last, so it goes first: its engine, monitor and copy report to this window.
    RecoverySession m_session{*this};
};

}  // namespace workflow
