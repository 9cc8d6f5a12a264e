// The user, on the stand-in dialog manager: scenarios are queued as the headless modal run's
// user actions, keys are the stand-in's own.
#include "tests/dialog/user.h"

#include "dialog/resource.h"
#include "platform/standin/standin.h"

namespace user {

namespace {

standin::Key ToStandinKey(Key key)
{
    switch (key) {
    case Key::Tab:
        return standin::Key::Tab;
    case Key::ShiftTab:
        return standin::Key::ShiftTab;
    case Key::Enter:
        return standin::Key::Enter;
    case Key::Escape:
        return standin::Key::Escape;
    case Key::AltF4:
        return standin::Key::AltF4;
    case Key::Backspace:
        return standin::Key::Backspace;
    case Key::Delete:
        return standin::Key::Delete;
    case Key::Home:
        return standin::Key::Home;
    case Key::End:
        return standin::Key::End;
    }
    return standin::Key::Escape;
}

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
    standin::PressKey(ToStandinKey(key));
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
