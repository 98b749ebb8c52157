// The floor of start-up and memory: an empty dialog, started as the program
// starts (the same toolkit and build, the same environment set in-process).
//
//   floor_dialog             the empty dialog
//   floor_dialog --controls  a dialog holding as many controls of each kind
//                            as the program's window (a notebook of five
//                            pages of labelled fields, buttons, check boxes,
//                            choices and two grids), without any of its
//                            logic: the floor for a window that must have
//                            all of them from the start
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/grid.h>
#include <wx/notebook.h>
#include <wx/radiobox.h>
#include <wx/statline.h>
#include <wx/wx.h>

#include <cstdlib>
#include <cstring>

namespace {

bool withControls = false;

// The program's window, counted by kind of control.
struct Counts {
    int labels = 117, texts = 67, buttons = 34, checks = 37, choices = 14, combos = 2, lines = 12;
};

void FillPage(wxWindow* page, int share, int pages) {
    const Counts all;
    auto part = [share, pages](int count) { return count / pages + (share < count % pages); };
    auto* grid = new wxFlexGridSizer(4, 4, 4);
    for (int i = 0; i < part(all.labels); ++i)
        grid->Add(new wxStaticText(page, wxID_ANY, wxString::Format("Label %d", i)));
    for (int i = 0; i < part(all.texts); ++i) grid->Add(new wxTextCtrl(page, wxID_ANY, "0"));
    for (int i = 0; i < part(all.buttons); ++i)
        grid->Add(new wxButton(page, wxID_ANY, wxString::Format("Button %d", i)));
    for (int i = 0; i < part(all.checks); ++i)
        grid->Add(new wxCheckBox(page, wxID_ANY, wxString::Format("Check %d", i)));
    const wxString items[] = {"first", "second", "third"};
    for (int i = 0; i < part(all.choices); ++i) {
        auto* choice = new wxChoice(page, wxID_ANY, wxDefaultPosition, wxDefaultSize, 3, items);
        choice->SetSelection(0);
        grid->Add(choice);
    }
    for (int i = 0; i < part(all.combos); ++i)
        grid->Add(new wxComboBox(page, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, 3, items));
    for (int i = 0; i < part(all.lines); ++i)
        grid->Add(new wxStaticLine(page), 0, wxEXPAND);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(grid);
    if (share == 3 || share == 4) {  // the two output grids
        auto* table = new wxGrid(page, wxID_ANY);
        table->CreateGrid(share == 3 ? 16 : 7, share == 3 ? 8 : 10);
        column->Add(table);
    }
    if (share == 0) {
        const wxString modes[] = {"one", "two"};
        column->Add(new wxRadioBox(page, wxID_ANY, "Mode", wxDefaultPosition, wxDefaultSize, 2,
                                   modes));
        column->Add(new wxStaticBoxSizer(wxVERTICAL, page, "Box"));
    }
    page->SetSizer(column);
}

}  // namespace

class FloorApp : public wxApp {
  public:
    bool OnInit() override {
        wxDialog dialog(nullptr, wxID_ANY, "floor");
        if (withControls) {
            auto* book = new wxNotebook(&dialog, wxID_ANY);
            const int pages = 5;
            for (int i = 0; i < pages; ++i) {
                auto* page = new wxPanel(book);
                book->AddPage(page, wxString::Format("Page %d", i));
                FillPage(page, i, pages);
            }
            auto* top = new wxBoxSizer(wxVERTICAL);
            top->Add(book, 1, wxEXPAND);
            dialog.SetSizerAndFit(top);
        }
        dialog.ShowModal();
        return false;
    }
};

int main(int argc, char** argv) {
    setenv("GDK_GL", "disable", 0);
    if (argc > 1 && std::strcmp(argv[1], "--controls") == 0) {
        withControls = true;
        --argc;
        ++argv;
    }
    wxApp::SetInstance(new FloorApp);
    return wxEntry(argc, argv);
}
