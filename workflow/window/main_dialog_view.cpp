// What the session asks of the window beyond its lists: message boxes, the
// session's timers, the progress it reports and the output folder opened.
#include <windows.h>
#include <shellapi.h>

#include "workflow/window/main_dialog.h"
#include "workflow/window/timer_ids.h"

namespace workflow {

namespace {

UINT IconOf(Mark mark) {
    switch (mark) {
    case Mark::Information:
        return MB_ICONINFORMATION;
    case Mark::Warning:
        return MB_ICONWARNING;
    case Mark::Error:
        return MB_ICONERROR;
    case Mark::Question:
        return MB_ICONQUESTION;
    case Mark::None:
        break;
    }
    return 0;
}

}  // namespace

void MainDialog::Tell(const std::string& text, const std::string& caption, Mark mark) {
    MessageBoxA(m_hwnd, text.c_str(), caption.c_str(), MB_OK | IconOf(mark));
}

bool MainDialog::Ask(const std::string& text, const std::string& caption, Mark mark) {
    return MessageBoxA(m_hwnd, text.c_str(), caption.c_str(), MB_YESNO | IconOf(mark)) == IDYES;
}

void MainDialog::TellFromEngine(const std::string& text) { Tell(text, kAppCaption, Mark::None); }

bool MainDialog::RunTimer(SessionTimer timer, unsigned periodMs) {
    const UINT_PTR id = timer == SessionTimer::Listing ? kListingTimer : kCopyTimer;
    if (periodMs == 0) return KillTimer(m_hwnd, id) != 0;
    return SetTimer(m_hwnd, id, periodMs, nullptr) != 0;
}

// The copy's end, or its question, is looked at as soon as it comes, not at
// the next tick: a tick of the copy's timer is posted.
void MainDialog::WakeCopy() { PostMessageA(m_hwnd, WM_TIMER, kCopyTimer, 0); }

void MainDialog::ShowStatus(const std::string& text) { SetLabelText(m_status, text); }

// The search's bar moves on the analysing screen only, and never back.
void MainDialog::ShowSearchProgress(double fraction) {
    if (m_screen != Screen::Analysing) return;
    const int position = static_cast<int>(fraction * kSearchProgressSteps);
    if (position > m_progress.Position()) m_progress.SetPosition(position);
}

void MainDialog::ShowCopyProgress(int position, int total) {
    SetLabelText(m_progressText, "Recovering file " + std::to_string(position) + " of " + std::to_string(total));
    m_progress.SetPosition(position);
}

void MainDialog::OpenFolder(const std::string& folder) {
    SHELLEXECUTEINFOA open{};
    open.cbSize = sizeof(open);
    open.fMask = SEE_MASK_FLAG_NO_UI;
    open.lpVerb = "open";
    open.lpFile = folder.c_str();
    open.nShow = SW_SHOW;
    ShellExecuteExA(&open);
}

}  // namespace workflow
