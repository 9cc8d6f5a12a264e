// The start-up probe's arithmetic and parsing, kept apart from its X and process handling so that
// tests can check it: a command split into arguments, a line of /proc/PID/smaps_rollup, and
// the median, minimum and maximum of a program's samples.
#pragma once

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
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
