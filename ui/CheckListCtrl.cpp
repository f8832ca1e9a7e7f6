#include "ui/CheckListCtrl.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <algorithm>
#include <set>
#include <unordered_map>

namespace {

// Rows compare by the sort column's text without regard to case. QTreeWidget sorts
// with a stable sort, so rows with equal texts keep their order in both directions.
class CheckListItem final : public QTreeWidgetItem {
public:
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

// Rows tall enough for the text and a check box, with some air.
class RowHeightDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QWidget* view = option.widget;
        const int text = option.fontMetrics.height() + 6;
        const int box = view ? view->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, view) + 4 : 0;
        return {QStyledItemDelegate::sizeHint(option, index).width(), std::max(text, box)};
    }
};

std::set<int> RowsOf(const QItemSelection& selection)
{
    std::set<int> rows;
    for (const QItemSelectionRange& range : selection)
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.insert(row);
    return rows;
}

} // namespace

CCheckListCtrl::CCheckListCtrl(QWidget* parent) : QTreeWidget(parent)
{
    m_clrBkgnd = palette().color(QPalette::Active, QPalette::Base);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setItemDelegate(new RowHeightDelegate(this));
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setColumnCount(0);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setMinimumSectionSize(0); // the pages hide the check column with width 0

    connect(model(), &QAbstractItemModel::rowsInserted, this, &CCheckListCtrl::OnRowsInserted);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, &CCheckListCtrl::OnRowsRemoved);
    connect(model(), &QAbstractItemModel::modelReset, this, &CCheckListCtrl::DestroyAllChecks);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CCheckListCtrl::OnSelectionChanged);
    connect(header(), &QHeaderView::sectionClicked, this, &CCheckListCtrl::ColumnClick);
    connect(header(), &QHeaderView::sectionResized, this, [this] { PlaceAllChecks(); });
}

CCheckListCtrl::~CCheckListCtrl()
{
    // The base class destroys the model after this part of the object is gone: its
    // signals must not reach the slots above any more.
    model()->disconnect(this);
    selectionModel()->disconnect(this);
}

int CCheckListCtrl::InsertColumn(int, const QString& heading, Qt::Alignment format, int width)
{
    const int column = static_cast<int>(m_columnFormat.size());
    m_columnFormat.push_back(format & Qt::AlignHorizontal_Mask);
    setColumnCount(column + 1);
    headerItem()->setText(column, heading);
    headerItem()->setTextAlignment(column, m_columnFormat.back() | Qt::AlignVCenter);
    header()->resizeSection(column, width);
    return column;
}

int CCheckListCtrl::InsertItem(int row, const QString& text)
{
    row = std::clamp(row, 0, GetItemCount());
    auto* item = new CheckListItem;
    item->setText(0, text);
    insertTopLevelItem(row, item);
    return row;
}

bool CCheckListCtrl::SetItemText(int row, int column, const QString& text)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= columnCount())
        return false;
    item->setText(column, text);
    return true;
}

QString CCheckListCtrl::GetItemText(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

bool CCheckListCtrl::SetItemData(int row, int value)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return false;
    item->setData(0, Qt::UserRole, value);
    return true;
}

