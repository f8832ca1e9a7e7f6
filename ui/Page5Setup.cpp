#include "ui/Page5Setup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include "app/Session.h"
#include "download/Halftone.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Version.h"
#include "printer/DeviceIni.h"
#include "printer/NetAddress.h"
#include "printer/PortAccess.h"
#include "printer/PortNames.h"
#include "printer/PrinterStatus.h"
#include "ui/AppIcon.h"
#include "ui/HelpText.h"
#include "ui/NvStorageBox.h"
#include "ui/PaperBox.h"
#include "ui/SetupControls.h"

using printer::SerialBox;

namespace {

// The two lines naming the maker under the program name and version.
constexpr std::array<const char*, 2> kMakerLines = {"Tarvo receipt printer tools",
                                                    "Made by the Bitmap Nivora developers"};

} // namespace

CPage5Setup::CPage5Setup(Session& session)
    : CPropertyPage(QStringLiteral("Setup Port"), 133), m_session(session)
{
    setObjectName(QStringLiteral("CPage5Setup"));
    BuildControls();
    Connect();
}

void CPage5Setup::BuildControls()
{
    auto* name = AddLabel(this, this, "Printer &Name", 8, 10, 45, 8);
    name->setObjectName(QStringLiteral("label1025"));
    m_cbPrinterName = AddList(this, this, 1044, 57, 9, 109, 67, Follow::Across(0, kLeftShare));
    name->setBuddy(m_cbPrinterName);
    BuildPortGroup();
    m_checkPrintToFile = Add(this, new QCheckBox(QStringLiteral("Print To File")),
                             TemplateRect(this, this, 182, 11, 52, 9), Follow::Move(kLeftShare, 0));
    m_checkPrintToFile->setObjectName(QStringLiteral("check1064"));
    BuildAboutGroup();
    BuildOptionGroup();
    m_checkAskState = Add(this, new QCheckBox(QStringLiteral("Ask the printer's state before each run")),
                          TemplateRect(this, this, 185, 191, 166, 10), Follow::Across(kLeftShare, 1));
    m_checkAskState->setObjectName(QStringLiteral("checkAskState"));
    m_cbNvStorage = AddNvStorageBox(*this, m_session, kLeftShare);
    m_checkAskState->setToolTip(QStringLiteral("A network printer is always asked. Paper out, an open cover "
                                               "or an error then stops a run before anything is sent."));
    // The free space under the port settings.
    const QRect statusRect = TemplateRect(this, this, 7, 183, 166, 46);
    m_status = std::make_unique<CSetupStatusLine>(this, statusRect);
    TemplateLayout::Of(this)->Add(m_status->Label(), statusRect, {0, 0, kLeftShare, 1});
}

void CPage5Setup::BuildAboutGroup()
{
    auto* group = Add(this, new QGroupBox(QStringLiteral("About")),
                      TemplateRect(this, this, 183, 27, 168, 52), Follow::Across(kLeftShare, 1));
    group->setObjectName(QStringLiteral("group1042"));
    AddLabel(this, group, "Bitmap Nivora ", 191, 39, 87, 9)->setObjectName(QStringLiteral("label1043"));
    m_labelVersion = AddLabel(this, group, "", 280, 39, 53, 9);
    m_labelVersion->setObjectName(QStringLiteral("label1063"));
    for (size_t i = 0; i < kMakerLines.size(); ++i)
        AddLabel(this, group, kMakerLines[i], 191, 52 + 12 * static_cast<int>(i), 155, 9)
            ->setObjectName(QStringLiteral("labelMaker%1").arg(i + 1));
}

void CPage5Setup::BuildOptionGroup()
{
    auto* group = Add(this, new QGroupBox(QStringLiteral("Option Setting")),
                      TemplateRect(this, this, 185, 85, 166, 87), Follow::Across(kLeftShare, 1));
    group->setObjectName(QStringLiteral("groupOptions"));
    auto* area = AddLabel(this, group, "Max Printable Area :", 189, 96, 69, 9);
    m_editMaxArea = AddDigitsEdit(this, group, 1066, 260, 94, 27, 12);
    m_editMaxArea->setAlignment(Qt::AlignRight);
    m_editMaxArea->installEventFilter(this);
    area->setBuddy(m_editMaxArea);
    AddLabel(this, group, "dots(1~576)", 290, 96, 45, 8);
    auto* threshold = AddLabel(this, group, "Black / White diverging point (0~255)", 188, 129, 122, 8);
    m_editThreshold = AddDigitsEdit(this, group, 1068, 312, 128, 31, 10);
    threshold->setBuddy(m_editThreshold);
    m_sliderThreshold = Add(group, new QSlider(Qt::Horizontal), TemplateRect(this, group, 188, 140, 159, 27),
                            Follow::Across(0, 1));
    m_sliderThreshold->setObjectName(QStringLiteral("slider1067"));
    m_sliderThreshold->setTickPosition(QSlider::TicksBothSides);
    m_sliderThreshold->setTickInterval(16);
    // Screen readers name the value box and the slider alike: neither says what it sets.
    for (QWidget* control :
         {static_cast<QWidget*>(m_editThreshold), static_cast<QWidget*>(m_sliderThreshold)})
        control->setAccessibleName(QStringLiteral("Black / White diverging point"));
    // In the free band between the width and the threshold rows.
    auto* halftone = AddLabel(this, group, "&Halftone", 189, 113, 60, 9);
    m_cbHalftone = AddList(this, group, 1069, 260, 111, 83, 60);
    for (const HalftoneMode mode : kHalftoneModes)
        m_cbHalftone->addItem(QString::fromLatin1(HalftoneLabel(mode)));
    halftone->setBuddy(m_cbHalftone);
    // Under the group: the paper sets the width above.
    auto* paper = Add(this, new QLabel(QStringLiteral("&Paper:")), TemplateRect(this, this, 189, 177, 30, 9),
                      Follow::Move(kLeftShare, 0));
    auto* paperBox = AddList(this, this, 0, 220, 175, 127, 60, Follow::Across(kLeftShare, 1));
    paperBox->setObjectName(QStringLiteral("comboPaper"));
    paper->setBuddy(paperBox);
    TiePaperBox(paperBox, m_editMaxArea, [this] { SetModified(); });
}

