#pragma once
// Message boxes. Every box the window shows goes through here so that tests can record
// them and script the answers. Runs on a printer never show one: they end with a value
// the window turns into its boxes (jobs/RunMessages.h). Used on the window's thread.
#include <string>

namespace platform {

// The flag and answer values of the Windows message-box API; call sites keep them
// so that each box reads exactly like the one it reproduces.
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_YESNO = 0x04;
inline constexpr unsigned MB_ICONHAND = 0x10; // stop sign
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_TYPEMASK = 0x0F;
inline constexpr unsigned MB_ICONMASK = 0xF0;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class MessageBoxHandler {
public:
    virtual ~MessageBoxHandler() = default;
    // Shows the box and returns the button pressed (IDOK, IDYES, IDNO, ...).
    virtual int Show(const std::string& text, unsigned flags, const std::string& caption) = 0;
};

// Installs the handler used from now on; nullptr restores the default, which writes
// the text to standard error and answers IDOK for an OK box and IDNO for a question.
void SetMessageBoxHandler(MessageBoxHandler* handler);

// The caption of every box raised without an explicit one: the executable's base name.
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

// A box with the application title as caption.
int AfxMessageBox(const std::string& text, unsigned flags = MB_OK);
// A box with a caption of the caller's choice.
int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

} // namespace platform
