// The built zahlix.exe as a user meets it, driven from another process: the window and its
// controls as the platform built them, real keyboard input (SendInput), the field texts read
// back with WM_GETTEXT, and the exit code after each way of closing.
//
//     zahlix_blackbox_test PATH-TO-ZAHLIX.EXE [GoogleTest options]
#include "dialog/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string g_exe;

// A started zahlix.exe and its window. The command line carries arguments that must change nothing.
class Program {
public:
    Program()
    {
        std::string commandLine = "\"" + g_exe + "\" --help -display :9 /geometry 10x10";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process))
            return;
        WaitForInputIdle(m_process.hProcess, 10000);
        WaitUntil([this] {
            m_window = FindWindowA(nullptr, "Zahlix");
            return m_window != nullptr && IsWindowVisible(m_window);
        });
    }

    ~Program()
    {
        if (m_process.hProcess == nullptr)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 99);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }

    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    HWND Window() const { return m_window; }
    HWND Control(int id) const { return GetDlgItem(m_window, id); }

    // The exit code once the process has ended, or -1 if it does not end within 10 seconds.
    long ExitCode() const
    {
        DWORD code = 0;
        if (WaitForSingleObject(m_process.hProcess, 10000) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(m_process.hProcess, &code))
            return -1;
        return static_cast<long>(code);
    }

    HWND Focus() const
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(m_process.dwThreadId, &info) ? info.hwndFocus : nullptr;
    }

    static bool WaitUntil(const std::function<bool()> &condition)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

private:
    PROCESS_INFORMATION m_process{};
    HWND m_window = nullptr;
};

std::string Text(HWND hWnd)
{
    std::array<char, 256> text{};
    SendMessageA(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

struct Fields {
    std::string dec, hex, bin;
    bool operator==(const Fields &) const = default;
};

void PrintTo(const Fields &fields, std::ostream *out)
{
    *out << "DEC \"" << fields.dec << "\", HEX \"" << fields.hex << "\", BIN \"" << fields.bin << '"';
}

Fields ReadFields(const Program &program)
{
    return {Text(program.Control(IDC_DEC)), Text(program.Control(IDC_HEX)), Text(program.Control(IDC_BIN))};
}

// Waits for the fields to show `expected`, then compares what they show.
void ExpectFields(const Program &program, const Fields &expected)
{
    Program::WaitUntil([&] { return ReadFields(program) == expected; });
    EXPECT_EQ(ReadFields(program), expected);
}

void ExpectFocus(const Program &program, int id)
{
    Program::WaitUntil([&] { return program.Focus() == program.Control(id); });
    EXPECT_EQ(program.Focus(), program.Control(id)) << "focus expected on control " << id;
}

INPUT KeyInput(WORD vk, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Presses `vk` with the modifier keys held, as the keyboard would send it.
void SendKey(const Program &program, WORD vk, std::initializer_list<WORD> modifiers = {})
{
    SetForegroundWindow(program.Window());
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers)
        inputs.push_back(KeyInput(modifier, false));
    inputs.push_back(KeyInput(vk, false));
    inputs.push_back(KeyInput(vk, true));
    for (WORD modifier : modifiers)
        inputs.push_back(KeyInput(modifier, true));
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Type(const Program &program, const std::string &text)
{
    for (const char c : text) {
        const SHORT key = VkKeyScanA(c);
        if ((key & 0x100) != 0)
            SendKey(program, LOBYTE(key), {VK_SHIFT});
        else
            SendKey(program, LOBYTE(key));
    }
}

INT_PTR CALLBACK SilentDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(Zahlix, WindowIsBuiltFromTheTemplate)
{
    Program program;
    HWND window = program.Window();
    ASSERT_NE(window, nullptr) << "no window with the caption Zahlix";

    const auto style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    EXPECT_NE(style & WS_CAPTION, 0U);
    EXPECT_NE(style & WS_SYSMENU, 0U);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0U) << "minimisable";
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0U) << "not resizable";
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    // Centred on the work area.
    RECT frame{};
    RECT work{};
    GetWindowRect(window, &frame);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((frame.left + frame.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, (work.top + work.bottom) / 2, 1);

    const struct {
        int id;
        const char *className;
        const char *text;
        DWORD kept; // the style bits that the running control reports as the template gave them
        RECT units; // x, y, width, height in dialog units
    } controls[] = {
        {IDC_DEC, "Edit", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, {27, 8, 96, 12}},
        {IDC_HEX, "Edit", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, {27, 20, 96, 12}},
        {IDC_BIN, "Edit", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, {27, 33, 96, 12}},
        {0xFFFF, "Button", "", WS_VISIBLE | BS_GROUPBOX, {2, 0, 125, 49}},
        {IDCANCEL, "Button", "Beenden", WS_TABSTOP | BS_PUSHBUTTON, {31, 0, 14, 6}},
        {IDC_DEC_LABEL, "Static", "DEC:", WS_VISIBLE | WS_GROUP | SS_LEFT, {8, 10, 18, 8}},
        {IDC_HEX_LABEL, "Static", "HEX:", WS_VISIBLE | WS_GROUP | SS_LEFT, {8, 23, 18, 8}},
        {IDC_BIN_LABEL, "Static", "BIN:", WS_VISIBLE | WS_GROUP | SS_LEFT, {8, 35, 15, 8}},
        {IDC_CALCULATE, "Button", "Berechnen", WS_TABSTOP | BS_DEFPUSHBUTTON, {5, 0, 20, 6}},
    };
    constexpr DWORD kChecked = WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_DISABLED | ES_AUTOHSCROLL | BS_TYPEMASK;

    // The same template in this process gives the dialog units in pixels for the same font.
    HWND reference =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONVERTER), nullptr, SilentDlgProc, 0);
    ASSERT_NE(reference, nullptr);

    HWND child = GetWindow(window, GW_CHILD);
    for (const auto &want : controls) {
        SCOPED_TRACE("control " + std::to_string(want.id));
        ASSERT_NE(child, nullptr);
        std::array<char, 32> className{};
        GetClassNameA(child, className.data(), static_cast<int>(className.size()));
        EXPECT_STREQ(className.data(), want.className);
        EXPECT_EQ(GetDlgCtrlID(child) & 0xFFFF, want.id);
        EXPECT_EQ(Text(child), want.text);
        const auto childStyle = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        const DWORD mask = std::string(want.className) == "Static" ? kChecked & ~BS_TYPEMASK : kChecked;
        EXPECT_EQ(childStyle & mask, want.kept & mask) << std::hex << childStyle;
        // The dialog manager converts position and size each on its own, as MapDialogRect does.
        RECT expected = want.units;
        MapDialogRect(reference, &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT actual{};
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&actual), 2);
        EXPECT_EQ((std::array{actual.left, actual.top, actual.right, actual.bottom}),
                  (std::array{expected.left, expected.top, expected.right, expected.bottom}));
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more than nine controls";
    DestroyWindow(reference);

    ExpectFocus(program, IDC_DEC);
    ExpectFields(program, {"", "", ""});
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.ExitCode(), 0);
}

