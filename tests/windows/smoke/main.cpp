// The smoke test of the Windows tool chain and toolkit: a statically linked
// wxMSW program with what the real window leans on (a notebook, a grid, the
// common controls, a timer, a std::thread handing its result to the window,
// wxConfig in the registry, the manifest that asks for the themed common
// controls). Once its window has been painted it checks each of these, prints
// one line and exits by itself: 0 when all hold, 1 otherwise.
//
//   msw-smoke.exe [--hold MS]   keep the window up MS milliseconds longer
//                               after the checks (for a screenshot)
//
// tests/windows/run_smoke.sh builds it and runs it under Wine.
#include <wx/wx.h>
#include <wx/config.h>
#include <wx/evtloop.h>
#include <wx/grid.h>
#include <wx/notebook.h>
#include <wx/weakref.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRows = 8;
constexpr int kCols = 4;
constexpr long kWorkerSum = 500500;  // 1 + 2 + ... + 1000, as the worker adds it up

// The manifest (smoke.rc) asks for version 6 of the common controls, the
// themed ones: the process's activation context then redirects comctl32.dll
// to that version. (Wine's comctl32 gives its version as 5.81 in either
// case, so wxApp::GetComCtl32Version tells nothing under Wine.)
bool CommonControls6Asked() {
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof data;
    return ::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                      L"comctl32.dll", &data) != FALSE;
}

class SmokeFrame : public wxFrame {
public:
    SmokeFrame() : wxFrame(nullptr, wxID_ANY, "BRANTLE msw smoke", wxDefaultPosition, wxSize(640, 420)) {
        auto* panel = new wxPanel(this);
        notebook_ = new wxNotebook(panel, wxID_ANY);

        auto* gridPage = new wxPanel(notebook_);
        grid_ = new wxGrid(gridPage, wxID_ANY);
        grid_->CreateGrid(kRows, kCols);
        const char* heads[kCols] = {"Switch", "State", "Count", "Worker"};
        for (int c = 0; c < kCols; ++c) grid_->SetColLabelValue(c, heads[c]);
        for (int r = 0; r < kRows; ++r) {
            grid_->SetCellValue(r, 0, wxString::Format("SW%d", r + 1));
            grid_->SetCellValue(r, 1, r % 2 ? "on" : "off");
            grid_->SetCellValue(r, 2, wxString::Format("%d", r * r));
        }
        grid_->SetCellValue(0, 3, "waiting");
        grid_->GetGridWindow()->Bind(wxEVT_PAINT, [this](wxPaintEvent& e) {
            ++gridPaints_;
            e.Skip();  // the grid draws itself
        });
        auto* gridSizer = new wxBoxSizer(wxVERTICAL);
        gridSizer->Add(grid_, 1, wxEXPAND | wxALL, 4);
        gridPage->SetSizer(gridSizer);
        notebook_->AddPage(gridPage, "Grid", true);

        auto* optionsPage = new wxPanel(notebook_);
        auto* optionsSizer = new wxBoxSizer(wxVERTICAL);
        optionsSizer->Add(new wxCheckBox(optionsPage, wxID_ANY, "Console"), 0, wxALL, 4);
        const wxString modes[] = {"Serial", "UDP"};
        optionsSizer->Add(new wxRadioBox(optionsPage, wxID_ANY, "Link", wxDefaultPosition,
                                         wxDefaultSize, 2, modes),
                          0, wxALL, 4);
        optionsSizer->Add(new wxComboBox(optionsPage, wxID_ANY, "COM3"), 0, wxALL, 4);
        optionsSizer->Add(new wxTextCtrl(optionsPage, wxID_ANY, "text"), 0, wxEXPAND | wxALL, 4);
        optionsPage->SetSizer(optionsSizer);
        notebook_->AddPage(optionsPage, "Options");

        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(notebook_, 1, wxEXPAND | wxALL, 6);
        panel->SetSizer(sizer);
    }

    // The worker thread's sum and id, delivered on the window's thread.
    void WorkerResult(long sum, bool onOwnThread) {
        workerSum_ = sum;
        workerOnOwnThread_ = onOwnThread;
        grid_->SetCellValue(0, 3, wxString::Format("%ld", sum));
    }

