#include "ui/Page3Upload.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/Session.h"
#include "download/DownloadRun.h"
#include "download/DownloadWalk.h"
#include "download/NvDownload.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "printer/PortNames.h"
#include "ui/CheckListCtrl.h"
#include "ui/LogoListControls.h"
#include "ui/LogoTableModel.h"
#include "ui/Prograss.h"

namespace {

const char* const kToFile = "To File";
constexpr double kListShare = 0.5;

} // namespace

CPage3Upload::CPage3Upload(Session& session, LogoTableModel& model)
    : CPropertyPage(QStringLiteral("Download Bitmap"), 131), m_session(session)
{
    setObjectName(QStringLiteral("CPage3Upload"));
    // A larger page is shared between the list and the printer details.
    m_download = Place(new QPushButton(QStringLiteral("&Download"), this), 182, 19, 74, 14,
                       Follow::Move(kListShare, 0));
    m_download->setObjectName(QStringLiteral("button1023"));
    m_download->setDefault(true);

    m_pane = new LogoListPane(*this, model, 1006, QAbstractItemView::SingleSelection, CounterBorder::None,
                              CheckColumn::Hidden, kListShare);
    m_list = m_pane->m_list;

    auto* group = Place(new QGroupBox(QStringLiteral("Printer Details"), this), 183, 39, 168, 52,
                        Follow::Across(kListShare, 1));
    group->setObjectName(QStringLiteral("group1024"));
    const auto detail = [&](int labelId, const char* label, int y, int editId, int editY) {
        auto* text = PlaceIn(group, new QLabel(QString::fromLatin1(label), group), 192, y, 43, 10);
        text->setObjectName(QStringLiteral("static%1").arg(labelId));
        auto* edit = PlaceIn(group, new QLineEdit(group), 240, editY, 104, 12, Follow::Across(0, 1));
        edit->setObjectName(QStringLiteral("edit%1").arg(editId));
        edit->setReadOnly(true);
        return edit;
    };
    m_editPrinterName = detail(1025, "Printer Name", 54, 1077, 52);
    m_editPortName = detail(1026, "Port Name", 73, 1076, 72);

    connect(m_download, &QPushButton::clicked, this, &CPage3Upload::OnDownload);
}

void CPage3Upload::DoDataExchange(CDataExchange& dx)
{
    DDX_Text(dx, m_editPrinterName, m_strPrinterName);
    DDX_Text(dx, m_editPortName, m_strPortName);
}

bool CPage3Upload::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_pane->InsertColumns();
    UpdateData(false);
    return true;
}

bool CPage3Upload::OnSetActive()
{
    m_pane->Activate();
    const printer::SetupRecord& settings = m_session.m_settings;
    m_bToFile = settings.m_strPortDevice == printer::kFileDevice;
    m_strPrinterName = m_bToFile ? kToFile : settings.m_strPrinterName;
    m_strPortName = m_bToFile ? kToFile : settings.m_strPortName;
    UpdateData(false);
    return CPropertyPage::OnSetActive();
}

void CPage3Upload::OnDownload()
{
    if (m_session.m_list.Empty())
        DeleteAll();
    else
        DownloadListed();
}

void CPage3Upload::DownloadListed()
{
    if (platform::AfxMessageBox(msg::kConfirmDownload, platform::MB_ICONQUESTION | platform::MB_YESNO) !=
        platform::IDYES)
        return;
    // Every file is looked at before the port is opened: a file that cannot go must not
    // cost the printer the images it holds.
    if (!CheckListedLogos(m_session.m_list, m_session.Conversion()))
        return;
    bool opened = false;
    bool failed = !OpenDownloadPort(m_port, m_session.m_context, m_session.m_settings,
                                    OpenFailureMessage::Numbered, opened);
    if (!failed)
        RunProgress(failed);
    if (opened)
        m_port.ClosePort();
}

void CPage3Upload::RunProgress(bool& failed)
{
    CPrograss dialog(m_session, this);
    dialog.m_hPort = &m_port;
    const int result = dialog.DoModal();
    if (dialog.m_bCancelledInWait) {
        // The printer took nothing and the user gave up on it: what is still queued
        // goes, and no completion groups are sent into a printer that takes nothing.
        m_port.Abandon();
        return;
    }
    if (result == platform::IDOK && !dialog.m_bStop && !dialog.m_bError) {
        ReportDownloadComplete(m_session.m_context);
    } else if (!dialog.m_bError && !failed && dialog.m_bStop) {
        // FS q n promised count definitions: the printer takes everything that follows
        // as image data until it has them all.
        failed = !dialog.CompleteStopped(dialog.m_nWait);
    }
    if (!dialog.m_bError)
        ReportAfterRun(dialog);
}

void CPage3Upload::ReportAfterRun(const CPrograss& dialog)
{
    const std::string empty = EmptyDefinitionsText(dialog.Jobs(), dialog.m_arrEmptyImages);
    if (!empty.empty())
        platform::AfxMessageBox(empty, platform::MB_ICONEXCLAMATION);
    if (dialog.m_bProfileFailed)
        platform::AfxMessageBox(Format(msg::kProfileNotWrittenFormat, m_session.m_strProfilePath.c_str()),
                                platform::MB_ICONEXCLAMATION);
}

void CPage3Upload::DeleteAll()
{
    if (platform::AfxMessageBox(msg::kConfirmDeleteAll, platform::MB_YESNO) != platform::IDYES)
        return;
    bool opened = false;
    if (OpenDownloadPort(m_port, m_session.m_context, m_session.m_settings, OpenFailureMessage::Plain,
                         opened))
        if (SendDeleteAll(m_port)) // shows its own message
            m_port.WaitDelivered(msg::kWriteToPortFailed);
    if (opened)
        m_port.ClosePort();
}
