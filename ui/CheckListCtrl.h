#pragma once
// The view of the logo list on the Selection, Preview and Download pages: a report view
// whose rows it paints itself (whole-row highlight, cells shortened with "..."), with a
// check box drawn in the first column of every row where that column is shown. A click
// on the box (or Space on the focused row) ticks it through the model; a row's tick
// belongs to its logo, so it goes wherever sorting puts the row.
//
// Rows here are the view's rows (the rows of the model it is given, a page's sorting
// proxy). The view does not sort: a click on a header is reported, and the page sorts.
// Used on the window's thread only.
#include <QColor>
#include <QString>
#include <QTreeView>
#include <vector>

class QFontMetrics;

class CCheckListCtrl : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kCellMargin = 6; // pixels between a cell's edge and its text

    explicit CCheckListCtrl(QWidget* parent = nullptr);
    void setModel(QAbstractItemModel* model) override;

    // Background of rows that are not highlighted, read once at construction.
    QColor m_clrBkgnd;

    int GetItemCount() const;
    // The text a cell holds before any shortening.
    QString GetItemText(int row, int column) const;
    bool GetCheck(int row) const;
    void SetCheck(int row, bool checked);

    int GetSelectedCount() const;
    std::vector<int> GetSelectedRows() const; // ascending
    // Gives the row the focus and selects it (other selected rows stay selected).
    void SetItemFocusedSelected(int row);

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
    // The row's check box, in viewport coordinates; empty where the column is not shown.
    QRect CheckRect(int row) const;

signals:
    // The selected rows changed.
    void ItemChanged();
    void ColumnClick(int column);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRect CellRect(int row, int column) const;
    QRect RowArea(int row) const;
    bool ChecksShown() const;
    // The row whose check box is at pos; -1 when there is none.
    int CheckAt(const QPoint& pos) const;
    void ToggleCheck(int row);

    bool m_bShowSelAlways = false;
    int m_nPressedCheck = -1; // the row whose box the mouse went down on
};
