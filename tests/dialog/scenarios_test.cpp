// The converter dialog as a user meets it: keys in, field texts out, through the program's entry
// and the dialog manager's modal run. Written in Win32 calls and the user interface of user.h,
// so that the same scenarios run on every dialog manager the program is built for.
#include "dialog/converter_dialog.h"
#include "dialog/resource.h"
#include "tests/dialog/fields.h"
#include "tests/dialog/user.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using user::Key;

const std::string kOnes31(31, '1');
const std::string kOnes32(32, '1');

// Closes the dialog the way a user most often does, so that the run ends.
void Finish()
{
    user::Press(Key::Escape);
}

HWND Field(HWND hDlg, int id)
{
    return GetDlgItem(hDlg, id);
}

void ExpectClosedNormally(const user::Run &run)
{
    EXPECT_TRUE(run.scenarioRan);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.quitPosted);
    EXPECT_EQ(run.quitCode, 0U);
}

// Runs the program with the scenario, which must leave it closed as a user closes it.
void Play(const user::Scenario &scenario)
{
    ExpectClosedNormally(user::RunProgram(scenario));
}

struct TypingCase {
    const char *name;
    int tabs; // Tab presses from DEC to the field typed into
    std::string typed;
    Fields expected;
};

void PrintTo(const TypingCase &param, std::ostream *out)
{
    *out << param.name;
}

class Typing : public testing::TestWithParam<TypingCase> {};

TEST_P(Typing, RewritesTheOtherFieldsAndKeepsTheTypedText)
{
    const TypingCase &param = GetParam();
    Play([&](HWND hDlg) {
        for (int i = 0; i < param.tabs; ++i)
            user::Press(Key::Tab);
        user::Type(param.typed);
        EXPECT_EQ(ReadFields(hDlg), param.expected);
        Finish();
    });
}

INSTANTIATE_TEST_SUITE_P(
    ConverterDialog, Typing,
    testing::Values(TypingCase{"DecDigits", 0, "123", {"123", "7B", "1111011"}},
                    TypingCase{"HexKeepsLowerCase", 1, "ff", {"255", "ff", "11111111"}},
                    TypingCase{"HexSignBitShowsNegativeDecAndEmptyBin", 1, "80000000", {"-2147483648", "80000000", ""}},
                    TypingCase{"DecMinusSignIsTheSign", 0, "-5", {"-5", "FFFFFFFB", ""}},
                    TypingCase{"DecLargestNumberFillsBin", 0, "2147483647", {"2147483647", "7FFFFFFF", kOnes31}},
                    TypingCase{"BinThirtyTwoOnesIsMinusOne", 2, kOnes32, {"-1", "FFFFFFFF", kOnes32}},
                    TypingCase{"DecLenientLetters", 0, "1a", {"1a", "3B", "111011"}},
                    TypingCase{"HexPrefixCountsAsZero", 1, "0x1F", {"31", "0x1F", "11111"}}),
    [](const testing::TestParamInfo<TypingCase> &info) { return info.param.name; });

TEST(ConverterDialog, EachKeystrokeRecalculates)
{
    Play([](HWND hDlg) {
        user::Type("1");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"1", "1", "1"}));
        user::Type("2");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"12", "C", "1100"}));
        user::Type("3");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"123", "7B", "1111011"}));
        Finish();
    });
}

TEST(ConverterDialog, ClearingDecShowsZeroInHexAndEmptyBin)
{
    Play([](HWND hDlg) {
        user::Type("12");
        user::Press(Key::Backspace);
        EXPECT_EQ(ReadFields(hDlg), (Fields{"1", "1", "1"}));
        user::Press(Key::Backspace);
        EXPECT_EQ(ReadFields(hDlg), (Fields{"", "0", ""}));
        Finish();
    });
}

