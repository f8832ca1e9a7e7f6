#include "ui/Page4Print.h"

#include <algorithm>
#include <tuple>

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/Session.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "keyed/NvKey.h"
#include "ui/KeyedRequest.h"
#include "ui/PrintProgress.h"
#include "print/PrintRange.h"
#include "print/PrintWalk.h"
#include "printer/NetAddress.h"
#include "printer/PortNames.h"

namespace {

constexpr double kLeftShare = 0.5; // of a larger page's extra width

QString ControlName(const char* kind, int id)
{
    return QString::fromLatin1(kind) + QString::number(id);
}

// Only a COM or LPT device can take a print; a file (FILE) cannot answer the check.
bool IsPrinterDevice(const std::string& device)
{
    return device.compare(0, 3, "COM") == 0 || device.compare(0, 3, "LPT") == 0 || printer::IsNetName(device);
}

} // namespace

CPage4Print::CPage4Print(const Session& session)
    : CPropertyPage(QStringLiteral("Print Bitmap"), 132), m_session(session)
{
    setObjectName(QStringLiteral("CPage4Print"));
    CreateControls();
}

QGroupBox* CPage4Print::AddGroup(int id, const QString& text, int x, int y, int w, int h, Follow follow)
{
    auto* group = Place(new QGroupBox(text, this), x, y, w, h, follow);
    group->setObjectName(ControlName("group", id));
    return group;
}

QAbstractButton* CPage4Print::AddRadio(QGroupBox* group, int id, const QString& text, int x, int y, int w,
                                       int h)
{
    // Each group box parents its radios, which keeps the three groups apart; the
    // positions stay those of the page.
    auto* radio = PlaceIn(group, new QRadioButton(text, group), x, y, w, h);
    radio->setObjectName(ControlName("radio", id));
    return radio;
}

QLineEdit* CPage4Print::AddEdit(QGroupBox* group, int id, int x, int y, int w, int h, bool readOnly)
{
    // The edits lie in their group boxes and widen with them.
    auto* edit = PlaceIn(group, new QLineEdit(group), x, y, w, h, Follow::Across(0, 1));
    edit->setObjectName(ControlName("edit", id));
    edit->setReadOnly(readOnly);
    return edit;
}

void CPage4Print::CreateControls()
{
    // Created in the template's tab order. A larger page widens the groups on both
    // sides; nothing here needs more height.
    m_buttonPrint =
        Place(new QPushButton(QStringLiteral("&Print"), this), 183, 12, 74, 14, Follow::Move(kLeftShare, 0));
    m_buttonPrint->setObjectName(QStringLiteral("button1029"));
    m_buttonPrint->setDefault(true);

    const Follow left = Follow::Across(0, kLeftShare), right = Follow::Across(kLeftShare, 1);
    QGroupBox* range = AddGroup(1030, QStringLiteral("Printing &Range"), 7, 7, 168, 72, left);
    m_radioRange = {AddRadio(range, 1032, QStringLiteral("All"), 20, 22, 86, 10),
                    AddRadio(range, 1033, QStringLiteral("Selection"), 20, 39, 86, 10)};
    m_editSelection = AddEdit(range, 1034, 30, 56, 135, 12, false);
    m_editSelection->installEventFilter(this);

    QGroupBox* quality = AddGroup(1018, QStringLiteral("Q&uality"), 7, 83, 168, 88, left);
    m_radioQuality = {AddRadio(quality, 1019, QStringLiteral("&Normal"), 49, 96, 91, 10),
                      AddRadio(quality, 1020, QStringLiteral("Double &Width"), 49, 115, 91, 10),
                      AddRadio(quality, 1021, QStringLiteral("Double &Height"), 49, 134, 91, 10),
                      AddRadio(quality, 1022, QStringLiteral("&Quadraple"), 49, 153, 91, 10)};

    QGroupBox* header = AddGroup(1031, QStringLiteral("Hea&der"), 7, 174, 168, 52, left);
    m_radioHeader = {AddRadio(header, 1039, QStringLiteral("No Header"), 49, 189, 91, 10),
                     AddRadio(header, 1040, QStringLiteral("Add Header"), 49, 207, 91, 10)};

    QGroupBox* details = AddGroup(1024, QStringLiteral("Printer Details"), 183, 32, 168, 52, right);
    for (auto [id, text, y] : {std::tuple{1025, "Printer Name", 47}, std::tuple{1026, "Port Name", 66}}) {
        auto* label = PlaceIn(details, new QLabel(QString::fromLatin1(text), details), 192, y, 43, 10);
        label->setObjectName(QStringLiteral("static%1").arg(id));
    }
    m_editPrinterName = AddEdit(details, 1072, 240, 45, 104, 12, true);
    m_editPortName = AddEdit(details, 1073, 240, 65, 104, 12, true);

    connect(m_editSelection, &QLineEdit::textEdited, this, &CPage4Print::OnChangeSelection);
    connect(m_radioRange[0], &QAbstractButton::clicked, this, &CPage4Print::OnRangeAll);
    connect(m_radioRange[1], &QAbstractButton::clicked, this, &CPage4Print::OnRangeSelection);
    for (size_t i = 0; i < m_radioQuality.size(); ++i)
        connect(m_radioQuality[i], &QAbstractButton::clicked, this,
                [this, i] { OnQuality(static_cast<int>(i)); });
    for (size_t i = 0; i < m_radioHeader.size(); ++i)
        connect(m_radioHeader[i], &QAbstractButton::clicked, this,
                [this, i] { OnHeader(static_cast<int>(i)); });
    connect(m_buttonPrint, &QPushButton::clicked, this, &CPage4Print::OnPrint);
}

