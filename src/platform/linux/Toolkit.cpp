#include "platform/Toolkit.h"

#include <X11/Xlib.h>
#include <gtk/gtk.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wx/bitmap.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/iconbndl.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "ini/FieldText.h"

extern const unsigned char kAppIconPng[];  // data/org.brantle.ConfigHelper.png
extern const std::size_t kAppIconPngSize;

namespace {

// The settings file: $XDG_CONFIG_HOME/BrantleConfigHelper.conf, or
// ~/.config/BrantleConfigHelper.conf when that is not set. Environment values
// and paths are UTF-8 bytes whatever the locale.
wxString SettingsPath() {
    const char* dir = getenv("XDG_CONFIG_HOME");
    if (dir != nullptr && dir[0] != '\0') return PieceText(dir) + "/BrantleConfigHelper.conf";
    const char* home = getenv("HOME");
    return PieceText(home != nullptr ? home : "") + "/.config/BrantleConfigHelper.conf";
}

// The display check must not open a GdkDisplay: one opened (and closed)
// before GTK is initialised probes OpenGL regardless of GDK_GL (loading Mesa
// and LLVM) and now and then leaves GTK without a display, which aborts the
// start-up. A plain connection answers the question.
//
// The connection stays open until the toolkit has its own (see
// ReleaseDisplayCheck): an X server whose last client goes away resets
// itself (Xvfb does unless told otherwise), and a toolkit connecting during
// that reset fails.
Display* checkConnection = nullptr;

// A Wayland session: the compositor's socket, named as libwayland does.
bool WaylandReachable() {
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

// A handler of a widget's signal that runs once: it disconnects itself
// (which frees what it was given) before it runs.
struct Once {
    std::function<void()> then;
};

void FreeOnce(gpointer once, GClosure*) { delete static_cast<Once*>(once); }

void RunOnce(GtkWidget* widget, gpointer data, gpointer handler) {
    std::function<void()> then = std::move(static_cast<Once*>(data)->then);
    g_signal_handlers_disconnect_by_func(widget, handler, data);
    then();
}

gboolean MappedOnce(GtkWidget* widget, GdkEvent*, gpointer data) {
    RunOnce(widget, data, reinterpret_cast<gpointer>(MappedOnce));
    return FALSE;
}

gboolean DrawnOnce(GtkWidget* widget, cairo_t*, gpointer data) {
    RunOnce(widget, data, reinterpret_cast<gpointer>(DrawnOnce));
    return FALSE;
}

void ConnectOnce(wxWindow* window, const char* signal, GCallback handler,
                 std::function<void()> then) {
    g_signal_connect_data(window->GetHandle(), signal, handler, new Once{std::move(then)}, FreeOnce,
                          GConnectFlags(0));
}

void NameAccessible(GtkWidget* widget, const wxString& name) {
    if (widget == nullptr) return;
    if (AtkObject* accessible = gtk_widget_get_accessible(widget))
        atk_object_set_name(accessible, name.utf8_str());
}

}  // namespace

namespace Toolkit {

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
    return name.empty() && WaylandReachable();
}

std::vector<std::string> PrepareStart(const char* desktopId) {
    // Nothing here draws with OpenGL, yet GTK probes it when it opens the
    // display, which loads Mesa's drivers and LLVM: half of the resident
    // memory and a good part of the start-up. A GDK_GL given by the user
    // stands.
    setenv("GDK_GL", "disable", 0);
    // The toolkit takes the windows' X class from its --class option only
    // (set later, it is not used).
    g_set_prgname(desktopId);
    return {std::string("--class=") + desktopId};
}

wxIconBundle ProgramIcons() {
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap::NewFromPNGData(kAppIconPng, kAppIconPngSize));
    return wxIconBundle(icon);
}

std::unique_ptr<wxConfigBase> OpenSettings(bool toWrite) {
    const wxString path = SettingsPath();
    if (toWrite) wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    return std::make_unique<wxFileConfig>("BrantleConfigHelper", wxEmptyString, path, wxEmptyString,
                                          wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE,
                                          wxConvUTF8);
}

void OnFirstMapped(wxWindow* window, std::function<void()> then) {
    ConnectOnce(window, "map-event", G_CALLBACK(MappedOnce), std::move(then));
}

void OnFirstDrawn(wxWindow* window, std::function<void()> then) {
    ConnectOnce(window, "draw", G_CALLBACK(DrawnOnce), std::move(then));
}

void SetAccessibleName(wxWindow* control, const wxString& name) {
    NameAccessible(control->GetHandle(), name);
}

wxString AccessibleName(wxWindow* control) {
    GtkWidget* widget = control->GetHandle();
    if (widget == nullptr) return wxEmptyString;
    AtkObject* accessible = gtk_widget_get_accessible(widget);
    const char* name = accessible ? atk_object_get_name(accessible) : nullptr;
    return name ? wxString::FromUTF8(name) : wxString();
}

void SetInnerAccessibleName(wxWindow* control, const wxString& name) {
    GtkWidget* inner = control->GetConnectWidget();
    if (inner != control->GetHandle()) NameAccessible(inner, name);
}

int TextFrameWidth(wxTextCtrl* field) {
    GtkStyleContext* style = gtk_widget_get_style_context(field->GetHandle());
    const GtkStateFlags state = gtk_style_context_get_state(style);
    GtkBorder padding{};
    GtkBorder border{};
    gtk_style_context_get_padding(style, state, &padding);
    gtk_style_context_get_border(style, state, &border);
    return padding.left + padding.right + border.left + border.right;
}

// GTK tells the width of the tab row only while the tabs are not scrollable.
int TabRowWidth(wxNotebook* book) {
    GtkNotebook* notebook = GTK_NOTEBOOK(book->GetHandle());
    const gboolean scrollable = gtk_notebook_get_scrollable(notebook);
    gtk_notebook_set_scrollable(notebook, FALSE);
    int minimum = 0;
    int natural = 0;
    gtk_widget_get_preferred_width(GTK_WIDGET(notebook), &minimum, &natural);
    gtk_notebook_set_scrollable(notebook, scrollable);
    return minimum;
}

void HideTabs(wxNotebook* book) {
    gtk_notebook_set_show_tabs(GTK_NOTEBOOK(book->GetHandle()), FALSE);
}

bool PaintNow(wxWindow* window) {
    GtkWidget* widget = window->GetHandle();
    GdkWindow* gdkWindow = widget != nullptr ? gtk_widget_get_window(widget) : nullptr;
    if (gdkWindow == nullptr || !gtk_widget_get_mapped(widget)) return false;
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gdk_window_process_updates(gdkWindow, TRUE);
    G_GNUC_END_IGNORE_DEPRECATIONS
    return true;
}

// The modal window takes the toolkit's input grab; a window in a group of its
// own keeps its input.
void KeepOwnInput(wxWindow* window) {
    GtkWindowGroup* group = gtk_window_group_new();
    gtk_window_group_add_window(group, GTK_WINDOW(window->GetHandle()));
    g_object_unref(group);
}

}  // namespace Toolkit
