// What the window needs from the toolkit's native layer beyond what
// wxWidgets offers on every system: accessible names, a few measures that the
// toolkit's own queries get wrong, painting at once, the program's name on
// the desktop, its icon and settings store, and the start-up's checks and
// trace points. Each is a function over wx types; a system that needs nothing
// for one does nothing.
//
//   DisplayReachable, ReleaseDisplayCheck   is there a display to start on
//   PrepareStart                            before the toolkit starts
//   ProgramIcons                            the windows' icon
//   OpenSettings                            where the settings are kept
//   OnFirstMapped, OnFirstDrawn             the start-up trace points
//   SetAccessibleName, AccessibleName       names for assistive technology
//   SetInnerAccessibleName                  the same for a control's inner part
//   TextFrameWidth                          an entry's frame around its text
//   TabRowWidth                             a notebook's width with every tab
//   HideTabs                                a notebook without its tab row
//                                           (where removing pages needs it)
//   PaintNow                                draw what changed without waiting
//   KeepOwnInput                            input while a modal window runs
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class wxConfigBase;
class wxIconBundle;
class wxNotebook;
class wxString;
class wxTextCtrl;
class wxWindow;

namespace Toolkit {

// Whether the display `name` (the default one when empty) can be reached,
// asked before the toolkit starts without starting it.
bool DisplayReachable(const std::string& name);
// Lets go of what DisplayReachable kept open, once the toolkit has its own
// connection (or will not get one).
void ReleaseDisplayCheck();

// Made once before the toolkit starts: names the program `desktopId` for the
// desktop (the windows' class, matching its desktop entry) and settles how the
// toolkit starts. Returns the options to put right after the program's own
// name on the command line the toolkit is started with.
std::vector<std::string> PrepareStart(const char* desktopId);

// The program's icon in the sizes it comes in, for its windows' title bar and
// the task bar: built into the program (its PNG on Linux, its resources on
// Windows).
wxIconBundle ProgramIcons();

// The settings store, opened afresh; each value is read and written under
// its name. On Linux the file $XDG_CONFIG_HOME/BrantleConfigHelper.conf
// (~/.config when that is not set), with the system-wide one as a fallback
// for reading; on Windows the user's registry key
// HKEY_CURRENT_USER\Software\BrantleConfigHelper. `toWrite` first makes
// the file's folder when it is missing.
std::unique_ptr<wxConfigBase> OpenSettings(bool toWrite);

// `then` runs once, when `window` is first mapped on the screen, or first
// drawn.
void OnFirstMapped(wxWindow* window, std::function<void()> then);
void OnFirstDrawn(wxWindow* window, std::function<void()> then);

// The name under which assistive technology finds `control`, as given.
void SetAccessibleName(wxWindow* control, const wxString& name);
wxString AccessibleName(wxWindow* control);
// Names the part of `control` that takes the input when that part is an
// accessible object of its own (the entry of a combo box); nothing otherwise.
void SetInnerAccessibleName(wxWindow* control, const wxString& name);

// What a single-line field adds to the width of its text: the theme's
// padding and border on the left and the right.
int TextFrameWidth(wxTextCtrl* field);

// The width `book` needs to show all its tabs without scroll arrows.
int TabRowWidth(wxNotebook* book);

// Takes away the tab row of `book` before its pages go, where the toolkit's
// accessibility bridge would ask removed pages for their tabs (GTK); nothing
// where it does not.
void HideTabs(wxNotebook* book);

// Draws what changed in `window` now rather than with the next frame. False
// when the window is not on the screen (nothing is drawn then).
bool PaintNow(wxWindow* window);

// Gives `window` input of its own while a modal window runs.
void KeepOwnInput(wxWindow* window);

}  // namespace Toolkit
