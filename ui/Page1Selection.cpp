#include "ui/Page1Selection.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "app/NvLogoApp.h"
#include "app/SharedRecord.h"
#include "platform/Text.h"
#include "logo/StoredList.h"
#include "platform/MessageBox.h"
#include "ui/CheckListCtrl.h"
#include "ui/LogoListControls.h"
#include "platform/Messages.h"

CPage1Selection::CPage1Selection() : CPropertyPage(QStringLiteral("Select Bitmap"), 129)
{
    setObjectName(QStringLiteral("CPage1Selection"));
    auto button = [this](int id, const QString& text, int y) {
        auto* b = Place(new QPushButton(text, this), 185, y, 74, 14);
        b->setObjectName(QStringLiteral("button%1").arg(id));
        return b;
    };
    QPushButton* open = button(1016, QStringLiteral("&Open File..."), 19);
    QPushButton* remove = button(1015, QStringLiteral("Re&move"), 35);
    QPushButton* reset = button(1014, QStringLiteral("&Reset"), 51);
    open->setDefault(true);

    const LogoListControls controls =
        CreateLogoListControls(*this, 1000, QAbstractItemView::ExtendedSelection);
    m_list = controls.list;
    m_editFileCount = controls.fileCount;
    m_editTotalSize = controls.totalSize;

    auto* group = Place(new QGroupBox(QStringLiteral("Auto Center Align Check"), this), 187, 74, 111, 71);
    group->setObjectName(QStringLiteral("groupAutoCenter"));
    auto* note =
        PlaceIn(group, new QLabel(QStringLiteral(" Check the item for automatic center align image."), group),
                192, 86, 101, 54);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(m_list, &CCheckListCtrl::ItemChanged, this, &CPage1Selection::OnItemChanged);
    connect(m_list, &CCheckListCtrl::ColumnClick, this, &CPage1Selection::OnColumnClick);
    connect(open, &QPushButton::clicked, this, &CPage1Selection::OnOpenFile);
    connect(remove, &QPushButton::clicked, this, &CPage1Selection::OnRemove);
    connect(reset, &QPushButton::clicked, this, &CPage1Selection::OnReset);
}

void CPage1Selection::DoDataExchange(CDataExchange& dx)
{
    DDX_Text(dx, m_editFileCount, m_strFileCount);
    DDX_Text(dx, m_editTotalSize, m_strTotalSize);
}

void CPage1Selection::CopyCountersFromShared()
{
    m_strFileCount = g_Shared.m_strFileCount;
    m_strTotalSize = g_Shared.m_strTotalSize;
}

bool CPage1Selection::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_pApp = AfxGetApp();
    InsertLogoColumns(*m_list, 17);
    InitCounters(m_pApp, m_strFileCount, m_strTotalSize);
    m_loader.m_nTotalBytes = g_Shared.m_nTotalBytes;
    m_bSortAscending = false;
    m_nSortColumn = 0;
    g_Shared.m_nSelItem = -1;
    UpdateData(false);
    return true;
}

bool CPage1Selection::OnSetActive()
{
    m_list->DeleteAllItems();
    m_loader.SyncCount();
    RefillFromShared(*m_list);
    TickFromShared(*m_list);
    CopyCountersFromShared();
    m_list->SortByColumn(0, true);
    if (g_Shared.m_nSelItem != -1)
        m_list->SetItemFocusedSelected(g_Shared.m_nSelItem);
    UpdateData(false);
    g_Shared.m_nActivePage = 0;
    return CPropertyPage::OnSetActive();
}

bool CPage1Selection::OnKillActive()
{
    g_Shared.m_nActivePage = 0;
    StoreTicks(*m_list);
    return CPropertyPage::OnKillActive();
}

