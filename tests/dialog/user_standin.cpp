// The user, on the stand-in dialog manager: scenarios are queued as the headless modal run's
// user actions, keys are the stand-in's own.
#include "tests/dialog/user.h"

#include "platform/standin/standin.h"

#include <iterator>

namespace user {

namespace {

// The stand-in's key for each user::Key, in the order of its enumerators.
constexpr standin::Key kStandinKeys[] = {
    standin::Key::Tab,       standin::Key::ShiftTab, standin::Key::Enter, standin::Key::Escape, standin::Key::AltF4,
    standin::Key::Backspace, standin::Key::Delete,   standin::Key::Home,  standin::Key::End,    standin::Key::Undo,
};
static_assert(std::size(kStandinKeys) == static_cast<std::size_t>(Key::Undo) + 1);

} // namespace

// The scenario is the headless modal run's one queued action; what it did not play is dropped.
Run Play(const Scenario &scenario, const std::function<INT_PTR()> &start)
{
    Run run;
    standin::QueueUserAction([&](HWND hDlg) {
        run.scenarioRan = true;
        scenario(hDlg);
    });
    run.result = start();
    standin::DiscardUserActions();
    return run;
}

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

} // namespace user
