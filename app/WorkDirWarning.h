#pragma once
// The profile and Device.INI live in the working directory. When it cannot be written,
// the next start would have forgotten what the printer holds; the user hears of it
// once, at start-up, with the folder and the reason.
#include <string>

// Shows the warning box when dir cannot be written; true when it can.
bool WarnIfWorkDirUnwritable(const std::string& dir);

std::string WorkDirUnwritableText(const std::string& dir, const std::string& reason);
