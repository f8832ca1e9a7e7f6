#pragma once
// Tab "Download Bitmap" (dialog template 131): the listed logos read-only, the two
// counters, the printer and port a download will use, and the Download button, which
// stores every listed logo in the printer's NV graphics memory (or, with an empty
// list, deletes all images there).
//
// The page owns the Download page's printer port, m_port, with the download variant.
#include <cstdint>
#include <string>

#include "download/DownloadRun.h"
#include "printer/PrinterPort.h"
#include "ui/PropertySheet.h"

class CCheckListCtrl;
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
    CCheckListCtrl* m_list;       // control 1001
    std::string m_strPrinterName; // edit 1077
    std::string m_strPortName;    // edit 1076
    CPrinterPort m_port{kDownloadLink, CPrinterPort::WriteReport::Traced};
    bool m_bToFile = false; // the chosen device is the output file

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnSetActive() override;

    // Button 1023.
    void OnDownload();

private:
    // The download of the listed logos, from the confirmation to the closed port.
    void DownloadListed();
    // The empty list's run: FS q 1 with one empty definition.
    void DeleteAll();
    // Runs the progress dialog on the open port and completes what it left.
    void RunProgress(bool& failed);
    // What the progress dialog could not say while it ran.
    void ReportAfterRun(const CPrograss& dialog);

    Session& m_session;
    QLineEdit* m_editPrinterName;
    QLineEdit* m_editPortName;
    QPushButton* m_download;
};
