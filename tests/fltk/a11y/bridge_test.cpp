// The bridge's objects on the stand-in's dialog, without a bus and with a host that edits the
// model directly: what the black-box test cannot reach, the exact parts that the text events
// carry, and the calls that come after the dialog has ended.
#include <gtest/gtest.h>

#include "dialog/converter_dialog.h"
#include "dialog/resource.h"
#include "platform/fltk/a11y/bridge/events.h"
#include "platform/fltk/a11y/bridge/nodes.h"
#include "platform/standin/codepage.h"
#include "platform/standin/edit.h"
#include "platform/standin/window.h"

#include <string>
#include <vector>

namespace {

bool ReplaceInModel(HWND edit, std::size_t start, std::size_t end, std::string_view utf8)
{
    SetFocus(edit);
    standin::ReplaceRange(edit, start, end, standin::Utf8ToAnsi(utf8));
    standin::DispatchPostedMessages();
    return true;
}

a11yabi::Host ModelHost(HWND dialog)
{
    a11yabi::Host host;
    host.dialog = dialog;
    host.Focused = GetFocus;
    host.ToUtf8 = standin::AnsiToUtf8;
    host.FromUtf8 = standin::Utf8ToAnsi;
    host.Extents = [](HWND w, bool, a11yabi::Rect *out) {
        *out = {w->x, w->y, w->cx, w->cy};
        return true;
    };
    host.Showing = [](HWND) { return true; };
    host.Active = [] { return true; };
    host.Focus = [](HWND c) { return SetFocus(c) != nullptr || GetFocus() == c; };
    host.Replace = ReplaceInModel;
    host.Selection = [](HWND e, std::size_t *s, std::size_t *end) {
        *s = e->selStart;
        *end = e->selEnd;
    };
    host.Select = [](HWND e, std::size_t s, std::size_t end) {
        e->selStart = s;
        e->selEnd = end;
        return true;
    };
    host.CharacterExtents = [](HWND, std::size_t, bool, a11yabi::Rect *) { return false; };
    host.Copy = [](std::string_view) {};
    host.Paste = [](HWND, std::size_t) { return false; };
    return host;
}

// The dialog and its objects, once for the process: the bridge's tree is the process's own.
struct Published {
    HWND dialog;
    a11yabi::Host host;
    a11yabi::Bridge bridge;
};

Published &Publish()
{
    static Published published = [] {
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONVERTER), nullptr,
                                         ConverterDlgProc, 0);
        return Published{dialog, ModelHost(dialog), {}};
    }();
    if (a11y::TheTree().host == nullptr) {
        a11y::TheTree().host = &published.host;
        a11y::BuildTree();
    }
    a11y::ConnectEvents(&published.bridge);
    return published;
}

struct TextEvent {
    int position;
    int length;
    std::string text;
    bool operator==(const TextEvent &) const = default;
};

// The signal's handler type fixes the parameters' types.
// NOLINTNEXTLINE(readability-non-const-parameter)
void Record(AtkObject * /*node*/, gint position, gint length, gchar *text, gpointer events)
{
    static_cast<std::vector<TextEvent> *>(events)->push_back({position, length, text});
}

TEST(AccessibleField, TextEventsCarryTheChangedPartInCharacters)
{
    Published &p = Publish();
    HWND hex = GetDlgItem(p.dialog, IDC_HEX);
    AtkObject *node = a11y::NodeOf(hex);
    std::vector<TextEvent> removed;
    std::vector<TextEvent> inserted;
    g_signal_connect(node, "text-remove", G_CALLBACK(Record), &removed);
    g_signal_connect(node, "text-insert", G_CALLBACK(Record), &inserted);
    struct Case {
        std::string before, after;
        std::vector<TextEvent> removed, inserted;
    };
    const Case cases[] = {
        {"12", "123", {}, {{2, 1, "3"}}},
        {"FF", "F", {{1, 1, "F"}}, {}},
        {"255", "5", {{0, 2, "25"}}, {}},
        {"10", "01", {{0, 2, "10"}}, {{0, 2, "01"}}},
        // The euro sign (0x80 in the code page) is one character and three bytes of UTF-8.
        {"a\200", "a\200b", {}, {{2, 1, "b"}}},
        {"\2001", "\20021", {}, {{1, 1, "2"}}},
        {"\200", "", {{0, 1, "\u20ac"}}, {}},
        {"7", "7", {}, {}},
    };
    for (const Case &c : cases) {
        removed.clear();
        inserted.clear();
        hex->text = c.after;
        p.bridge.TextChanged(hex, c.before);
        EXPECT_EQ(removed, c.removed) << "from \"" << c.before << "\" to \"" << c.after << "\"";
        EXPECT_EQ(inserted, c.inserted) << "from \"" << c.before << "\" to \"" << c.after << "\"";
    }
}

