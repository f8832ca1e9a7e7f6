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

enum class CounterBorder { Framed, None };

// Creates the controls on the page, in tab order; labelId names the "&Bitmap List"
// static (1000 on the Selection page, 1006 on the others). The list shows its
// selection also without the focus.
LogoListControls CreateLogoListControls(CPropertyPage& page, int labelId,
                                        QAbstractItemView::SelectionMode selectionMode,
                                        CounterBorder counterBorder = CounterBorder::Framed);

// Columns " " (the check boxes, checkWidth pixels: 0 hides them), "   No.", "Name"
// and "Size". "Name" takes what is left of the list's width once a vertical scroll bar
// is allowed for, so that the sizes stay whole when the list scrolls; "Size" is wide
// enough for the largest image's size in the list's font.
void InsertLogoColumns(CCheckListCtrl& list, int checkWidth);

// The columns of a list without check boxes (Preview, Download): the check column is
// hidden for good, its divider cannot be dragged open.
void InsertReadOnlyLogoColumns(CCheckListCtrl& list);

// A row stands for a logo: the entry of the shared lists it shows, kept as the row's
// item data, so that sorting a page's list changes nothing about what a row means.
// Deletes every row, then adds one row per listed logo, in the shared order, with its
// number, name and size. The rows get fresh, clear check boxes.
void RefillFromShared(CCheckListCtrl& list);
// The shared entry (logo) a row shows; -1 for no row.
int32_t EntryOfRow(const CCheckListCtrl& list, int row);
// The row showing a shared entry; -1 when none does.
int RowOfEntry(const CCheckListCtrl& list, int32_t entry);
// The shared entry was removed from the shared lists: the rows after it in the shared
// order now show the entry one lower.
void ForgetEntry(CCheckListCtrl& list, int32_t entry);
// A list page's activation: the rows in the shared order (every row has the same text
// in column 0, so sorting by it keeps that order), the row of the selected logo shown
// selected.
void ShowSharedList(CCheckListCtrl& list);
// Selects and focuses the row of the shared selection, if a row shows it.
void SelectSharedEntry(CCheckListCtrl& list);
// The shared selection after a list reported that row is selected, on the list page
// numbered page (m_nActivePage's numbering): the row's logo, except that while the page
// is still being activated a selection made elsewhere stays.
int32_t SharedSelectionAfter(const CCheckListCtrl& list, int row, int32_t page);
// A click on a column header: a new column is sorted in the direction kept from
// before, the same column again in the other direction.
void SortOnHeaderClick(CCheckListCtrl& list, int column, int32_t& sortColumn, bool& ascending);

// Ticks are kept per logo, by shared entry, wherever its row stands.
// Ticks every row whose logo's shared auto-centre entry is 1, clears the others.
void TickFromShared(CCheckListCtrl& list);
// The boxes' states by shared entry (one per listed logo), to be put back after a refill.
std::vector<bool> ReadTicks(const CCheckListCtrl& list);
// Sets each row's box to the state of its logo; logos beyond ticks stay clear.
void ApplyTicks(CCheckListCtrl& list, const std::vector<bool>& ticks);
// Stores every logo's tick in the shared auto-centre list; the entries past the list
// are cleared, so that no tick is left over for a logo added later.
void StoreTicks(const CCheckListCtrl& list);
// The ticks of a list rebuilt from other files: a file listed before and after keeps
// its tick (a file listed more than once: the n-th listing takes the n-th's tick);
// every other file starts clear.
std::vector<bool> TicksByPath(const std::vector<std::string>& oldPaths, const std::vector<bool>& oldTicks,
                              const std::vector<std::string>& newPaths);

// A list page's counters when the page is first shown: the shared texts when start-up
// listed files; otherwise the zero texts, which also go into the shared record (with a
// total of 0 bytes), after which the list counts as loaded. Returns whether start-up
// had listed files.
bool InitCounters(CNvLogoApp* app, std::string& fileCount, std::string& totalSize);

// The counters of an empty list: "  0 / 255" and "  0 / 384 KByte" (the capacity).
std::string ZeroFileCountText();
std::string ZeroTotalSizeText();
