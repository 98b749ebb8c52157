// Keeping what the user composed: "Copy", "Save…" with its line ends, and
// the Remarks and result boxes kept between runs.
#include <wx/clipbrd.h>
#include <wx/filedlg.h>
#include <wx/filename.h>

#include "app/Settings.h"
#include "ini/FieldText.h"
#include "ini/ResultFile.h"
#include "ui/loggerDialog.h"

namespace {

const char* const kRemarksFile = "/remarks.txt";
const char* const kResultFile = "/result.txt";
// How the message line begins while it says that keeping failed; the next
// keeping that succeeds takes such a message away, and only such a one.
const char* const kKeepFailure = "Could not keep ";

LineEnds ChosenLineEnds(const wxChoice* choice) {
    return choice->GetSelection() == 1 ? LineEnds::kLf : LineEnds::kCrLf;
}

}  // namespace

void loggerDialog::ShowResultMessage(const wxString& text) {
    resultMessage->SetLabel(text);
    resultMessage->SetToolTip(text);  // the whole of a long path
    FitMessageHeight(resultMessage);  // one line again after notes that took more
}

void loggerDialog::OnCopyResult(wxCommandEvent&) {
    const std::string text =
        WithLineEnds(Utf8Text(ID_TEXTCTRL7->GetValue()), ChosenLineEnds(lineEndsChoice));
    if (text.empty()) {
        ShowResultMessage("Nothing to copy: the result box is empty.");
        return;
    }
    wxClipboardLocker locker;
    if (!locker || !wxTheClipboard->SetData(new wxTextDataObject(PieceText(text)))) {
        ShowResultMessage("Could not copy: the clipboard is not available.");
        return;
    }
    wxTheClipboard->Flush();  // the text stays after the program ends
    ShowResultMessage("Copied to the clipboard.");
}

void loggerDialog::OnSaveResult(wxCommandEvent&) {
    if (ID_TEXTCTRL7->IsEmpty()) {
        ShowResultMessage("Nothing to save: the result box is empty.");
        return;
    }
    wxString folder, name;
    if (!lastResultFile.empty()) {
        const wxFileName last(lastResultFile);
        folder = last.GetPath();
        name = last.GetFullName();
    }
    // The sections are appended: an existing file is chosen, not replaced,
    // so the dialog asks no question about overwriting.
    wxFileDialog dialog(this, "Append the result to an ini file", folder, name,
                        "Ini files (*.ini)|*.ini|All files (*)|*", wxFD_SAVE);
    if (dialog.ShowModal() != wxID_OK) return;
    SaveResultTo(dialog.GetPath());
}

bool loggerDialog::SaveResultTo(const wxString& path) {
    const std::string file = Utf8Text(path);
    std::string error;
    if (!AppendResultToFile(file, Utf8Text(ID_TEXTCTRL7->GetValue()),
                            ChosenLineEnds(lineEndsChoice), &error)) {
        // The result stays in the box for another try.
        ShowResultMessage("Could not save to " + path + ": " + PieceText(error));
        return false;
    }
    ShowResultMessage("Saved: appended to " + path);
    lastResultFile = path;
    WriteSetting("ResultFile", path);
    return true;
}

void loggerDialog::OnLineEndsChanged(wxCommandEvent&) {
    WriteSetting("LineEnds", lineEndsChoice->GetSelection() == 1 ? "LF" : "CRLF");
}

void loggerDialog::OnKeptTextChanged(wxCommandEvent& event) {
    keepTimer.StartOnce(kKeepDelayMs);
    event.Skip();
}

void loggerDialog::OnKeepTimer(wxTimerEvent&) { KeepText(); }

void loggerDialog::RestoreKeptText() {
    lineEndsChoice->SetSelection(ReadSetting("LineEnds", "CRLF") == "LF" ? 1 : 0);
    lastResultFile = ReadSetting("ResultFile", wxEmptyString);
    const std::string folder = KeptStateFolder();
    std::string text;
    if (ReadWholeFile(folder + kRemarksFile, &text)) {
        ID_TEXTCTRL2->ChangeValue(PieceText(text));
        keptRemarks = text;
    }
    if (ReadWholeFile(folder + kResultFile, &text)) {
        ID_TEXTCTRL7->ChangeValue(PieceText(text));
        ID_TEXTCTRL7->SetInsertionPointEnd();
        keptResult = text;
    }
}

void loggerDialog::KeepText() {
    keepTimer.Stop();
    const std::string folder = KeptStateFolder();
    struct Box {
        const char* what;
        const char* file;
        std::string text;
        std::string* kept;  // what the file holds
    } boxes[] = {
        {"the Remarks", kRemarksFile, Utf8Text(ID_TEXTCTRL2->GetValue()), &keptRemarks},
        {"the result", kResultFile, Utf8Text(ID_TEXTCTRL7->GetValue()), &keptResult},
    };
    // A box that could not be written keeps its text in the window and
    // differs from what its file holds, so the next keeping tries again.
    std::string what, where, reason;
    for (Box& box : boxes) {
        if (box.text == *box.kept) continue;
        std::string error;
        if (WriteFileAtomically(folder + box.file, box.text, &error)) {
            *box.kept = box.text;
            continue;
        }
        where = what.empty() ? folder + box.file : folder;
        what += what.empty() ? box.what : std::string(" and ") + box.what;
        if (reason.empty()) reason = error;
    }
    if (!what.empty())
        ShowResultMessage(
            PieceText(kKeepFailure + what + " for the next run in " + where + ": " + reason));
    else if (resultMessage->GetLabel().StartsWith(kKeepFailure))
        ShowResultMessage(wxEmptyString);
}
