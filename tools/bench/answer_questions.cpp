#include "tools/bench/answer_questions.h"

namespace {

LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char className[16] = {};
        GetClassNameA(box, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0) {
            const int button = GetDlgItem(box, IDYES) ? IDYES : IDOK;
            // Posted: the box takes it once its own loop runs.
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

AnswerEveryQuestion::AnswerEveryQuestion()
    : m_hook(SetWindowsHookExA(WH_CBT, OnActivate, nullptr, GetCurrentThreadId())) {}

AnswerEveryQuestion::~AnswerEveryQuestion() {
    if (m_hook) UnhookWindowsHookEx(m_hook);
}
