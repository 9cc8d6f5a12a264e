// The edit control's context menu. FL_INTERNALS declares the window through which FLTK owns
// the clipboard.
#define FL_INTERNALS
#include "platform/fltk/edit_menu.h"

#include "platform/fltk/x11/x_property.h"

#include "platform/fltk/a11y/accessibility.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <poll.h>
#include <vector>

namespace fltkhost {

namespace {

// Whether the clipboard holds text: its owner lists a text type among its targets. FLTK's own
// check reads X events off the queue and drops those that are not its answer, and waits for
// an owner that never answers; this one takes only its answer, and waits at most 200 ms.
bool ClipboardHoldsText()
{
    Display *display = fl_display;
    Fl_Window *window = Fl::first_window();
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Window owner = XGetSelectionOwner(display, clipboard);
    if (owner == None || window == nullptr || !window->shown())
        return false;
    if (owner == fl_message_window) // this program copied it, and it copies text only
        return true;
    const Atom targets = XInternAtom(display, "TARGETS", False);
    const Atom property = XInternAtom(display, "ZAHLIX_CLIPBOARD_TARGETS", False);
    const Window requestor = fl_xid(window);
    XConvertSelection(display, clipboard, targets, property, requestor, CurrentTime);
    XFlush(display);

    struct Match {
        Window requestor;
        Atom targets;
        Atom property;
    } match{requestor, targets, property};
    // Xlib's predicate type fixes the parameters' types.
    // NOLINTNEXTLINE(readability-non-const-parameter)
    const auto isAnswer = [](Display *, XEvent *event, XPointer data) -> Bool {
        const auto *m = reinterpret_cast<const Match *>(data);
        const XSelectionEvent &answer = event->xselection;
        return event->type == SelectionNotify && answer.requestor == m->requestor && answer.target == m->targets &&
               (answer.property == m->property || answer.property == None);
    };
    XEvent event{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (XCheckIfEvent(display, &event, isAnswer, reinterpret_cast<XPointer>(&match)) == False) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
        XEventsQueued(display, QueuedAfterReading);
    }
    if (event.xselection.property == None)
        return false;

    const Atom kinds[] = {XInternAtom(display, "UTF8_STRING", False), XA_STRING, XInternAtom(display, "TEXT", False),
                          XInternAtom(display, "text/plain;charset=utf-8", False),
                          XInternAtom(display, "text/plain", False)};
    const std::vector<unsigned long> offered = ListProperty(display, requestor, property, XA_ATOM, true);
    return std::find_first_of(offered.begin(), offered.end(), std::begin(kinds), std::end(kinds)) != offered.end();
}

// FLTK keeps the item that its menu highlights to itself, but it draws that item's label in the
// selection's contrast colour, and only while it is highlighted: the labels of the open menu are
// drawn here, as FLTK's own plain labels are, and their colour tells which item is highlighted.
// The news goes out once the menu window is drawn, so that a move is one change, not a step
// through "none".
constexpr auto kItemLabel = static_cast<Fl_Labeltype>(FL_FREE_LABELTYPE);
const Fl_Menu_Item *g_openItems; // while the menu is open
int g_drawnHighlight = -1;       // as the last drawing showed it
int g_toldHighlight = -1;        // as the bridge last heard it

void TellHighlight(void * /*data*/)
{
    Fl::remove_idle(TellHighlight);
    if (g_openItems != nullptr && g_drawnHighlight != g_toldHighlight) {
        g_toldHighlight = g_drawnHighlight;
        AccessibleMenuHighlighted(g_toldHighlight);
    }
}

void DrawItemLabel(const Fl_Label *label, int x, int y, int w, int h, Fl_Align align)
{
    fl_font(label->font, label->size);
    fl_color(label->color);
    fl_draw(label->value, x, y, w, h, align, label->image);
    if (g_openItems == nullptr)
        return;
    int index = 0;
    const Fl_Menu_Item *item = g_openItems;
    while (item->label() != nullptr && item->label() != label->value) {
        item = item->next();
        ++index;
    }
    if (item->label() == nullptr)
        return;
    const Fl_Color plain = item->active() != 0 ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR);
    const bool highlighted = label->color != plain;
    if (highlighted)
        g_drawnHighlight = index;
    else if (g_drawnHighlight == index)
        g_drawnHighlight = -1;
    // FLTK's loop runs an idle callback before it waits again.
    if (Fl::has_idle(TellHighlight) == 0)
        Fl::add_idle(TellHighlight);
}

void MeasureItemLabel(const Fl_Label *label, int &w, int &h)
{
    fl_font(label->font, label->size);
    fl_measure(label->value, w, h);
}

enum Command : long { kUndo, kCut, kCopy, kPaste, kDelete, kSelectAll };

void Carry(Command command, HWND control, Fl_Input &input)
{
    switch (command) {
    case kUndo:
        SendMessageA(control, EM_UNDO, 0, 0);
        break;
    case kCut:
        input.copy(1);
        input.cut();
        break;
    case kCopy:
        input.copy(1);
        break;
    case kPaste:
        // The text arrives as a paste event, which the input handles as Ctrl+V's.
        Fl::paste(input, 1);
        break;
    case kDelete:
        input.cut();
        break;
    case kSelectAll:
        input.position(input.size(), 0);
        break;
    }
}

} // namespace

EditMenuState EditMenuStateOf(HWND control, Fl_Input &input)
{
    const int low = std::min(input.position(), input.mark());
    const int high = std::max(input.position(), input.mark());
    return {
        .undo = SendMessageA(control, EM_CANUNDO, 0, 0) != 0,
        .selection = low != high,
        .paste = ClipboardHoldsText(),
        .selectAll = input.size() > 0 && (low != 0 || high != input.size()),
    };
}

void ShowEditMenu(HWND control, Fl_Input &input, int x, int y)
{
    const EditMenuState state = EditMenuStateOf(control, input);
    const Fl_Font font = input.textfont();
    const Fl_Fontsize size = input.textsize();
    const auto item = [&](const char *label, Command command, bool enabled, int divider = 0) {
        return Fl_Menu_Item{label,
                            0,
                            nullptr,
                            reinterpret_cast<void *>(command),
                            (enabled ? 0 : FL_MENU_INACTIVE) | divider,
                            static_cast<uchar>(kItemLabel),
                            font,
                            size,
                            FL_FOREGROUND_COLOR};
    };
    // The labels and the separators (after Undo and after Delete) of Windows' edit control in
    // English; '&' underlines the letter that chooses an item.
    const Fl_Menu_Item items[] = {
        item("&Undo", kUndo, state.undo, FL_MENU_DIVIDER),
        item("Cu&t", kCut, state.selection),
        item("&Copy", kCopy, state.selection),
        item("&Paste", kPaste, state.paste),
        item("&Delete", kDelete, state.selection, FL_MENU_DIVIDER),
        item("Select &All", kSelectAll, state.selectAll),
        Fl_Menu_Item{nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    };
    Fl::set_labeltype(kItemLabel, DrawItemLabel, MeasureItemLabel);
    AccessibleMenuOpened(control, items, x, y);
    g_openItems = items;
    g_drawnHighlight = -1;
    g_toldHighlight = -1;
    const Fl_Menu_Item *chosen = items->popup(x, y);
    g_openItems = nullptr;
    Fl::remove_idle(TellHighlight);
    AccessibleMenuClosed();
    if (chosen != nullptr)
        Carry(static_cast<Command>(chosen->argument()), control, input);
}

} // namespace fltkhost
