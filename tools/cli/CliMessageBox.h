#pragma once
// The message boxes of the core, for a terminal: each text goes to standard error as
// one message, prefixed with the program and, while a file is being handled, the file.
// Questions are answered No: nothing the command line does should be agreed to
// without the user having asked for it by an option.
#include <string>

#include "platform/MessageBox.h"

namespace cli {

class CliMessageBox final : public platform::MessageBoxHandler {
public:
    CliMessageBox(); // installs itself
    ~CliMessageBox() override;
    CliMessageBox(const CliMessageBox&) = delete;
    CliMessageBox& operator=(const CliMessageBox&) = delete;

    int Show(const std::string& text, unsigned flags, const std::string& caption) override;

    // The file the next messages are about; empty for none.
    void SetSubject(std::string subject) { m_subject = std::move(subject); }
    int Shown() const { return m_shown; }

private:
    std::string m_subject;
    int m_shown = 0;
};

} // namespace cli
