#include "ui/Controls.h"

#include "platform/Toolkit.h"

wxSize FitWidth(wxWindow* control, int width) {
    const wxSize best = control->GetBestSize();
    return wxSize(width > best.x ? width : best.x, -1);
}

wxStaticText* MakeLabel(wxWindow* parent, const char* name, const wxString& text,
                        const wxSize& size, long style) {
    // A label that resizes itself to its text measures the text as soon as it
    // has it, before it has a parent, and again once it is placed; it is made
    // without resizing, which leaves out the first measure, and resizes itself
    // to later texts as asked.
    auto* label = new wxStaticText(parent, wxWindow::NewControlId(), text, wxDefaultPosition, size,
                                   style | wxST_NO_AUTORESIZE, name);
    label->SetWindowStyleFlag(style);
    return label;
}

wxTextCtrl* MakeText(wxWindow* parent, const char* name, const wxString& value, int width,
                     long style) {
    auto* text = new wxTextCtrl(parent, wxWindow::NewControlId(), value, wxDefaultPosition,
                                wxDefaultSize, style, wxDefaultValidator, name);
    if (width > 0) {
        // Entries have a large natural width on GTK; take the asked width
        // unless the text itself needs more.
        const int needed = text->GetTextExtent(value + "  ").x;
        text->SetMinSize(wxSize(width > needed ? width : needed, -1));
        text->SetSize(text->GetMinSize());
    }
    return text;
}

wxButton* MakeButton(wxWindow* parent, const char* name, const wxString& label,
                     const wxSize& size) {
    auto* button = new wxButton(parent, wxWindow::NewControlId(), label, wxDefaultPosition,
                                wxDefaultSize, 0, wxDefaultValidator, name);
    if (size != wxDefaultSize) {
        const wxSize best = button->GetBestSize();
        button->SetMinSize(
            wxSize(size.x > best.x ? size.x : best.x, size.y > best.y ? size.y : best.y));
    }
    return button;
}

wxChoice* MakeChoice(wxWindow* parent, const char* name, const wxArrayString& items, int selected,
                     int width) {
    auto* choice = new wxChoice(parent, wxWindow::NewControlId(), wxDefaultPosition, wxDefaultSize,
                                items, 0, wxDefaultValidator, name);
    if (selected >= 0) choice->SetSelection(selected);
    if (width > 0) choice->SetMinSize(FitWidth(choice, width));
    return choice;
}

wxCheckBox* MakeCheck(wxWindow* parent, const char* name, const wxString& label) {
    return new wxCheckBox(parent, wxWindow::NewControlId(), label, wxDefaultPosition, wxDefaultSize,
                          0, wxDefaultValidator, name);
}

namespace {
class BookPage : public wxPanel {
  public:
    BookPage(wxBookCtrlBase* book, const char* name)
        : wxPanel(book, wxWindow::NewControlId(), wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL,
                  name),
          book_(book) {
        SetBackgroundStyle(kThemeBackground);
    }

    bool SendIdleEvents(wxIdleEvent& event) override {
        if (book_->GetCurrentPage() != this) return false;
        return wxPanel::SendIdleEvents(event);
    }

  private:
    wxBookCtrlBase* const book_;
};
}  // namespace

wxPanel* MakePage(wxBookCtrlBase* book, const char* name) { return new BookPage(book, name); }

void SetAccessibleName(wxWindow* control, const wxString& name) {
    Toolkit::SetAccessibleName(control, name.Strip(wxString::both));
}

wxString GetAccessibleName(wxWindow* control) { return Toolkit::AccessibleName(control); }
