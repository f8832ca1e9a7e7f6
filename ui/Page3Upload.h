#pragma once
// Tab "Download Bitmap" (dialog template 131): the listed logos read-only, the two
// counters, the printer and port a download will use, and the Download button, which
// stores every listed logo in the printer's NV graphics memory (or, with an empty
// list, deletes all images there).
//
// A download runs as a job (jobs/DownloadJob.h) off the window's thread; the page shows
// its progress dialog once the printer is ready, and its messages when it has ended.
//
// With logos stored by key (the Setup page's "NV storage"), Download stores under their
// keys the listed logos the printer lacks or that changed ("Store all again": all of
// them) as a key-coded job (jobs/KeyedJob.h), and "Printer Memory..." shows what the
// printer holds.
#include <cstdint>
#include <string>

#include "jobs/DownloadJob.h"
#include "jobs/KeyedJob.h"
#include "ui/PropertySheet.h"
#include "ui/RunHost.h"

class CCheckListCtrl;
class QCheckBox;
class CPrograss;
class LogoListPane;
class LogoTableModel;
class Session;
class QLineEdit;
class QPushButton;

class CPage3Upload : public CPropertyPage {
    Q_OBJECT
public:
    // The page downloads the session's list with its settings; model shows the list.
    CPage3Upload(Session& session, LogoTableModel& model);
    QString HelpTopic() const override { return QStringLiteral("Logo Upload"); }

    LogoListPane* m_pane;
    CCheckListCtrl* m_list;        // control 1001
    std::string m_strPrinterName;  // edit 1077
    std::string m_strPortName;     // edit 1076
    RunHost m_run;                 // the page's download, while one runs
    CPrograss* m_dialog = nullptr; // its progress dialog, once the transfer began
    bool m_bToFile = false;        // the chosen device is the output file

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnSetActive() override;

    // Button 1023.
    void OnDownload();
    // "Printer Memory...": the printer's key-coded memory in a dialog of its own.
    void OnPrinterMemory();

    QCheckBox* m_storeAll;        // "Store all again" (by key only)
    QPushButton* m_printerMemory; // "Printer Memory..." (by key only)

private:
    // The job of the session's list (none: the delete-all) on the session's printer.
    void StartDownload();
    // The job has ended: the dialog goes, a completed list is stored, the messages show.
    void Ended(const jobs::DownloadEnd& end);
    // The listed logos stored by key.
    void StartKeyedStore();
    void KeyedEnded(const jobs::KeyedEnd& end);
    void ShowProgressOnTransfer();
    void CloseProgress();

    Session& m_session;
    QLineEdit* m_editPrinterName;
    QLineEdit* m_editPortName;
    QPushButton* m_download;
};
