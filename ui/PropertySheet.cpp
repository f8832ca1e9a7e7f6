#include "ui/PropertySheet.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/HelpText.h"

CPropertyPage::CPropertyPage(const QString& caption, int templateId, int dluWidth, int dluHeight)
    : m_caption(caption), m_templateId(templateId), m_units(QApplication::font())
{
    const QSize templateSize(m_units.X(dluWidth), m_units.Y(dluHeight));
    setMinimumSize(templateSize);
    new TemplateLayout(this, templateSize);
}

bool CPropertyPage::OnInitDialog()
{
    UpdateData(false);
    return true;
}

bool CPropertyPage::OnSetActive()
{
    if (m_bFirstSetActive)
        m_bFirstSetActive = false;
    else
        UpdateData(false);
    return true;
}

bool CPropertyPage::OnKillActive()
{
    return UpdateData(true);
}

bool CPropertyPage::OnApply()
{
    OnOK();
    return true;
}

bool CPropertyPage::OnNotifyApply(bool)
{
    return OnApply();
}

void CPropertyPage::WinHelp()
{
    ShowPageHelp(this, HelpTopic());
}

bool CPropertyPage::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CPropertyPage::DoDataExchange(CDataExchange&)
{
}

void CPropertyPage::SetModified(bool changed)
{
    m_bModified = changed;
    if (m_sheet)
        m_sheet->UpdateApplyButton();
}

CPropertySheet::CPropertySheet(const QString& caption, QWidget* parent, int selectPage)
    : QDialog(parent), m_tabs(new QTabWidget(this)), m_buttons(new QDialogButtonBox(this)),
      m_nStartPage(selectPage)
{
    setWindowTitle(caption);
    m_ok = m_buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_cancel = m_buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_apply = m_buttons->addButton(QStringLiteral("&Apply"), QDialogButtonBox::ApplyRole);
    m_help = m_buttons->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole);
    m_apply->setEnabled(false);
    m_ok->setDefault(false);
    m_ok->setAutoDefault(false);
    for (QPushButton* b : {m_cancel, m_apply, m_help})
        b->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);

    connect(m_ok, &QPushButton::clicked, this, [this] { ApplyNow(true); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { QDialog::reject(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { ApplyNow(false); });
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (CPropertyPage* page = GetActivePage())
            page->WinHelp();
    });
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] {
        if (CPropertyPage* page = GetActivePage())
            page->WinHelp();
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnTabChanged);
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    page->m_sheet = this;
    m_pages.push_back(page);
    m_bReverting = true; // adding the first tab makes it current: not an activation
    m_tabs->addTab(page, page->Caption());
    m_bReverting = false;
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    return m_nCurrent < 0 ? nullptr : m_pages.at(static_cast<size_t>(m_nCurrent));
}

int CPropertySheet::GetActiveIndex() const
{
    return m_nCurrent;
}

QPushButton* CPropertySheet::GetButton(Button button) const
{
    switch (button) {
    case Button::Ok:
        return m_ok;
    case Button::Cancel:
        return m_cancel;
    case Button::Apply:
        return m_apply;
    case Button::Help:
        return m_help;
    }
    return nullptr;
}

void CPropertySheet::ActivatePage(CPropertyPage* page)
{
    if (!page->m_bInitialized) {
        page->m_bInitialized = true;
        page->OnInitDialog();
    }
    page->OnSetActive();
}

void CPropertySheet::showEvent(QShowEvent* event)
{
    if (!m_bStarted && !m_pages.empty()) {
        m_bStarted = true;
        const int start = std::clamp(m_nStartPage, 0, GetPageCount() - 1);
        ShowTab(start);
        m_nCurrent = start;
        ActivatePage(m_pages[static_cast<size_t>(start)]);
    }
    QDialog::showEvent(event);
}

void CPropertySheet::OnTabChanged(int index)
{
    if (m_bReverting || !m_bStarted || index == m_nCurrent || index < 0)
        return;
    // The tab widget has switched already. The page being left decides on its own tab,
    // so that a range prompt stands over the value it is about; if it refuses, the tab
    // simply stays there.
    ShowTab(m_nCurrent);
    if (CPropertyPage* old = GetActivePage(); old && !old->OnKillActive())
        return;
    ShowTab(index);
    m_nCurrent = index;
    ActivatePage(m_pages[static_cast<size_t>(index)]);
}

void CPropertySheet::ShowTab(int index)
{
    m_bReverting = true;
    m_tabs->setCurrentIndex(index);
    m_bReverting = false;
}

bool CPropertySheet::SetActivePage(int index)
{
    if (index < 0 || index >= GetPageCount())
        return false;
    if (!m_bStarted) {
        m_nStartPage = index;
        return true;
    }
    m_tabs->setCurrentIndex(index);
    return m_nCurrent == index;
}

void CPropertySheet::UpdateApplyButton()
{
    bool any = false;
    for (CPropertyPage* page : m_pages)
        any = any || page->m_bModified;
    m_apply->setEnabled(any);
}

bool CPropertySheet::ApplyNow(bool closeRequested)
{
    if (CPropertyPage* active = GetActivePage(); active && !active->OnKillActive())
        return false;
    for (CPropertyPage* page : m_pages) {
        if (page->m_bInitialized && !page->OnNotifyApply(closeRequested))
            return false;
    }
    for (CPropertyPage* page : m_pages)
        page->m_bModified = false;
    m_apply->setEnabled(false);
    if (closeRequested)
        accept();
    return true;
}

void CPropertySheet::closeEvent(QCloseEvent* event)
{
    // The title bar's close box closes like "Close": the sheet has no way out that
    // drops the settings.
    if (result() == QDialog::Accepted || ApplyNow(true))
        event->accept();
    else
        event->ignore();
}

void CPropertySheet::reject()
{
    // Esc: only when the Cancel button is available.
    if (m_cancel->isEnabled() && m_cancel->isVisible())
        QDialog::reject();
}
