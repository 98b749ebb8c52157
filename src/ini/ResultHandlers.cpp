// Keeping what the user composed: "Copy", "Save…" with its line ends and its
// question about sections the file has already, choosing the ini file with
// "Open ini…", and the Remarks and result boxes kept between runs.
#include <wx/clipbrd.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

#include "app/Settings.h"
#include "ini/FieldText.h"
#include "ini/ResultFile.h"
#include "ui/loggerDialog.h"

namespace {

const char* const kRemarksFile = "remarks.txt";
const char* const kResultFile = "result.txt";
// How the message line begins while it says that keeping failed; the next
// keeping that succeeds takes such a message away, and only such a one.
const char* const kKeepFailure = "Could not keep ";

LineEnds ChosenLineEnds(const wxChoice* choice) {
    return choice->GetSelection() == 1 ? LineEnds::kLf : LineEnds::kCrLf;
}

// The file dialog of "Save…" and "Open ini…", in the folder of the ini file
// chosen last and on its name; an empty path when it was cancelled.
wxString AskForIniFile(wxWindow* parent, const wxString& last, const wxString& title, long style) {
    wxString folder, name;
    if (!last.empty()) {
        const wxFileName file(last);
        folder = file.GetPath();
        name = file.GetFullName();
    }
    wxFileDialog dialog(parent, title, folder, name, "Ini files (*.ini)|*.ini|All files (*)|*",
                        style);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
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
    // The sections are appended: an existing file is chosen, not replaced,
    // so the dialog asks no question about overwriting.
    const wxString path =
        AskForIniFile(this, lastResultFile, "Append the result to an ini file", wxFD_SAVE);
    if (!path.empty()) SaveResultTo(path);
}

void loggerDialog::OnOpenIni(wxCommandEvent&) {
    const wxString path = AskForIniFile(this, lastResultFile, "Open the ini file the results go to",
                                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (!path.empty()) ChooseIniFile(path);
}

bool loggerDialog::SaveResultTo(const wxString& path) {
    const std::string file = Utf8Text(path);
    const std::string result = Utf8Text(ID_TEXTCTRL7->GetValue());
    const LineEnds ends = ChosenLineEnds(lineEndsChoice);
    const wxString name = wxFileName(path).GetFullName();
    // What the file holds now, whatever was read of it before. A file that
    // may be added to but not read is appended to, as always.
    std::string held;
    bool missing = false;
    RepeatChoice choice = RepeatChoice::kAppendAnyway;
    if (ReadWholeFile(file, &held, &missing) || missing) {
        const std::vector<RepeatedHeader> repeats =
            FindRepeats(ReadIniSections(held), ReadIniSections(result));
        if (!repeats.empty())
            choice = askAboutRepeats(PieceText(RepeatQuestion(Utf8Text(name), repeats)));
    }
    if (choice == RepeatChoice::kCancel) {
        ShowResultMessage("Not saved: " + path + " is as it was.");
        return false;
    }
    std::string error;
    Replacement done;
    // The file is read again right before it is written: what another
    // program wrote to it while the question was open stays.
    const bool saved = choice == RepeatChoice::kReplace
                           ? ReplaceSectionsInFile(file, result, ends, &done, &error)
                           : AppendResultToFile(file, result, ends, &error);
    if (!saved) {
        // The result stays in the box for another try.
        ShowResultMessage("Could not save to " + path + ": " + PieceText(error));
        return false;
    }
    if (choice == RepeatChoice::kReplace)
        ShowResultMessage(PieceText("Saved: replaced " + Counted(done.replaced, "section") +
                                    " and added " + std::to_string(done.appended) + " in ") +
                          path +
                          (done.keptOld ? "; the file as it was is in " + name + ".bak" : ""));
    else
        ShowResultMessage("Saved: appended to " + path);
    ChooseIniFile(path);
    return true;
}

RepeatChoice loggerDialog::AskAboutRepeats(const wxString& question) {
    wxMessageDialog ask(this, question, "Sections twice",
                        wxYES_NO | wxCANCEL | wxCANCEL_DEFAULT | wxICON_QUESTION);
    ask.SetYesNoCancelLabels("&Replace", "&Append anyway", "&Cancel");
    switch (ask.ShowModal()) {
        case wxID_YES:
            return RepeatChoice::kReplace;
        case wxID_NO:
            return RepeatChoice::kAppendAnyway;
        default:
            return RepeatChoice::kCancel;
    }
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
    if (ReadWholeFile(PathInFolder(folder, kRemarksFile), &text)) {
        ID_TEXTCTRL2->ChangeValue(PieceText(text));
        keptRemarks = text;
    }
    if (ReadWholeFile(PathInFolder(folder, kResultFile), &text)) {
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
        if (WriteFileAtomically(PathInFolder(folder, box.file), box.text, &error)) {
            *box.kept = box.text;
            continue;
        }
        where = what.empty() ? PathInFolder(folder, box.file) : folder;
        what += what.empty() ? box.what : std::string(" and ") + box.what;
        if (reason.empty()) reason = error;
    }
    if (!what.empty())
        ShowResultMessage(
            PieceText(kKeepFailure + what + " for the next run in " + where + ": " + reason));
    else if (resultMessage->GetLabel().StartsWith(kKeepFailure))
        ShowResultMessage(wxEmptyString);
}
