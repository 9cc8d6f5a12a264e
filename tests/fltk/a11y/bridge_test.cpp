// The bridge's objects on the stand-in's dialog, without a bus and with a host that edits the
// model directly: what the black-box test cannot reach, the exact parts that the text events
// carry, and the calls that come after the dialog has ended.
#include <gtest/gtest.h>

#include "dialog/converter_dialog.h"
#include "dialog/resource.h"
#include "platform/fltk/a11y/bridge/events.h"
#include "platform/fltk/a11y/bridge/keys.h"
#include "platform/fltk/a11y/bridge/nodes.h"
#include "platform/standin/codepage.h"
#include "platform/standin/edit.h"
#include "platform/standin/window.h"

#include <string>
#include <tuple>
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

using Unit = std::tuple<std::string, int, int>;

Unit Take(gchar *text, gint start, gint end)
{
    Unit unit{text, start, end};
    g_free(text);
    return unit;
}

Unit TextAt(AtkObject *field, int offset, AtkTextBoundary boundary, int step)
{
    gint start = -9;
    gint end = -9;
    AtkText *text = ATK_TEXT(field);
    // The older calls, which a screen reader still makes.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gchar *found = step < 0   ? atk_text_get_text_before_offset(text, offset, boundary, &start, &end)
                   : step > 0 ? atk_text_get_text_after_offset(text, offset, boundary, &start, &end)
                              : atk_text_get_text_at_offset(text, offset, boundary, &start, &end);
    G_GNUC_END_IGNORE_DEPRECATIONS
    return Take(found, start, end);
}

// The older calls, by boundary, read what a screen reader reads a field with: the character, the
// word and the line at, before and after an offset.
TEST(AccessibleField, TextAtBeforeAndAfterAnOffset)
{
    Published &p = Publish();
    HWND hex = GetDlgItem(p.dialog, IDC_HEX);
    AtkObject *field = a11y::NodeOf(hex);
    struct Case {
        std::string text;
        int offset;
        AtkTextBoundary boundary;
        Unit before, at, after;
    };
    const Case cases[] = {
        {"FF", 0, ATK_TEXT_BOUNDARY_CHAR, {"", 0, 0}, {"F", 0, 1}, {"F", 1, 2}},
        {"FF", 1, ATK_TEXT_BOUNDARY_CHAR, {"F", 0, 1}, {"F", 1, 2}, {"", 2, 2}},
        {"FF", 2, ATK_TEXT_BOUNDARY_CHAR, {"F", 1, 2}, {"", 2, 2}, {"", 2, 2}},
        {"FF", 0, ATK_TEXT_BOUNDARY_LINE_START, {"", 0, 0}, {"FF", 0, 2}, {"", 2, 2}},
        // The caret after the last character still stands on the line: a field read on focus.
        {"FF", 2, ATK_TEXT_BOUNDARY_LINE_START, {"", 0, 0}, {"FF", 0, 2}, {"", 2, 2}},
        {"FF", 2, ATK_TEXT_BOUNDARY_LINE_END, {"", 0, 0}, {"FF", 0, 2}, {"", 2, 2}},
        {"FF", 1, ATK_TEXT_BOUNDARY_WORD_START, {"", 0, 0}, {"FF", 0, 2}, {"", 2, 2}},
        {"FF", 2, ATK_TEXT_BOUNDARY_SENTENCE_START, {"", 0, 0}, {"FF", 0, 2}, {"", 2, 2}},
        // Words with spaces: a *_START word takes the spaces after it, a *_END word those before.
        {"12 34", 1, ATK_TEXT_BOUNDARY_WORD_START, {"", 0, 0}, {"12 ", 0, 3}, {"34", 3, 5}},
        {"12 34", 3, ATK_TEXT_BOUNDARY_WORD_START, {"12 ", 0, 3}, {"34", 3, 5}, {"", 5, 5}},
        {"12 34", 2, ATK_TEXT_BOUNDARY_WORD_END, {"", 0, 0}, {"12", 0, 2}, {" 34", 2, 5}},
        {"12 34", 3, ATK_TEXT_BOUNDARY_WORD_END, {"12", 0, 2}, {" 34", 2, 5}, {"", 5, 5}},
        {"", 0, ATK_TEXT_BOUNDARY_CHAR, {"", 0, 0}, {"", 0, 0}, {"", 0, 0}},
        {"", 0, ATK_TEXT_BOUNDARY_LINE_START, {"", 0, 0}, {"", 0, 0}, {"", 0, 0}},
        // Past the text: refused (ATK itself refuses a negative offset).
        {"FF", 3, ATK_TEXT_BOUNDARY_CHAR, {"", -1, -1}, {"", -1, -1}, {"", -1, -1}},
        {"FF", 9, ATK_TEXT_BOUNDARY_LINE_START, {"", -1, -1}, {"", -1, -1}, {"", -1, -1}},
    };
    for (const Case &c : cases) {
        hex->text = c.text;
        const std::string where =
            "\"" + c.text + "\" at " + std::to_string(c.offset) + " by " + std::to_string(static_cast<int>(c.boundary));
        EXPECT_EQ(TextAt(field, c.offset, c.boundary, -1), c.before) << "before, " << where;
        EXPECT_EQ(TextAt(field, c.offset, c.boundary, 0), c.at) << "at, " << where;
        EXPECT_EQ(TextAt(field, c.offset, c.boundary, 1), c.after) << "after, " << where;
    }

    // Without spaces, the older call and the newer one agree at every offset.
    const std::pair<AtkTextBoundary, AtkTextGranularity> same[] = {
        {ATK_TEXT_BOUNDARY_CHAR, ATK_TEXT_GRANULARITY_CHAR},
        {ATK_TEXT_BOUNDARY_WORD_START, ATK_TEXT_GRANULARITY_WORD},
        {ATK_TEXT_BOUNDARY_LINE_START, ATK_TEXT_GRANULARITY_LINE},
    };
    hex->text = "7FFFFFFF";
    for (const auto &[boundary, granularity] : same) {
        for (int offset = 0; offset <= 8; ++offset) {
            gint start = -9;
            gint end = -9;
            gchar *string = atk_text_get_string_at_offset(ATK_TEXT(field), offset, granularity, &start, &end);
            EXPECT_EQ(TextAt(field, offset, boundary, 0), Take(string, start, end))
                << "at " << offset << " by " << static_cast<int>(boundary);
        }
    }
    // One run without attributes over the whole text, which a screen reader splits the line by.
    gint start = -9;
    gint end = -9;
    EXPECT_EQ(atk_text_get_run_attributes(ATK_TEXT(field), 3, &start, &end), nullptr);
    EXPECT_EQ(std::pair(start, end), std::pair(0, 8));
}