TEST(ConverterDialog, DeletingAndPastingRecalculate)
{
    Play([](HWND hDlg) {
        user::Type("1234");
        user::Press(Key::Home);
        user::Press(Key::Delete);
        EXPECT_EQ(ReadFields(hDlg), (Fields{"234", "EA", "11101010"}));
        user::Press(Key::End);
        user::Paste("56");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"23456", "5BA0", "101101110100000"}));
        user::Press(Key::Tab);
        user::Paste("ff");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"255", "ff", "11111111"}));
        Finish();
    });
}

struct UndoCase {
    const char *name;
    void (*edit)(); // what the user did, starting in DEC
    bool canUndo;   // what the focused field answers to EM_CANUNDO before the undo
    Fields undone;  // after one undo
    Fields redone;  // after a second one, which undoes the first
};

void PrintTo(const UndoCase &param, std::ostream *out)
{
    *out << param.name;
}

class Undo : public testing::TestWithParam<UndoCase> {};

TEST_P(Undo, UndoesTheLastChangeOfTheFocusedFieldAndASecondUndoRedoesIt)
{
    const UndoCase &param = GetParam();
    Play([&](HWND hDlg) {
        param.edit();
        EXPECT_EQ(SendMessageA(GetFocus(), EM_CANUNDO, 0, 0) != 0, param.canUndo);
        user::Press(Key::Undo);
        EXPECT_EQ(ReadFields(hDlg), param.undone);
        user::Press(Key::Undo);
        EXPECT_EQ(ReadFields(hDlg), param.redone);
        Finish();
    });
}

INSTANTIATE_TEST_SUITE_P(
    ConverterDialog, Undo,
    testing::Values(
        UndoCase{"TypingIsOneStep", [] { user::Type("123"); }, true, {"", "0", ""}, {"123", "7B", "1111011"}},
        UndoCase{"BackspaceIsAStepOfItsOwn",
                 [] {
                     user::Type("123");
                     user::Press(Key::Backspace);
                 },
                 true,
                 {"123", "7B", "1111011"},
                 {"12", "C", "1100"}},
        UndoCase{"PasteAfterTypingJoinsIt",
                 [] {
                     user::Type("12");
                     user::Paste("34");
                 },
                 true,
                 {"", "0", ""},
                 {"1234", "4D2", "10011010010"}},
        UndoCase{"TypingOverTheProgramsTextRestoresIt",
                 [] {
                     user::Type("255");
                     user::Press(Key::Tab);
                     user::Type("1");
                 },
                 true,
                 {"255", "FF", "11111111"},
                 {"1", "1", "1"}},
        UndoCase{"ProgramsRewriteLeavesNothingToUndo",
                 [] {
                     user::Type("255");
                     user::Press(Key::Tab);
                 },
                 false,
                 {"255", "FF", "11111111"},
                 {"255", "FF", "11111111"}}),
    [](const testing::TestParamInfo<UndoCase> &info) { return info.param.name; });

// An undo selects what it put back, so that typing replaces it.
TEST(ConverterDialog, TypingAfterARedoReplacesTheRedoneText)
{
    Play([](HWND hDlg) {
        user::Type("12");
        user::Press(Key::Undo);
        user::Press(Key::Undo);
        user::Type("3");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"3", "3", "11"}));
        Finish();
    });
}

TEST(ConverterDialog, EnterInBinRecalculatesFromBin)
{
    Play([](HWND hDlg) {
        user::Press(Key::Tab);
        user::Press(Key::Tab);
        user::Type("101");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"5", "5", "101"}));
        user::Press(Key::Enter);
        EXPECT_EQ(ReadFields(hDlg), (Fields{"5", "5", "101"}));
        EXPECT_EQ(GetFocus(), Field(hDlg, IDC_BIN));
        Finish();
    });
}

