#pragma once
// Tab "Print Bitmap" (dialog template 132): which stored NV images to print ("All" or
// a typed "Selection"), at which size, with or without a header line, and the Print
// button that runs the print on the configured port as a job (jobs/PrintJob.h) off the
// window's thread. With logos stored by key (the Setup page's "NV storage") the
// Selection takes keys ("L1,L2") and All the keys of the stored list, printed with
// GS ( L at the chosen size (jobs/KeyedJob.h).
#include <string>
#include <vector>

#include "jobs/PrintJob.h"
#include "print/PrintRange.h"
#include "ui/PropertySheet.h"
#include "ui/RunHost.h"

// The keys of text, separated by commas ("L1,L2"); none, with the first item that is no
// key in bad, when there is one.
std::vector<std::string> KeysOfText(const std::string& text, std::string& bad);

class CPrintProgress;
class QAbstractButton;
class QGroupBox;
class QLineEdit;
class QPushButton;
class Session;

class CPage4Print : public CPropertyPage {
    Q_OBJECT
public:
    // The page prints on the port of the session's settings.
    explicit CPage4Print(const Session& session);
    QString HelpTopic() const override { return QStringLiteral("Logo Printout"); }

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnSetActive() override;

    // Sets m_bRangeError when text is no valid selection; never clears it. The result
    // says nothing.
    bool CheckPrintRange(std::string text);
    // Reads the controls, checks the Selection text and appends its items to
    // m_printList and its image count to m_nSelectCount; false on a bad text (the run
    // says so once the printer has had its start).
    bool ParsePrintRange();

    // Handlers, in the order of the page's message map.
    void OnSetfocusSelection();
    void OnChangeSelection();
    void OnRangeAll();
    void OnRangeSelection();
    void OnQuality(int quality);
    void OnHeader(int header);
    void OnPrint();

    RunHost m_run;              // the page's print, while one runs
    QLineEdit* m_editSelection; // control 1034
    int m_nRange = -1;          // 0 All, 1 Selection
    std::string m_strPrinterName;
    std::string m_strPortName;
    std::string m_strSelection;
    int m_nHeader = -1;  // 0 No Header, 1 Add Header
    int m_nQuality = -1; // 0 Normal, 1 Double Width, 2 Double Height, 3 Quadraple
    int m_nSelectCount = 0;
    bool m_bRangeError = false;
    PrintList m_printList; // the Selection's items, as last parsed

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    QGroupBox* AddGroup(int id, const QString& text, int x, int y, int w, int h, Follow follow);
    QAbstractButton* AddRadio(QGroupBox* group, int id, const QString& text, int x, int y, int w, int h);
    QLineEdit* AddEdit(QGroupBox* group, int id, int x, int y, int w, int h, bool readOnly);
    // The job has ended: the dialog goes and the messages show.
    void Ended(const jobs::PrintEnd& end);
    void PrintKeys();
    void ShowProgressOnTransfer();
    void CloseProgress();
    CPrintProgress* m_dialog = nullptr; // the running print's dialog

    const Session& m_session;
    QPushButton* m_buttonPrint; // control 1029
    std::vector<QAbstractButton*> m_radioRange;
    std::vector<QAbstractButton*> m_radioQuality;
    std::vector<QAbstractButton*> m_radioHeader;
    QLineEdit* m_editPrinterName; // control 1072
    QLineEdit* m_editPortName;    // control 1073
};