struct HeardKey {
    AtkKeyEventStruct event;
    std::string string;
};

// A listener that keeps what it heard and consumes the keys it is told to.
gint Listen(AtkKeyEventStruct *event, gpointer heard)
{
    auto &keys = *static_cast<std::vector<HeardKey> *>(heard);
    keys.push_back({*event, event->string});
    return event->keyval == 0xFF8D ? TRUE : FALSE; // KP_Enter: the screen reader's own key
}

// Every key reaches every listener, as ATK's key event carries it, with the string GTK gives:
// the text of a visible character or of a key with Control, else the keysym's name.
TEST(AccessibleKeys, EveryListenerHearsEachKeyAndOneConsumingItConsumesIt)
{
    auto *util = static_cast<AtkUtilClass *>(g_type_class_ref(ATK_TYPE_UTIL));
    a11y::InitKeyListeners(util, nullptr);
    std::vector<HeardKey> first;
    std::vector<HeardKey> second;
    const guint one = atk_add_key_event_listener(Listen, &first);
    const guint two = atk_add_key_event_listener(Listen, &second);
    ASSERT_NE(one, two);
    struct Case {
        a11yabi::KeyEvent key;
        std::string string;
        bool consumed;
    };
    const Case cases[] = {
        {{true, 0, '2', 11, 100, "2", "2"}, "2", false},
        {{false, 0, '2', 11, 101, "", "2"}, "2", false},
        {{true, 1, 'A', 38, 102, "A", "A"}, "A", false},
        {{true, 0, 0xFF09, 23, 103, "\t", "Tab"}, "Tab", false},
        {{true, 0, ' ', 65, 104, " ", "space"}, "space", false},
        {{true, 4, 'a', 38, 105, "\001", "a"}, "\001", false},
        {{true, 0, 0xFF8D, 104, 106, "\r", "KP_Enter"}, "KP_Enter", true},
        {{true, 0, 0xE9, 47, 107, "\u00e9", "eacute"}, "\u00e9", false},
    };
    for (const Case &c : cases) {
        first.clear();
        second.clear();
        EXPECT_EQ(a11y::DeliverKey(c.key), c.consumed) << c.key.name;
        ASSERT_EQ(first.size(), 1U) << c.key.name;
        ASSERT_EQ(second.size(), 1U) << c.key.name << ": a consumed key still reaches every listener";
        const AtkKeyEventStruct &heard = first.front().event;
        EXPECT_EQ(heard.type, c.key.press ? ATK_KEY_EVENT_PRESS : ATK_KEY_EVENT_RELEASE) << c.key.name;
        EXPECT_EQ(heard.state, c.key.state) << c.key.name;
        EXPECT_EQ(heard.keyval, c.key.keysym) << c.key.name;
        EXPECT_EQ(heard.keycode, c.key.keycode) << c.key.name;
        EXPECT_EQ(heard.timestamp, c.key.timestamp) << c.key.name;
        EXPECT_EQ(first.front().string, c.string) << c.key.name;
        EXPECT_EQ(heard.length, static_cast<gint>(c.string.size())) << c.key.name;
    }
    atk_remove_key_event_listener(one);
    first.clear();
    second.clear();
    EXPECT_TRUE(a11y::DeliverKey({true, 0, 0xFF8D, 104, 108, "\r", "KP_Enter"}));
    EXPECT_TRUE(first.empty()) << "a removed listener hears nothing";
    EXPECT_EQ(second.size(), 1U);
    atk_remove_key_event_listener(two);
    EXPECT_FALSE(a11y::DeliverKey({true, 0, 0xFF8D, 104, 109, "\r", "KP_Enter"})) << "no listener, nothing consumed";
}

