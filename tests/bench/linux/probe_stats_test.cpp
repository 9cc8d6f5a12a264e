// The start-up probe's parsing and arithmetic: commands split into arguments, the sizes read from
// smaps_rollup, and the median of a program's samples.
#include "tests/bench/linux/probe_stats.h"

#include <gtest/gtest.h>

namespace {

using probe::RollupKiB;
using probe::SplitCommand;
using probe::Summarize;
using Words = std::vector<std::string>;

TEST(ProbeSplitCommand, SplitsAtRunsOfBlanksAndTabs)
{
    EXPECT_EQ(SplitCommand("/usr/bin/galculator"), Words{"/usr/bin/galculator"});
    EXPECT_EQ(SplitCommand("  prog  -a\t-b "), (Words{"prog", "-a", "-b"}));
    EXPECT_EQ(SplitCommand("x=1 y"), (Words{"x=1", "y"}));
}

TEST(ProbeSplitCommand, BlankCommandHasNoWords)
{
    EXPECT_TRUE(SplitCommand("").empty());
    EXPECT_TRUE(SplitCommand(" \t ").empty());
}

TEST(ProbeParseCommand, LeadingAssignmentsGoToTheEnvironment)
{
    using Environment = std::vector<std::pair<std::string, std::string>>;
    const struct {
        const char *command;
        Environment environment;
        Words argv;
    } cases[] = {
        {"prog -a", {}, {"prog", "-a"}},
        {"A=1 prog", {{"A", "1"}}, {"prog"}},
        {"A= _b2=x=y prog", {{"A", ""}, {"_b2", "x=y"}}, {"prog"}},
        // Only before the program, and only a name before the '='.
        {"prog A=1", {}, {"prog", "A=1"}},
        {"=1 prog", {}, {"=1", "prog"}},
        {"2A=1 prog", {}, {"2A=1", "prog"}},
        {"./a=b c", {}, {"./a=b", "c"}},
        {"A=1", {{"A", "1"}}, {}},
    };
    for (const auto &c : cases) {
        const probe::Command command = probe::ParseCommand(c.command);
        EXPECT_EQ(command.environment, c.environment) << c.command;
        EXPECT_EQ(command.argv, c.argv) << c.command;
    }
}

TEST(ProbeWindowTitle, ANoteInParenthesesAtTheEndIsNotPartOfIt)
{
    const struct {
        const char *name;
        const char *title;
    } cases[] = {
        {"Zahlix", "Zahlix"},   {"Zahlix (no bus)", "Zahlix"},
        {"A (b) (c)", "A (b)"}, {"Zahlix (no bus", "Zahlix (no bus"},
        {"(note)", "(note)"},   {" (note)", " (note)"},
        {"f(x)", "f(x)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(probe::WindowTitle(c.name), c.title) << c.name;
}

// The first lines of a real smaps_rollup; the Pss_ lines follow the one that counts.
constexpr std::string_view rollup = "55dc11c1b000-7ffd2c826000 ---p 00000000 00:00 0      [rollup]\n"
                                    "Rss:                1628 kB\n"
                                    "Pss:                 287 kB\n"
                                    "Pss_Dirty:           116 kB\n"
                                    "Pss_Anon:            116 kB\n";

TEST(ProbeRollup, ReadsTheLineOfThatNameOnly)
{
    EXPECT_EQ(RollupKiB(rollup, "Pss"), 287);
    EXPECT_EQ(RollupKiB(rollup, "Rss"), 1628);
    EXPECT_EQ(RollupKiB(rollup, "Pss_Anon"), 116);
    // Named lines that only begin with "Pss" do not count, wherever they stand.
    EXPECT_EQ(RollupKiB("Pss_Anon:  5 kB\nPss_File:  6 kB\nPss:  7 kB\n", "Pss"), 7);
    EXPECT_EQ(RollupKiB("Rss:  1 kB\nPss:  0 kB", "Pss"), 0);
}

TEST(ProbeRollup, NothingWithoutAWellFormedLine)
{
    // A process that has ended leaves an empty file.
    EXPECT_EQ(RollupKiB("", "Pss"), std::nullopt);
    EXPECT_EQ(RollupKiB("Rss:  1628 kB\nPss_Anon:  116 kB\n", "Pss"), std::nullopt);
    EXPECT_EQ(RollupKiB(rollup, "Swap"), std::nullopt);
    EXPECT_EQ(RollupKiB("Pss:\n", "Pss"), std::nullopt);
    EXPECT_EQ(RollupKiB("Pss:  12 MB\n", "Pss"), std::nullopt);
    EXPECT_EQ(RollupKiB("Pss:  x kB\n", "Pss"), std::nullopt);
}

TEST(ProbeSummary, MedianOfOddAndEvenCounts)
{
    const probe::Summary odd = Summarize({30, 10, 20, 50, 40});
    EXPECT_DOUBLE_EQ(odd.median, 30);
    EXPECT_DOUBLE_EQ(odd.min, 10);
    EXPECT_DOUBLE_EQ(odd.max, 50);
    const probe::Summary even = Summarize({4, 1, 3, 2});
    EXPECT_DOUBLE_EQ(even.median, 2.5);
    EXPECT_DOUBLE_EQ(even.min, 1);
    EXPECT_DOUBLE_EQ(even.max, 4);
    const probe::Summary one = Summarize({7.5});
    EXPECT_DOUBLE_EQ(one.median, 7.5);
    EXPECT_DOUBLE_EQ(one.min, 7.5);
    EXPECT_DOUBLE_EQ(one.max, 7.5);
}

TEST(ProbeSummary, OneOutlierDoesNotMoveTheMedianFar)
{
    // A cold first start, many times the others, is what the median is there to ignore.
    const probe::Summary summary = Summarize({900, 20, 21, 19, 22, 20, 21});
    EXPECT_DOUBLE_EQ(summary.median, 21);
    EXPECT_DOUBLE_EQ(summary.max, 900);
}

} // namespace
