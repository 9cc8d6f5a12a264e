// Fuzzes the converter dialog with random sequences of user actions on the stand-in dialog
// manager. After every action the three fields must agree: every non-empty field reads, with
// its own reader, as the same number, and an empty BIN field means a number of zero or below.
#include "convert/convert.h"
#include "dialog/converter_dialog.h"
#include "dialog/resource.h"
#include "platform/standin/standin.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

std::string Read(HWND hDlg, int id)
{
    std::array<char, 256> text{};
    GetWindowTextA(GetDlgItem(hDlg, id), text.data(), static_cast<int>(text.size()));
    return text.data();
}

void CheckFieldsAgree(HWND hDlg)
{
    const std::string dec = Read(hDlg, IDC_DEC);
    std::string hex = Read(hDlg, IDC_HEX);
    const std::string bin = Read(hDlg, IDC_BIN);
    std::optional<FieldValue> number;
    const auto agree = [&number](const std::string &text, FieldValue value) {
        if (text.empty())
            return;
        if (number && *number != value)
            std::abort();
        number = value;
    };
    agree(dec, ParseDec(dec.c_str()));
    agree(hex, ParseHex(hex.data()));
    agree(bin, ParseBin(bin.c_str()));
    if (bin.empty() && number && *number > 0)
        std::abort();
}

// Reads the actions from the fuzzer's bytes; a byte picks the action, and some take the next
// bytes as their argument.
class Actions {
public:
    Actions(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    bool Done() const { return m_pos >= m_size; }
    std::uint8_t Next() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    std::string_view Take(std::size_t count)
    {
        count = count < m_size - m_pos ? count : m_size - m_pos;
        std::string_view bytes(reinterpret_cast<const char *>(m_data + m_pos), count);
        m_pos += count;
        return bytes;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

void Play(Actions &actions)
{
    static constexpr std::string_view kDigits = "0123456789abcdefABCDEF-";
    using standin::Key;
    const std::uint8_t op = actions.Next();
    switch (op % 15) {
    case 0: {
        const char c = static_cast<char>(actions.Next());
        standin::TypeText(std::string_view(&c, 1));
        break;
    }
    case 1:
    case 2: {
        const char digit = kDigits[actions.Next() % kDigits.size()];
        standin::TypeText(std::string_view(&digit, 1));
        break;
    }
    case 3:
        standin::PressKey(Key::Backspace);
        break;
    case 4:
        standin::PressKey(Key::Delete);
        break;
    case 5:
        standin::PressKey(Key::Home);
        break;
    case 6:
        standin::PressKey(Key::End);
        break;
    case 7:
        standin::PressKey(Key::Tab);
        break;
    case 8:
        standin::PressKey(Key::ShiftTab);
        break;
    case 9:
        standin::PressKey(Key::Enter);
        break;
    case 10:
        standin::SelectAll();
        break;
    case 11:
        standin::PasteText(actions.Take(actions.Next() % 40));
        break;
    case 12:
        SetFocus(nullptr);
        break;
    case 13:
        if (HWND focus = GetFocus())
            standin::ReplaceText(focus, actions.Take(actions.Next() % 40), actions.Next());
        break;
    case 14:
        standin::PressKey(Key::Undo);
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    HWND hDlg =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONVERTER), nullptr, ConverterDlgProc, 0);
    if (hDlg == nullptr)
        std::abort();
    Actions actions(data, size);
    while (!actions.Done()) {
        Play(actions);
        CheckFieldsAgree(hDlg);
    }
    DestroyWindow(hDlg);
    MSG msg{};
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    return 0;
}
