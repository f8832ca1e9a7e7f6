#include "ui/LogoListControls.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "app/NvLogoApp.h"
#include "app/SharedRecord.h"
#include "platform/Text.h"
#include "ui/CheckListCtrl.h"
#include "ui/PropertySheet.h"

namespace {

QLabel* AddStatic(CPropertyPage& page, int id, const QString& text, int x, int y, int w, int h)
{
    auto* label = page.Place(new QLabel(text, &page), x, y, w, h);
    label->setObjectName(QStringLiteral("static%1").arg(id));
    return label;
}

QLineEdit* AddCounter(CPropertyPage& page, int id, int x, int y, int w, int h)
{
    auto* edit = page.Place(new QLineEdit(&page), x, y, w, h);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    edit->setReadOnly(true);
    return edit;
}

} // namespace

LogoListControls CreateLogoListControls(CPropertyPage& page, int labelId,
                                        QAbstractItemView::SelectionMode selectionMode)
{
    LogoListControls controls;
    controls.label = AddStatic(page, labelId, QStringLiteral("&Bitmap List"), 7, 7, 52, 10);
    controls.list = page.Place(new CCheckListCtrl(&page), 7, 19, 170, 175);
    controls.list->setObjectName(QStringLiteral("list1001"));
    controls.label->setBuddy(controls.list);
    controls.list->setSelectionMode(selectionMode);
    controls.list->SetShowSelectionAlways(true);
    AddStatic(page, 1002, QStringLiteral("Number of Image Files"), 7, 199, 83, 8);
    controls.fileCount = AddCounter(page, 1075, 99, 199, 78, 12);
    AddStatic(page, 1003, QStringLiteral("Total Image File Size"), 7, 214, 83, 8);
    controls.totalSize = AddCounter(page, 1074, 99, 214, 78, 12);
    return controls;
}

void InsertLogoColumns(CCheckListCtrl& list, int checkWidth)
{
    const int width = list.width();
    list.InsertColumn(0, QStringLiteral(" "), Qt::AlignHCenter, checkWidth);
    list.InsertColumn(1, QStringLiteral("   No."), Qt::AlignHCenter, 50);
    list.InsertColumn(2, QStringLiteral("Name"), Qt::AlignLeft, width - checkWidth - 50 - 86 - 5);
    list.InsertColumn(3, QStringLiteral("Size"), Qt::AlignRight, 86);
}

void InsertReadOnlyLogoColumns(CCheckListCtrl& list)
{
    InsertLogoColumns(list, 0);
    list.header()->setSectionResizeMode(0, QHeaderView::Fixed);
}

void RefillFromShared(CCheckListCtrl& list)
{
    list.DeleteAllItems();
    for (int i = 0; i < g_Shared.LogoCount(); ++i) {
        const auto at = static_cast<size_t>(i);
        const int row = list.InsertItem(i, QStringLiteral(" "));
        list.SetItemText(row, 1, QString::fromStdString(g_Shared.m_arrNumber[at]));
        list.SetItemText(row, 2, QString::fromStdString(g_Shared.m_arrName[at]));
        list.SetItemText(row, 3, QString::fromStdString(g_Shared.m_arrSize[at]));
    }
}

void ShowSharedList(CCheckListCtrl& list)
{
    RefillFromShared(list);
    list.SortByColumn(0, true);
    if (g_Shared.m_nSelItem != -1)
        list.SetItemFocusedSelected(g_Shared.m_nSelItem);
}

int32_t SharedSelectionAfter(int row, int32_t page)
{
    const bool activating = g_Shared.m_nActivePage != page && g_Shared.m_nSelItem != -1;
    return activating ? g_Shared.m_nSelItem : row;
}

void SortOnHeaderClick(CCheckListCtrl& list, int column, int32_t& sortColumn, bool& ascending)
{
    if (column != sortColumn)
        sortColumn = column;
    else
        ascending = !ascending;
    list.SortByColumn(column, ascending);
}

void TickFromShared(CCheckListCtrl& list)
{
    const int rows = std::min(list.GetItemCount(), kMaxLogos);
    for (int i = 0; i < rows; ++i)
        list.SetCheck(i, g_Shared.m_arrAutoCenter[static_cast<size_t>(i)] == 1);
}

std::vector<bool> ReadTicks(const CCheckListCtrl& list)
{
    std::vector<bool> ticks;
    for (int i = 0; i < list.GetItemCount(); ++i)
        ticks.push_back(list.GetCheck(i));
    return ticks;
}

void ApplyTicks(CCheckListCtrl& list, const std::vector<bool>& ticks)
{
    const int rows = std::min(list.GetItemCount(), static_cast<int>(ticks.size()));
    for (int i = 0; i < rows; ++i)
        list.SetCheck(i, ticks[static_cast<size_t>(i)]);
}

void StoreTicks(const CCheckListCtrl& list)
{
    const int rows = std::min(list.GetItemCount(), kMaxLogos);
    for (int i = 0; i < rows; ++i)
        g_Shared.m_arrAutoCenter[static_cast<size_t>(i)] = list.GetCheck(i) ? 1 : 0;
}

bool InitCounters(CNvLogoApp* app, std::string& fileCount, std::string& totalSize)
{
    if (app && app->m_bListLoaded) {
        fileCount = g_Shared.m_strFileCount;
        totalSize = g_Shared.m_strTotalSize;
        return true;
    }
    fileCount = ZeroFileCountText();
    totalSize = ZeroTotalSizeText();
    g_Shared.m_strFileCount = fileCount;
    g_Shared.m_strTotalSize = totalSize;
    g_Shared.m_nTotalBytes = 0;
    if (app)
        app->m_bListLoaded = true;
    return false;
}

std::string ZeroFileCountText()
{
    return Format("%3d / 255", 0);
}
std::string ZeroTotalSizeText()
{
    return Format("  0 / %3d KByte", g_Shared.m_nNvAreaKB);
}
