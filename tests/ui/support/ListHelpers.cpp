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

void ClickHeader(CCheckListCtrl& list, int column)
{
    QHeaderView* header = list.header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

QStringList ColumnTexts(const CCheckListCtrl& list, int column)
{
    QStringList texts;
    for (int row = 0; row < list.GetItemCount(); ++row)
        texts << list.GetItemText(row, column);
    return texts;
}

QRect ColourBounds(const QImage& image, uint32_t rgb)
{
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    QRect bounds;
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            if ((line[x] & 0xFFFFFF) == rgb)
                bounds |= QRect(x, y, 1, 1);
    }
    return bounds;
}

} // namespace testing_support
