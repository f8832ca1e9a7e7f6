#pragma once
// Driving and reading a logo list in widget tests.
#include <QImage>
#include <QRect>
#include <QStringList>
#include <cstdint>
#include <vector>

class CCheckListCtrl;

namespace testing_support {

// A click on a row's "Name" cell (with modifiers), on a row's check box, on a column
// header.
void ClickRow(CCheckListCtrl& list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void ClickCheck(CCheckListCtrl& list, int row);
void ClickHeader(CCheckListCtrl& list, int column);
// The texts of one column, row by row.
QStringList ColumnTexts(const CCheckListCtrl& list, int column);
// The check box states, row by row.
std::vector<bool> Ticks(const CCheckListCtrl& list);
// The smallest rectangle holding every pixel of the colour (empty when none).
QRect ColourBounds(const QImage& image, uint32_t rgb);

} // namespace testing_support
