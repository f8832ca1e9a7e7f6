#include "ui/LogoListControls.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <algorithm>
#include <deque>
#include <map>

#include "app/NvLogoApp.h"
#include "app/SharedRecord.h"
#include "platform/Text.h"
#include "download/NvImage.h"
#include "ui/CheckListCtrl.h"
#include "ui/PropertySheet.h"

namespace {

QLabel* AddStatic(CPropertyPage& page, int id, const QString& text, int x, int y, int w, int h)
{
    auto* label = page.Place(new QLabel(text, &page), x, y, w, h);
    label->setObjectName(QStringLiteral("static%1").arg(id));
    return label;
}

QLineEdit* AddCounter(CPropertyPage& page, int id, int x, int y, int w, int h, CounterBorder border)
{
    auto* edit = page.Place(new QLineEdit(&page), x, y, w, h);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    edit->setReadOnly(true);
    edit->setFrame(border == CounterBorder::Framed);
    return edit;
}

// The widest text the "Size" column holds: the size of the largest image there can be.
int WidestSizeText(const CCheckListCtrl& list)
{
    return list.fontMetrics().horizontalAdvance(QString::fromStdString(Format("%15d", kNvRasterCapacity)));
}

// The width a vertical scroll bar takes from the list's rows when it appears.
int ScrollBarRoom(const CCheckListCtrl& list)
{
    const QStyle* style = list.style();
    int room = style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
    if (style->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, &list))
        room += style->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, &list);
    return room;
}

} // namespace

LogoListControls CreateLogoListControls(CPropertyPage& page, int labelId,
                                        QAbstractItemView::SelectionMode selectionMode,
                                        CounterBorder counterBorder)
{
    LogoListControls controls;
    controls.label = AddStatic(page, labelId, QStringLiteral("&Bitmap List"), 7, 7, 52, 10);
    controls.list = page.Place(new CCheckListCtrl(&page), 7, 19, 170, 175);
    controls.list->setObjectName(QStringLiteral("list1001"));
    controls.label->setBuddy(controls.list);
    controls.list->setSelectionMode(selectionMode);
    controls.list->SetShowSelectionAlways(true);
    AddStatic(page, 1002, QStringLiteral("Number of Image Files"), 7, 199, 83, 8);
    controls.fileCount = AddCounter(page, 1075, 99, 199, 78, 12, counterBorder);
    AddStatic(page, 1003, QStringLiteral("Total Image File Size"), 7, 214, 83, 8);
    controls.totalSize = AddCounter(page, 1074, 99, 214, 78, 12, counterBorder);
    return controls;
}

void InsertLogoColumns(CCheckListCtrl& list, int checkWidth)
{
    const int inside = list.width() - 2 * list.frameWidth() - ScrollBarRoom(list);
    const int size = std::max(86, WidestSizeText(list) + CCheckListCtrl::kCellMargin);
    list.InsertColumn(0, QStringLiteral(" "), Qt::AlignHCenter, checkWidth);
    list.InsertColumn(1, QStringLiteral("   No."), Qt::AlignHCenter, 50);
    list.InsertColumn(2, QStringLiteral("Name"), Qt::AlignLeft, inside - checkWidth - 50 - size);
    list.InsertColumn(3, QStringLiteral("Size"), Qt::AlignRight, size);
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
        list.SetItemData(row, i);
        list.SetItemText(row, 1, QString::fromStdString(g_Shared.m_arrNumber[at]));
        list.SetItemText(row, 2, QString::fromStdString(g_Shared.m_arrName[at]));
        list.SetItemText(row, 3, QString::fromStdString(g_Shared.m_arrSize[at]));
    }
}

int32_t EntryOfRow(const CCheckListCtrl& list, int row)
{
    return list.GetItemData(row);
}

int RowOfEntry(const CCheckListCtrl& list, int32_t entry)
{
    return entry < 0 ? -1 : list.FindItemData(entry);
}

void ForgetEntry(CCheckListCtrl& list, int32_t entry)
{
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const int32_t shown = EntryOfRow(list, row);
        if (shown > entry)
            list.SetItemData(row, shown - 1);
    }
}

void ShowSharedList(CCheckListCtrl& list)
{
    RefillFromShared(list);
    list.SortByColumn(0, true);
    SelectSharedEntry(list);
}

void SelectSharedEntry(CCheckListCtrl& list)
{
    const int row = RowOfEntry(list, g_Shared.m_nSelItem);
    if (row != -1)
        list.SetItemFocusedSelected(row);
}

int32_t SharedSelectionAfter(const CCheckListCtrl& list, int row, int32_t page)
{
    const bool activating = g_Shared.m_nActivePage != page && g_Shared.m_nSelItem != -1;
    return activating ? g_Shared.m_nSelItem : EntryOfRow(list, row);
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
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const int32_t entry = EntryOfRow(list, row);
        list.SetCheck(row, entry >= 0 && entry < kMaxLogos &&
                               g_Shared.m_arrAutoCenter[static_cast<size_t>(entry)] == 1);
    }
}

std::vector<bool> ReadTicks(const CCheckListCtrl& list)
{
    std::vector<bool> ticks(static_cast<size_t>(std::max(g_Shared.LogoCount(), 0)), false);
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const int32_t entry = EntryOfRow(list, row);
        if (entry >= 0 && static_cast<size_t>(entry) < ticks.size())
            ticks[static_cast<size_t>(entry)] = list.GetCheck(row);
    }
    return ticks;
}

void ApplyTicks(CCheckListCtrl& list, const std::vector<bool>& ticks)
{
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const int32_t entry = EntryOfRow(list, row);
        list.SetCheck(row, entry >= 0 && static_cast<size_t>(entry) < ticks.size() &&
                               ticks[static_cast<size_t>(entry)]);
    }
}

void StoreTicks(const CCheckListCtrl& list)
{
    const std::vector<bool> ticks = ReadTicks(list);
    for (size_t entry = 0; entry < g_Shared.m_arrAutoCenter.size(); ++entry)
        g_Shared.m_arrAutoCenter[entry] = entry < ticks.size() && ticks[entry] ? 1 : 0;
}

std::vector<bool> TicksByPath(const std::vector<std::string>& oldPaths, const std::vector<bool>& oldTicks,
                              const std::vector<std::string>& newPaths)
{
    std::map<std::string, std::deque<bool>> listed;
    for (size_t i = 0; i < oldPaths.size(); ++i)
        listed[oldPaths[i]].push_back(i < oldTicks.size() && oldTicks[i]);
    std::vector<bool> ticks;
    for (const std::string& path : newPaths) {
        std::deque<bool>& states = listed[path];
        ticks.push_back(!states.empty() && states.front());
        if (!states.empty())
            states.pop_front();
    }
    return ticks;
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
