#pragma once
// Where the program's own files live.

#include <string>

namespace zv {

// Folder of the running executable, with a trailing separator.
std::string ExecutableFolder();
// The config folder: ZENTRAVOLIX_CONFIG_DIR if set; else the executable's
// folder when it holds Zentravolix.ini or is writable; else
// $XDG_CONFIG_HOME/zentravolix (~/.config/zentravolix). Trailing separator.
std::string ConfigFolder();
// ConfigFolder() + name, built anew at every call.
std::string ConfigFilePath(const std::string& name);
// The user's home folder ($HOME, else the password entry's), no trailing separator.
std::string HomeFolder();
// The user's documents folder (XDG documents folder, else home), with a
// trailing separator.
std::string DocumentsFolder();

inline constexpr const char* kSettingsFileName = "Zentravolix.ini";
inline constexpr const char* kExtListFileName = "ZentravolixExpList";
inline constexpr const char* kHelpFileName = "Zentravolix.html";

}  // namespace zv
