#include "ui/OutputFileDlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/qt/QtPlatform.h"
#include "ui/DialogUnits.h"

COutputFileDlg::COutputFileDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Nivora"));
    setObjectName(QStringLiteral("COutputFileDlg"));
    // Neither a Cancel button nor a close box: Esc is the only way out without a name.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    const DialogUnits dlu(QApplication::font());
    setFixedSize(dlu.X(238), dlu.Y(38));
    auto* label = new QLabel(QStringLiteral("Input the output file name"), this);
    label->setGeometry(dlu.Rect(8, 7, 117, 8));
    m_editFileName = new QLineEdit(this);
    m_editFileName->setObjectName(QStringLiteral("edit1062"));
    m_editFileName->setGeometry(dlu.Rect(7, 19, 170, 12));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(dlu.Rect(181, 7, 50, 24));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &COutputFileDlg::accept);
    m_editFileName->setFocus();
}

void COutputFileDlg::accept()
{
    const std::string name = m_editFileName->text().toStdString();
    if (name.empty()) {
        platform::AfxMessageBox(msg::kNoOutputFileName, platform::MB_OK);
        return;
    }
    m_strFileName = name;
    QDialog::accept();
}

bool AskOutputFileName(std::string& name)
{
    COutputFileDlg dialog(platform::qt::BoxParent());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = dialog.m_strFileName;
    return true;
}
