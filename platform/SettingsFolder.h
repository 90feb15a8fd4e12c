#pragma once

#include <string>

namespace brelvo::platform {

// The program's settings folder: $XDG_CONFIG_HOME/Kestrav/Brelvo, or $HOME/.config/Kestrav/Brelvo
// when XDG_CONFIG_HOME is unset, empty or relative (a relative value must be ignored). With no
// usable HOME either, the password entry's home folder stands in. The program creates it at
// start and never stores anything in it.
std::string SettingsFolderPath();

// Creates the settings folder and any missing parents (mode 0700 for new ones). True when the
// folder exists afterwards; its path is put in *created when that is given, and left alone on
// failure.
bool CreateSettingsFolder(std::string* created = nullptr);

// The user's home folder: $HOME when it is an absolute path, else the password entry's home
// (read reentrantly, so any thread may ask); empty when neither is there.
std::string HomeFolder();

} // namespace brelvo::platform
