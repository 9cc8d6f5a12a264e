// The start-up probe's arithmetic and parsing, kept apart from its X and process handling so that
// tests can check it: a command split into arguments and environment, a program's window title,
// a line of /proc/PID/smaps_rollup, and
// the median, minimum and maximum of a program's samples.
#pragma once

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace probe {

// The arguments of a command given as one word: split at blanks and tabs, no quoting.
inline std::vector<std::string> SplitCommand(std::string_view command)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < command.size()) {
        const std::size_t start = command.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        std::size_t end = command.find_first_of(" \t", start);
        if (end == std::string_view::npos)
            end = command.size();
        words.emplace_back(command.substr(start, end - start));
        at = end;
    }
    return words;
}

// A command's leading NAME=VALUE words, as a shell takes them: set in the program's environment
// (an empty VALUE sets the variable empty), apart from the program and its arguments.
struct Command {
    std::vector<std::pair<std::string, std::string>> environment;
    std::vector<std::string> argv;
};

inline Command ParseCommand(std::string_view text)
{
    const auto isName = [](std::string_view name) {
        const auto letter = [](char c) { return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
        return !name.empty() && letter(name.front()) &&
               std::all_of(name.begin(), name.end(), [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
    };
    Command command;
    for (std::string &word : SplitCommand(text)) {
        const std::size_t equals = word.find('=');
        if (command.argv.empty() && equals != std::string::npos && isName(std::string_view(word).substr(0, equals)))
            command.environment.emplace_back(word.substr(0, equals), word.substr(equals + 1));
        else
            command.argv.push_back(std::move(word));
    }
    return command;
}

// The title of a program's window, from the name the program is given: a note in parentheses at
// its end tells programs of one title apart ("Zahlix (no bus)" waits for a window "Zahlix").
inline std::string_view WindowTitle(std::string_view name)
{
    const std::size_t note = name.rfind(" (");
    if (!name.ends_with(')') || note == std::string_view::npos || note == 0)
        return name;
    return name.substr(0, note);
}

// A size in KiB from the text of /proc/PID/smaps_rollup: the value of the line named exactly NAME
// ("Pss" is not Pss_Anon, Pss_File and the like). Nothing when there is no such line.
inline std::optional<long> RollupKiB(std::string_view rollup, std::string_view field)
{
    const std::string name = std::string(field) + ':';
    std::size_t at = 0;
    while (at < rollup.size()) {
        std::size_t end = rollup.find('\n', at);
        if (end == std::string_view::npos)
            end = rollup.size();
        const std::string_view line = rollup.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with(name))
            continue;
        const std::size_t digits = line.find_first_not_of(' ', name.size());
        if (digits == std::string_view::npos)
            return std::nullopt;
        long kib = 0;
        const auto [rest, error] = std::from_chars(line.data() + digits, line.data() + line.size(), kib);
        if (error != std::errc{} || std::string_view(rest, line.data() + line.size()) != " kB")
            return std::nullopt;
        return kib;
    }
    return std::nullopt;
}

struct Summary {
    double median = 0;
    double min = 0;
    double max = 0;
};

// The median (the mean of the middle two for an even count), minimum and maximum; the samples
// must not be empty.
inline Summary Summarize(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    const double median = samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
    return {median, samples.front(), samples.back()};
}

} // namespace probe
