// Small factories for the window's controls. Each control gets a fresh
// identifier from the toolkit's generator and a window name equal to its
// identifier name (for example "ID_TEXTCTRL22"). Sizes are the widths to aim
// for; the height is the toolkit's own, and a control whose best size is wider
// than asked gets its best width, so that no text is ever cut.
#pragma once

#include <wx/wx.h>
#include <wx/bookctrl.h>
#include <wx/radiobox.h>

wxSize FitWidth(wxWindow* control, int width);

// The background style of the window and its pages: the theme's background,
// which is what they show anyway, as nothing here erases a background of its
// own. With the toolkit's default style every paint of a changed field first
// made a drawing context for each enclosing window, only to offer an erase
// event no one takes, and each such context asked the theme for the default
// font again: much of the time it took to draw an event's fields.
constexpr wxBackgroundStyle kThemeBackground = wxBG_STYLE_SYSTEM;

wxStaticText* MakeLabel(wxWindow* parent, const char* name, const wxString& text,
                        const wxSize& size = wxDefaultSize, long style = 0);
wxTextCtrl* MakeText(wxWindow* parent, const char* name, const wxString& value = wxEmptyString,
                     int width = -1, long style = 0);
wxButton* MakeButton(wxWindow* parent, const char* name, const wxString& label,
                     const wxSize& size = wxDefaultSize);
wxChoice* MakeChoice(wxWindow* parent, const char* name, const wxArrayString& items, int selected,
                     int width = -1);
wxCheckBox* MakeCheck(wxWindow* parent, const char* name, const wxString& label);

// A page of a notebook, on the theme's background. While another page is
// selected, the toolkit's housekeeping walk over the windows (see
// loggerDialog::SendIdleEvents) leaves this page and its controls out; they
// have their turn again once the page is selected.
wxPanel* MakePage(wxBookCtrlBase* book, const char* name);

// The accessible name under which assistive technology (and UI automation)
// finds a control: for text fields, combo boxes and choices, the caption of
// the label beside them, trimmed of surrounding blanks.
void SetAccessibleName(wxWindow* control, const wxString& name);
wxString GetAccessibleName(wxWindow* control);
