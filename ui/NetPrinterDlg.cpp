#include "ui/NetPrinterDlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "ui/DialogUnits.h"

CNetPrinterDlg::CNetPrinterDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Nivora"));
    setObjectName(QStringLiteral("CNetPrinterDlg"));
    const DialogUnits dlu(QApplication::font());
    setFixedSize(dlu.X(238), dlu.Y(54));
    auto* label = new QLabel(QStringLiteral("Input the printer address (HOST[:PORT])"), this);
    label->setGeometry(dlu.Rect(8, 7, 170, 8));
    m_editAddress = new QLineEdit(this);
    m_editAddress->setObjectName(QStringLiteral("editAddress"));
    m_editAddress->setPlaceholderText(QStringLiteral("192.168.1.50:9100"));
    m_editAddress->setGeometry(dlu.Rect(7, 19, 170, 12));
    auto* note = new QLabel(QStringLiteral("Port 9100 when left out; IPv6 in brackets: [fe80::1]"), this);
    note->setGeometry(dlu.Rect(8, 36, 170, 8));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(dlu.Rect(181, 7, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(dlu.Rect(181, 25, 50, 14));
    connect(ok, &QPushButton::clicked, this, &CNetPrinterDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CNetPrinterDlg::reject);
    m_editAddress->setFocus();
}

void CNetPrinterDlg::accept()
{
    const std::string text = m_editAddress->text().trimmed().toStdString();
    if (text.empty()) {
        platform::AfxMessageBox(msg::kNoPrinterAddress, platform::MB_OK);
        return;
    }
    std::string error;
    if (!printer::ParseTypedNetAddress(text, m_address, error)) {
        platform::AfxMessageBox(error, platform::MB_ICONEXCLAMATION);
        return;
    }
    QDialog::accept();
}
