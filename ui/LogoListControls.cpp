#include "ui/LogoListControls.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <algorithm>

#include "download/NvImage.h"
#include "platform/Text.h"
#include "ui/CheckListCtrl.h"
#include "ui/LogoTableModel.h"
#include "ui/PropertySheet.h"

namespace {

constexpr int kCheckWidth = 17;
constexpr int kNumberWidth = 50;
constexpr int kSizeWidth = 86;
constexpr int kKeyWidth = 40;

QLabel* AddStatic(CPropertyPage& page, int id, const QString& text, int x, int y, int w, int h, Follow follow)
{
    auto* label = page.Place(new QLabel(text, &page), x, y, w, h, follow);
    label->setObjectName(QStringLiteral("static%1").arg(id));
    return label;
}

QLineEdit* AddCounter(CPropertyPage& page, int id, int x, int y, int w, int h, CounterBorder border,
                      Follow follow)
{
    auto* edit = page.Place(new QLineEdit(&page), x, y, w, h, follow);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    edit->setReadOnly(true);
    edit->setFrame(border == CounterBorder::Framed);
    return edit;
}

// The "Adjust" column: room for the usual short texts; a longer one is in its tooltip.
int AdjustWidth(const CCheckListCtrl& list)
{
    return list.fontMetrics().horizontalAdvance(QStringLiteral("fit, 90\u00b0")) +
           2 * CCheckListCtrl::kCellMargin;
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

std::string FileCountText(const LogoList& list)
{
    return Format("%3d / 255", list.Count());
}

std::string TotalSizeText(const LogoList& list)
{
    return Format("%3ld / %3d KByte", static_cast<long>(UsedKByte(list.TotalBytes())), list.CapacityKByte());
}

LogoListPane::LogoListPane(CPropertyPage& page, LogoTableModel& model, int labelId,
                           QAbstractItemView::SelectionMode mode, CounterBorder border, CheckColumn checks,
                           double widthShare)
    : QObject(&page), m_model(model), m_proxy(new QSortFilterProxyModel(this))
{
    m_proxy->setSourceModel(&model);
    m_proxy->setSortRole(LogoTableModel::kSortRole);
    m_proxy->setSortCaseSensitivity(Qt::CaseInsensitive);

    const Follow under = Follow::Move(0, 1);
    const Follow counter = Follow::Across(0, widthShare, 1);
    m_label = AddStatic(page, labelId, QStringLiteral("&Bitmap List"), 7, 7, 52, 10, {});
    m_list = page.Place(new CCheckListCtrl(&page), 7, 19, 170, 175, {0, 0, widthShare, 1});
    m_list->setObjectName(QStringLiteral("list1001"));
    m_list->installEventFilter(this);
    m_list->setModel(m_proxy);
    m_list->setColumnHidden(LogoTableModel::kCheckColumn, checks == CheckColumn::Hidden);
    m_label->setBuddy(m_list);
    m_list->setSelectionMode(mode);
    m_list->SetShowSelectionAlways(true);
    AddStatic(page, 1002, QStringLiteral("Number of Image Files"), 7, 199, 83, 8, under);
    m_editFileCount = AddCounter(page, 1075, 99, 199, 78, 12, border, counter);
    AddStatic(page, 1003, QStringLiteral("Total Image File Size"), 7, 214, 83, 8, under);
    m_editTotalSize = AddCounter(page, 1074, 99, 214, 78, 12, border, counter);
    ShowCounters();

    connect(m_list, &CCheckListCtrl::ItemChanged, this, &LogoListPane::OnItemChanged);
    connect(m_list, &CCheckListCtrl::ColumnClick, this, &LogoListPane::OnColumnClick);
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&model, signal, this, &LogoListPane::ShowCounters);
    connect(&model, &QAbstractItemModel::modelReset, this, &LogoListPane::ShowCounters);
    // A logo's adjustments change its size, and so the total.
    connect(&model, &QAbstractItemModel::dataChanged, this, &LogoListPane::ShowCounters);
    m_list->setColumnHidden(LogoTableModel::kAdjustColumn, !model.AnyAdjusted());
    m_list->setColumnHidden(LogoTableModel::kKeyColumn, true);
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&model, signal, this, &LogoListPane::ShowAdjustColumn);
    connect(&model, &QAbstractItemModel::modelReset, this, &LogoListPane::ShowAdjustColumn);
    connect(&model, &QAbstractItemModel::dataChanged, this, &LogoListPane::ShowAdjustColumn);
}

