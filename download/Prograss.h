#pragma once
// The progress dialog of a download (dialog 134, "Nivora"). It borrows the port the
// Download page opened, writes FS q n, waits while the printer erases its NV memory,
// and then sends one logo per timer step: timer 1 starts the first step after the
// erase wait, timer 2 each following one and, after the last, the rewrite of the stored
// list of logo files. Cancel takes effect between two images, never inside one.
//
// Pauses go through platform::Sleep, which in the program runs an event loop that
// paints but holds user input back: the bar and the status text advance piece by
// piece, and a click on Cancel waits until the step has ended.
#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "download/NvStream.h"
#include "platform/CancelMode.h"
#include "printer/ByteSink.h"

class CDataExchange;
class CNvImage;
class CNvLogoApp;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace printer {
class Port;
}

class CPrograss : public QDialog, public ByteSink, public platform::CancelModeTarget {
    Q_OBJECT
public:
    explicit CPrograss(QWidget* parent = nullptr);
    ~CPrograss() override;

    int32_t m_nBytesSent = 0;          // raster bytes sent in this run, all images
    printer::Port* m_hPort = nullptr;  // the Download page's port, handed over before DoModal
    int32_t m_nWait = 0;               // settle time in ms: 0 during a step; at a stop, the
                                       // data size of the image sent last
    bool m_bStop = false;              // a stop was requested
    bool m_bError = false;             // FS q n or an image header could not be written
    std::unique_ptr<CNvImage> m_image; // the converter (288 KB: on the heap)
    int32_t m_nImage = 0;              // image steps begun, 1-based
    QProgressBar* m_progress;          // control 1069
    std::string m_strStatus;           // text of static 1057
    int32_t m_nSeq = -1;               // download-order position of the image being sent
    std::array<uint8_t, 50> m_cmd{};   // FS q n, later the image header
    int32_t m_nDefined = 0;            // images begun, copied to g_Shared.m_nStoredCount
    CNvLogoApp* m_pApp = nullptr;      // for the profile

    // Rows whose file could not be read again: they went out as empty definitions.
    // The Download page names them once the dialog has closed.
    std::vector<int> m_arrEmptyRows;
    // The completed run's list of files could not be stored in the profile.
    bool m_bProfileFailed = false;

    // Runs the dialog modally; IDOK or IDCANCEL.
    int DoModal();

    void DoDataExchange(CDataExchange& dx);
    bool UpdateData(bool saveAndValidate = true);
    bool OnInitDialog();
    void OnTimer(int id);
    void BuildOrder();
    void Step();
    // Writes the image record whose header m_cmd holds: the header, and when that went
    // out, the raster in pieces. False after "Communication error. Can not
    // transimitted." when the header could not be written.
    bool writeInstruction();
    void Finish();
    void OnCancel();
    void OnCancelMode() override;
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override;

    // Cancel and Esc, and the window's close box.
    void reject() override;

private:
    void EndDialog(int result);
    void SetTimer(int id);
    void KillTimer(int id);
    void ShowStatus(const std::string& text);
    // File name of the image being sent.
    const std::string& CurrentName() const;
    void PieceSent(int bytes);
    // Data size of the image at download-order position seq; 0 before the first.
    int SizeOfImageAt(int seq) const;

    QLabel* m_status;
    QPushButton* m_cancel;
    QTimer* m_timer1;
    QTimer* m_timer2;
    NvStreamWriter m_writer;
    int m_nRangeUpper = 0; // the bar's range as set, 0 ... m_nRangeUpper
    bool m_bInTimer = false;
    bool m_bEnded = false;
};