// Enter in a field that the program wrote reads it back: the number must not change.
TEST(ConverterDialog, EnterInWrittenFieldsKeepsTheNumber)
{
    Play([](HWND hDlg) {
        user::Type("2147483647");
        const Fields written{"2147483647", "7FFFFFFF", kOnes31};
        for (int field = 0; field < 3; ++field) {
            user::Press(Key::Enter);
            EXPECT_EQ(ReadFields(hDlg), written) << "Enter in field " << field;
            user::Press(Key::Tab);
        }
        Finish();
    });
    Play([](HWND hDlg) {
        user::Type("-5");
        user::Press(Key::Tab);
        user::Press(Key::Enter);
        EXPECT_EQ(ReadFields(hDlg), (Fields{"-5", "FFFFFFFB", ""}));
        Finish();
    });
}

TEST(ConverterDialog, EnterWithoutFocusReadsDecAndRewritesAllThree)
{
    Play([](HWND hDlg) {
        user::Type("007");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"007", "7", "111"}));
        SetFocus(nullptr);
        user::Press(Key::Enter);
        EXPECT_EQ(ReadFields(hDlg), (Fields{"7", "7", "111"}));
        Finish();
    });
}

TEST(ConverterDialog, TabAndShiftTabCycleTheFieldsWithoutChangingThem)
{
    Play([](HWND hDlg) {
        user::Type("42");
        const Fields typed = ReadFields(hDlg);
        const struct {
            Key key;
            int focus;
        } steps[] = {{Key::Tab, IDC_HEX},      {Key::Tab, IDC_BIN},      {Key::Tab, IDC_DEC},
                     {Key::ShiftTab, IDC_BIN}, {Key::ShiftTab, IDC_HEX}, {Key::ShiftTab, IDC_DEC}};
        for (const auto &step : steps) {
            user::Press(step.key);
            EXPECT_EQ(GetFocus(), Field(hDlg, step.focus)) << "after moving to " << step.focus;
            EXPECT_EQ(ReadFields(hDlg), typed);
        }
        Finish();
    });
}

TEST(ConverterDialog, TabbingIntoAFieldSelectsItsTextSoTypingReplacesIt)
{
    Play([](HWND hDlg) {
        user::Type("42");
        user::Press(Key::Tab);
        user::Type("ff");
        EXPECT_EQ(ReadFields(hDlg), (Fields{"255", "ff", "11111111"}));
        Finish();
    });
}

// A field that the program rewrites keeps no selection: its caret stands at the start, so that a
// screen reader's braille, which follows selections, stays on the field being typed into.
TEST(ConverterDialog, RewrittenFieldsKeepNoSelection)
{
    const struct {
        const char *typing;
        int tabs; // from DEC to the field typed into
        int rewritten[2];
    } cases[] = {{"255", 0, {IDC_HEX, IDC_BIN}}, {"ff", 1, {IDC_DEC, IDC_BIN}}, {"101", 2, {IDC_DEC, IDC_HEX}}};
    for (const auto &c : cases) {
        Play([&](HWND hDlg) {
            user::Type("42");
            for (int i = 0; i < c.tabs; ++i)
                user::Press(Key::Tab);
            user::Type(c.typing);
            for (const int id : c.rewritten) {
                DWORD start = 7;
                DWORD end = 7;
                const LRESULT both = SendMessageA(Field(hDlg, id), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                                  reinterpret_cast<LPARAM>(&end));
                EXPECT_EQ(std::pair(start, end), std::pair(DWORD{0}, DWORD{0}))
                    << "field " << id << " after typing " << c.typing;
                EXPECT_EQ(both, 0) << "field " << id << " after typing " << c.typing;
            }
            Finish();
        });
    }
}

