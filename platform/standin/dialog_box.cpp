// Dialogs: created from the classic template in a module's resources, run modally, destroyed.
#include "platform/standin/dialog_template.h"
#include "platform/standin/module.h"
#include "platform/standin/standin.h"
#include "platform/standin/window.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace {

std::deque<HINSTANCE__> g_modules; // stable addresses: handles point into it

WindowKind KindOfClass(const std::string &className)
{
    std::string lower(className);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c | 0x20U); });
    if (lower == "edit")
        return WindowKind::Edit;
    if (lower == "button")
        return WindowKind::Button;
    if (lower == "static")
        return WindowKind::Static;
    return WindowKind::Other;
}

// Finds and parses the dialog template; on failure, says why on standard error.
std::optional<standin::DialogTemplate> LoadDialogTemplate(HINSTANCE hInstance, LPCSTR name)
{
    if (hInstance == nullptr || !IS_INTRESOURCE(name)) {
        std::fputs("zahlix: the dialog template must be named by an ordinal in a loaded module\n", stderr);
        return std::nullopt;
    }
    const WORD id = LOWORD(reinterpret_cast<UINT_PTR>(name));
    auto resources = standin::ParseResourceFile(hInstance->resources);
    if (const auto *error = std::get_if<std::string>(&resources)) {
        std::fprintf(stderr, "zahlix: the resources are malformed: %s\n", error->c_str());
        return std::nullopt;
    }
    for (const auto &resource : std::get<std::vector<standin::Resource>>(resources)) {
        if (resource.type != standin::kResourceTypeDialog || resource.name != id)
            continue;
        auto dialog = standin::ParseDialogTemplate(resource.data);
        if (const auto *error = std::get_if<std::string>(&dialog)) {
            std::fprintf(stderr, "zahlix: dialog template %u is malformed: %s\n", id, error->c_str());
            return std::nullopt;
        }
        return std::get<standin::DialogTemplate>(std::move(dialog));
    }
    std::fprintf(stderr, "zahlix: the resources hold no dialog template %u\n", id);
    return std::nullopt;
}

std::unique_ptr<HWND__> CreateControl(HWND hDlg, const standin::DialogItem &item)
{
    auto control = std::make_unique<HWND__>();
    control->parent = hDlg;
    control->kind = KindOfClass(item.className);
    control->className = item.className;
    control->text = item.text;
    control->style = item.style;
    control->exStyle = item.exStyle;
    control->id = item.id;
    control->x = item.x;
    control->y = item.y;
    control->cx = item.cx;
    control->cy = item.cy;
    return control;
}

} // namespace

namespace standin {

HINSTANCE LoadModule(std::span<const std::byte> resources)
{
    return &g_modules.emplace_back(HINSTANCE__{resources});
}

} // namespace standin

HINSTANCE GetModuleHandleA(LPCSTR lpModuleName)
{
    static HINSTANCE program = standin::LoadModule(standin::ProgramResources());
    return lpModuleName == nullptr ? program : nullptr;
}

HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    auto dialogTemplate = LoadDialogTemplate(hInstance, lpTemplateName);
    if (!dialogTemplate || lpDialogFunc == nullptr)
        return nullptr;

    auto dialog = std::make_unique<HWND__>();
    HWND hDlg = dialog.get();
    hDlg->parent = standin::LiveWindow(hWndParent);
    hDlg->kind = WindowKind::Dialog;
    hDlg->className = dialogTemplate->className.empty() ? "#32770" : dialogTemplate->className;
    hDlg->text = dialogTemplate->caption;
    hDlg->style = dialogTemplate->style;
    hDlg->exStyle = dialogTemplate->exStyle;
    hDlg->x = dialogTemplate->x;
    hDlg->y = dialogTemplate->y;
    hDlg->cx = dialogTemplate->cx;
    hDlg->cy = dialogTemplate->cy;
    hDlg->pointSize = dialogTemplate->pointSize;
    hDlg->proc = lpDialogFunc;
    for (const auto &item : dialogTemplate->items)
        hDlg->children.push_back(CreateControl(hDlg, item));
    standin::AdoptWindow(std::move(dialog));

    // TRUE from WM_INITDIALOG asks the dialog manager to focus the first tab stop; FALSE means
    // the procedure has set the focus itself.
    HWND firstTabStop = nullptr;
    for (auto &child : hDlg->children) {
        if ((child->style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE)) {
            firstTabStop = child.get();
            break;
        }
    }
    if (SendMessageA(hDlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), dwInitParam) != FALSE &&
        standin::LiveWindow(hDlg) != nullptr)
        SetFocus(firstTabStop);
    return standin::LiveWindow(hDlg);
}

BOOL DestroyWindow(HWND hWnd)
{
    if (standin::LiveWindow(hWnd) == nullptr || hWnd->kind != WindowKind::Dialog)
        return FALSE;
    SendMessageA(hWnd, WM_DESTROY, 0, 0);
    standin::DestroyWindowTree(hWnd);
    return TRUE;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult)
{
    if (standin::LiveWindow(hDlg) == nullptr || hDlg->kind != WindowKind::Dialog)
        return FALSE;
    hDlg->ended = true;
    hDlg->result = nResult;
    standin::WakeModalLoop();
    return TRUE;
}

INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    HWND hDlg = CreateDialogParamA(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam);
    if (hDlg == nullptr)
        return -1;
    const INT_PTR result = standin::RunModalLoop(hDlg);
    DestroyWindow(hDlg);
    return result;
}
