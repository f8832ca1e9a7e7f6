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
class CNvLogoApp;
class CPrograss;
class QLineEdit;
class QPushButton;

class CPage3Upload : public CPropertyPage {
    Q_OBJECT
public:
    CPage3Upload();
    QString HelpTopic() const override { return QStringLiteral("Logo Upload"); }

    CCheckListCtrl* m_list;       // control 1001
    std::string m_strFileCount;   // edit 1075
    std::string m_strTotalSize;   // edit 1074
    std::string m_strPrinterName; // edit 1077
    std::string m_strPortName;    // edit 1076
    CNvLogoApp* m_pApp = nullptr;
    CPrinterPort m_port{kDownloadLink, CPrinterPort::WriteReport::Traced};
    bool m_bToFile = false; // the chosen device is the output file
    int32_t m_nSortColumn = 0;
    bool m_bSortAscending = false;

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;

    void OnColumnClick(int column);
    void OnItemChanged(int row);
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

    QLineEdit* m_editFileCount;
    QLineEdit* m_editTotalSize;
    QLineEdit* m_editPrinterName;
    QLineEdit* m_editPortName;
    QPushButton* m_download;
};
