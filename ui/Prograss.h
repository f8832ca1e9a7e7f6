#pragma once
// The progress dialog of a download (dialog 134, "Nivora"): what the download job
// reports, shown as it comes (ui/RunHost.h): "Erasing...", "Updating(512/1160)...b.bmp",
// the bar, and while the printer takes nothing, why, and that Cancel ends the download.
// Cancel (the button, Esc, the close box) asks the job to stop; the dialog stays until
// the job has ended, which the page then closes it for.
//
// Used on the window's thread only.
#include <QDialog>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class RunHost;

class CPrograss : public QDialog {
    Q_OBJECT
public:
    // Shows what host's run tells; Cancel cancels it.
    CPrograss(RunHost& host, QWidget* parent = nullptr);

    QProgressBar* m_progress; // control 1069
    QLabel* m_status;         // control 1057

    void OnCancel();
    // Cancel and Esc, and the window's close box.
    void reject() override;

private:
    void ShowStatus(const QString& text);
    void ShowProgress(int value, int upper);

    RunHost& m_host;
    QPushButton* m_cancel;
    QString m_warning; // what the printer's state warned of before the run
};