int CCheckListCtrl::GetItemData(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

int CCheckListCtrl::FindItemData(int value) const
{
    for (int row = 0; row < GetItemCount(); ++row)
        if (GetItemData(row) == value)
            return row;
    return -1;
}

bool CCheckListCtrl::DeleteItem(int row)
{
    if (row < 0 || row >= GetItemCount())
        return false;
    m_bQuiet = true;
    delete takeTopLevelItem(row);
    m_bQuiet = false;
    return true;
}

bool CCheckListCtrl::DeleteAllItems()
{
    m_bQuiet = true;
    DestroyAllChecks();
    clear();
    m_bQuiet = false;
    return true;
}

int CCheckListCtrl::GetSelectedCount() const
{
    return static_cast<int>(GetSelectedRows().size());
}

std::vector<int> CCheckListCtrl::GetSelectedRows() const
{
    std::vector<int> rows;
    for (int row = 0; row < GetItemCount(); ++row)
        if (topLevelItem(row)->isSelected())
            rows.push_back(row);
    return rows;
}

void CCheckListCtrl::SetItemFocusedSelected(int row)
{
    if (row < 0 || row >= GetItemCount())
        return;
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    scrollTo(index);
}

bool CCheckListCtrl::GetCheck(int row) const
{
    return row >= 0 && row < kMaxChecks && m_checks[static_cast<size_t>(row)] &&
           m_checks[static_cast<size_t>(row)]->isChecked();
}

void CCheckListCtrl::SetCheck(int row, bool checked)
{
    if (row >= 0 && row < kMaxChecks && m_checks[static_cast<size_t>(row)])
        m_checks[static_cast<size_t>(row)]->setChecked(checked);
}

int CCheckListCtrl::SortByColumn(int column, bool ascending)
{
    if (column >= 0 && column < columnCount()) {
        // The boxes stay at their positions; their states go where their rows go.
        std::unordered_map<const QTreeWidgetItem*, bool> ticked;
        for (int row = 0; row < GetItemCount(); ++row)
            ticked[topLevelItem(row)] = GetCheck(row);
        m_bQuiet = true;
        sortItems(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        m_bQuiet = false;
        for (int row = 0; row < GetItemCount(); ++row)
            SetCheck(row, ticked[topLevelItem(row)]);
    }
    return GetItemCount();
}

void CCheckListCtrl::SetShowSelectionAlways(bool always)
{
    m_bShowSelAlways = always;
    viewport()->update();
}

QString CCheckListCtrl::ShortenToWidth(const QFontMetrics& metrics, const QString& text, int columnWidth,
                                       int margin)
{
    if (text.isEmpty() || metrics.horizontalAdvance(text) + margin <= columnWidth)
        return text;
    if (columnWidth <= 14)
        return {};
    // The ellipsis is reserved four characters wide: the dots and a terminating zero.
    static const QString kMeasuredEllipsis = QString::fromLatin1("...\0", 4);
    const int ellipsis = metrics.horizontalAdvance(kMeasuredEllipsis);
    int keep = 1;
    for (int i = static_cast<int>(text.size()) - 1; i >= 1; --i) {
        if (metrics.horizontalAdvance(text.left(i)) + margin + ellipsis <= columnWidth) {
            keep = i;
            break;
        }
    }
    return text.left(keep) + QStringLiteral("...");
}

QString CCheckListCtrl::DisplayText(int row, int column) const
{
    const QString text = GetItemText(row, column);
    if (column == 0)
        return text;
    return ShortenToWidth(fontMetrics(), text, header()->sectionSize(column), kCellMargin);
}

Qt::Alignment CCheckListCtrl::DisplayAlignment(int row, int column) const
{
    if (column == 0)
        return Qt::AlignHCenter;
    if (DisplayText(row, column) != GetItemText(row, column))
        return Qt::AlignLeft;
    return column < static_cast<int>(m_columnFormat.size()) ? m_columnFormat[static_cast<size_t>(column)]
                                                            : Qt::AlignLeft;
}

QRect CCheckListCtrl::LabelRect(int row) const
{
    return visualRect(model()->index(row, 0));
}

QRect CCheckListCtrl::RowArea(int row) const
{
    const QRect label = LabelRect(row);
    int right = label.right();
    for (int column = 1; column < columnCount(); ++column)
        right += header()->sectionSize(column);
    return QRect(QPoint(label.left(), label.top()), QPoint(right, label.bottom()));
}

QRect CCheckListCtrl::TextRect(int row, int column) const
{
    const QRect label = LabelRect(row);
    if (column == 0)
        return label;
    int left = label.left() + label.width();
    for (int c = 1; c < column; ++c)
        left += header()->sectionSize(c);
    const QRect cell(left, label.top(), header()->sectionSize(column), label.height());
    return cell.adjusted(kCellMargin, 0, -kCellMargin, 0);
}

void CCheckListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const int row = index.row();
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    const bool focused = hasFocus();
    const bool highlighted = (focused || m_bShowSelAlways) && item->isSelected();
    const QRect area = RowArea(row);
    const QPalette& pal = palette();

    painter->save();
    if (highlighted) {
        painter->fillRect(area, pal.color(QPalette::Active, QPalette::Highlight));
        painter->setPen(pal.color(QPalette::Active, QPalette::HighlightedText));
    } else {
        painter->fillRect(area, m_clrBkgnd);
        painter->setPen(pal.color(QPalette::Active, QPalette::Text));
    }
    painter->drawText(LabelRect(row), Qt::AlignCenter | Qt::TextSingleLine, item->text(0));
    for (int column = 1; column < columnCount(); ++column) {
        const QString text = DisplayText(row, column);
        if (!text.isEmpty())
            painter->drawText(TextRect(row, column),
                              int(DisplayAlignment(row, column) | Qt::AlignVCenter) | Qt::TextSingleLine,
                              text);
    }
    if (focused && currentIndex().row() == row) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = area;
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
        focus.backgroundColor = highlighted ? pal.color(QPalette::Active, QPalette::Highlight) : m_clrBkgnd;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, this);
    }
    painter->restore();
}

