#pragma once
// The Preview page's frame (control 1017): a sunken well in which a picture is drawn at
// any size, with scroll bars once the drawing is larger than the well. The page's paint
// function draws the drawing's exposed part; the frame paints the ground around it.
// Used on the window's thread only.
#include <QScrollArea>
#include <functional>

class PreviewFrame final : public QScrollArea {
    Q_OBJECT
public:
    // paint gets a painter whose origin is the drawing's top-left corner and the part
    // of the drawing to paint.
    using Paint = std::function<void(QPainter& painter, const QRect& exposed)>;
    PreviewFrame(QWidget* parent, Paint paint);

    // The size of what is drawn: the well scrolls over it when it is larger.
    void SetDrawingSize(QSize size);
    // The widget the drawing is painted on.
    QWidget* Canvas() const { return widget(); }

signals:
    // The well's inside changed its size (the frame was resized, a scroll bar came or went).
    void ViewportResized();

protected:
    bool viewportEvent(QEvent* event) override;

private:
    QSize m_drawing;
};
