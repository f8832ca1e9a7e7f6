#pragma once
// What the list pages (Selection, Preview and Download) share: the logo list with its
// label and the two counters under it, at the same template positions on each page,
// shown through the page's own sorting of the one table model, and the rules the three
// lists follow: a page shows the list's order when it becomes active, with the shared
// selection; a click on a header clears the selection and sorts by that column (the
// same column again in the other direction, a new one in the direction kept); a row
// chosen here becomes the shared selection. Used on the window's thread only.
#include <QAbstractItemView>
#include <QObject>
#include <cstdint>
#include <string>
#include <vector>

class CCheckListCtrl;
class CPropertyPage;
class LogoList;
class LogoTableModel;
class QLabel;
class QLineEdit;
class QSortFilterProxyModel;

enum class CounterBorder { Framed, None };
enum class CheckColumn { Shown, Hidden };

class LogoListPane final : public QObject {
    Q_OBJECT
public:
    // Creates the controls on the page, in tab order; labelId names the "&Bitmap List"
    // static (1000 on the Selection page, 1006 on the others). The list shows its
    // selection also without the focus. In a page larger than its template the list
    // takes all the extra height and widthShare of the extra width; the counters stay
    // under it.
    LogoListPane(CPropertyPage& page, LogoTableModel& model, int labelId,
                 QAbstractItemView::SelectionMode mode, CounterBorder border, CheckColumn checks,
                 double widthShare);

    CCheckListCtrl* m_list;     // control 1001
    QLineEdit* m_editFileCount; // edit 1075, read-only
    QLineEdit* m_editTotalSize; // edit 1074, read-only
    int32_t m_nSortColumn = 0;  // the column last clicked
    bool m_bSortAscending = false;

    // Columns " " (the check boxes, 17 pixels, or hidden), "   No.", "Name", "Size", "Key"
    // (only while logos are stored by key) and "Adjust". "Name" takes what is left of the list's width once a
    // vertical scroll bar is allowed for, so that the sizes stay whole when the list scrolls, also after the
    // list grew or shrank; "Size" is wide enough for the largest image's size in the
    // list's font. "Adjust" is shown only while a listed logo has adjustments: without
    // any the list looks as it always has.
    void InsertColumns();
    // The page became active: the list's order, the shared selection, the counters, and
    // the "Key" column when keys are used.
    void Activate(bool keys);
    // The list's order (sorting by the tick column, which is the same in every row).
    void ShowListOrder();
    // Selects and focuses the row of the shared selection, if there is one.
    void ShowSharedSelection();
    void OnColumnClick(int column);

    // The model row a row of this list shows; -1 for none. And the other way round.
    int SourceRow(int row) const;
    int ViewRow(int sourceRow) const;
    // The model rows of the selected rows, in the order this list shows them.
    std::vector<int> SelectedSourceRows() const;

signals:
    // A row chosen on this list became the shared selection.
    void SelectionChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitNameColumn();
    void OnItemChanged();
    void ShowCounters();
    void ShowAdjustColumn();
    void ShowKeyColumn(bool shown);

    LogoTableModel& m_model;
    QSortFilterProxyModel* m_proxy;
    QLabel* m_label;
    bool m_bColumnsInserted = false;
};

// The counters under the lists: "%3d / 255" files and "%3ld / %3d KByte" (KByte used,
// rounded up, then the capacity).
std::string FileCountText(const LogoList& list);
std::string TotalSizeText(const LogoList& list);
