#pragma once
// Catches the program's message boxes, records them and answers them.
// Boxes of the test's own thread are caught by a thread WH_CBT hook as they
// activate (they run a nested modal loop, so nothing else of the test runs
// then); boxes of other threads (the engine worker) are found by Poll, which
// the pump helpers call between messages.
#include <windows.h>

#include <deque>
#include <utility>
#include <string>
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
    // first button of each box (OK or Yes) is pressed.
    void QueueAnswer(int button) { m_answers.push_back(button); }
    // Boxes with exactly this text are answered with `button` and not recorded;
    // they take no queued answer. For questions most tests have no interest in.
    void AnswerSilently(const std::string& text, int button) { m_silent.emplace_back(text, button); }
    void StopAnsweringSilently() { m_silent.clear(); }
    const std::vector<CaughtBox>& Boxes() const { return m_boxes; }
    std::vector<std::string> Texts() const;
    void Clear() { m_boxes.clear(); }
    // Answers boxes shown by other threads of the process.
    void Poll();

    static MessageBoxCatcher* Current();

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    void Catch(HWND box);

    HHOOK m_hook = nullptr;
    std::deque<int> m_answers;
    std::vector<std::pair<std::string, int>> m_silent;
    std::vector<CaughtBox> m_boxes;
    std::vector<HWND> m_answered;
};

// True when the window is a standard message box.
bool IsMessageBox(HWND hwnd);

}  // namespace testing_support
