#pragma once
// The profile and Device.INI live in the working directory. When it cannot be written,
// the next start would have forgotten what the printer holds; the user hears of it
// once, at start-up, with the folder and the reason. So too when the profile itself
// cannot be read.
#include <string>

// Shows the warning box when dir cannot be written; true when it can.
bool WarnIfWorkDirUnwritable(const std::string& dir);

std::string WorkDirUnwritableText(const std::string& dir, const std::string& reason);

// Shows the warning box when the profile exists but cannot be read (it is then never
// rewritten); true when it can be read or does not exist yet.
bool WarnIfProfileUnreadable(const std::string& path);
