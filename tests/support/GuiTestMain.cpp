// Test main for the tests that drive the real window: starts the toolkit
// (without a main loop of its own), runs the tests, shuts the toolkit down.
#include <gtest/gtest.h>
#include <wx/evtloop.h>
#include <wx/wx.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) return 2;
    wxTheApp->CallOnInit();
    int result = 0;
    {
        // An active loop, so that PumpEvents dispatches timers and input.
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
    }
    wxEntryCleanup();
    return result;
}
