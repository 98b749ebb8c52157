// Output test: the Indication page's test value into the two frames, the
// grids that mirror the frames, "Clear outputs" and the prepared values.
#include "device/OutputFrames.h"
#include "ui/loggerDialog.h"

void loggerDialog::FillOutputFrames() {
    OutputTestInput input;
    input.device = ID_TEXTCTRL14->GetValue().utf8_string();
    input.position = ID_TEXTCTRL15->GetValue().utf8_string();
    input.length = ID_TEXTCTRL16->GetValue().utf8_string();
    input.indicationType = ID_CHOICE4->GetSelection();
    // The board takes 8-bit characters; a text that the C library cannot
    // convert is tried as the empty text.
    const wxCharBuffer test = ID_TEXTCTRL12->GetValue().mb_str(wxConvLibc);
    if (test.data()) input.testText = test.data();
    ::FillOutputFrames(input, segmentFrame, ledFrame);
}

// Both refreshes run on every poll tick; only cells whose text changed are
// written, so an unchanged grid is not redrawn 50 times a second.
static void SetCellText(wxGrid* grid, GridCell cell, const wxString& text) {
    if (grid->GetCellValue(cell.row, cell.column) != text)
        grid->SetCellValue(cell.row, cell.column, text);
}

void loggerDialog::RefreshSegmentGrid() {
    ID_GRID1->BeginBatch();
    for (int k = 0; k < kDisplayChars; ++k)
        SetCellText(ID_GRID1, SegmentGridCell(k),
                    DisplayCharText(segmentFrame[kFrameHeaderSize + k]));
    ID_GRID1->EndBatch();
}

void loggerDialog::RefreshLedGrid() {
    ID_GRID2->BeginBatch();
    for (int i = 0; i < kOutputCount; ++i)
        SetCellText(ID_GRID2, LedGridCell(i), LedStateText(ledFrame[kFrameHeaderSize + i]));
    ID_GRID2->EndBatch();
}

void loggerDialog::OnClearOutputs(wxCommandEvent&) { ClearOutputFrames(segmentFrame, ledFrame); }

void loggerDialog::OnTestValue1(wxCommandEvent&) {
    ID_TEXTCTRL12->SetValue(ID_TEXTCTRL23->GetValue());
}
void loggerDialog::OnTestValue2(wxCommandEvent&) {
    ID_TEXTCTRL12->SetValue(ID_TEXTCTRL24->GetValue());
}
void loggerDialog::OnTestValue3(wxCommandEvent&) {
    ID_TEXTCTRL12->SetValue(ID_TEXTCTRL45->GetValue());
}
