#pragma once
// Asks for the address of a network printer to add to the Setup page's port list:
// HOST[:PORT], a name, an IPv4 address or an IPv6 address in brackets.
#include <QDialog>

#include "printer/NetAddress.h"

class QLineEdit;

class CNetPrinterDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNetPrinterDlg(QWidget* parent = nullptr);
    QLineEdit* m_editAddress;
    printer::NetAddress m_address; // the parsed address once OK was accepted

    void accept() override; // refuses an empty or malformed address with a message
};
