// The built program as a process: it ends with exit status 0 after its
// window is closed by the close box (a WM_DELETE_WINDOW request, as a window
// manager sends it) and after a click on "Quit". The toolkit reports a
// failure whenever the start-up hook returns false, which the program's own
// does once its modal window has closed; the program maps that normal end to
// success.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "GuiTest.h"
#include "ui/loggerDialog.h"

// Xlib's macros (None, Status, Bool...) clash with names in the headers above,
// so it comes last.
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
// clang-format on

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kTitle = "BRANTLE Config Helper 0.3.0";

// The test binary is in build/tests/, the program in build/.
fs::path ProgramPath() {
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "brantle-config-helper";
}

bool OnPath(const std::string& program) {
    const char* path = getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

long CardinalProperty(Display* display, Window window, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long value = -1;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && count == 1 && format == 32)
        value = *reinterpret_cast<long*>(data);
    if (data != nullptr) XFree(data);
    return value;
}

std::string WindowTitle(Display* display, Window window) {
    char* name = nullptr;
    std::string title;
    if (XFetchName(display, window, &name) && name != nullptr) title = name;
    if (name != nullptr) XFree(name);
    return title;
}

// The viewable top-level window of process `pid` with the program's title.
Window FindProgramWindow(Display* display, Window under, pid_t pid, int depth = 0) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable &&
            CardinalProperty(display, children[i], "_NET_WM_PID") == pid &&
            WindowTitle(display, children[i]) == kTitle)
            found = children[i];
        else if (depth < 2)
            found = FindProgramWindow(display, children[i], pid, depth + 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

// The program running under a configuration folder of its own, its standard
// output kept in a file.
class ProgramProcess {
  public:
    explicit ProgramProcess(const std::string& dir) : output_(dir + "/stdout.txt") {
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string program = ProgramPath().string();
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ProgramProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    pid_t Pid() const { return pid_; }

    // The exit status, or -1 when the process has not ended within `ms`.
    int WaitForExit(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    std::string Output() const {
        std::ifstream in(output_);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    std::string output_;
    pid_t pid_ = -1;
    bool exited_ = false;
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

    Window WaitForWindow(pid_t pid) {
        for (int i = 0; i < 300; ++i) {
            const Window window = FindProgramWindow(display, DefaultRootWindow(display), pid);
            if (window != 0) {
                // Let it draw before it is talked to.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                return window;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return 0;
    }

    std::string folder;
    Display* display = nullptr;
};

TEST_F(ProgramExitTest, CloseBoxEndsTheProgramWithStatusZero) {
    ProgramProcess program(folder);
    ASSERT_GT(program.Pid(), 0);
    const Window window = WaitForWindow(program.Pid());
    ASSERT_NE(window, 0u) << "the program's window did not appear";

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);

    EXPECT_EQ(program.WaitForExit(10000), 0);
    // The close box skips the steps of "Quit".
    EXPECT_EQ(program.Output().find("Program closed"), std::string::npos) << program.Output();
}

TEST_F(ProgramExitTest, QuitEndsTheProgramWithStatusZero) {
    ASSERT_TRUE(OnPath("xdotool")) << "xdotool is missing (scripts/setup installs it)";
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

    ProgramProcess program(folder);
    ASSERT_GT(program.Pid(), 0);
    const Window window = WaitForWindow(program.Pid());
    ASSERT_NE(window, 0u) << "the program's window did not appear";
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), quit.x, quit.y, &x, &y,
                          &child);
    const std::string click =
        "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1";
    ASSERT_EQ(system(click.c_str()), 0) << click;

    EXPECT_EQ(program.WaitForExit(10000), 0);
    EXPECT_EQ(program.Output(), "Program closed\n");
}

}  // namespace