struct StateEvent {
    AtkObject *node;
    std::string state;
    bool on;
    bool operator==(const StateEvent &) const = default;
};

// NOLINTNEXTLINE(readability-non-const-parameter)
void RecordState(AtkObject *node, gchar *state, gboolean on, gpointer events)
{
    static_cast<std::vector<StateEvent> *>(events)->push_back({node, state, on != FALSE});
}

bool Has(AtkObject *node, AtkStateType state)
{
    AtkStateSet *states = atk_object_ref_state_set(node);
    const bool has = atk_state_set_contains_state(states, state) != FALSE;
    g_object_unref(states);
    return has;
}

// The menu, in a window of its own that is the active one while it is open, takes the keyboard
// from the field; the highlighted item is focused and selected as it moves; closing gives the
// keyboard back to the field and the activation back to the dialog. Each step says so with state
// changes.
TEST(AccessibleMenu, TheHighlightedItemHasTheKeyboardAndClosingReturnsItToTheField)
{
    Published &p = Publish();
    HWND dec = GetDlgItem(p.dialog, IDC_DEC);
    HWND hex = GetDlgItem(p.dialog, IDC_HEX);
    p.bridge.Activated(true);
    p.bridge.FocusMoved(dec);
    AtkObject *field = a11y::NodeOf(dec);
    std::vector<StateEvent> events;
    const auto watch = [&events](AtkObject *node) {
        g_signal_connect(node, "state-change", G_CALLBACK(RecordState), &events);
    };
    watch(field);
    AtkObject *dialog = a11y::TheTree().dialog;
    watch(dialog);
    p.bridge.MenuOpened(dec, {{"", true, {}}, {"&Undo", false, {}}, {"Cu&t", true, {}}, {"&Copy", true, {}}});
    AtkObject *window = a11y::TheTree().menuWindow;
    AtkObject *menu = a11y::TheTree().menu;
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(atk_object_get_role(window), ATK_ROLE_WINDOW);
    EXPECT_EQ(atk_object_get_parent(window), a11y::TheTree().application);
    EXPECT_EQ(atk_object_get_parent(menu), window);
    EXPECT_TRUE(Has(window, ATK_STATE_ACTIVE) && !Has(dialog, ATK_STATE_ACTIVE)) << "the menu's window is active";
    EXPECT_EQ(events, (std::vector<StateEvent>{{dialog, "active", false}, {field, "focused", false}}));
    const std::vector<AtkObject *> items = a11y::DataOf(menu).children;
    ASSERT_EQ(items.size(), 3U);
    watch(menu);
    for (AtkObject *item : items)
        watch(item);
    EXPECT_TRUE(Has(menu, ATK_STATE_FOCUSED)) << "the menu has the keyboard as it opens";
    EXPECT_FALSE(Has(field, ATK_STATE_FOCUSED));

    struct Step {
        int highlight;
        std::vector<StateEvent> events;
    };
    const Step steps[] = {
        {1, {{menu, "focused", false}, {items[1], "selected", true}, {items[1], "focused", true}}},
        {2,
         {{items[1], "selected", false},
          {items[1], "focused", false},
          {items[2], "selected", true},
          {items[2], "focused", true}}},
        {2, {}},
        {-1, {{items[2], "selected", false}, {items[2], "focused", false}, {menu, "focused", true}}},
        {0, {{menu, "focused", false}, {items[0], "selected", true}, {items[0], "focused", true}}},
        {7, {{items[0], "selected", false}, {items[0], "focused", false}, {menu, "focused", true}}},
    };
    for (const Step &step : steps) {
        events.clear();
        p.bridge.MenuHighlighted(step.highlight);
        EXPECT_EQ(events, step.events) << "highlight " << step.highlight;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const bool on = static_cast<int>(i) == step.highlight;
            EXPECT_EQ(Has(items[i], ATK_STATE_FOCUSED), on) << "item " << i << ", highlight " << step.highlight;
            EXPECT_EQ(Has(items[i], ATK_STATE_SELECTED), on) << "item " << i << ", highlight " << step.highlight;
        }
    }
    // The focus that the dialog manager moves meanwhile is announced when the menu closes.
    p.bridge.MenuHighlighted(1);
    SetFocus(hex);
    p.bridge.FocusMoved(hex);
    events.clear();
    watch(a11y::NodeOf(hex));
    watch(window);
    p.bridge.MenuClosed();
    const std::vector<StateEvent> closing{{items[1], "focused", false},
                                          {window, "active", false},
                                          {a11y::NodeOf(hex), "focused", true},
                                          {dialog, "active", true}};
    std::vector<StateEvent> focusEvents;
    for (const StateEvent &e : events) {
        if (e.state == "focused" || e.state == "active")
            focusEvents.push_back(e);
    }
    EXPECT_EQ(focusEvents, closing);
    EXPECT_EQ(a11y::TheTree().menu, nullptr);
    EXPECT_EQ(a11y::TheTree().menuWindow, nullptr);
    EXPECT_TRUE(Has(dialog, ATK_STATE_ACTIVE));
    EXPECT_TRUE(Has(a11y::NodeOf(hex), ATK_STATE_FOCUSED));
    EXPECT_FALSE(Has(field, ATK_STATE_FOCUSED));
}