void CPage5Setup::Connect()
{
    connect(m_cbPrinterName, &QComboBox::activated, this, [this] { OnSelchangePrinterName(); });
    for (QComboBox* combo :
         {m_cbPortName, m_cbBaudrate, m_cbBitLength, m_cbParity, m_cbStopBit, m_cbHandshake})
        connect(combo, &QComboBox::activated, this, [this, combo] { OnSelchangeSetting(combo); });
    // Toggled, not clicked: a screen reader's toggle action turns it off without a click.
    connect(m_checkPrintToFile, &QCheckBox::toggled, this, [this] { OnClickPrintToFile(); });
    connect(m_checkAskState, &QCheckBox::clicked, this,
            [this](bool checked) { m_session.SetAskState(checked); }); // kept at once
    connect(m_sliderThreshold, &QSlider::valueChanged, this, [this] { OnHScrollThreshold(); });
    // Only what the user types: the page's own updates of the box are no change to react to.
    connect(m_editThreshold, &QLineEdit::textEdited, this, [this] { OnChangeThresholdEdit(); });
}

bool CPage5Setup::eventFilter(QObject* watched, QEvent* event)
{
    // The whole width is selected on entering the box, after the click that entered it
    // has placed the cursor.
    if (watched == m_editMaxArea && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, m_editMaxArea, [edit = m_editMaxArea] { edit->selectAll(); });
    return CPropertyPage::eventFilter(watched, event);
}

void CPage5Setup::DoDataExchange(CDataExchange& dx)
{
    DDX_CBString(dx, m_cbPrinterName, m_strSelPrinter);
    DDX_CBString(dx, m_cbPortName, m_strSelPort);
    DDX_Check(dx, m_checkPrintToFile, m_bPrintToFile);
    DDX_Text(dx, m_editMaxArea, m_nMaxArea);
    DDV_MinMaxInt(dx, m_editMaxArea, m_nMaxArea, 1, kMaxPrintableWidth);
    DDX_Text(dx, m_editThreshold, m_nBwPoint);
    DDV_MinMaxInt(dx, m_editThreshold, m_nBwPoint, 0, 255);
}

bool CPage5Setup::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    SetUpSheetButtons();
    RestorePortSetup(m_session.m_context, *this, m_boxes, StartDir());
    RestoreNetPrinters();
    m_cbPortName->setToolTip(PortNameToolTip(m_session.m_context)); // printers plugged in since
    ShowBoxes();
    m_status->ShowForbidden(printer::ProbeForbiddenPorts(m_session.m_context));
    m_labelVersion->setText(QString::fromStdString(m_session.m_strVersion));
    m_checkAskState->setChecked(m_session.m_kept.askState);
    m_cbNvStorage->setCurrentIndex(m_session.m_kept.keyedStorage ? 1 : 0);
    // Width, threshold and halftone as the last run left them (the defaults, 512, 128
    // and Classic, when nothing was kept).
    const KeptSettings& kept = m_session.m_kept;
    m_nMaxArea = kept.maxPrintWidth;
    {
        const QSignalBlocker quiet(m_sliderThreshold);
        m_sliderThreshold->setRange(0, 255);
        m_sliderThreshold->setValue(kept.threshold);
    }
    m_nBwPoint = m_sliderThreshold->value();
    m_nHalftone = static_cast<int>(kept.halftone);
    m_cbHalftone->setCurrentIndex(m_nHalftone);
    UpdateData(false);
    return true;
}

void CPage5Setup::SetUpSheetButtons()
{
    CPropertySheet* sheet = GetParentSheet();
    if (!sheet)
        return;
    using Button = CPropertySheet::Button;
    sheet->GetButton(Button::Ok)->setText(QStringLiteral("Close"));
    sheet->GetButton(Button::Cancel)->setText(QStringLiteral("Cancel"));
    sheet->GetButton(Button::Apply)->setText(QStringLiteral("Apply"));
    sheet->GetButton(Button::Help)->setText(QStringLiteral("Help"));
    // The settings are never thrown away: the dialog ends with "Close" only.
    sheet->GetButton(Button::Help)->hide();
    sheet->GetButton(Button::Cancel)->setEnabled(false);
    sheet->GetButton(Button::Apply)->setEnabled(true);
    sheet->setWindowIcon(AppIcon());
}

