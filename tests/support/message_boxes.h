#pragma once
// Catches the program's message boxes, records them and answers them.
// Boxes of the test's own thread are caught by a thread WH_CBT hook as they
// activate (they run a nested modal loop, so nothing else of the test runs
// then); boxes of other threads (the engine worker) are found by Poll, which
// the pump helpers call between messages.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct CaughtBox {
    std::string caption;
    std::string text;
    std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, IDNO present in the box
    bool hasIcon = false;
    HWND owner = nullptr;
};

class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    // The next boxes are answered with these buttons, in order; after that the
    // first button of each box (OK or Yes) is pressed. With `when`, the box
    // stays open, its own loop running, until `when` holds.
    void QueueAnswer(int button, std::function<bool()> when = {}) { m_answers.push_back({button, std::move(when)}); }
    // Called as each recorded box is caught: to see what stands behind it.
    void OnCatch(std::function<void()> seen) { m_onCatch = std::move(seen); }
    // Boxes with exactly this text are answered with `button` and not recorded;
    // they take no queued answer. For questions most tests have no interest in.
    void AnswerSilently(const std::string& text, int button) { m_silent.push_back({text, button, false}); }
    // The same for every box whose text starts with `start`.
    void AnswerSilentlyWhenStarting(const std::string& start, int button) { m_silent.push_back({start, button, true}); }
    void StopAnsweringSilently() { m_silent.clear(); }
    const std::vector<CaughtBox>& Boxes() const { return m_boxes; }
    std::vector<std::string> Texts() const;
    void Clear() { m_boxes.clear(); }
    // Answers boxes shown by other threads of the process.
    void Poll();

    static MessageBoxCatcher* Current();

private:
    struct Answer {
        int button;
        std::function<bool()> when;
    };
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK AnswerHeldBoxes(HWND, UINT, UINT_PTR, DWORD);
    void Catch(HWND box);

    HHOOK m_hook = nullptr;
    std::deque<Answer> m_answers;
    std::vector<std::pair<HWND, Answer>> m_held;
    UINT_PTR m_heldTimer = 0;
    std::function<void()> m_onCatch;
    struct SilentRule {
        std::string text;
        int button;
        bool start;  // `text` is the start of the box's text
    };
    std::vector<SilentRule> m_silent;
    std::vector<CaughtBox> m_boxes;
    std::vector<HWND> m_answered;
};

// True when the window is a standard message box.
bool IsMessageBox(HWND hwnd);

// Runs `open` while a thread hook answers the folder picker it shows:
// `choice` is selected and OK pressed, or Cancel when there is no choice.
// True when a picker was shown.
bool AnswerFolderPicker(const char* choice, const std::function<void()>& open);

}  // namespace testing_support