TEST(AccessibleField, NamedByTheLabelOnItsRow)
{
    Published &p = Publish();
    for (const auto &[field, name] : {std::pair{IDC_DEC, "DEC:"}, {IDC_HEX, "HEX:"}, {IDC_BIN, "BIN:"}})
        EXPECT_STREQ(atk_object_get_name(a11y::NodeOf(GetDlgItem(p.dialog, field))), name);
    const std::pair<const char *, const char *> mnemonics[] = {
        {"&Undo", "Undo"}, {"Select &All", "Select All"}, {"a&&b", "a&b"}, {"end&", "end"}, {"", ""}};
    for (const auto &[text, plain] : mnemonics)
        EXPECT_EQ(a11y::WithoutMnemonic(text), plain) << text;
}

// Once the dialog has ended, every call is refused and changes nothing.
TEST(AccessibleField, EveryCallOnAnEndedDialogIsRefused)
{
    Published &p = Publish();
    HWND dec = GetDlgItem(p.dialog, IDC_DEC);
    AtkObject *field = a11y::NodeOf(dec);
    AtkObject *dialog = a11y::NodeOf(p.dialog);
    atk_editable_text_set_text_contents(ATK_EDITABLE_TEXT(field), "12");
    ASSERT_EQ(dec->text, "12") << "an edit before the end";
    p.bridge.Ending();

    gchar *text = atk_text_get_text(ATK_TEXT(field), 0, -1);
    EXPECT_STREQ(text, "");
    g_free(text);
    EXPECT_EQ(atk_text_get_character_count(ATK_TEXT(field)), -1);
    EXPECT_EQ(atk_text_get_caret_offset(ATK_TEXT(field)), -1);
    EXPECT_FALSE(atk_text_set_caret_offset(ATK_TEXT(field), 1));
    EXPECT_FALSE(atk_component_grab_focus(ATK_COMPONENT(field)));
    gint x = 0;
    gint y = 0;
    gint w = 0;
    gint h = 0;
    atk_component_get_extents(ATK_COMPONENT(field), &x, &y, &w, &h, ATK_XY_SCREEN);
    EXPECT_EQ(std::vector({x, y, w, h}), std::vector({-1, -1, -1, -1}));
    atk_editable_text_set_text_contents(ATK_EDITABLE_TEXT(field), "99");
    gint position = 0;
    atk_editable_text_insert_text(ATK_EDITABLE_TEXT(field), "9", 1, &position);
    atk_editable_text_delete_text(ATK_EDITABLE_TEXT(field), 0, -1);
    EXPECT_EQ(dec->text, "12");
    EXPECT_EQ(atk_object_get_n_accessible_children(dialog), 0);
    EXPECT_EQ(atk_object_ref_accessible_child(dialog, 0), nullptr);
    EXPECT_EQ(atk_object_get_n_accessible_children(a11y::TheTree().application), 0);
    for (AtkObject *node : {field, dialog}) {
        AtkStateSet *states = atk_object_ref_state_set(node);
        EXPECT_TRUE(atk_state_set_contains_state(states, ATK_STATE_DEFUNCT));
        EXPECT_FALSE(atk_state_set_contains_state(states, ATK_STATE_SHOWING));
        g_object_unref(states);
    }
}

} // namespace
