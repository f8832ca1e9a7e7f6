#pragma once
// Tab "Setup Port" (dialog template 133): the printer model and its port, the serial
// line, "Print To File", the printable width, the black/white threshold and the
// halftone. The page edits a working copy (ui/SetupState, with the rules that tie the
// lists to the model) and commits it into the session's settings when it is left and
// on Apply; it tests the connection on Apply and keeps Device.INI in the start-up
// directory. Width, threshold and halftone start from what the profile kept.
#include <array>
#include <memory>
#include <string>

#include "printer/NetPrinterList.h"
#include "jobs/CheckJob.h"
#include "ui/PropertySheet.h"
#include "ui/SetupState.h"
#include "ui/RunHost.h"
#include "ui/SetupStatusLine.h"

class Session;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

class CPage5Setup : public CPropertyPage, public PortWorkingCopy {
    Q_OBJECT
public:
    explicit CPage5Setup(Session& session);
    QString HelpTopic() const override { return QStringLiteral("Setup"); }

    bool OnInitDialog() override;
    bool OnKillActive() override;
    bool OnApply() override;
    void OnOK() override;
    bool OnNotifyApply(bool closeRequested) override;
    void DoDataExchange(CDataExchange& dx) override;

    // The Apply test while it runs (jobs/CheckJob.h), off the window's thread.
    RunHost m_run;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildPortGroup();
    void BuildAboutGroup();
    void BuildOptionGroup();
    void Connect();
    void SetUpSheetButtons();
    std::string StartDir() const;
    // The working copy into the session's settings (the fields read back before).
    void Commit();

    void ReadBoxes();
    void ShowBoxes();
    QComboBox* SerialCombo(printer::SerialBox box) const;

    void OnSelchangePrinterName();
    void OnSelchangeSetting(QComboBox* combo);
    void OnClickPrintToFile();
    void OnHScrollThreshold();
    void OnChangeThresholdEdit();
    void TestConnection();
    // The network printers in the PortName box (Page5SetupNet.cpp).
    void RestoreNetPrinters();
    void AppendNetPrinters(bool chooseSaved);
    bool OnSelchangeNetPort(int previous);
    bool AskNetAddress(printer::NetAddress& address);
    bool FindNetPrinter(printer::NetAddress& address);
    void SaveNetPrinters();

    QLineEdit* m_editMaxArea = nullptr;         // 1066
    QSlider* m_sliderThreshold = nullptr;       // 1067
    QLineEdit* m_editThreshold = nullptr;       // 1068
    QComboBox* m_cbHalftone = nullptr;          // 1069: how colours become dots
    QComboBox* m_cbStopBit = nullptr;           // 1049
    QComboBox* m_cbHandshake = nullptr;         // 1050
    QComboBox* m_cbBaudrate = nullptr;          // 1046
    QComboBox* m_cbPortName = nullptr;          // 1045
    QComboBox* m_cbBitLength = nullptr;         // 1047
    QComboBox* m_cbParity = nullptr;            // 1048
    QComboBox* m_cbPrinterName = nullptr;       // 1044
    QCheckBox* m_checkPrintToFile = nullptr;    // 1064
    QCheckBox* m_checkAskState = nullptr;       // "Ask the printer's state before each run"
    QComboBox* m_cbNvStorage = nullptr;         // "NV storage": all at once or by key
    QLabel* m_labelVersion = nullptr;           // 1063
    std::array<QComboBox*, 5> m_serialCombos{}; // the five serial lists in printer::SerialBox order
    Session& m_session;
    SetupBoxes m_boxes;                         // what the seven lists show
    std::unique_ptr<CSetupStatusLine> m_status; // under the port settings: the answer, permissions
    printer::NetPrinterList m_netPrinters;      // the added network printers, from the profile
};
