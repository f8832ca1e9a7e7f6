#pragma once
// Helpers for widget tests: getting past modal dialogs, finding widgets by name,
// driving and reading a logo list.
#include <QApplication>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class CCheckListCtrl;
class QComboBox;
class QLineEdit;

namespace testing_support {

// Runs action on the next modal widget that opens (polled from the event loop), e.g.
// to fill in and accept a dialog that a handler under test runs with exec().
// Gives up after timeoutMs.
void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs = 5000);

// The child of that name; a missing one ends the test program with its name, as the
// test itself is then wrong.
template <class T> T* FindChild(const QWidget* root, const QString& name)
{
    T* child = root ? root->findChild<T*>(name) : nullptr;
    if (!child)
        qFatal("no widget %s", qPrintable(name));
    return child;
}

// A drop-down list's entries; picking one the way the user does (the list reports it
// as chosen; false when there is no such entry or the list is off); typing over an
// edit's text.
QStringList Entries(const QComboBox* combo);
bool Choose(QComboBox* combo, const QString& text);
void Type(QLineEdit* edit, const QString& text);

// A click on a row's "Name" cell (with modifiers), on a row's check box, on a column
// header.
void ClickRow(CCheckListCtrl& list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void ClickCheck(CCheckListCtrl& list, int row);
void ClickHeader(CCheckListCtrl& list, int column);
// The texts of one column, row by row.
QStringList ColumnTexts(const CCheckListCtrl& list, int column);
// The smallest rectangle holding every pixel of the colour (empty when none).
QRect ColourBounds(const QImage& image, uint32_t rgb);

} // namespace testing_support
