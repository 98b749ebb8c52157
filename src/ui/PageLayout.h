// Helpers shared by the builders of the main window: fonts, lines, fields
// wide enough for what they show, accessible names, and the item lists of the
// data choices that several pages carry.
#pragma once

#include <wx/statline.h>
#include <wx/wx.h>

// Centred horizontally and vertically in a grid cell.
constexpr int kCentred = wxALIGN_CENTER_HORIZONTAL | wxALIGN_CENTER_VERTICAL;

// Arial 10 pt, bold or normal.
wxFont ArialFont(bool bold);
// 10 pt bold of the Swiss family in the default face.
wxFont SwissBoldFont();

// A separator line; horizontal lines are 10 wide before the sizer stretches
// them, vertical ones 10 high.
wxStaticLine* MakeLine(wxWindow* parent, const char* name, long orientation);

// A single-line text field that aims for `width` but is at least wide enough
// to show `sample`, the longest text it is meant to hold, uncut.
wxTextCtrl* MakeField(wxWindow* parent, const char* name, int width, const wxString& sample,
                      const wxString& value = wxEmptyString);

// Gives `control` the accessible name `caption` (trimmed). A multi-line text
// field keeps its text in an inner view, which is what an assistive tool
// focuses: that view is named as well.
void NameControl(wxWindow* control, const wxString& caption);

// The line beside a calculator that says what its last run has to say (the
// fields that took their default). It is as wide as `width`, one line high
// while empty, and named `caption` for assistive tools.
wxStaticText* MakeMessageLine(wxWindow* parent, const char* name, const wxString& caption,
                              int width);

enum LabelSide { kLabelBefore, kLabelAfter };

// A label and the field it names, in two cells of `grid` (the label on the
// given side), the field named for assistive tools after the label. Returns
// the label.
wxStaticText* AddLabelled(wxSizer* grid, wxWindow* parent, const char* labelName,
                          const wxString& caption, wxWindow* field, LabelSide side = kLabelBefore);
// A field made by MakeField, added with its label by AddLabelled.
wxTextCtrl* AddLabelledField(wxSizer* grid, wxWindow* parent, const char* name, int width,
                             const wxString& sample, const char* labelName, const wxString& caption,
                             LabelSide side = kLabelBefore);

// Items of the "Data[Offset] type", "Data[Offset] size" and "Encoding" choices.
wxArrayString DataTypeItems();
wxArrayString DataSizeItems();
wxArrayString EncodingItems();
