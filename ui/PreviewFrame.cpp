#include "ui/PreviewFrame.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {

class DrawingCanvas final : public QWidget {
public:
    explicit DrawingCanvas(PreviewFrame::Paint paint) : m_paint(std::move(paint))
    {
        setBackgroundRole(QPalette::Base);
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.setClipRect(event->rect());
        m_paint(painter, event->rect());
    }

private:
    PreviewFrame::Paint m_paint;
};

} // namespace

PreviewFrame::PreviewFrame(QWidget* parent, Paint paint) : QScrollArea(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWidget(new DrawingCanvas(std::move(paint)));
    widget()->setObjectName(QStringLiteral("previewCanvas"));
}

void PreviewFrame::SetDrawingSize(QSize size)
{
    m_drawing = size;
    // The ground fills the well also around a small drawing.
    widget()->resize(size.expandedTo(viewport()->size()));
}

bool PreviewFrame::viewportEvent(QEvent* event)
{
    const bool handled = QScrollArea::viewportEvent(event);
    if (event->type() == QEvent::Resize) {
        widget()->resize(m_drawing.expandedTo(viewport()->size()));
        emit ViewportResized();
    }
    return handled;
}
