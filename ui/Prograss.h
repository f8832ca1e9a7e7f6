#pragma once
// The progress dialog of a download (dialog 134, "Nivora"). It borrows the port the
// Download page opened and paces the download driver: FS q n and the erase wait when it
// opens, then one logo per timer step (timer 1 starts the first step after the erase
// wait, timer 2 each following one) and, after the last, the rewrite of the stored list
// of logo files. Cancel takes effect between two images, never inside one.
//
// Pauses go through platform::Sleep, which in the program runs an event loop that
// paints but holds user input back: the bar and the status text advance piece by
// piece, and a click on Cancel waits until the step has ended. The one exception is a
// printer that takes no data: once a write (or a DSR wait) has stood still for a moment
// the status line says so and Cancel works inside the step, ending the run at once.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "download/DownloadWalk.h"
#include "platform/CancelMode.h"
#include "ui/PrinterWaitCancel.h"

class CDataExchange;
class Session;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

class CPrinterPort;

class CPrograss : public QDialog,
                  public CDownloadWalk,
                  public platform::CancelModeTarget,
                  public CPrinterWaitCancel {
    Q_OBJECT
public:
    // The session's listed logos in download order, converted with its threshold,
    // printable width and halftone; a completed run stores them as the session's
    // stored list.
    explicit CPrograss(Session& session, QWidget* parent = nullptr);
    ~CPrograss() override;

    CPrinterPort* m_hPort = nullptr; // the Download page's port, handed over before DoModal
    int32_t m_nWait = 0;             // settle time in ms: 0 during a step; at a stop, the
                                     // data size of the image sent last
    int32_t m_nImage = 0;            // image steps begun, 1-based
    QProgressBar* m_progress;        // control 1069
    std::string m_strStatus;         // text of static 1057

    // The completed run's list of files could not be stored in the profile.
    bool m_bProfileFailed = false;

    // Runs the dialog modally; IDOK or IDCANCEL.
    int DoModal();

    void DoDataExchange(CDataExchange& dx);
    bool UpdateData(bool saveAndValidate = true);
    bool OnInitDialog();
    void OnTimer(int id);
    void Step();
    void Finish();
    void OnCancel();
    void OnCancelMode() override;

    // Cancel and Esc, and the window's close box.
    void reject() override;

protected:
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override;
    void Pause(int ms) override;
    void OnImagePrepared(const CNvImage& image) override;
    void OnPieceSent(int bytes) override;
    void OnWriteFailed() override;
    QAbstractButton* WaitCancelButton() const override;
    void ShowWaitStatus(const std::string& text) override;

private:
    void EndDialog(int result);
    void SetTimer(int id);
    void KillTimer(int id);
    void ShowStatus(const std::string& text);
    void ShowSending();
    // Data size of the image at download-order position seq; 0 before the first.
    int SizeOfImageAt(int seq) const;

    Session& m_session;
    QLabel* m_status;
    QPushButton* m_cancel;
    QTimer* m_timer1;
    QTimer* m_timer2;
    int m_nRangeUpper = 0; // the bar's range as set, 0 ... m_nRangeUpper
    bool m_bInTimer = false;
    bool m_bEnded = false;
};
