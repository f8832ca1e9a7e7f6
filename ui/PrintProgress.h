#pragma once
// The dialog of a print run (template 135): what the print job reports, shown as it
// comes (ui/RunHost.h): "Printing... 3/255", the bar, and while the printer takes
// nothing, why, and that Cancel ends the printing. Cancel (the button, Esc, the close
// box) asks the job to stop before its next image; the page closes the dialog once the
// job has ended.
//
// Used on the window's thread only.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class RunHost;

class CPrintProgress : public QDialog {
    Q_OBJECT
public:
    CPrintProgress(RunHost& host, QWidget* parent = nullptr);

    QProgressBar* m_progress; // control 1058
    QLabel* m_status;         // control 1057

    void OnCancel();
    void reject() override;

private:
    RunHost& m_host;
    QPushButton* m_cancel;
    QString m_warning; // what the printer's state warned of before the run
};
