// The built program as a process: it ends with exit status 0 after its
// window is closed by the close box (a WM_DELETE_WINDOW request, as a window
// manager sends it) and after a click on "Quit". The toolkit reports a
// failure whenever the start-up hook returns false, which the program's own
// does once its modal window has closed; the program maps that normal end to
// success. From start to "Quit" the toolkit has nothing to complain about on
// standard error, with assistive technology listening too.
#include <atspi/atspi.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "ui/loggerDialog.h"

// clang-format off
#include "ProgramWindow.h"  // last: it brings in Xlib's macros
// clang-format on

namespace {

namespace fs = std::filesystem;

using program::FileText;
using program::FindProgramWindow;
using program::OnPath;
using program::ProgramPath;
using program::RequestClose;
using program::RootPoint;
using program::ToRoot;
using program::WaitForProgramWindow;

// The program running under a configuration folder of its own, its standard
// output and error kept in files.
class ProgramProcess {
  public:
    explicit ProgramProcess(const std::string& dir)
        : output_(dir + "/stdout.txt"), errors_(dir + "/stderr.txt") {
        process_.Start(ProgramPath().string(), dir, [&](posix_spawn_file_actions_t* actions) {
            posix_spawn_file_actions_addopen(actions, STDOUT_FILENO, output_.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
            posix_spawn_file_actions_addopen(actions, STDERR_FILENO, errors_.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        });
    }
    pid_t Pid() const { return process_.Pid(); }

    // The exit status, or -1 when the process has not ended within `ms`.
    int WaitForExit(int ms) { return process_.WaitForExit(ms); }
    std::string Output() const { return FileText(output_); }
    std::string Errors() const { return FileText(errors_); }
    // The toolkit's complaints on standard error, "" when there were none.
    std::string ToolkitWarnings() const {
        static const std::regex warning("Gtk-(CRITICAL|WARNING)[^\n]*");
        const std::string errors = FileText(errors_);
        std::string found;
        for (std::sregex_iterator it(errors.begin(), errors.end(), warning), end; it != end; ++it)
            found += it->str() + "\n";
        return found;
    }

  private:
    std::string output_;
    std::string errors_;
    program::ChildProcess process_;
};

class ProgramExitTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(ProgramPath())) << ProgramPath();
        char dir[] = "/tmp/brantle-process-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
    }
    void TearDown() override {
        if (display != nullptr) XCloseDisplay(display);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    Window WaitForWindow(pid_t pid) { return WaitForProgramWindow(display, pid, 15000); }

    std::string folder;
    Display* display = nullptr;
};

TEST_F(ProgramExitTest, CloseBoxEndsTheProgramWithStatusZero) {
    unsetenv("GDK_GL");  // the program's own choice, not one inherited
    ProgramProcess program(folder);
    ASSERT_GT(program.Pid(), 0);
    const Window window = WaitForWindow(program.Pid());
    ASSERT_NE(window, 0u) << "the program's window did not appear";
    // Nothing is drawn with OpenGL: the toolkit's probe, which loads Mesa's
    // drivers and LLVM (half the resident memory), is left out.
    const std::string maps = FileText("/proc/" + std::to_string(program.Pid()) + "/maps");
    EXPECT_EQ(maps.find("libLLVM"), std::string::npos);
    EXPECT_EQ(maps.find("_dri.so"), std::string::npos);

    RequestClose(display, window);

    EXPECT_EQ(program.WaitForExit(10000), 0) << program.Errors();
    // The close box skips the steps of "Quit".
    EXPECT_EQ(program.Output().find("Program closed"), std::string::npos) << program.Output();
}

// Starts the program, clicks "Quit" and waits for its end; `waiting` runs
// while the window is awaited.
void RunUntilQuit(ProgramProcess& program, Display* display) {
    ASSERT_TRUE(OnPath("xdotool")) << "xdotool is missing (scripts/setup --test installs it)";
    // Where "Quit" lies in the window: the same window built here has the
    // same layout.
    wxPoint quit;
    {
        auto* dialog = new loggerDialog();
        dialog->Show();
        PumpEvents(100);
        const wxRect button = dialog->ID_BUTTON3->GetScreenRect();
        quit = button.GetPosition() + button.GetSize() / 2 - dialog->GetScreenPosition();
        dialog->Destroy();
        PumpEvents(20);
    }
    ASSERT_GT(program.Pid(), 0);
    Window window = 0;
    PumpUntil(
        [&] {
            return (window =
                        FindProgramWindow(display, DefaultRootWindow(display), program.Pid())) != 0;
        },
        15000);
    ASSERT_NE(window, 0u) << "the program's window did not appear";
    PumpEvents(300);  // a moment to draw
    const RootPoint at = ToRoot(display, window, quit.x, quit.y);
    const std::string click =
        "xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " click 1";
    ASSERT_EQ(system(click.c_str()), 0) << click;
    int status = -1;
    PumpUntil([&] { return (status = program.WaitForExit(1)) >= 0; }, 10000);
    EXPECT_EQ(status, 0) << program.Errors();
}

TEST_F(ProgramExitTest, QuitEndsTheProgramWithStatusZero) {
    ProgramProcess program(folder);
    RunUntilQuit(program, display);
    EXPECT_EQ(program.Output(), "Program closed\n");
    EXPECT_EQ(program.ToolkitWarnings(), "");
}

// With assistive technology listening (as on any desktop with a screen reader
// or the desktop shell's own), the toolkit's accessibility bridge reports
// every change of the window; from start to "Quit" the toolkit must have
// nothing to complain about. Run under a session bus of its own by ctest
// (gui_app_accessible).
TEST_F(ProgramExitTest, QuitWithAssistiveTechnologyListeningWarnsOfNothing) {
    if (getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
        GTEST_SKIP() << "no session bus (ctest runs this under dbus-run-session)";
    ASSERT_EQ(atspi_init(), 0) << "the accessibility bus could not be reached";
    static int events = 0;
    AtspiEventListener* listener = atspi_event_listener_new(
        [](AtspiEvent* event, void*) {
            ++events;
            g_boxed_free(ATSPI_TYPE_EVENT, event);
        },
        nullptr, nullptr);
    for (const char* kind : {"object:", "window:"})
        ASSERT_TRUE(atspi_event_listener_register(listener, kind, nullptr)) << kind;

    // The bridge is left out of the tests' own processes (NO_AT_BRIDGE), not
    // out of this program's.
    const std::string noBridge = getenv("NO_AT_BRIDGE") ? getenv("NO_AT_BRIDGE") : "";
    unsetenv("NO_AT_BRIDGE");
    ProgramProcess program(folder);
    if (!noBridge.empty()) setenv("NO_AT_BRIDGE", noBridge.c_str(), 1);
    RunUntilQuit(program, display);
    PumpEvents(200);

    EXPECT_GT(events, 0) << "the program's accessibility bridge sent nothing";
    EXPECT_EQ(program.ToolkitWarnings(), "");
    for (const char* kind : {"object:", "window:"})
        atspi_event_listener_deregister(listener, kind, nullptr);
    g_object_unref(listener);
    atspi_exit();
}

// The result box outlives the program: typed in, the window closed by its
// close box, and the next window (here, one built by the test with the same
// state folder) shows it again.
TEST_F(ProgramExitTest, TheResultIsKeptAcrossARestart) {
    ASSERT_TRUE(OnPath("xdotool")) << "xdotool is missing (scripts/setup installs it)";
    wxPoint box;
    {
        auto* dialog = new loggerDialog();
        dialog->Show();
        PumpEvents(100);
        const wxRect rect = dialog->ID_TEXTCTRL7->GetScreenRect();
        box = rect.GetPosition() + wxPoint(20, 20) - dialog->GetScreenPosition();
        dialog->Destroy();
        PumpEvents(20);
    }
    ProgramProcess program(folder);
    ASSERT_GT(program.Pid(), 0);
    const Window window = WaitForWindow(program.Pid());
    ASSERT_NE(window, 0u) << "the program's window did not appear";
    const RootPoint at = ToRoot(display, window, box.x, box.y);
    const std::string type = "xdotool mousemove " + std::to_string(at.x) + " " +
                             std::to_string(at.y) + " click 1 sleep 0.3 type 'Key 17 kept'";
    ASSERT_EQ(system(type.c_str()), 0) << type;
    RequestClose(display, window);
    ASSERT_EQ(program.WaitForExit(10000), 0);

    EXPECT_EQ(FileText(folder + "/state/BrantleConfigHelper/result.txt"), "Key 17 kept");
    auto* next = new loggerDialog();  // XDG_STATE_HOME is still the program's
    EXPECT_EQ(next->ID_TEXTCTRL7->GetValue(), "Key 17 kept");
    next->Destroy();
    PumpEvents(20);
}

// The command line as a Linux user expects it, and no display: a message
// on standard error and a non-zero status (the toolkit used to abort).
TEST_F(ProgramExitTest, CommandLineAndNoDisplay) {
    struct Row {
        std::vector<std::string> args;
        bool display;
        int status;
        const char* out;          // begins standard output
        const char* err;          // found in standard error
        const char* outHas = "";  // found in standard output
    };
    const Row rows[] = {
        {{"--version"}, true, 0, BRANTLE_VERSION_TEXT "\n", ""},
        {{"--help"}, true, 0, "BRANTLE Config Helper " BRANTLE_VERSION_TEXT, "", "--port=<str>"},
        {{"--version"}, false, 0, BRANTLE_VERSION_TEXT "\n", ""},
        {{"--frobnicate"}, true, 2, "", "Unknown long option 'frobnicate'"},
        {{"--log"}, true, 2, "", "requires a value"},
        {{"--port"}, true, 2, "", "'port' requires a value"},
        {{}, false, 1, "", "cannot open the display"},
    };
    const std::string display = getenv("DISPLAY");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.empty() ? "no arguments" : row.args[0]);
        if (!row.display) unsetenv("DISPLAY");
        program::ChildProcess child;
        const std::string out = folder + "/out.txt", err = folder + "/err.txt";
        ASSERT_TRUE(child.Start(
            ProgramPath().string(), folder,
            [&](posix_spawn_file_actions_t* actions) {
                posix_spawn_file_actions_addopen(actions, STDOUT_FILENO, out.c_str(),
                                                 O_WRONLY | O_CREAT | O_TRUNC, 0644);
                posix_spawn_file_actions_addopen(actions, STDERR_FILENO, err.c_str(),
                                                 O_WRONLY | O_CREAT | O_TRUNC, 0644);
            },
            row.args));
        setenv("DISPLAY", display.c_str(), 1);
        EXPECT_EQ(child.WaitForExit(10000), row.status);
        EXPECT_EQ(FileText(out).rfind(row.out, 0), 0u) << FileText(out);
        EXPECT_NE(FileText(err).find(row.err), std::string::npos) << FileText(err);
        EXPECT_NE(FileText(out).find(row.outHas), std::string::npos) << FileText(out);
    }
}

}  // namespace
