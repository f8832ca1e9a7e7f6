#include "ui/CancelButtonOnly.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
        return true;
    default:
        return false;
    }
}

} // namespace

CCancelButtonOnly::CCancelButtonOnly(QAbstractButton* cancel) : m_cancel(cancel)
{
    QCoreApplication::instance()->installEventFilter(this);
}

CCancelButtonOnly::~CCancelButtonOnly()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool CCancelButtonOnly::eventFilter(QObject* watched, QEvent* event)
{
    if (!IsUserInput(event->type()) || watched == m_cancel)
        return false;
    // Input reaches the dialog's window first and is handed on to the control under the
    // mouse (or with the focus) from there; that control decides.
    const QWidget* dialog = m_cancel->window();
    if (watched == dialog->windowHandle())
        return false;
    return true; // held back: it is not meant for Cancel
}
