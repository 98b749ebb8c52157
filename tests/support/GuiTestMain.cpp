// Test main for the tests that drive the real window: starts the toolkit
// (without a main loop of its own), runs the tests, shuts the toolkit down.
// The window keeps the Remarks and result boxes between runs; each test
// starts without any kept text, in a state folder of this process's own (so
// the user's own is never read or written).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <wx/evtloop.h>
#include <wx/wx.h>

#include <filesystem>
#include <string>

namespace {

class FreshStateFolder : public testing::EmptyTestEventListener {
  public:
    explicit FreshStateFolder(std::string folder) : folder_(std::move(folder)) {}
    void OnTestStart(const testing::TestInfo&) override {
        setenv("XDG_STATE_HOME", folder_.c_str(), 1);
        std::error_code ignored;
        std::filesystem::remove_all(folder_ + "/BrantleConfigHelper", ignored);
    }

  private:
    std::string folder_;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    char folder[] = "/tmp/brantle-state-XXXXXX";
    if (mkdtemp(folder) == nullptr) return 2;
    testing::UnitTest::GetInstance()->listeners().Append(new FreshStateFolder(folder));
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
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}
