#pragma once
// The logo list of the Selection, Preview and Download pages: a report view whose rows
// the control paints itself (whole-row highlight, cells shortened with "..."), with a
// real check box in the first column of every row and sorting by any column's text.
//
// A check box window belongs to a row position, but its state belongs to the row's
// content: a sort carries the states along with their rows, and deleting a row moves
// the states of the later rows up by one. Each row also carries a number of the page's
// choosing (its item data), which the pages use to know which logo a row shows.
#include <QColor>
#include <QString>
#include <QTreeWidget>
#include <array>
#include <vector>

class QCheckBox;
class QFontMetrics;

class CCheckListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kMaxChecks = 256;
    static constexpr int kCellMargin = 6; // pixels between a cell's edge and its text

    explicit CCheckListCtrl(QWidget* parent = nullptr);
    ~CCheckListCtrl() override;

    // Entry i belongs to row i; null until row i has been inserted.
    std::array<QCheckBox*, kMaxChecks> m_checks{};
    // Background of rows that are not highlighted, read once at construction.
    QColor m_clrBkgnd;

    // Columns are added left to right; format is the cell alignment (Qt::AlignLeft,
    // Qt::AlignHCenter or Qt::AlignRight). Returns the new column's index.
    int InsertColumn(int column, const QString& heading, Qt::Alignment format, int width);
    // Inserts a row whose first column holds text (the pages use " "). Returns its index.
    int InsertItem(int row, const QString& text);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    // The row's own number; 0 until set, -1 for a row that does not exist.
    bool SetItemData(int row, int value);
    int GetItemData(int row) const;
    // The first row carrying value, or -1.
    int FindItemData(int value) const;
    bool DeleteItem(int row);
    // Removes every row and with them every check box.
    bool DeleteAllItems();
    int GetItemCount() const { return topLevelItemCount(); }

    int GetSelectedCount() const;
    std::vector<int> GetSelectedRows() const; // ascending
    // Gives the row the focus and selects it (other selected rows stay selected).
    void SetItemFocusedSelected(int row);

    bool GetCheck(int row) const;
    void SetCheck(int row, bool checked);

    // Stable sort by the column's text without regard to case; every row keeps its
    // check state. Returns the row count.
    int SortByColumn(int column, bool ascending);

    // Without it, a selected row looks unselected while the list lacks the focus.
    void SetShowSelectionAlways(bool always);
    bool ShowsSelectionAlways() const { return m_bShowSelAlways; }

    // What a cell of the column shows for text in a cell of columnWidth pixels: the
    // text itself when it fits with margin to spare, else its longest fitting
    // beginning followed by "..." (the ellipsis counted as four characters wide), and
    // nothing at all in a column of 14 pixels or less.
    static QString ShortenToWidth(const QFontMetrics& metrics, const QString& text, int columnWidth,
                                  int margin);
    // The text that painting puts into a cell of column 1 or later.
    QString DisplayText(int row, int column) const;
    // How a cell's text is aligned when painted (shortened texts are always left).
    Qt::Alignment DisplayAlignment(int row, int column) const;
    // The rectangle, in viewport coordinates, a cell's text is drawn into.
    QRect TextRect(int row, int column) const;

signals:
    // A row's selection state changed (a row that lost its selection is named too).
    void ItemChanged(int row);
    void ColumnClick(int column);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    QRect LabelRect(int row) const;
    QRect RowArea(int row) const;
    void OnRowsInserted(const QModelIndex& parent, int first, int last);
    void OnRowsRemoved(const QModelIndex& parent, int first, int last);
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void ShiftChecksUp(int row);
    void DestroyAllChecks();
    void PlaceCheck(int row);
    void PlaceAllChecks();
    void RepaintFocusedRow();

    std::vector<Qt::Alignment> m_columnFormat;
    bool m_bShowSelAlways = false;
    bool m_bQuiet = false; // rows are being inserted, deleted or sorted
};
