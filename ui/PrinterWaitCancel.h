#pragma once
// What a progress dialog does while the printer takes no data. The port layer asks the
// watcher between the slices of a long write, DSR wait or delivery wait; once the
// printer has taken nothing for a moment the dialog's status line says so, and its
// Cancel button (and nothing else) takes input from then on. Cancel pressed there ends
// the wait at once: the port gives up, and the page that lent it throws away what is
// still queued instead of delivering it into a printer that takes nothing.
#include <string>

#include "printer/WaitWatch.h"

class QAbstractButton;

class CPrinterWaitCancel : public printer::WaitWatcher {
public:
    // False once Cancel was pressed during the wait.
    bool Continue(const printer::WaitProgress& progress) override;

    // Cancel was pressed while the printer took nothing: the port has given up.
    bool m_bCancelledInWait = false;

protected:
    // cancelEnds follows the state on the status line ("Cancel ends the download.").
    explicit CPrinterWaitCancel(std::string cancelEnds);
    ~CPrinterWaitCancel() override = default;

    // The dialog's Cancel (button, Esc or close box): a wait under way ends with it.
    void CancelWait();

    virtual QAbstractButton* WaitCancelButton() const = 0;
    virtual void ShowWaitStatus(const std::string& text) = 0;

private:
    std::string m_strCancelEnds;
    bool m_bWaitingOnPrinter = false; // Cancel may end the wait that is running
};
