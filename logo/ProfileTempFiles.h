#pragma once
// The temporary files of a profile rewrite ("<profile>.tmp<pid>.XXXXXX", made
// exclusively). A writer killed between creating one and renaming it leaves it behind;
// the next successful rewrite removes those of processes that are gone, never one a
// live writer is still filling.
#include <string>

// Removes "<profilePath>.tmp<pid>" and "<profilePath>.tmp<pid>.<anything>" for every
// pid that no longer runs.
void RemoveStaleTempFiles(const std::string& profilePath);
// The start of the temporary file's name for this process: "<profilePath>.tmp<pid>".
std::string TempFileFor(const std::string& profilePath);
