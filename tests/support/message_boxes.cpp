#include "tests/support/message_boxes.h"

#include <algorithm>

namespace testing_support {

namespace {
MessageBoxCatcher* g_current = nullptr;
constexpr int kMessageBoxTextId = 0xFFFF;  // the static that holds a message box's text
// The static that holds its icon: 0x14 on Windows, 0x440 (stc1) under Wine.
constexpr int kMessageBoxIconIds[] = {0x0014, 0x0440};

std::string ItemText(HWND box, int id) {
    char buffer[4096] = {};
    GetDlgItemTextA(box, id, buffer, sizeof(buffer));
    return buffer;
}
}  // namespace

bool IsMessageBox(HWND hwnd) {
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof(className));
    return std::string(className) == "#32770" && GetDlgItem(hwnd, kMessageBoxTextId) != nullptr;
}

MessageBoxCatcher::MessageBoxCatcher() {
    g_current = this;
    m_hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
    if (m_hook) UnhookWindowsHookEx(m_hook);
    g_current = nullptr;
}

MessageBoxCatcher* MessageBoxCatcher::Current() { return g_current; }

std::vector<std::string> MessageBoxCatcher::Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : m_boxes) texts.push_back(box.text);
    return texts;
}

void MessageBoxCatcher::Catch(HWND box) {
    if (std::find(m_answered.begin(), m_answered.end(), box) != m_answered.end()) return;
    m_answered.push_back(box);
    CaughtBox caught;
    char caption[512] = {};
    GetWindowTextA(box, caption, sizeof(caption));
    caught.caption = caption;
    caught.text = ItemText(box, kMessageBoxTextId);
    for (int id : kMessageBoxIconIds) {
        HWND icon = GetDlgItem(box, id);
        // Styles, not IsWindowVisible: the box itself may not be shown yet when it activates.
        if (icon && (GetWindowLongA(icon, GWL_STYLE) & WS_VISIBLE) && SendMessageA(icon, STM_GETICON, 0, 0))
            caught.hasIcon = true;
    }
    caught.owner = GetWindow(box, GW_OWNER);
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        if (GetDlgItem(box, id)) caught.buttons.push_back(id);
    }
    int answer = caught.buttons.empty() ? IDOK : caught.buttons.front();
    const auto silent = std::find_if(m_silent.begin(), m_silent.end(),
                                     [&](const auto& rule) { return rule.first == caught.text; });
    if (silent != m_silent.end()) {
        answer = silent->second;
    } else if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    if (silent == m_silent.end()) m_boxes.push_back(caught);
    // Posted, so the box presses it once its modal loop runs.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}

void MessageBoxCatcher::Poll() {
    EnumWindows(
        [](HWND hwnd, LPARAM self) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(hwnd) && IsMessageBox(hwnd))
                reinterpret_cast<MessageBoxCatcher*>(self)->Catch(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
}

LRESULT CALLBACK MessageBoxCatcher::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_current) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(hwnd)) g_current->Catch(hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace testing_support
