#pragma once
// Helpers for widget tests: getting past modal dialogs, finding widgets by name.
#include <QApplication>
#include <QString>
#include <QWidget>
#include <functional>

namespace testing_support {

// Runs action on the next modal widget that opens (polled from the event loop), e.g.
// to fill in and accept a dialog that a handler under test runs with exec().
// Gives up after timeoutMs.
void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs = 5000);

template <class T> T* FindChild(QWidget* root, const QString& name)
{
    return root ? root->findChild<T*>(name) : nullptr;
}

} // namespace testing_support
