#pragma once
// What the list pages (Selection, Preview, Download) share: the logo list with its
// label and the two counters under it, at the same template positions on each page;
// the four columns; and the refill of the list from the shared logo list.
#include <cstdint>
#include <string>
#include <vector>

#include <QAbstractItemView>

class CCheckListCtrl;
class CNvLogoApp;
class CPropertyPage;
class QLabel;
class QLineEdit;

struct LogoListControls {
    QLabel* label = nullptr;        // "&Bitmap List"
    CCheckListCtrl* list = nullptr; // control 1001
    QLineEdit* fileCount = nullptr; // edit 1075, read-only
    QLineEdit* totalSize = nullptr; // edit 1074, read-only
};

// Creates the controls on the page, in tab order; labelId names the "&Bitmap List"
// static (1000 on the Selection page, 1006 on the others). The list shows its
// selection also without the focus.
LogoListControls CreateLogoListControls(CPropertyPage& page, int labelId,
                                        QAbstractItemView::SelectionMode selectionMode);

// Columns " " (the check boxes, checkWidth pixels: 0 hides them), "   No.", "Name"
// (the rest of the list's width) and "Size".
void InsertLogoColumns(CCheckListCtrl& list, int checkWidth);

// The columns of a list without check boxes (Preview, Download): the check column is
// hidden for good, its divider cannot be dragged open.
void InsertReadOnlyLogoColumns(CCheckListCtrl& list);

// Deletes every row, then adds one row per listed logo, in the shared order, with its
// number, name and size. The rows get fresh, clear check boxes.
void RefillFromShared(CCheckListCtrl& list);
// A list page's activation: the rows in the shared order (every row has the same text
// in column 0, so sorting by it keeps that order), the shared selection shown.
void ShowSharedList(CCheckListCtrl& list);
// The shared selection after a list reported that row is selected, on the list page
// numbered page (m_nActivePage's numbering): while the page is still being activated
// a selection made elsewhere stays.
int32_t SharedSelectionAfter(int row, int32_t page);
// A click on a column header: a new column is sorted in the direction kept from
// before, the same column again in the other direction.
void SortOnHeaderClick(CCheckListCtrl& list, int column, int32_t& sortColumn, bool& ascending);

// Ticks row i's box when the shared auto-centre entry i is 1, clears it otherwise.
void TickFromShared(CCheckListCtrl& list);
// The boxes' states by row, to be put back after a refill.
std::vector<bool> ReadTicks(const CCheckListCtrl& list);
void ApplyTicks(CCheckListCtrl& list, const std::vector<bool>& ticks);
// Stores every row's tick in the shared auto-centre list.
void StoreTicks(const CCheckListCtrl& list);

// A list page's counters when the page is first shown: the shared texts when start-up
// listed files; otherwise the zero texts, which also go into the shared record (with a
// total of 0 bytes), after which the list counts as loaded. Returns whether start-up
// had listed files.
bool InitCounters(CNvLogoApp* app, std::string& fileCount, std::string& totalSize);

// The counters of an empty list: "  0 / 255" and "  0 / 384 KByte" (the capacity).
std::string ZeroFileCountText();
std::string ZeroTotalSizeText();
