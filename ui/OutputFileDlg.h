#pragma once
// Asks for the name of the output file of a "Print To File" download.
#include <QDialog>
#include <string>

class QLineEdit;

class COutputFileDlg : public QDialog {
    Q_OBJECT
public:
    explicit COutputFileDlg(QWidget* parent = nullptr);
    QLineEdit* m_editFileName; // control 1062
    std::string m_strFileName; // its text once OK was accepted

    void accept() override; // refuses an empty name
};

// Runs the dialog over the active window; true with the name when OK was accepted.
bool AskOutputFileName(std::string& name);