std::string CPage5Setup::StartDir() const
{
    return m_session.m_strWorkDir;
}

void CPage5Setup::Commit()
{
    m_nHalftone = m_cbHalftone->currentIndex();
    printer::SetupRecord settings = m_session.m_settings;
    CommitSetup(*this, settings);
    m_session.CommitSettings(settings); // a profile that cannot be written keeps the run's values
}

void CPage5Setup::OnSelchangePrinterName()
{
    ReadBoxes();
    UpdateData(true);
    ChangeModel(m_session.m_context, *this, m_boxes, m_boxes.printerName.selected);
    AppendNetPrinters(false);
    ShowBoxes();
    m_status->ShowForbidden(printer::ProbeForbiddenPorts(m_session.m_context));
    UpdateData(false);
    SetModified();
}

void CPage5Setup::OnSelchangeSetting(QComboBox* combo)
{
    const int previousPort = m_boxes.portName.selected;
    ReadBoxes();
    if (combo == m_cbPortName && !OnSelchangeNetPort(previousPort))
        return;
    UpdateData(true);
    if (combo == m_cbPortName) {
        ChangePortName(*this, m_boxes);
        ShowBoxes();
    } else {
        for (SerialBox box : printer::kSerialBoxes)
            if (SerialCombo(box) == combo)
                ChangeSerialSetting(*this, m_boxes, box);
    }
    SetModified();
}

void CPage5Setup::OnClickPrintToFile()
{
    ReadBoxes();
    UpdateData(true);
    ChangePrintToFile(*this, m_boxes);
    ShowBoxes();
}

void CPage5Setup::OnHScrollThreshold()
{
    m_nBwPoint = m_sliderThreshold->value();
    UpdateData(false);
}

void CPage5Setup::OnChangeThresholdEdit()
{
    // An emptied box is a value on its way, not a mistake to report.
    if (m_editThreshold->text().isEmpty())
        return;
    UpdateData(true);
    if (m_nBwPoint >= 0 && m_nBwPoint <= 255) {
        const QSignalBlocker quiet(m_sliderThreshold);
        m_sliderThreshold->setValue(m_nBwPoint);
    }
}

bool CPage5Setup::OnKillActive()
{
    // One reading, one prompt: a bad width or threshold keeps the page (and its
    // changes) where they are, and nothing half-read reaches the settings.
    if (!UpdateData(true))
        return false;
    SetModified(false);
    Commit();
    return true;
}

bool CPage5Setup::OnNotifyApply(bool closeRequested)
{
    // "Close" keeps Device.INI and ends the dialog; it never runs the connection test.
    if (closeRequested) {
        OnOK();
        return true;
    }
    return OnApply();
}

void CPage5Setup::OnOK()
{
    printer::SaveDeviceIni(StartDir(), m_bParallel);
    SaveNetPrinters();
}

bool CPage5Setup::OnApply()
{
    if (m_bPrintToFile)
        return true;
    if (UpdateData(true))
        Commit();
    TestConnection();
    return CPropertyPage::OnApply();
}

void CPage5Setup::TestConnection()
{
    if (m_run.Running())
        return; // the test under way answers for this Apply too
    // The committed device, with the page's own serial values.
    const printer::SetupRecord& committed = m_session.m_settings;
    const std::string device = committed.m_strPortDevice;
    const bool serial = committed.m_nPortType == 0;
    jobs::CheckRequest request;
    request.port.m_nPortType = serial ? 0 : 1;
    request.port.m_strPortDevice = device;
    request.port.m_dwBaudRate = m_dwBaudRate;
    request.port.m_byByteSize = m_byByteSize;
    request.port.m_byParity = m_byParity;
    request.port.m_byStopBits = m_byStopBits;
    request.port.m_nHandshake = m_nHandshake;
    request.judging = platform::IsConsumerLine(m_session.m_context);
    request.askState = m_session.m_kept.askState ? printer::AskState::Always : printer::AskState::ByPort;
    request.keyedMemory = m_session.m_kept.keyedStorage;
    const platform::Context& context = m_session.m_context;
    m_run.Start<jobs::CheckEnd>(
        [&context, request](const printer::CancelToken& cancel, jobs::RunObserver& observer) {
            return jobs::RunCheck(context, request, cancel, &observer);
        },
        [this, serial, device](const jobs::CheckEnd& end) {
            // The test tells the user what it found through its messages, and the status
            // line what came back; Apply has gone on whatever that was.
            ShowRunMessages(jobs::CheckMessages(end));
            if (end.result != jobs::CheckEnd::Result::NotOpened || end.Cancelled())
                m_status->ShowSummary(jobs::CheckSummary(end));
            else if (serial && printer::IsNetName(device))
                m_status->ShowNetFailure(device, end.status.Describe());
            else
                m_status->ShowOpenFailure(end.status.device, end.status.error);
        });
}
