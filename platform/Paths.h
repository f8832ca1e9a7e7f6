#pragma once
// Joining file names to folders as a user would write them: one slash between the
// parts, however many the folder was typed with ("out/" and "out" give the same).
#include <string>

namespace platform {

// folder + "/" + name with the slashes at the seam collapsed to one; an empty folder
// gives name as it is, and the root folder "/" gives "/name".
std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace platform
