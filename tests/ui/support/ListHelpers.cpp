#include "tests/ui/support/ListHelpers.h"

#include <QHeaderView>
#include <QTest>

#include "ui/CheckListCtrl.h"

namespace testing_support {

void ClickRow(CCheckListCtrl& list, int row, Qt::KeyboardModifiers modifiers)
{
    const QRect cell = list.visualRect(list.model()->index(row, 2));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, cell.center());
}

void ClickCheck(CCheckListCtrl& list, int row)
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, list.CheckRect(row).center());
}

void ClickHeader(CCheckListCtrl& list, int column)
{
    const QPoint at(list.header()->sectionViewportPosition(column) + 4, list.header()->height() / 2);
    QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

QStringList ColumnTexts(const CCheckListCtrl& list, int column)
{
    QStringList texts;
    for (int row = 0; row < list.GetItemCount(); ++row)
        texts << list.GetItemText(row, column);
    return texts;
}

std::vector<bool> Ticks(const CCheckListCtrl& list)
{
    std::vector<bool> ticks;
    for (int row = 0; row < list.GetItemCount(); ++row)
        ticks.push_back(list.GetCheck(row));
    return ticks;
}

QRect ColourBounds(const QImage& image, uint32_t rgb)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == rgb)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace testing_support
