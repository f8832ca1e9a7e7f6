#pragma once
// The two places where the program asks the user for file names.
#include <string>
#include <vector>

namespace platform {

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Multi-select open dialog. filter uses the "Text(*.ext)|*.ext||" notation.
    // Returns false when the user cancelled; otherwise paths holds the chosen files
    // (possibly none) in the order the dialog hands them out.
    virtual bool ChooseOpenFiles(const std::string& initialPath, const std::string& filter,
                                 std::vector<std::string>& paths) = 0;
    // Asks for the name of the output file of a "Print To File" run. Returns false
    // when the user cancelled; a returned name is never empty.
    virtual bool AskOutputFileName(std::string& name) = 0;
};

// nullptr restores the default, which cancels every request.
void SetFileChooser(FileChooser* chooser);
FileChooser& GetFileChooser();

} // namespace platform
