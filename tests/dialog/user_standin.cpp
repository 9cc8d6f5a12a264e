// The user, on the stand-in dialog manager: scenarios are queued as the headless modal run's
// user actions, keys are the stand-in's own.
#include "tests/dialog/user.h"

#include "dialog/resource.h"
#include "platform/standin/standin.h"

#include <iterator>

namespace user {

namespace {

// The stand-in's key for each user::Key, in the order of its enumerators.
constexpr standin::Key kStandinKeys[] = {
    standin::Key::Tab,       standin::Key::ShiftTab, standin::Key::Enter, standin::Key::Escape, standin::Key::AltF4,
    standin::Key::Backspace, standin::Key::Delete,   standin::Key::Home,  standin::Key::End,
};
static_assert(std::size(kStandinKeys) == static_cast<std::size_t>(Key::End) + 1);

// Queues the scenario, runs `start`, and clears up what the run left, as the next run needs.
template <typename Start> Run Play(const Scenario &scenario, Start start)
{
    Run run;
    standin::QueueUserAction([&](HWND hDlg) {
        run.scenarioRan = true;
        scenario(hDlg);
    });
    run.result = start();
    standin::DiscardUserActions();
    MSG msg{};
    run.quitPosted = PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    run.quitCode = run.quitPosted ? msg.wParam : 0;
    return run;
}

} // namespace

void Press(Key key)
{
    standin::PressKey(kStandinKeys[static_cast<std::size_t>(key)]);
}

void Type(std::string_view text)
{
    standin::TypeText(text);
}

void Paste(std::string_view text)
{
    standin::PasteText(text);
}

void ClickCloseBox(HWND /*hDlg*/)
{
    standin::ClickCloseBox();
}

Run RunProgram(const Scenario &scenario)
{
    return Play(scenario, [] {
        char commandLine[] = "";
        return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    });
}

Run RunDialog(DLGPROC proc, const Scenario &scenario)
{
    return Play(scenario, [proc] {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONVERTER), nullptr, proc, 0);
    });
}

} // namespace user
