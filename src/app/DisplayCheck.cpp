#include <X11/Xlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/loggerApp.h"

// Asked before the toolkit starts, so it must not open a GdkDisplay: one
// opened (and closed) before GTK is initialised probes OpenGL regardless of
// GDK_GL (loading Mesa and LLVM) and now and then leaves GTK without a
// display, which aborts the start-up. A plain connection answers the
// question.
//
// The connection stays open until the toolkit has its own (see
// ReleaseDisplayCheck): an X server whose last client goes away resets
// itself (Xvfb does unless told otherwise), and a toolkit connecting during
// that reset fails.
namespace {
Display* checkConnection = nullptr;
}

void ReleaseDisplayCheck() {
    if (checkConnection != nullptr) XCloseDisplay(checkConnection);
    checkConnection = nullptr;
}

bool DisplayReachable(const std::string& name) {
    ReleaseDisplayCheck();
    if (Display* x = XOpenDisplay(name.empty() ? nullptr : name.c_str())) {
        checkConnection = x;
        return true;
    }
    if (!name.empty()) return false;
    // A Wayland session: the compositor's socket, named as libwayland does.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (wayland == nullptr || *wayland == '\0') return false;
    std::string path = wayland;
    if (path[0] != '/') {
        if (runtime == nullptr) return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool reached = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return reached;
}
