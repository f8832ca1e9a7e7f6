#include "ui/Page3Upload.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/Session.h"
#include "download/DownloadWalk.h"
#include "download/NvDownload.h"
#include "platform/FileChooser.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "printer/PortNames.h"
#include "ui/CheckListCtrl.h"
#include "ui/LogoListControls.h"
#include "ui/LogoTableModel.h"
#include "ui/KeyedRequest.h"
#include "ui/PrinterMemoryDlg.h"
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

    // Under the details, shown only while logos are stored by key.
    m_storeAll = Place(new QCheckBox(QStringLiteral("Store &all again"), this), 185, 97, 120, 10,
                       Follow::Move(kListShare, 0));
    m_storeAll->setObjectName(QStringLiteral("checkStoreAll"));
    m_storeAll->setToolTip(
        QStringLiteral("Stores every listed logo, also those the printer holds unchanged."));
    m_printerMemory = Place(new QPushButton(QStringLiteral("Printer &Memory..."), this), 183, 111, 74, 14,
                            Follow::Move(kListShare, 0));
    m_printerMemory->setObjectName(QStringLiteral("buttonPrinterMemory"));

    connect(m_download, &QPushButton::clicked, this, &CPage3Upload::OnDownload);
    connect(m_printerMemory, &QPushButton::clicked, this, &CPage3Upload::OnPrinterMemory);
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
    const bool keyed = m_session.m_kept.keyedStorage;
    m_pane->Activate(keyed);
    m_storeAll->setVisible(keyed);
    m_printerMemory->setVisible(keyed);
    const printer::SetupRecord& settings = m_session.m_settings;
    m_bToFile = settings.m_strPortDevice == printer::kFileDevice;
    m_strPrinterName = m_bToFile ? kToFile : settings.m_strPrinterName;
    m_strPortName = m_bToFile ? kToFile : settings.m_strPortName;
    UpdateData(false);
    return CPropertyPage::OnSetActive();
}

void CPage3Upload::OnDownload()
{
    if (m_run.Running())
        return;
    if (m_session.m_kept.keyedStorage) {
        StartKeyedStore();
        return;
    }
    const bool deleteAll = m_session.m_list.Empty();
    if (deleteAll ? platform::AfxMessageBox(msg::kConfirmDeleteAll, platform::MB_YESNO) != platform::IDYES
                  : platform::AfxMessageBox(msg::kConfirmDownload, platform::MB_ICONQUESTION |
                                                                       platform::MB_YESNO) != platform::IDYES)
        return;
    StartDownload();
}

void CPage3Upload::StartDownload()
{
    const printer::SetupRecord& settings = m_session.m_settings;
    jobs::DownloadRequest request;
    request.start.port = settings;
    if (jobs::WritesToFile(settings) &&
        !platform::GetFileChooser().AskOutputFileName(request.start.outputFile))
        request.start.outputFile = "temp.prn";
    request.start.askState =
        m_session.m_kept.askState ? printer::AskState::Always : printer::AskState::ByPort;
    request.logos = DownloadJobs(m_session.m_list);
    request.conversion = {settings.m_nThreshold,
                          settings.m_nMaxPrintWidth,
                          false,
                          static_cast<HalftoneMode>(settings.m_nHalftone),
                          {}};

    m_download->setEnabled(false);
    if (!request.logos.empty())
        ShowProgressOnTransfer();
    const platform::Context& context = m_session.m_context;
    m_run.Start<jobs::DownloadEnd>(
        [&context, request](const printer::CancelToken& cancel, jobs::RunObserver& observer) {
            return jobs::RunDownload(context, request, cancel, &observer);
        },
        [this](const jobs::DownloadEnd& end) { Ended(end); });
}

void CPage3Upload::ShowProgressOnTransfer()
{
    // The dialog appears once the printer is open and checked, as the transfer begins.
    m_dialog = new CPrograss(m_run, window());
    connect(&m_run, &RunHost::Transfer, m_dialog, &QDialog::open, Qt::SingleShotConnection);
}

void CPage3Upload::CloseProgress()
{
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
}

void CPage3Upload::Ended(const jobs::DownloadEnd& end)
{
    CloseProgress();
    // All keys change in one replacement of the file, or none does.
    std::string unstored;
    if (end.result == jobs::DownloadEnd::Result::Completed && !m_session.StoreDownload(end.stored))
        unstored = m_session.m_strProfilePath;
    m_download->setEnabled(true);
    ShowRunMessages(jobs::DownloadMessages(end, unstored));
}

void CPage3Upload::StartKeyedStore()
{
    const LogoList& list = m_session.m_list;
    if (list.Empty()) {
        platform::AfxMessageBox("The list is empty: there is nothing to store.",
                                platform::MB_ICONEXCLAMATION);
        return;
    }
    jobs::KeyedRequest request = KeyedRequestFor(m_session, jobs::KeyedAction::Store);
    for (int row = 0; row < list.Count(); ++row) {
        const Logo& logo = list.At(row);
        NvConversion conversion = m_session.Conversion(logo.adjust);
        conversion.centre = logo.centre;
        request.logos.push_back({row + 1, logo.key, logo.path, conversion});
    }
    request.storeAll = m_storeAll->isChecked();
    m_download->setEnabled(false);
    ShowProgressOnTransfer();
    const platform::Context& context = m_session.m_context;
    m_run.Start<jobs::KeyedEnd>(
        [&context, request](const printer::CancelToken& cancel, jobs::RunObserver& observer) {
            return jobs::RunKeyed(context, request, cancel, &observer);
        },
        [this](const jobs::KeyedEnd& end) { KeyedEnded(end); });
}

void CPage3Upload::KeyedEnded(const jobs::KeyedEnd& end)
{
    CloseProgress();
    std::vector<jobs::RunMessage> messages = jobs::KeyedMessages(end);
    // The printer holds the list as listed: it is the stored list now, keys and all.
    if (end.ran && end.run.outcome == keyed::Outcome::Done) {
        std::vector<StoredLogo> rows;
        for (const Logo& logo : m_session.m_list.Logos())
            rows.push_back({logo.path, logo.centre, logo.adjust, logo.key});
        if (!m_session.StoreDownload(std::move(rows)))
            messages.push_back({Format(msg::kProfileNotWrittenFormat, m_session.m_strProfilePath.c_str()),
                                platform::MB_ICONEXCLAMATION});
    }
    m_download->setEnabled(true);
    ShowRunMessages(messages);
}

void CPage3Upload::OnPrinterMemory()
{
    if (m_run.Running())
        return;
    auto* dialog = new CPrinterMemoryDlg(m_session, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    dialog->Refresh();
}
