// Test main for the tests that drive the real window: starts the toolkit
// (without a main loop of its own), runs the tests, shuts the toolkit down.
// The window keeps the Remarks and result boxes between runs; each test
// starts without any kept text, in a state folder of this process's own (so
// the user's own is never read or written).
#include <gtest/gtest.h>
#include <wx/evtloop.h>
#include <wx/wx.h>

#include <filesystem>
#include <random>
#include <string>

#include "ScopedEnvironment.h"

namespace {

// Where the program keeps its state: the variable that moves the folder.
#ifdef _WIN32
constexpr const char* kStateVariable = "LOCALAPPDATA";
#else
constexpr const char* kStateVariable = "XDG_STATE_HOME";
#endif

class FreshStateFolder : public testing::EmptyTestEventListener {
  public:
    explicit FreshStateFolder(std::string folder) : folder_(std::move(folder)) {}
    void OnTestStart(const testing::TestInfo&) override {
        state_.Set(folder_.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(folder_) / "BrantleConfigHelper",
                                    ignored);
    }

  private:
    std::string folder_;
    ScopedEnvironment state_{kStateVariable, folder_.c_str()};
};

// A new folder in the system's temporary folder, or "".
std::string NewFolder() {
    std::random_device random;
    std::error_code error;
    const auto base = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 100 && !error; ++attempt) {
        const auto path = base / ("brantle-state-" + std::to_string(random()));
        if (std::filesystem::create_directory(path, error)) return path.string();
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const std::string folder = NewFolder();
    if (folder.empty()) return 2;
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