void CPage4Print::DoDataExchange(CDataExchange& dx)
{
    CPropertyPage::DoDataExchange(dx);
    // DDX_Control 1034: m_editSelection is the control itself.
    DDX_Radio(dx, m_radioRange, m_nRange);
    DDX_Text(dx, m_editPrinterName, m_strPrinterName);
    DDX_Text(dx, m_editPortName, m_strPortName);
    DDX_Text(dx, m_editSelection, m_strSelection);
    DDX_Radio(dx, m_radioHeader, m_nHeader);
    DDX_Radio(dx, m_radioQuality, m_nQuality);
}

bool CPage4Print::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_nRange = 0;
    m_nQuality = 0;
    m_nHeader = 0;
    m_strPrinterName = m_session.m_settings.m_strPrinterName;
    m_strPortName = m_session.m_settings.m_strPortName;
    UpdateData(false);
    return true;
}

bool CPage4Print::OnSetActive()
{
    // The Setup page may have changed the printer since the page was last shown.
    m_strPrinterName = m_session.m_settings.m_strPrinterName;
    m_strPortName = m_session.m_settings.m_strPortName;
    m_buttonPrint->setEnabled(IsPrinterDevice(m_session.m_settings.m_strPortDevice));
    UpdateData(false);
    return CPropertyPage::OnSetActive();
}

bool CPage4Print::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editSelection && event->type() == QEvent::FocusIn)
        OnSetfocusSelection();
    return CPropertyPage::eventFilter(watched, event);
}

void CPage4Print::OnSetfocusSelection()
{
    m_nRange = 1;
    UpdateData(false);
}

void CPage4Print::OnChangeSelection()
{
    // Every keystroke brings all controls into the members, so that the typed text
    // survives the radio handlers showing the members again.
    UpdateData(true);
}

void CPage4Print::OnRangeAll()
{
    m_nRange = 0;
    UpdateData(false);
}

void CPage4Print::OnRangeSelection()
{
    m_nRange = 1;
    m_editSelection->setFocus(Qt::MouseFocusReason);
    // Chosen with an arrow key, the radio button takes the focus back once this
    // handler returns; the caret goes to the edit after that too.
    QTimer::singleShot(0, m_editSelection,
                       [edit = m_editSelection] { edit->setFocus(Qt::OtherFocusReason); });
    UpdateData(false);
}

void CPage4Print::OnQuality(int quality)
{
    m_nQuality = quality;
    UpdateData(false);
}

void CPage4Print::OnHeader(int header)
{
    m_nHeader = header;
    UpdateData(false);
}

bool CPage4Print::CheckPrintRange(std::string text)
{
    if (!CheckPrintRangeText(text))
        m_bRangeError = true;
    return true;
}

bool CPage4Print::ParsePrintRange()
{
    UpdateData(true);
    const std::string text = m_strSelection;
    m_bRangeError = false;
    CheckPrintRange(text);
    if (m_bRangeError)
        return false;
    return ParsePrintRangeText(text, m_printList, m_nSelectCount);
}