// Only the field with the keyboard reports a selection and caret events: braille follows them.
TEST(AccessibleField, OnlyTheFocusedFieldReportsItsSelection)
{
    Published &p = Publish();
    HWND dec = GetDlgItem(p.dialog, IDC_DEC);
    HWND hex = GetDlgItem(p.dialog, IDC_HEX);
    SetFocus(dec);
    p.bridge.FocusMoved(dec);
    hex->text = "FF";
    hex->selStart = 0;
    hex->selEnd = 2;
    dec->text = "255";
    dec->selStart = 1;
    dec->selEnd = 3;
    int caretEvents = 0;
    const auto count = +[](AtkObject *, gint, gpointer n) { ++*static_cast<int *>(n); };
    g_signal_connect(a11y::NodeOf(hex), "text-caret-moved", G_CALLBACK(count), &caretEvents);
    g_signal_connect(a11y::NodeOf(dec), "text-caret-moved", G_CALLBACK(count), &caretEvents);
    p.bridge.CaretMoved(hex);
    EXPECT_EQ(caretEvents, 0) << "no caret event from HEX without the keyboard";
    EXPECT_EQ(atk_text_get_n_selections(ATK_TEXT(a11y::NodeOf(hex))), 0);
    EXPECT_EQ(atk_text_get_n_selections(ATK_TEXT(a11y::NodeOf(dec))), 1);
    p.bridge.CaretMoved(dec);
    EXPECT_EQ(caretEvents, 1);
    SetFocus(hex);
    p.bridge.FocusMoved(hex);
    EXPECT_EQ(caretEvents, 2) << "HEX tells its caret when it gets the keyboard";
    EXPECT_EQ(atk_text_get_n_selections(ATK_TEXT(a11y::NodeOf(hex))), 1);
    EXPECT_EQ(atk_text_get_n_selections(ATK_TEXT(a11y::NodeOf(dec))), 0);
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
