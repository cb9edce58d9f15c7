#include "tests/support/message_boxes.h"

#include <shlobj.h>

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

namespace {
const char* g_pickerChoice = nullptr;
bool g_sawPicker = false;

LRESULT CALLBACK AnswerPicker(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    char className[32] = {};
    if (code == HCBT_ACTIVATE && GetClassNameA(window, className, sizeof className) &&
        std::string(className) == "#32770" && !IsMessageBox(window)) {
        g_sawPicker = true;
        if (g_pickerChoice) PostMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(g_pickerChoice));
        PostMessageA(window, WM_COMMAND, g_pickerChoice ? IDOK : IDCANCEL, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

bool AnswerFolderPicker(const char* choice, const std::function<void()>& open) {
    g_pickerChoice = choice;
    g_sawPicker = false;
    HHOOK hook = SetWindowsHookExA(WH_CBT, AnswerPicker, nullptr, GetCurrentThreadId());
    open();
    UnhookWindowsHookEx(hook);
    return g_sawPicker;
}

MessageBoxCatcher::MessageBoxCatcher() {
    g_current = this;
    m_hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
    if (m_heldTimer) KillTimer(nullptr, m_heldTimer);
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
    Answer answer{caught.buttons.empty() ? IDOK : caught.buttons.front(), {}};
    const auto silent = std::find_if(m_silent.begin(), m_silent.end(),
                                     [&](const SilentRule& rule) {
                                         return rule.start ? caught.text.starts_with(rule.text) : rule.text == caught.text;
                                     });
    if (silent != m_silent.end()) {
        answer.button = silent->button;
    } else {
        if (!m_answers.empty()) {
            answer = std::move(m_answers.front());
            m_answers.pop_front();
        }
        m_boxes.push_back(caught);
        if (m_onCatch) m_onCatch();
    }
    if (answer.when && !answer.when()) {
        m_held.emplace_back(box, std::move(answer));
        if (!m_heldTimer) m_heldTimer = SetTimer(nullptr, 0, 20, AnswerHeldBoxes);
        return;
    }
    // Posted, so the box presses it once its modal loop runs.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, answer.button)));
}

void CALLBACK MessageBoxCatcher::AnswerHeldBoxes(HWND, UINT, UINT_PTR, DWORD) {
    MessageBoxCatcher* self = g_current;
    if (!self) return;
    for (auto held = self->m_held.begin(); held != self->m_held.end();) {
        if (!held->second.when()) {
            ++held;
            continue;
        }
        const int button = held->second.button;
        PostMessageA(held->first, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(held->first, button)));
        held = self->m_held.erase(held);
    }
    if (self->m_held.empty() && self->m_heldTimer) {
        KillTimer(nullptr, self->m_heldTimer);
        self->m_heldTimer = 0;
    }
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
