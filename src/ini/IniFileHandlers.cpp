// The ini file the results go to: reading it when it is chosen, at start and
// whenever it changes on disk, the line under the result box that says what
// it holds, and the lines of the control pages that say whether the control
// of the last event has a section in it.
#include <wx/filename.h>

#include "app/Settings.h"
#include "ini/FieldText.h"
#include "ui/loggerDialog.h"

namespace {

// A line of text changed only when its text does: an event stream that
// keeps reporting the same control costs nothing here.
void ShowLine(wxStaticText* line, const wxString& text) {
    if (line->GetLabel() == text) return;
    line->SetLabel(text);
    line->SetToolTip(text);  // the whole of a long name
}

}  // namespace

void loggerDialog::ChooseIniFile(const wxString& path) {
    if (path != lastResultFile) {
        lastResultFile = path;
        WriteSetting("ResultFile", path);
    }
    // Watched before it is read: a change after the reading is news.
    iniWatch.Watch(Utf8Text(path));
    ReadIniFile();
}

void loggerDialog::ReadIniFile() {
    const std::string path = Utf8Text(lastResultFile);
    const wxString name = wxFileName(lastResultFile).GetFullName();
    std::string text, error;
    bool missing = false;
    wxString line;
    if (path.empty()) {
        iniSections.clear();
    } else if (ReadWholeFile(path, &text, &missing, &error)) {
        iniSections = ReadIniSections(text);
        line = PieceText(IniSummary(Utf8Text(name), iniSections));
    } else if (missing) {
        iniSections.clear();
        line = name + wxString::FromUTF8(": not there yet; \"Save\xe2\x80\xa6\" makes it");
    } else {
        // What was read of this file before still holds as far as we know.
        if (path != iniPath) iniSections.clear();
        line = name + " cannot be read: " + PieceText(error);
    }
    iniPath = path;
    iniName = Utf8Text(name);
    ShowLine(iniFileLine, line);
    ShowInIni(discreteInIni, discreteEventId);
    ShowInIni(numericInIni, numericEventId);
}

void loggerDialog::NoteEventControls() {
    long id = 0;
    // The fields hold the id as the event handlers wrote it ("%d").
    if (pendingFields.discreteId && pendingFields.discreteId->ToLong(&id)) {
        discreteEventId = id;
        ShowInIni(discreteInIni, discreteEventId);
    }
    if (pendingFields.numericId && pendingFields.numericId->ToLong(&id)) {
        numericEventId = id;
        ShowInIni(numericInIni, numericEventId);
    }
}

void loggerDialog::ShowInIni(wxStaticText* line, const std::optional<long>& id) {
    if (!id) return;
    ShowLine(line, PieceText(DescribedLine(*id, iniName, iniSections)));
}
