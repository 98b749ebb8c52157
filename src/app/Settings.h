// The settings file ($XDG_CONFIG_HOME/BrantleConfigHelper.conf): one text
// value read or written at a time, each call opening the file afresh.
// Problems with the file are never shown: a value that cannot be read gives
// the default, one that cannot be written is lost.
#pragma once

#include <wx/string.h>

wxString ReadSetting(const wxString& name, const wxString& fallback);
void WriteSetting(const wxString& name, const wxString& value);