void CCheckListCtrl::RepaintFocusedRow()
{
    // Switches the focused row between its focused and unfocused look (highlight and
    // focus rectangle) at once.
    if (currentIndex().isValid())
        viewport()->repaint(RowArea(currentIndex().row()));
    viewport()->update();
}

void CCheckListCtrl::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    RepaintFocusedRow();
}

void CCheckListCtrl::focusOutEvent(QFocusEvent* event)
{
    QTreeWidget::focusOutEvent(event);
    RepaintFocusedRow();
}

void CCheckListCtrl::keyPressEvent(QKeyEvent* event)
{
    // Space ticks the focused row's box where the boxes can be seen: the keyboard's way
    // to the click that toggles it.
    const int row = currentIndex().row();
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && row >= 0 &&
        row < kMaxChecks && m_checks[static_cast<size_t>(row)] &&
        m_checks[static_cast<size_t>(row)]->isVisible()) {
        m_checks[static_cast<size_t>(row)]->toggle();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CCheckListCtrl::scrollContentsBy(int dx, int dy)
{
    QTreeWidget::scrollContentsBy(dx, dy);
    PlaceAllChecks();
}

void CCheckListCtrl::updateGeometries()
{
    QTreeWidget::updateGeometries();
    PlaceAllChecks();
}

void CCheckListCtrl::OnRowsInserted(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    for (int row = first; row <= last && row < kMaxChecks; ++row) {
        QCheckBox*& box = m_checks[static_cast<size_t>(row)];
        // A row inserted in front of existing ones does not move their boxes.
        if (box)
            continue;
        box = new QCheckBox(viewport());
        box->setObjectName(QStringLiteral("check%1").arg(row));
        // The list keeps the keyboard focus when a box is clicked.
        box->setFocusPolicy(Qt::NoFocus);
        PlaceCheck(row);
    }
}

void CCheckListCtrl::OnRowsRemoved(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    for (int n = first; n <= last; ++n)
        ShiftChecksUp(first);
    PlaceAllChecks();
}

void CCheckListCtrl::ShiftChecksUp(int row)
{
    for (int k = row; k >= 0 && k < kMaxChecks && m_checks[static_cast<size_t>(k)]; ++k) {
        QCheckBox* next = k + 1 < kMaxChecks ? m_checks[static_cast<size_t>(k) + 1] : nullptr;
        if (next) {
            m_checks[static_cast<size_t>(k)]->setChecked(next->isChecked());
        } else {
            delete m_checks[static_cast<size_t>(k)];
            m_checks[static_cast<size_t>(k)] = nullptr;
        }
    }
}

void CCheckListCtrl::DestroyAllChecks()
{
    for (QCheckBox*& box : m_checks) {
        delete box;
        box = nullptr;
    }
}

void CCheckListCtrl::PlaceCheck(int row)
{
    QCheckBox* box = m_checks[static_cast<size_t>(row)];
    if (!box)
        return;
    const QRect cell = row < GetItemCount() ? LabelRect(row) : QRect();
    QRect rect(QPoint(0, 0), box->sizeHint().boundedTo(cell.size()));
    rect.moveCenter(cell.center());
    box->setGeometry(rect);
    box->setVisible(rect.width() > 0 && rect.height() > 0);
}

void CCheckListCtrl::PlaceAllChecks()
{
    for (int row = 0; row < kMaxChecks; ++row)
        PlaceCheck(row);
}

void CCheckListCtrl::OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    if (m_bQuiet)
        return;
    for (int row : RowsOf(deselected))
        emit ItemChanged(row);
    for (int row : RowsOf(selected))
        emit ItemChanged(row);
}
