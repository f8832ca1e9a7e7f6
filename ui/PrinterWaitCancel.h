#pragma once
// What a progress dialog does while the printer takes no data. The link's stall policy
// tells the dialog on every slice of a wait once the printer has taken nothing for a
// moment; the dialog's status line then says so, and its Cancel button (and nothing
// else) takes input from then on. Cancel pressed there sets the dialog's cancel token,
// which ends the wait at once: the link gives up, and the page that lent it throws away
// what is still queued instead of delivering it into a printer that takes nothing.
#include <string>

#include "printer/StallPolicy.h"

class QAbstractButton;

class CPrinterWaitCancel : public printer::WaitObserver {
public:
    void OnNotTakingData(const printer::WaitReport& report) override;

    // Cancel was pressed while the printer took nothing: the link has given up.
    bool m_bCancelledInWait = false;
    // What the dialog's link waits are cancelled by.
    const printer::CancelToken* WaitCancelToken() const { return &m_cancelToken; }

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
    printer::CancelToken m_cancelToken{false};
};
