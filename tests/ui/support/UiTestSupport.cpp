#include "tests/ui/support/UiTestSupport.h"

#include <QComboBox>
#include <QHeaderView>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <memory>

#include "ui/CheckListCtrl.h"

namespace testing_support {

void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs)
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [action = std::move(action), clock, timeoutMs, poll]() {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            action(modal);
            *poll = nullptr; // break the self-reference
            return;
        }
        if (clock->elapsed() < timeoutMs)
            QTimer::singleShot(5, *poll);
        else
            *poll = nullptr;
    };
    QTimer::singleShot(0, *poll);
}

QStringList Entries(const QComboBox* combo)
{
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}

bool Choose(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    if (index < 0 || !combo->isEnabled())
        return false;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

void Type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

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
