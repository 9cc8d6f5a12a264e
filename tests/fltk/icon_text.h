// The icon's picture as its text keeps it (resources/zahlix_icon.txt): 32 rows of 32 letters,
// '.' transparent, N navy, R red, G green. What the tests compare the window icon with.
#ifndef ZAHLIX_TESTS_FLTK_ICON_TEXT_H
#define ZAHLIX_TESTS_FLTK_ICON_TEXT_H

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

inline std::vector<std::string> ReadIconText()
{
    std::ifstream text(ZAHLIX_ICON_TEXT);
    std::vector<std::string> rows;
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line[0] != '#')
            rows.push_back(line);
    }
    return rows;
}

// The colour of a letter as 0xAARRGGBB; nothing for a letter the picture does not use.
inline std::optional<std::uint32_t> IconLetterArgb(char letter)
{
    switch (letter) {
    case '.':
        return 0;
    case 'N':
        return 0xFF000080U;
    case 'R':
        return 0xFFFF0000U;
    case 'G':
        return 0xFF008000U;
    default:
        return std::nullopt;
    }
}

#endif
