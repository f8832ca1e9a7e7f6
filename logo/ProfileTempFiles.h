#pragma once
// The temporary files of a profile rewrite ("<profile>.tmp<pid>"). A writer killed
// between creating one and renaming it leaves it behind; the next successful rewrite
// removes those of processes that are gone, never one a live writer is still filling.
#include <string>

// Removes "<profilePath>.tmp<pid>" for every pid that no longer runs.
void RemoveStaleTempFiles(const std::string& profilePath);
// The temporary file this process writes for profilePath.
std::string TempFileFor(const std::string& profilePath);
