#include "tests/ui/support/UiTestSupport.h"

#include <QElapsedTimer>
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

} // namespace testing_support
