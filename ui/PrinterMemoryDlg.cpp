#include "ui/PrinterMemoryDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/Session.h"
#include "jobs/RunMessages.h"
#include "keyed/NvKey.h"
#include "platform/MessageBox.h"
#include "ui/KeyedRequest.h"

CPrinterMemoryDlg::CPrinterMemoryDlg(const Session& session, QWidget* parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("CPrinterMemoryDlg"));
    setWindowTitle(QStringLiteral("Printer Memory"));
    setWindowModality(Qt::WindowModal);
    auto* grid = new QGridLayout(this);
    m_memory = new QLabel(this);
    m_memory->setObjectName(QStringLiteral("labelMemory"));
    m_memory->setWordWrap(true);
    grid->addWidget(m_memory, 0, 0, 1, 2);
    m_keys = new QListWidget(this);
    m_keys->setObjectName(QStringLiteral("listKeys"));
    m_keys->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->addWidget(m_keys, 1, 0, 6, 1);
    const auto button = [this, grid](const char* name, const QString& text, int row) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        grid->addWidget(b, row, 1);
        m_buttons.push_back(b);
        return b;
    };
    connect(button("buttonRefresh", QStringLiteral("&Refresh"), 1), &QPushButton::clicked, this,
            &CPrinterMemoryDlg::Refresh);
    connect(button("buttonDelete", QStringLiteral("&Delete"), 2), &QPushButton::clicked, this,
            &CPrinterMemoryDlg::OnDelete);
    connect(button("buttonDeleteAll", QStringLiteral("Delete &All"), 3), &QPushButton::clicked, this,
            &CPrinterMemoryDlg::OnDeleteAll);
    connect(button("buttonPrint", QStringLiteral("&Print"), 4), &QPushButton::clicked, this,
            &CPrinterMemoryDlg::OnPrint);
    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("comboSize"));
    m_size->addItems({QStringLiteral("Normal"), QStringLiteral("Double Width"),
                      QStringLiteral("Double Height"), QStringLiteral("Quadraple")});
    grid->addWidget(m_size, 5, 1);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("buttonClose"));
    grid->addWidget(close, 6, 1, Qt::AlignBottom);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("labelStatus"));
    grid->addWidget(m_status, 7, 0, 1, 2);
    connect(&m_run, &RunHost::Status, m_status, &QLabel::setText);
    connect(&m_run, &RunHost::NotTakingData, m_status, &QLabel::setText);
    connect(&m_run, &RunHost::RunningChanged, this, [this](bool running) {
        for (QPushButton* b : m_buttons)
            b->setEnabled(!running);
        if (!running)
            m_status->clear();
    });
}

std::vector<std::string> CPrinterMemoryDlg::ChosenKeys() const
{
    // In the printer's order, as listed.
    std::vector<std::string> keys;
    for (int row = 0; row < m_keys->count(); ++row)
        if (m_keys->item(row)->isSelected())
            keys.push_back(m_keys->item(row)->data(Qt::UserRole).toString().toStdString());
    return keys;
}

void CPrinterMemoryDlg::Refresh()
{
    Start(KeyedRequestFor(m_session, jobs::KeyedAction::Ask));
}

void CPrinterMemoryDlg::OnDelete()
{
    jobs::KeyedRequest request = KeyedRequestFor(m_session, jobs::KeyedAction::Delete);
    request.keys = ChosenKeys();
    if (request.keys.empty())
        return;
    Start(std::move(request));
}

void CPrinterMemoryDlg::OnDeleteAll()
{
    if (platform::AfxMessageBox("Delete every logo stored in the printer by key?",
                                platform::MB_ICONQUESTION | platform::MB_YESNO) != platform::IDYES)
        return;
    jobs::KeyedRequest request = KeyedRequestFor(m_session, jobs::KeyedAction::Delete);
    request.all = true;
    Start(std::move(request));
}

void CPrinterMemoryDlg::OnPrint()
{
    jobs::KeyedRequest request = KeyedRequestFor(m_session, jobs::KeyedAction::Print);
    request.keys = ChosenKeys();
    request.printMode = m_size->currentIndex();
    if (request.keys.empty())
        return;
    Start(std::move(request));
}

void CPrinterMemoryDlg::Start(jobs::KeyedRequest request)
{
    if (m_run.Running())
        return;
    const platform::Context& context = m_session.m_context;
    const jobs::KeyedAction action = request.action;
    m_run.Start<jobs::KeyedEnd>(
        [&context, request = std::move(request)](const printer::CancelToken& cancel,
                                                 jobs::RunObserver& observer) {
            return jobs::RunKeyed(context, request, cancel, &observer);
        },
        [this, action](const jobs::KeyedEnd& end) { Ended(end, action); });
}

void CPrinterMemoryDlg::Ended(const jobs::KeyedEnd& end, jobs::KeyedAction action)
{
    if (m_closing) {
        QDialog::reject();
        return;
    }
    const bool done = end.ran && end.run.outcome == keyed::Outcome::Done;
    if (end.run.memoryKnown) {
        m_memory->setText(QString::fromStdString(keyed::DescribeMemory(end.run.memory)));
        m_keys->clear();
        for (const std::string& key : end.run.memory.keys) {
            auto* item = new QListWidgetItem(QString::fromStdString(KeyText(key)), m_keys);
            item->setData(Qt::UserRole, QString::fromStdString(key));
        }
    } else if (end.ran && end.run.outcome == keyed::Outcome::NoAnswer) {
        m_memory->setText(QString::fromLatin1(keyed::kNoAnswerText));
        m_keys->clear();
    }
    // An answer to Refresh is the dialog itself; the other requests and failures are told.
    if (!done || action != jobs::KeyedAction::Ask)
        ShowRunMessages(jobs::KeyedMessages(end));
}

void CPrinterMemoryDlg::reject()
{
    // A request still going ends first: the dialog goes once the printer has finished.
    if (m_run.Running()) {
        m_run.Cancel();
        m_closing = true;
        return;
    }
    QDialog::reject();
}
