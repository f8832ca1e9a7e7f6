#pragma once
// "Printer Memory": what a printer that keeps logos by key holds (capacity, free room,
// the stored keys), refreshed on request, with Delete (the chosen keys), Delete All and
// Print (the chosen keys at the chosen size). Every request runs as a key-coded job off
// the window's thread; while one runs the buttons rest, and Close cancels it and closes
// once it has ended (a printer writing its memory is left to finish).
//
// Window thread only.
#include <QDialog>
#include <string>
#include <vector>

#include "jobs/KeyedJob.h"
#include "ui/RunHost.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class Session;

class CPrinterMemoryDlg : public QDialog {
    Q_OBJECT
public:
    CPrinterMemoryDlg(const Session& session, QWidget* parent = nullptr);

    void Refresh();
    void OnDelete();
    void OnDeleteAll();
    void OnPrint();
    void reject() override;

    RunHost m_run;
    QLabel* m_memory; // the memory line, or what the last request found
    QLabel* m_status; // the running request's progress
    QListWidget* m_keys;
    QComboBox* m_size; // Normal, Double Width, Double Height, Quadraple

private:
    std::vector<std::string> ChosenKeys() const;
    void Start(jobs::KeyedRequest request);
    void Ended(const jobs::KeyedEnd& end, jobs::KeyedAction action);

    const Session& m_session;
    std::vector<QPushButton*> m_buttons; // Refresh, Delete, Delete All, Print
    bool m_closing = false;              // closed while a request ran
};
