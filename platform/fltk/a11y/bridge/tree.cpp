// The tree of accessible objects, built once from the dialog's window tree.
#include "platform/fltk/a11y/bridge/nodes.h"

namespace a11y {

Tree &TheTree()
{
    static Tree tree;
    return tree;
}

AtkObject *NodeOf(HWND control)
{
    const Tree &tree = TheTree();
    if (control == nullptr)
        return nullptr;
    if (control == tree.host->dialog)
        return tree.dialog;
    for (AtkObject *node : tree.controls) {
        if (DataOf(node).hwnd == control)
            return node;
    }
    return nullptr;
}

AtkObject *FocusNode()
{
    const Tree &tree = TheTree();
    if (tree.menu == nullptr)
        return NodeOf(tree.focus);
    const auto &items = DataOf(tree.menu).children;
    if (tree.menuHighlight >= 0 && static_cast<std::size_t>(tree.menuHighlight) < items.size())
        return items[static_cast<std::size_t>(tree.menuHighlight)];
    return tree.menu;
}

// Controls in template order, fields with their relations to the labels that name them.
void BuildTree()
{
    Tree &tree = TheTree();
    tree.application = NewNode(NodeKind::Application, nullptr, nullptr, 0);
    tree.dialog = NewNode(NodeKind::Dialog, tree.host->dialog, tree.application, 0);
    DataOf(tree.application).children.push_back(tree.dialog);
    int index = 0;
    for (const auto &child : tree.host->dialog->children) {
        const NodeKind kind = child->kind == WindowKind::Edit ? NodeKind::Field : NodeKind::Control;
        tree.controls.push_back(NewNode(kind, child.get(), tree.dialog, index++));
    }
    DataOf(tree.dialog).children = tree.controls;
    for (AtkObject *node : tree.controls) {
        const NodeData &data = DataOf(node);
        if (data.kind != NodeKind::Field)
            continue;
        if (AtkObject *label = NodeOf(LabelOf(data.hwnd))) {
            atk_object_add_relationship(node, ATK_RELATION_LABELLED_BY, label);
            atk_object_add_relationship(label, ATK_RELATION_LABEL_FOR, node);
        }
    }
}

} // namespace a11y
