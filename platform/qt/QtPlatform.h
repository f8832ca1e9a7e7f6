#pragma once
// The platform seam as the desktop program provides it: Qt message boxes and Qt file
// dialogs. Used on the window's thread.
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/FileChooser.h"
#include "platform/MessageBox.h"

namespace platform::qt {

class QtMessageBox final : public MessageBoxHandler {
public:
    int Show(const std::string& text, unsigned flags, const std::string& caption) override;
};

// The program's own output-file name dialog lives with the other windows; the chooser
// is handed the function that runs it.
using OutputNameAsker = std::function<bool(std::string& name)>;

class QtFileChooser final : public FileChooser {
public:
    explicit QtFileChooser(OutputNameAsker askOutputName);
    bool ChooseOpenFiles(const std::string& initialPath, const std::string& filter,
                         std::vector<std::string>& paths) override;
    bool AskOutputFileName(std::string& name) override;

private:
    OutputNameAsker m_askOutputName;
};

// "Bitmap Files(*.bmp)|*.bmp||" becomes "Bitmap Files(*.bmp) (*.bmp *.BMP)": each
// description with its patterns, matched in either letter case.
QString QtFilterFromWindows(const std::string& filter);

// The window a message box or dialog opens over: the modal one, else the active one.
QWidget* BoxParent();

// Installs the two handlers above and the application title for the running program.
void InstallQtPlatform(OutputNameAsker askOutputName);

} // namespace platform::qt