TEST(Zahlix, TypingInEachFieldRewritesTheOthers)
{
    Program program;
    ASSERT_NE(program.Window(), nullptr);
    Type(program, "-5");
    ExpectFields(program, {"-5", "FFFFFFFB", ""});
    SendKey(program, VK_TAB);
    ExpectFocus(program, IDC_HEX);
    Type(program, "ff");
    ExpectFields(program, {"255", "ff", "11111111"});
    SendKey(program, VK_TAB);
    ExpectFocus(program, IDC_BIN);
    Type(program, std::string(32, '1'));
    ExpectFields(program, {"-1", "FFFFFFFF", std::string(32, '1')});
    SendKey(program, VK_ESCAPE);
    EXPECT_EQ(program.ExitCode(), 0);
}

TEST(Zahlix, EnterKeepsTheNumberOfAWrittenField)
{
    Program program;
    ASSERT_NE(program.Window(), nullptr);
    Type(program, "2147483647");
    const Fields written{"2147483647", "7FFFFFFF", std::string(31, '1')};
    ExpectFields(program, written);
    SendKey(program, VK_TAB, {VK_SHIFT});
    ExpectFocus(program, IDC_BIN);
    SendKey(program, VK_RETURN);
    ExpectFields(program, written);
    SendKey(program, VK_TAB, {VK_SHIFT});
    ExpectFocus(program, IDC_HEX);
    SendKey(program, VK_TAB);
    ExpectFocus(program, IDC_BIN);
    SendKey(program, VK_TAB);
    ExpectFocus(program, IDC_DEC);
    EXPECT_EQ(ReadFields(program), written) << "Tab changes no field";
    SendKey(program, VK_ESCAPE);
    EXPECT_EQ(program.ExitCode(), 0);
}

struct CloseCase {
    const char *name;
    void (*close)(const Program &program);
};

void PrintTo(const CloseCase &param, std::ostream *out)
{
    *out << param.name;
}

class Closing : public testing::TestWithParam<CloseCase> {};

TEST_P(Closing, EndsWithExitCodeZero)
{
    Program program;
    ASSERT_NE(program.Window(), nullptr);
    Type(program, "12");
    ExpectFields(program, {"12", "C", "1100"});
    GetParam().close(program);
    EXPECT_EQ(program.ExitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Zahlix, Closing,
    testing::Values(CloseCase{"Escape", [](const Program &p) { SendKey(p, VK_ESCAPE); }},
                    CloseCase{"AltF4", [](const Program &p) { SendKey(p, VK_F4, {VK_MENU}); }},
                    CloseCase{"CloseBox",
                              [](const Program &p) { PostMessageA(p.Window(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
                    CloseCase{"WmClose", [](const Program &p) { PostMessageA(p.Window(), WM_CLOSE, 0, 0); }}),
    [](const testing::TestParamInfo<CloseCase> &info) { return info.param.name; });

} // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zahlix_blackbox_test PATH-TO-ZAHLIX.EXE\n");
        return 2;
    }
    // A Unix path names the same file on Wine's drive Z:.
    g_exe = argv[1];
    if (g_exe.starts_with('/')) {
        for (char &c : g_exe)
            c = c == '/' ? '\\' : c;
        g_exe.insert(0, "Z:");
    }
    return RUN_ALL_TESTS();
}
