// The accessible objects of the bridge: one small GObject type per kind of node, all sharing one
// instance layout. Each node reads the dialog manager's window model when asked; none keeps a
// copy of a text, a style or a state.
#ifndef ZAHLIX_PLATFORM_FLTK_A11Y_BRIDGE_NODES_H
#define ZAHLIX_PLATFORM_FLTK_A11Y_BRIDGE_NODES_H

#include "platform/fltk/a11y/bridge/bridge_abi.h"
#include "platform/standin/window.h"

#include <atk/atk.h>

#include <string>
#include <vector>

namespace a11y {

enum class NodeKind { Application, Dialog, Control, Field, MenuWindow, Menu, MenuItem };

struct NodeData {
    NodeKind kind = NodeKind::Control;
    HWND hwnd = nullptr; // the dialog or control it stands for; none for the others
    int index = 0;       // in its parent
    bool defunct = false;
    std::vector<AtkObject *> children;
    std::string name; // kept while a caller may hold the pointer that get_name returned
    a11yabi::MenuItem item;
};

struct Node {
    AtkObject parent;
    NodeData *data;
};

struct NodeClass {
    AtkObjectClass parent;
};

GType NodeType();
GType ApplicationType();
GType DialogType();
GType ControlType();
GType FieldType();
GType MenuWindowType();
GType MenuType();
GType MenuItemType();

// A new node of the type that stands for `kind`, a child of `parent` at `index`.
AtkObject *NewNode(NodeKind kind, HWND hwnd, AtkObject *parent, int index);
NodeData &DataOf(AtkObject *object);

// The bridge's state, one per process: the tree and what the host gave it.
struct Tree {
    const a11yabi::Host *host = nullptr;
    AtkObject *application = nullptr;
    AtkObject *dialog = nullptr;
    std::vector<AtkObject *> controls; // in template order
    AtkObject *menuWindow = nullptr;   // the open context menu's window, beside the dialog
    AtkObject *menu = nullptr;         // the open context menu in it, if any
    HWND menuOwner = nullptr;
    int menuHighlight = -1; // the item the open menu shows highlighted, or -1
    HWND focus = nullptr;
    // The program has the keyboard: the open menu's window, else the dialog, is the active window.
    bool active = false;
    bool ended = false; // every node is defunct
};
Tree &TheTree();

// Builds the tree from the host's dialog: the application, the dialog, and one node per control
// in template order, fields related to the labels that name them.
void BuildTree();

// The node that has the keyboard: the open menu's highlighted item, else the open menu, else the
// focused control's node; nullptr when none.
AtkObject *FocusNode();

// The node of a control, or nullptr.
AtkObject *NodeOf(HWND control);

// Whether a node may be used: it is not defunct, and the dialog has not ended (the application
// outlives it).
bool Alive(AtkObject *object);

// The text of a static control or button as a name: the '&' of a mnemonic removed ("&&" is
// one '&').
std::string WithoutMnemonic(std::string_view text);

// The static text that names an edit field: on the field's row (its middle within the field's
// height), wholly to its left, the nearest one.
HWND LabelOf(HWND field);

// The interfaces, each in the file of the kind that implements it.
void InitComponent(AtkComponentIface *iface);
void InitText(AtkTextIface *iface);
void InitEditableText(AtkEditableTextIface *iface);

} // namespace a11y

#endif