TEST(ConverterDialog, StartsTopmostWithEmptyFieldsAndFocusInDec)
{
    Play([](HWND hDlg) {
        EXPECT_NE(GetWindowLongA(hDlg, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        EXPECT_EQ(GetFocus(), Field(hDlg, IDC_DEC));
        EXPECT_EQ(ReadFields(hDlg), (Fields{"", "", ""}));
        Finish();
    });
}

struct CloseCase {
    const char *name;
    void (*close)(HWND hDlg);
};

void PrintTo(const CloseCase &param, std::ostream *out)
{
    *out << param.name;
}

class Closing : public testing::TestWithParam<CloseCase> {};

TEST_P(Closing, EndsWithExitCodeZeroAndPostsQuitZero)
{
    const auto run = user::RunProgram([](HWND hDlg) {
        user::Type("5");
        GetParam().close(hDlg);
    });
    ExpectClosedNormally(run);
}

INSTANTIATE_TEST_SUITE_P(ConverterDialog, Closing,
                         testing::Values(CloseCase{"Escape", [](HWND) { user::Press(Key::Escape); }},
                                         CloseCase{"AltF4", [](HWND) { user::Press(Key::AltF4); }},
                                         CloseCase{"CloseBox", [](HWND hDlg) { user::ClickCloseBox(hDlg); }}),
                         [](const testing::TestParamInfo<CloseCase> &info) { return info.param.name; });

// A quit request left in the thread's queue ends the next modal run at once, before any input.
TEST(ConverterDialog, QuitLeftInTheQueueEndsTheNextRunAtOnce)
{
    PostQuitMessage(0);
    const auto run = user::RunProgram([](HWND) { Finish(); });
    EXPECT_FALSE(run.scenarioRan);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.quitPosted);
}

// What the dialog procedure saw and answered, recorded around the real one.
struct Command {
    WORD id;
    WORD code;
    int depth; // how many messages were being handled when this one came
    bool operator==(const Command &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Command &command)
{
    return out << "{" << command.id << ", 0x" << std::hex << command.code << std::dec << ", depth " << command.depth
               << "}";
}

std::vector<Command> g_commands;
std::vector<UINT> g_nonZeroReturns;
int g_depth;

INT_PTR CALLBACK RecordingDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Only the change notifications and the recalculate command: a real dialog manager sends
    // other notifications (focus, updates) that the program ignores.
    if (message == WM_COMMAND && (HIWORD(wParam) == EN_CHANGE || LOWORD(wParam) == IDC_CALCULATE))
        g_commands.push_back({LOWORD(wParam), HIWORD(wParam), g_depth});
    ++g_depth;
    const INT_PTR result = ConverterDlgProc(hDlg, message, wParam, lParam);
    --g_depth;
    if (result != 0)
        g_nonZeroReturns.push_back(message);
    return result;
}

TEST(ConverterDialog, OneKeystrokeIsOneRecalculationWritingDecHexBinInOrder)
{
    g_commands.clear();
    g_nonZeroReturns.clear();
    const auto run = user::RunDialog(RecordingDlgProc, [](HWND) {
        user::Press(Key::Tab);
        g_commands.clear();
        user::Type("7");
        const std::vector<Command> expected{
            {IDC_HEX, EN_CHANGE, 0},        // the user's keystroke
            {IDC_CALCULATE, BN_CLICKED, 1}, // the one recalculation it causes
            {IDC_DEC, EN_CHANGE, 2},        // the writes, ignored while HEX has the focus
            {IDC_BIN, EN_CHANGE, 2},
        };
        EXPECT_EQ(g_commands, expected);
        Finish();
    });
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(g_nonZeroReturns, std::vector<UINT>{}) << "ConverterDlgProc returned non-zero for these messages";
}

TEST(ConverterDialog, ProcedureReturnsZeroForEveryMessageOfASession)
{
    g_nonZeroReturns.clear();
    user::RunDialog(RecordingDlgProc, [](HWND hDlg) {
        user::Type("12");
        user::Press(Key::Tab);
        user::Type("ff");
        user::Press(Key::Enter);
        SetFocus(nullptr);
        user::Press(Key::Enter);
        user::ClickCloseBox(hDlg);
    });
    EXPECT_EQ(g_nonZeroReturns, std::vector<UINT>{});
}

} // namespace
