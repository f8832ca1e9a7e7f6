#pragma once
// The modal dialog of a print run (template 135): one image per 300 ms tick on the
// port the Print page opened and lends it, a progress bar, and Cancel.
//
// Waits hold user input back until the tick has ended, as in the download dialog,
// except while the printer takes no data: then the status line says so and Cancel
// ends the run inside the tick (m_bCancelledInWait).
#include <QDialog>
#include <string>

#include "platform/CancelMode.h"
#include "print/PrintWalk.h"
#include "ui/PrinterWaitCancel.h"

class CPrinterPort;

class CDataExchange;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace printer {
class Port;
}

class CPrintProgress : public QDialog,
                       public CPrintWalk,
                       public platform::CancelModeTarget,
                       public CPrinterWaitCancel {
    Q_OBJECT
public:
    explicit CPrintProgress(QWidget* parent = nullptr);

    // The borrowed port (never opened or closed here), the page's choices, and what the
    // run prints: for "Selection" (range 1) the items of list, jobCount images in all;
    // for "All" (range 0) the walk's own numbers, jobCount of them.
    void SetPrintParam(CPrinterPort* port, int range, int quality, int header, PrintList list, int jobCount);
    // Runs the dialog: IDOK when the run ended (all printed, a write failed, a box
    // covered it), IDCANCEL for Cancel or Esc.
    int DoModal();

    bool OnInitDialog();
    // The timer's handler. A tick that is already under way (its write, or the final
    // pause) lets further ticks pass: the waits keep the event loop turning, and a
    // second tick inside the first would put its bytes into the middle of a command.
    void OnTimer();
    void OnCancel();
    void OnOK();
    // Any message box about to cover the dialog ends the run: the communication error
    // (m_bError) just closes it, anything else also stops it.
    void OnCancelMode() override;

    bool UpdateData(bool saveAndValidate = true);
    // Ticks come this often from now on (tests shorten the 300 ms).
    void SetTickInterval(int ms);

    CPrinterPort* m_hPort = nullptr;
    PrintList m_printList;    // the Selection's items
    int m_nJobCount = 0;      // images the run prints
    QProgressBar* m_progress; // control 1058
    QLabel* m_status;         // control 1057, shows m_strStatus
    std::string m_strStatus;

protected:
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override;
    void OnImagePrinted() override;
    void OnWriteFailed() override;
    QAbstractButton* WaitCancelButton() const override;
    void ShowWaitStatus(const std::string& text) override;
    virtual void DoDataExchange(CDataExchange& dx);
    void reject() override;

private:
    void Finish();

    QPushButton* m_cancel;
    QTimer* m_timer;
    bool m_bInTick = false;
};
