#pragma once
// Where the window keeps its files when started from the desktop menu, and whether a
// folder can take them. The program keeps its profile and Device.INI in its working
// directory; a menu starts it in the home folder (or anywhere), so the menu entry asks
// for a folder of its own: ${XDG_DATA_HOME:-~/.local/share}/nivora.
#include <string>

namespace platform {

// The per-user folder for the given environment values (null when unset). A relative
// XDG_DATA_HOME is ignored, as the XDG base directory rules ask; without HOME the
// password database names the home folder.
std::string UserDataDir(const char* xdgDataHome, const char* home);

// Creates the per-user folder (and its parents) when missing and makes it the working
// directory. False with the folder and the reason in error when that fails.
bool EnterUserDataDir(std::string& dir, std::string& error);

// True when a file can be created in dir right now (tried, then removed again); else
// reason holds why not ("Permission denied", "Read-only file system", ...).
bool CanWriteDir(const std::string& dir, std::string& reason);

} // namespace platform
