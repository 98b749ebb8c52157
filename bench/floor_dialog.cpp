// The floor of start-up and memory: an empty dialog, started as the program
// starts (the same toolkit and build, the same environment set in-process).
#include <wx/app.h>
#include <wx/dialog.h>

#include <cstdlib>

class FloorApp : public wxApp {
  public:
    bool OnInit() override {
        wxDialog dialog(nullptr, wxID_ANY, "floor");
        dialog.ShowModal();
        return false;
    }
};

int main(int argc, char** argv) {
    setenv("GDK_GL", "disable", 0);
    wxApp::SetInstance(new FloorApp);
    return wxEntry(argc, argv);
}
