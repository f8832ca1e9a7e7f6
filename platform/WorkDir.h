#pragma once
// The process's current directory.
#include <string>

namespace platform {

// Like _getcwd: false (and dir untouched) when the directory cannot be read.
bool GetCurrentDir(std::string& dir);
bool ChangeDir(const std::string& dir);
// The executable's base name without folder and extension ("nivora").
std::string ExecutableBaseName();

} // namespace platform
