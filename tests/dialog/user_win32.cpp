// The user, on the real USER32: the scenario starts from a thread timer inside the dialog's
// modal loop, and keys are posted to the focused control and handled, before the call returns,
// by a loop that gives every message to IsDialogMessageA first, as the modal loop does.
#include "tests/dialog/user.h"

#include <cstring>

namespace user {

namespace {

const Scenario *g_scenario;
Run *g_run;
HWND g_dialog;

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam)
{
    char className[16] = {};
    GetClassNameA(hWnd, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0)
        return TRUE;
    *reinterpret_cast<HWND *>(lParam) = hWnd;
    return FALSE;
}

void CALLBACK PlayScenario(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&g_dialog));
    g_run->scenarioRan = true;
    (*g_scenario)(g_dialog);
}

// Handles what has been posted, as the modal loop would. A quit request stays in the queue.
void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!IsDialogMessageA(g_dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// The focused control, or the dialog when none has the focus.
HWND Target()
{
    HWND focus = GetFocus();
    return focus != nullptr ? focus : g_dialog;
}

LPARAM KeyData(UINT vk, bool up)
{
    const auto scanCode = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    return 1 | (scanCode << 16) | (up ? static_cast<LPARAM>(0xC0000000U) : 0);
}

void PostKey(UINT vk)
{
    HWND target = Target();
    PostMessageA(target, WM_KEYDOWN, vk, KeyData(vk, false));
    PostMessageA(target, WM_KEYUP, vk, KeyData(vk, true));
    Pump();
}

void PostShiftTab()
{
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE shift = keys[VK_SHIFT];
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    PostKey(VK_TAB);
    keys[VK_SHIFT] = shift;
    SetKeyboardState(keys);
}

void PostAltF4()
{
    constexpr LPARAM kAltDown = 0x20000000;
    PostMessageA(Target(), WM_SYSKEYDOWN, VK_F4, KeyData(VK_F4, false) | kAltDown);
    Pump();
}

} // namespace

// The scenario starts from a thread timer, which the modal loop dispatches once it runs.
Run Play(const Scenario &scenario, const std::function<INT_PTR()> &start)
{
    Run run;
    g_scenario = &scenario;
    g_run = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 0, PlayScenario);
    run.result = start();
    KillTimer(nullptr, timer);
    g_scenario = nullptr;
    g_run = nullptr;
    return run;
}

void Press(Key key)
{
    switch (key) {
    case Key::Tab:
        PostKey(VK_TAB);
        break;
    case Key::ShiftTab:
        PostShiftTab();
        break;
    case Key::Enter:
        PostKey(VK_RETURN);
        break;
    case Key::Escape:
        PostKey(VK_ESCAPE);
        break;
    case Key::AltF4:
        PostAltF4();
        break;
    case Key::Backspace:
        PostMessageA(Target(), WM_CHAR, VK_BACK, KeyData(VK_BACK, false));
        Pump();
        break;
    case Key::Delete:
        PostKey(VK_DELETE);
        break;
    case Key::Home:
        PostKey(VK_HOME);
        break;
    case Key::End:
        PostKey(VK_END);
        break;
    case Key::Undo:
        SendMessageA(Target(), EM_UNDO, 0, 0);
        Pump();
        break;
    }
}

void Type(std::string_view text)
{
    // Characters as WM_CHAR alone: a posted WM_KEYDOWN for a character would be translated
    // into a second WM_CHAR.
    for (const char c : text) {
        PostMessageA(Target(), WM_CHAR, static_cast<unsigned char>(c), 1);
        Pump();
    }
}

void Paste(std::string_view text)
{
    if (!OpenClipboard(g_dialog))
        return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        auto *bytes = static_cast<char *>(GlobalLock(memory));
        std::memcpy(bytes, text.data(), text.size());
        bytes[text.size()] = '\0';
        GlobalUnlock(memory);
        SetClipboardData(CF_TEXT, memory);
    }
    CloseClipboard();
    SendMessageA(Target(), WM_PASTE, 0, 0);
    Pump();
}

void ClickCloseBox(HWND hDlg)
{
    PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
}

} // namespace user
