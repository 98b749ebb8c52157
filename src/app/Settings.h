// The settings (Toolkit::OpenSettings: $XDG_CONFIG_HOME/BrantleConfigHelper.conf
// on Linux, the user's registry on Windows): one text value read or written
// at a time, each call opening the store afresh. Problems with the store are
// never shown: a value that cannot be read gives
// the default, one that cannot be written is lost.
#pragma once

#include <wx/string.h>

wxString ReadSetting(const wxString& name, const wxString& fallback);
void WriteSetting(const wxString& name, const wxString& value);