void CPage1Selection::OnItemChanged(int row)
{
    const std::vector<int> selected = m_list->GetSelectedRows();
    if (selected.empty())
        return;
    const size_t count = std::min(selected.size(), m_arrSelRow.size());
    for (size_t k = 0; k < count; ++k) {
        // While the page is being activated the shared selection wins.
        const bool activating = g_Shared.m_nActivePage != 0 && g_Shared.m_nSelItem != -1;
        const int index = activating ? g_Shared.m_nSelItem : selected[k];
        g_Shared.m_nSelItem = index;
        m_arrSelRow[k] = index;
    }
    g_Shared.m_nSelItem = row;
}

void CPage1Selection::OnColumnClick(int column)
{
    // The rows come back in the shared order, so each box keeps the tick the user gave
    // it since the page was entered (they are stored when the page is left).
    const std::vector<bool> ticks = ReadTicks(*m_list);
    RefillFromShared(*m_list);
    ApplyTicks(*m_list, ticks);
    g_Shared.m_nSelItem = -1;
    SortOnHeaderClick(*m_list, column, m_nSortColumn, m_bSortAscending);
}

void CPage1Selection::OnOpenFile()
{
    m_loader.TakeFailedNumbers();
    if (!m_loader.OpenFiles())
        return;
    // New files are appended: the rows already there keep their ticks, new rows start clear.
    const std::vector<bool> ticks = ReadTicks(*m_list);
    RefillFromShared(*m_list);
    ApplyTicks(*m_list, ticks);
    m_list->SortByColumn(0, true);
    CopyCountersFromShared();
    if (g_Shared.m_nSelItem != -1)
        m_list->SetItemFocusedSelected(g_Shared.m_nSelItem);
    UpdateData(false);
}

void CPage1Selection::OnRemove()
{
    const int selected = std::min(m_list->GetSelectedCount(), kMaxLogos);
    if (selected == 0) {
        platform::AfxMessageBox(msg::kNoFileSelected, platform::MB_ICONEXCLAMATION);
        return;
    }
    if (platform::MessageBox("Remove selected file?", "Nivora",
                             platform::MB_ICONQUESTION | platform::MB_YESNO) != platform::IDYES)
        return;
    // From the last selected row up, so that the rows still to go keep their indices.
    for (int k = selected - 1; k >= 0; --k) {
        const int row = m_arrSelRow[static_cast<size_t>(k)];
        m_loader.RemoveFile(Atoi(m_list->GetItemText(row, 1).toStdString()));
        m_list->DeleteItem(row);
        --g_Shared.m_nStoredCount;
    }
    CopyCountersFromShared();
    UpdateData(false);
    g_Shared.m_nSelItem = -1;
}

void CPage1Selection::OnReset()
{
    if (platform::AfxMessageBox(msg::kConfirmReset, platform::MB_ICONQUESTION | platform::MB_YESNO) ==
        platform::IDYES)
        ResetFromProfile();
}

void CPage1Selection::ResetFromProfile()
{
    m_list->DeleteAllItems();
    g_Shared.m_arrNumber.clear();
    g_Shared.m_arrName.clear();
    g_Shared.m_arrSize.clear();
    g_Shared.m_arrPath.clear();
    m_strFileCount = ZeroFileCountText();
    m_strTotalSize = ZeroTotalSizeText();
    g_Shared.m_nSelItem = -1;
    m_loader.Reset();
    if (m_pApp)
        ReloadStoredList(m_loader, m_pApp->Profile(), [](int number) { g_Shared.m_nStoredCount = number; });
    RefillFromShared(*m_list);
    TickFromShared(*m_list);
    m_list->SortByColumn(0, true);
    // With nothing listed the counters must read zero, also when stored files failed to
    // load and left the texts of the list as it was before the reset.
    if (g_Shared.m_nStoredCount == 0 || g_Shared.LogoCount() == 0) {
        g_Shared.m_strFileCount = m_strFileCount;
        g_Shared.m_strTotalSize = m_strTotalSize;
        m_loader.m_nTotalBytes = g_Shared.m_nTotalBytes = 0;
    }
    CopyCountersFromShared();
    UpdateData(false);
}
