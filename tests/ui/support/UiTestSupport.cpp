#include "tests/ui/support/UiTestSupport.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <memory>

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

} // namespace testing_support
