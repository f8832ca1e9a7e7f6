#pragma once
// How the Setup page places its controls: at the rectangles of its dialog template (in
// dialog units), as children of the page or of a group box lying on it, each named after
// its template id. Shared by the files that build the page.
//
// Window thread only.
#include <QRect>
#include <QString>

#include "platform/Context.h"
#include "ui/TemplateLayout.h"

class CPropertyPage;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

// A larger page is shared between the port settings on the left and the options on
// the right; the lists, the group boxes and the slider widen with their side.
inline constexpr double kLeftShare = 0.5;

// "combo1045" for kind "combo" and id 1045.
QString IdName(const char* kind, int id);
// A template rectangle in the coordinates of parent, which is the page or a group box
// lying on it.
QRect TemplateRect(const CPropertyPage* page, const QWidget* parent, int x, int y, int w, int h);

template <class W> W* Add(QWidget* parent, W* widget, const QRect& rect, Follow follow = {})
{
    widget->setParent(parent);
    TemplateLayout::Of(parent)->Add(widget, rect, follow);
    return widget;
}

QLabel* AddLabel(CPropertyPage* page, QWidget* parent, const char* text, int x, int y, int w, int h);
// A drop-down list: the template's height is that of the opened list, the closed box
// takes the height the style wants.
QComboBox* AddList(CPropertyPage* page, QWidget* parent, int id, int x, int y, int w, int droppedHeight,
                   Follow follow = {});
// Digits only, as typed; the range is checked when the value is read back.
QLineEdit* AddDigitsEdit(CPropertyPage* page, QWidget* parent, int id, int x, int y, int w, int h);

// The port box's tooltip: the device table, and the USB printers that say who they are.
QString PortNameToolTip(const platform::Context& context);
