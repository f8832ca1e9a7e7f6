#include "ui/CheckListCtrl.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <algorithm>
#include <utility>

namespace {

constexpr int kCheckColumn = 0;
constexpr int kLabelColumn = 2; // always shown: where a row's height is read

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

} // namespace

CCheckListCtrl::CCheckListCtrl(QWidget* parent) : QTreeView(parent)
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
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setMinimumSectionSize(0);
    connect(header(), &QHeaderView::sectionClicked, this, &CCheckListCtrl::ColumnClick);
}

void CCheckListCtrl::setModel(QAbstractItemModel* model)
{
    QTreeView::setModel(model);
    if (selectionModel())
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { emit ItemChanged(); });
}

int CCheckListCtrl::GetItemCount() const
{
    return model() ? model()->rowCount() : 0;
}

QString CCheckListCtrl::GetItemText(int row, int column) const
{
    return model() ? model()->index(row, column).data(Qt::DisplayRole).toString() : QString();
}

bool CCheckListCtrl::GetCheck(int row) const
{
    return model() && model()->index(row, kCheckColumn).data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

void CCheckListCtrl::SetCheck(int row, bool checked)
{
    if (model())
        model()->setData(model()->index(row, kCheckColumn), checked ? Qt::Checked : Qt::Unchecked,
                         Qt::CheckStateRole);
}

int CCheckListCtrl::GetSelectedCount() const
{
    return static_cast<int>(GetSelectedRows().size());
}

std::vector<int> CCheckListCtrl::GetSelectedRows() const
{
    std::vector<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CCheckListCtrl::SetItemFocusedSelected(int row)
{
    if (row < 0 || row >= GetItemCount())
        return;
    const QModelIndex index = model()->index(row, kLabelColumn);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    scrollTo(index);
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
    if (column == kCheckColumn)
        return text;
    return ShortenToWidth(fontMetrics(), text, header()->sectionSize(column), kCellMargin);
}

Qt::Alignment CCheckListCtrl::DisplayAlignment(int row, int column) const
{
    if (column == kCheckColumn)
        return Qt::AlignHCenter;
    if (DisplayText(row, column) != GetItemText(row, column))
        return Qt::AlignLeft;
    const QVariant format =
        model() ? model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole) : QVariant();
    return format.isValid() ? Qt::Alignment(format.toInt()) & Qt::AlignHorizontal_Mask : Qt::AlignLeft;
}

QRect CCheckListCtrl::CellRect(int row, int column) const
{
    const QRect line = visualRect(model()->index(row, kLabelColumn));
    if (header()->isSectionHidden(column))
        return QRect(header()->sectionViewportPosition(kLabelColumn), line.top(), 0, line.height());
    return QRect(header()->sectionViewportPosition(column), line.top(), header()->sectionSize(column),
                 line.height());
}

QRect CCheckListCtrl::RowArea(int row) const
{
    QRect area;
    for (int column = 0; column < header()->count(); ++column)
        if (!header()->isSectionHidden(column))
            area |= CellRect(row, column);
    return area;
}

QRect CCheckListCtrl::TextRect(int row, int column) const
{
    const QRect cell = CellRect(row, column);
    return column == kCheckColumn ? cell : cell.adjusted(kCellMargin, 0, -kCellMargin, 0);
}

bool CCheckListCtrl::ChecksShown() const
{
    return model() && !header()->isSectionHidden(kCheckColumn) && header()->sectionSize(kCheckColumn) > 0;
}

QRect CCheckListCtrl::CheckRect(int row) const
{
    if (!ChecksShown() || row < 0 || row >= GetItemCount())
        return {};
    const QRect cell = CellRect(row, kCheckColumn);
    const QSize indicator(style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this),
                          style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this));
    QRect box(QPoint(0, 0), indicator.boundedTo(cell.size()));
    box.moveCenter(cell.center());
    return box;
}

int CCheckListCtrl::CheckAt(const QPoint& pos) const
{
    const int row = indexAt(pos).row();
    return row >= 0 && CheckRect(row).contains(pos) ? row : -1;
}

void CCheckListCtrl::ToggleCheck(int row)
{
    SetCheck(row, !GetCheck(row));
}

void CCheckListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const int row = index.row();
    const bool focused = hasFocus();
    const bool highlighted = (focused || m_bShowSelAlways) && selectionModel()->isRowSelected(row, {});
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
    if (const QRect box = CheckRect(row); !box.isEmpty()) {
        QStyleOptionButton check;
        check.initFrom(this);
        check.rect = box;
        check.state = QStyle::State_Enabled | (GetCheck(row) ? QStyle::State_On : QStyle::State_Off);
        style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, painter, this);
    }
    for (int column = 1; column < header()->count(); ++column) {
        const QString text = DisplayText(row, column);
        if (!text.isEmpty() && !header()->isSectionHidden(column))
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

void CCheckListCtrl::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    viewport()->update(); // the selected rows change their look with the focus
}

void CCheckListCtrl::focusOutEvent(QFocusEvent* event)
{
    QTreeView::focusOutEvent(event);
    viewport()->update();
}

void CCheckListCtrl::keyPressEvent(QKeyEvent* event)
{
    // Space ticks the focused row's box where the boxes can be seen: the keyboard's way
    // to the click that toggles it.
    const int row = currentIndex().row();
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && row >= 0 && ChecksShown()) {
        ToggleCheck(row);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CCheckListCtrl::mousePressEvent(QMouseEvent* event)
{
    // A click on a box only ticks it: the selection stays as it was.
    if (event->button() == Qt::LeftButton) {
        m_nPressedCheck = CheckAt(event->position().toPoint());
        if (m_nPressedCheck >= 0) {
            event->accept();
            return;
        }
    }
    QTreeView::mousePressEvent(event);
}

void CCheckListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    const int pressed = std::exchange(m_nPressedCheck, -1);
    if (pressed >= 0 && event->button() == Qt::LeftButton) {
        if (CheckAt(event->position().toPoint()) == pressed)
            ToggleCheck(pressed);
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void CCheckListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second click of a double click on a box ticks it again, as a box does.
    if (event->button() == Qt::LeftButton && CheckAt(event->position().toPoint()) >= 0) {
        mousePressEvent(event);
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}