    // Each failure as a few words; none when all hold.
    std::vector<std::string> Failures() const {
        std::vector<std::string> failed;
        if (!IsShownOnScreen() || !::IsWindowVisible(static_cast<HWND>(GetHWND())))
            failed.push_back("window not visible");
        if (notebook_->GetPageCount() != 2) failed.push_back("notebook has not 2 pages");
        if (!grid_->IsShownOnScreen()) failed.push_back("grid not shown");
        if (grid_->GetNumberRows() != kRows || grid_->GetNumberCols() != kCols)
            failed.push_back("grid has the wrong size");
        if (gridPaints_ == 0) failed.push_back("grid never painted");
        if (workerSum_ != kWorkerSum || grid_->GetCellValue(0, 3) != wxString::Format("%ld", kWorkerSum))
            failed.push_back("no result from the worker thread");
        if (!workerOnOwnThread_) failed.push_back("worker ran on the window's thread");
        if (!CommonControls6Asked()) failed.push_back("no manifest asking for common controls 6");
        return failed;
    }
    int GridPaints() const { return gridPaints_; }

private:
    wxNotebook* notebook_;
    wxGrid* grid_;
    int gridPaints_ = 0;
    long workerSum_ = 0;
    bool workerOnOwnThread_ = false;
};

// wxConfig is the registry on Windows: a value written under the program's
// key reads back, and the key goes again.
bool RegistryConfigWorks() {
    wxConfig config("BrantleMswSmoke", "Brantle");
    if (wxString(config.GetClassInfo()->GetClassName()) != "wxRegConfig") return false;
    const bool written = config.Write("/Smoke/Value", 4242L) && config.Flush();
    long back = 0;
    const bool read = config.Read("/Smoke/Value", &back) && back == 4242L;
    config.DeleteAll();
    return written && read;
}

class SmokeApp : public wxApp {
public:
    bool OnInit() override {
        long hold = 0;
        for (int i = 1; i < argc; ++i) {
            if (argv[i] == "--hold" && i + 1 < argc && argv[i + 1].ToLong(&hold) && hold >= 0) {
                holdMs_ = static_cast<int>(hold);
                ++i;
            } else {
                std::printf("usage: msw-smoke [--hold MS]\n");
                return false;
            }
        }
        frame_ = new SmokeFrame;
        frame_->Show();
        // The worker adds up in a thread of its own and hands the sum to
        // the window's thread.
        const DWORD windowThread = ::GetCurrentThreadId();
        worker_ = std::thread([this, windowThread] {
            long sum = 0;
            for (long i = 1; i <= 1000; ++i) sum += i;
            const bool onOwnThread = ::GetCurrentThreadId() != windowThread;
            CallAfter([this, sum, onOwnThread] {
                if (frame_) frame_->WorkerResult(sum, onOwnThread);
            });
        });
        // The checks after a second; should the window not have been painted
        // by then, again every 200 ms, for at most ten seconds.
        timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Check(); });
        timer_.StartOnce(1000);
        return true;
    }

    // The checks' status; 1 when the window went before they ran.
    int OnRun() override {
        const int status = wxApp::OnRun();
        return done_ ? status : 1;
    }

    int OnExit() override {
        if (worker_.joinable()) worker_.join();
        return wxApp::OnExit();
    }

private:
    void Check() {
        if (!frame_) return;  // closed by hand: OnRun fails
        if (done_) {  // the hold is over
            Finish();
            return;
        }
        std::vector<std::string> failed = frame_->Failures();
        if (frame_->GridPaints() == 0 && ++retries_ < 45) {
            timer_.StartOnce(200);
            return;
        }
        if (!RegistryConfigWorks()) failed.push_back("wxConfig not in the registry");
        if (failed.empty()) {
            std::printf("msw-smoke: ok: window shown, notebook of 2 pages, grid %dx%d painted %d times, "
                        "worker thread's sum %ld, wxConfig in the registry, manifest for common controls 6 "
                        "(comctl32 says %d)\n",
                        kRows, kCols, frame_->GridPaints(), kWorkerSum, wxApp::GetComCtl32Version());
        } else {
            std::string all;
            for (const auto& f : failed) all += (all.empty() ? "" : "; ") + f;
            std::printf("msw-smoke: FAILED: %s\n", all.c_str());
            status_ = 1;
        }
        std::fflush(stdout);
        done_ = true;
        if (holdMs_ > 0)
            timer_.StartOnce(holdMs_);
        else
            Finish();
    }

    void Finish() { GetMainLoop()->ScheduleExit(status_); }

    wxWeakRef<SmokeFrame> frame_;  // null once the window is gone
    std::thread worker_;
    wxTimer timer_;
    int holdMs_ = 0;
    int retries_ = 0;
    int status_ = 0;
    bool done_ = false;
};

}  // namespace

wxIMPLEMENT_APP(SmokeApp);
