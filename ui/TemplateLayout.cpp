#include "ui/TemplateLayout.h"

#include <QWidget>
#include <cmath>

namespace {

int Moved(int edge, double share, int growth)
{
    return edge + static_cast<int>(std::lround(share * growth));
}

} // namespace

TemplateLayout::TemplateLayout(QWidget* container, QSize templateSize)
    : QLayout(container), m_templateSize(templateSize)
{
    setContentsMargins(0, 0, 0, 0);
}

TemplateLayout::~TemplateLayout()
{
    for (const Placed& placed : m_placed)
        delete placed.item;
}

TemplateLayout* TemplateLayout::Of(QWidget* container)
{
    if (auto* layout = qobject_cast<TemplateLayout*>(container->layout()))
        return layout;
    return new TemplateLayout(container, container->size());
}

void TemplateLayout::Add(QWidget* widget, const QRect& rect, Follow follow)
{
    addChildWidget(widget);
    widget->setGeometry(rect);
    m_placed.push_back({new QWidgetItem(widget), rect, follow});
    invalidate();
}

void TemplateLayout::addItem(QLayoutItem* item)
{
    // An item added the generic way stays where it is.
    m_placed.push_back({item, item->geometry(), {}});
    invalidate();
}

QLayoutItem* TemplateLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? m_placed[static_cast<size_t>(index)].item : nullptr;
}

QLayoutItem* TemplateLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = m_placed[static_cast<size_t>(index)].item;
    m_placed.erase(m_placed.begin() + index);
    invalidate();
    return item;
}

int TemplateLayout::count() const
{
    return static_cast<int>(m_placed.size());
}

QSize TemplateLayout::sizeHint() const
{
    return m_templateSize;
}

QSize TemplateLayout::minimumSize() const
{
    return m_templateSize;
}

void TemplateLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    // The whole container, not the part inside its margins: a group box's rectangles
    // include its frame and title, as the template's do.
    const QWidget* container = parentWidget();
    if (!container)
        return;
    const int dw = std::max(0, container->width() - m_templateSize.width());
    const int dh = std::max(0, container->height() - m_templateSize.height());
    for (const Placed& placed : m_placed) {
        const QRect& r = placed.rect;
        const Follow& f = placed.follow;
        const QPoint topLeft(Moved(r.left(), f.left, dw), Moved(r.top(), f.top, dh));
        const QPoint end(Moved(r.left() + r.width(), f.right, dw), Moved(r.top() + r.height(), f.bottom, dh));
        const QRect moved(topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y()));
        // Hidden controls too, so that they appear in their place.
        if (QWidget* widget = placed.item->widget())
            widget->setGeometry(moved);
        else
            placed.item->setGeometry(moved);
    }
}