void CPage4Print::OnPrint()
{
    if (m_run.Running())
        return;
    if (m_session.m_kept.keyedStorage) {
        PrintKeys();
        return;
    }
    // Any port kind but serial prints on the parallel port, a file setup too.
    jobs::PrintRequest request;
    request.start.port = m_session.m_settings;
    request.start.port.m_nPortType = m_session.m_settings.m_nPortType == 0 ? 0 : 1;
    request.start.askState =
        m_session.m_kept.askState ? printer::AskState::Always : printer::AskState::ByPort;
    UpdateData(true);
    m_nSelectCount = 0;
    request.range = m_nRange;
    request.quality = m_nQuality;
    request.header = m_nHeader == 1;
    if (m_nRange == 1) {
        m_printList.clear();
        request.rangeValid = ParsePrintRange();
        request.list = m_printList;
        request.jobCount = m_nSelectCount;
    } else {
        // "All" prints what the printer was last given: the stored list, else every number.
        const int stored = static_cast<int>(m_session.m_list.Stored().size());
        request.jobCount = stored > 0 ? std::min(stored, kPrintAllCount) : kPrintAllCount;
        request.countShown = request.jobCount;
    }
    request.finishPauseMs = kPrintFinishPauseMs; // the full bar and the last count stay in view

    ShowProgressOnTransfer();
    const platform::Context& context = m_session.m_context;
    m_run.Start<jobs::PrintEnd>(
        [&context, request](const printer::CancelToken& cancel, jobs::RunObserver& observer) {
            return jobs::RunPrint(context, request, cancel, &observer);
        },
        [this](const jobs::PrintEnd& end) { Ended(end); });
}

void CPage4Print::PrintKeys()
{
    UpdateData(true);
    jobs::KeyedRequest request = KeyedRequestFor(m_session, jobs::KeyedAction::Print);
    request.printMode = m_nQuality;
    std::string bad;
    if (m_nRange == 1)
        request.keys = KeysOfText(m_strSelection, bad);
    else
        // "All": the logos the printer was last given, under their keys.
        for (const StoredLogo& stored : m_session.m_list.Stored())
            request.keys.push_back(
                stored.key.empty() ? DefaultNvKey(static_cast<int>(request.keys.size()) + 1) : stored.key);
    if (!bad.empty() || request.keys.empty()) {
        platform::AfxMessageBox(bad.empty() ? "Type the keys to print, separated by commas: L1,L2."
                                            : "Type keys separated by commas, such as L1,L2: '" + bad +
                                                  "' is no key.",
                                platform::MB_ICONEXCLAMATION);
        return;
    }
    ShowProgressOnTransfer();
    const platform::Context& context = m_session.m_context;
    m_run.Start<jobs::KeyedEnd>(
        [&context, request](const printer::CancelToken& cancel, jobs::RunObserver& observer) {
            return jobs::RunKeyed(context, request, cancel, &observer);
        },
        [this](const jobs::KeyedEnd& end) {
            CloseProgress();
            const bool done = end.ran && end.run.outcome == keyed::Outcome::Done;
            if (!done)
                ShowRunMessages(jobs::KeyedMessages(end));
        });
}

std::vector<std::string> KeysOfText(const std::string& text, std::string& bad)
{
    std::vector<std::string> keys;
    size_t from = 0;
    while (from <= text.size()) {
        const size_t comma = std::min(text.find(',', from), text.size());
        const std::string key = text.substr(from, comma - from);
        if (!IsNvKey(key)) {
            bad = key;
            return {};
        }
        keys.push_back(key);
        from = comma + 1;
    }
    return keys;
}

void CPage4Print::ShowProgressOnTransfer()
{
    // The Print button rests while the run goes; the dialog appears as the transfer begins.
    m_buttonPrint->setEnabled(false);
    m_dialog = new CPrintProgress(m_run, window());
    connect(&m_run, &RunHost::Transfer, m_dialog, &QDialog::open, Qt::SingleShotConnection);
}

void CPage4Print::CloseProgress()
{
    m_dialog->hide();
    m_dialog->deleteLater();
    m_dialog = nullptr;
    m_buttonPrint->setEnabled(IsPrinterDevice(m_session.m_settings.m_strPortDevice));
}

void CPage4Print::Ended(const jobs::PrintEnd& end)
{
    m_dialog->hide();
    m_dialog->deleteLater();
    m_dialog = nullptr;
    m_buttonPrint->setEnabled(IsPrinterDevice(m_session.m_settings.m_strPortDevice));
    ShowRunMessages(jobs::PrintMessages(end));
}