void LogoListPane::InsertColumns()
{
    const bool checks = !m_list->isColumnHidden(LogoTableModel::kCheckColumn);
    const int size = std::max(kSizeWidth, WidestSizeText(*m_list) + CCheckListCtrl::kCellMargin);
    const int adjust = m_list->isColumnHidden(LogoTableModel::kAdjustColumn) ? 0 : AdjustWidth(*m_list);
    QHeaderView* header = m_list->header();
    header->resizeSection(LogoTableModel::kCheckColumn, checks ? kCheckWidth : 0);
    header->resizeSection(LogoTableModel::kNumberColumn, kNumberWidth);
    header->resizeSection(LogoTableModel::kSizeColumn, size);
    if (adjust > 0)
        header->resizeSection(LogoTableModel::kAdjustColumn, adjust);
    if (!m_list->isColumnHidden(LogoTableModel::kKeyColumn))
        header->resizeSection(LogoTableModel::kKeyColumn, kKeyWidth);
    header->setSectionResizeMode(LogoTableModel::kCheckColumn, QHeaderView::Fixed);
    m_bColumnsInserted = true;
    FitNameColumn();
}

void LogoListPane::FitNameColumn()
{
    const QHeaderView* header = m_list->header();
    const int inside = m_list->width() - 2 * m_list->frameWidth() - ScrollBarRoom(*m_list);
    const int others = (m_list->isColumnHidden(LogoTableModel::kCheckColumn)
                            ? 0
                            : header->sectionSize(LogoTableModel::kCheckColumn)) +
                       header->sectionSize(LogoTableModel::kNumberColumn) +
                       header->sectionSize(LogoTableModel::kSizeColumn) +
                       (m_list->isColumnHidden(LogoTableModel::kKeyColumn)
                            ? 0
                            : header->sectionSize(LogoTableModel::kKeyColumn)) +
                       (m_list->isColumnHidden(LogoTableModel::kAdjustColumn)
                            ? 0
                            : header->sectionSize(LogoTableModel::kAdjustColumn));
    m_list->header()->resizeSection(LogoTableModel::kNameColumn, inside - others);
    m_list->doItemsLayout(); // no scroll bar left over from the sections' first sizes
}

bool LogoListPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::Resize && m_bColumnsInserted)
        FitNameColumn();
    return QObject::eventFilter(watched, event);
}

void LogoListPane::Activate(bool keys)
{
    ShowKeyColumn(keys);
    ShowListOrder();
    ShowSharedSelection();
    ShowCounters();
}

void LogoListPane::ShowListOrder()
{
    m_proxy->sort(-1);
}

void LogoListPane::ShowSharedSelection()
{
    m_list->clearSelection();
    const int row = ViewRow(m_model.SelectedRow());
    if (row >= 0)
        m_list->SetItemFocusedSelected(row);
}

void LogoListPane::OnColumnClick(int column)
{
    m_list->clearSelection();
    m_model.SetSelectedRow(-1);
    if (column != m_nSortColumn)
        m_nSortColumn = column;
    else
        m_bSortAscending = !m_bSortAscending;
    // Rows of equal value keep the list's order, in either direction.
    ShowListOrder();
    m_proxy->sort(column, m_bSortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    emit SelectionChanged();
}

int LogoListPane::SourceRow(int row) const
{
    return row < 0 ? -1 : m_proxy->mapToSource(m_proxy->index(row, 0)).row();
}

int LogoListPane::ViewRow(int sourceRow) const
{
    return sourceRow < 0 ? -1 : m_proxy->mapFromSource(m_model.index(sourceRow, 0)).row();
}

std::vector<int> LogoListPane::SelectedSourceRows() const
{
    std::vector<int> rows;
    for (const int row : m_list->GetSelectedRows())
        rows.push_back(SourceRow(row));
    return rows;
}

void LogoListPane::OnItemChanged()
{
    const std::vector<int> selected = m_list->GetSelectedRows();
    if (selected.empty())
        return;
    // The row chosen last: the focused one when it is selected.
    const int current = m_list->currentIndex().row();
    const bool currentSelected = std::find(selected.begin(), selected.end(), current) != selected.end();
    m_model.SetSelectedRow(SourceRow(currentSelected ? current : selected.back()));
    emit SelectionChanged();
}

void LogoListPane::ShowAdjustColumn()
{
    const bool shown = m_model.AnyAdjusted();
    if (m_list->isColumnHidden(LogoTableModel::kAdjustColumn) != shown)
        return;
    m_list->setColumnHidden(LogoTableModel::kAdjustColumn, !shown);
    if (m_bColumnsInserted)
        InsertColumns();
}

void LogoListPane::ShowKeyColumn(bool shown)
{
    if (m_list->isColumnHidden(LogoTableModel::kKeyColumn) != shown)
        return;
    m_list->setColumnHidden(LogoTableModel::kKeyColumn, !shown);
    if (m_bColumnsInserted)
        InsertColumns();
}

void LogoListPane::ShowCounters()
{
    m_editFileCount->setText(QString::fromStdString(FileCountText(m_model.List())));
    m_editTotalSize->setText(QString::fromStdString(TotalSizeText(m_model.List())));
}
