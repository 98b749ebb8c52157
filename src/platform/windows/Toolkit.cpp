#include "platform/Toolkit.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <initguid.h>  // the accessibility GUIDs of oleacc.h, defined here
#include <oleacc.h>
// clang-format on
#include <wx/access.h>
#include <wx/combobox.h>
#include <wx/iconbndl.h>
#include <wx/msw/regconf.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include <memory>
#include <utility>

namespace {

// The name a control gives assistive technology (MSAA, and UI Automation
// through its MSAA bridge) in place of the one the system's proxy would work
// out: for a button or a check box its caption, for an entry or a combo box
// the text of the static label before it, which is not always the caption.
// Everything else (role, state, value, children) still comes from the proxy.
class NamedAccessible : public wxAccessible {
  public:
    NamedAccessible(wxWindow* control, const wxString& name) : wxAccessible(control), name_(name) {}

    wxAccStatus GetName(int childId, wxString* name) override {
        if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
        *name = name_;
        return wxACC_OK;
    }

    const wxString& Name() const { return name_; }

  private:
    wxString name_;
};

// The name assistive technology reads for `window`'s client object, asked as
// a screen reader asks it; empty when the window gives none.
wxString NameFromSystem(HWND window) {
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible,
                                          reinterpret_cast<void**>(&accessible))) ||
        accessible == nullptr)
        return wxString();
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    wxString name;
    if (accessible->get_accName(self, &text) == S_OK && text != nullptr) {
        name = wxString(text, SysStringLen(text));
        SysFreeString(text);
    }
    accessible->Release();
    return name;
}

// Runs `then` on the first event of `type` that `window` gets for which
// `counts` holds; later ones pass untouched.
template <typename Event, typename Type>
void Once(wxWindow* window, Type type, bool (*counts)(Event&), std::function<void()> then) {
    auto pending = std::make_shared<std::function<void()>>(std::move(then));
    window->Bind(type, [pending, counts](Event& event) {
        event.Skip();
        if (!*pending || !counts(event)) return;
        std::function<void()> run = std::move(*pending);
        *pending = nullptr;
        run();
    });
}

bool Shown(wxShowEvent& event) { return event.IsShown(); }
bool AnyPaint(wxPaintEvent&) { return true; }

}  // namespace

namespace Toolkit {

// A window program on Windows always has the user's desktop.
bool DisplayReachable(const std::string&) { return true; }
void ReleaseDisplayCheck() {}

// Windows finds the program by its executable and its resources (icon,
// version); the toolkit takes no options.
std::vector<std::string> PrepareStart(const char*) { return {}; }

// The window is on the screen once it is shown: Windows maps it then.
// The icon the resources carry (data/windows/brantle-config-helper.rc), with
// every size it has: the title bar takes the small one, the task bar and
// Alt+Tab the larger ones.
wxIconBundle ProgramIcons() { return wxIconBundle("appicon", GetModuleHandleW(nullptr)); }

// HKEY_CURRENT_USER\Software\BrantleConfigHelper: the registry key of the
// user's own, which needs no folder made.
std::unique_ptr<wxConfigBase> OpenSettings(bool) {
    // The key is named below HKEY_CURRENT_USER\Software.
    return std::make_unique<wxRegConfig>("BrantleConfigHelper", wxEmptyString,
                                         "BrantleConfigHelper", wxEmptyString,
                                         wxCONFIG_USE_LOCAL_FILE);
}

void OnFirstMapped(wxWindow* window, std::function<void()> then) {
    Once<wxShowEvent>(window, wxEVT_SHOW, Shown, std::move(then));
}

void OnFirstDrawn(wxWindow* window, std::function<void()> then) {
    Once<wxPaintEvent>(window, wxEVT_PAINT, AnyPaint, std::move(then));
}

void SetAccessibleName(wxWindow* control, const wxString& name) {
    control->SetAccessible(new NamedAccessible(control, name));  // the window owns it
}

wxString AccessibleName(wxWindow* control) {
    if (control->GetHWND() != nullptr) {
        const wxString name = NameFromSystem(static_cast<HWND>(control->GetHWND()));
        if (!name.empty()) return name;
    }
    auto* named = dynamic_cast<NamedAccessible*>(control->GetAccessible());
    return named != nullptr ? named->Name() : wxString();
}

// The entry of a combo box is a window of its own, which takes the focus and
// which screen readers then ask for its name. It is not one of the toolkit's
// windows, so the name is given to the system's proxy for it (dynamic
// annotation).
void SetInnerAccessibleName(wxWindow* control, const wxString& name) {
    auto* combo = dynamic_cast<wxComboBox*>(control);
    if (combo == nullptr || combo->GetHWND() == nullptr) return;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!GetComboBoxInfo(static_cast<HWND>(combo->GetHWND()), &info) || info.hwndItem == nullptr)
        return;
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&services))) ||
        services == nullptr)
        return;
    services->SetHwndPropStr(info.hwndItem, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             PROPID_ACC_NAME, name.wc_str());
    services->Release();
}

// The edit control's frame (its non-client border) and the margins it keeps
// inside on either side of the text.
int TextFrameWidth(wxTextCtrl* field) {
    const HWND edit = static_cast<HWND>(field->GetHWND());
    RECT outer{};
    RECT inner{};
    if (edit == nullptr || !GetWindowRect(edit, &outer) || !GetClientRect(edit, &inner)) return 0;
    const DWORD margins = static_cast<DWORD>(SendMessageW(edit, EM_GETMARGINS, 0, 0));
    return (outer.right - outer.left) - (inner.right - inner.left) + LOWORD(margins) +
           HIWORD(margins);
}

// The tabs' own rectangles, from the first one's left to the last one's
// right, with the row's margin on both sides (the selected tab stands out by
// that much), and the control's border. A tab control that has not been
// given its size yet may not have laid its tabs out (Wine leaves them
// empty): each tab is then its text and the control's padding (6 pixels on
// either side).
int TabRowWidth(wxNotebook* book) {
    const HWND tabs = static_cast<HWND>(book->GetHWND());
    const int count = tabs != nullptr ? TabCtrl_GetItemCount(tabs) : 0;
    if (count == 0) return 0;
    const int margin = 2 * GetSystemMetrics(SM_CXEDGE);
    RECT first{};
    RECT last{};
    int row = 0;
    if (TabCtrl_GetItemRect(tabs, 0, &first) && TabCtrl_GetItemRect(tabs, count - 1, &last) &&
        last.right > first.left) {
        row = last.right - first.left;
    } else {
        for (size_t page = 0; page < book->GetPageCount(); ++page)
            row += book->GetTextExtent(book->GetPageText(page)).x + 2 * 6;
    }
    RECT outer{};
    RECT inner{};
    GetWindowRect(tabs, &outer);
    GetClientRect(tabs, &inner);
    return row + 2 * margin + (outer.right - outer.left) - (inner.right - inner.left);
}

// The row is taken away on GTK so that its accessibility bridge does not ask
// pages being removed for their tabs; MSAA's proxy of a tab control asks
// nothing of the kind, and a native tab control cannot drop its row.
void HideTabs(wxNotebook*) {}

bool PaintNow(wxWindow* window) {
    const HWND handle = static_cast<HWND>(window->GetHWND());
    if (handle == nullptr || !window->IsShownOnScreen()) return false;
    // Each control is a window of its own: they are painted too.
    RedrawWindow(handle, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return true;
}

// The modal loop disables the top-level windows there were when it began; a
// window made later (and owned by the modal one) keeps its input.
void KeepOwnInput(wxWindow*) {}

}  // namespace Toolkit
