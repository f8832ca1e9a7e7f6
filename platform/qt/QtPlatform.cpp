#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <utility>

#include "platform/WorkDir.h"

namespace platform::qt {

QWidget* BoxParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

int QtMessageBox::Show(const std::string& text, unsigned flags, const std::string& caption)
{
    QMessageBox box(BoxParent());
    box.setWindowTitle(QString::fromStdString(caption));
    // The texts use Windows line ends; Qt wants plain ones.
    box.setText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    switch (flags & MB_ICONMASK) {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case 0x40:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    const bool question = (flags & MB_TYPEMASK) == MB_YESNO;
    if (question) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowModality(Qt::ApplicationModal);
    const int answer = box.exec();
    if (question)
        return answer == QMessageBox::Yes ? IDYES : IDNO;
    return IDOK;
}

QString QtFilterFromWindows(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << pattern.toLower();
            if (pattern.toUpper() != pattern.toLower())
                patterns << pattern.toUpper();
        }
        // A description that names its patterns itself, "Images (*.bmp *.png)", would
        // show them twice: Qt's form puts them after the name.
        QString name = parts[i];
        if (name.endsWith(QLatin1Char(')')) && name.lastIndexOf(QLatin1Char('(')) > 0)
            name = name.left(name.lastIndexOf(QLatin1Char('('))).trimmed();
        filters << name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

bool QtFileChooser::ChooseOpenFiles(const std::string& initialPath, const std::string& filter,
                                    std::vector<std::string>& paths)
{
    QFileDialog dialog(BoxParent(), QStringLiteral("Open"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QtFilterFromWindows(filter));
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    if (!initialPath.empty()) {
        // The last file chosen: open in its folder with it preselected.
        const QFileInfo last(QString::fromStdString(initialPath));
        dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    paths.clear();
    for (const QString& file : dialog.selectedFiles())
        paths.push_back(file.toStdString());
    return true;
}

QtFileChooser::QtFileChooser(OutputNameAsker askOutputName) : m_askOutputName(std::move(askOutputName))
{
}

bool QtFileChooser::AskOutputFileName(std::string& name)
{
    return m_askOutputName && m_askOutputName(name);
}

void InstallQtPlatform(OutputNameAsker askOutputName)
{
    static QtMessageBox boxes;
    static QtFileChooser chooser(nullptr);
    chooser = QtFileChooser(std::move(askOutputName));
    SetMessageBoxHandler(&boxes);
    SetFileChooser(&chooser);
    SetApplicationTitle(ExecutableBaseName());
}

} // namespace platform::qt
