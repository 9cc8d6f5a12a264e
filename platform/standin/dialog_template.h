// Reading the compiled resources: resource entries of a .res file, and the classic dialog
// template (DLGTEMPLATE with its DLGITEMTEMPLATE items). Malformed input is rejected with a
// reason; nothing is read past the end of the bytes given.
#ifndef ZAHLIX_PLATFORM_STANDIN_DIALOG_TEMPLATE_H
#define ZAHLIX_PLATFORM_STANDIN_DIALOG_TEMPLATE_H

#include "platform/win32.h"

#include <cstddef>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace standin {

inline constexpr WORD kResourceTypeDialog = 5;

struct Resource {
    WORD type = 0; // ordinal types only; named types are skipped
    WORD name = 0; // ordinal names only
    WORD language = 0;
    std::span<const std::byte> data;
};

// Names and classes in a template are either an ordinal or a string; an ordinal class is one of
// the predefined ones (0x80 Button, 0x81 Edit, 0x82 Static, ...).
struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
    std::string className; // predefined ordinals are given their names
    std::string text;      // an ordinal text (a resource reference) is "#N"
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;      // empty for none, "#N" for an ordinal
    std::string className; // empty for the default dialog class
    std::string caption;
    WORD pointSize = 0; // with DS_SETFONT only
    std::string fontName;
    std::vector<DialogItem> items;
};

// Either the parsed value or why the bytes were rejected.
template <typename T> using Parsed = std::variant<T, std::string>;

// The entries of a compiled resource file, in file order.
Parsed<std::vector<Resource>> ParseResourceFile(std::span<const std::byte> bytes);

// A classic dialog template. Texts are converted from UTF-16 to the ANSI code page (1252).
Parsed<DialogTemplate> ParseDialogTemplate(std::span<const std::byte> bytes);

} // namespace standin

#endif
