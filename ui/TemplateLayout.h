#pragma once
// A layout that places each control at its template rectangle while its container has
// the template's size, and shares out any size beyond it: each edge of a control moves
// by a fixed share of what the container grew. So the window opens looking exactly as
// its templates say, and a larger window gives the room to the lists, the preview and
// the boxes that can use it. The container never gets smaller than its template.
//
// A group box on a page has a layout of its own for the controls inside it; their
// rectangles and shares are relative to the group box.
//
// Used on the window's thread only.
#include <QLayout>
#include <QRect>
#include <vector>

// The share of the container's growth each edge of a control moves by: 0 keeps the
// edge where the template put it, 1 moves it by the whole growth.
struct Follow {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    // A control that keeps its size and moves by a share of the growth.
    static constexpr Follow Move(double across, double down) { return {across, down, across, down}; }
    // A control that stretches across between two shares and moves down by another.
    static constexpr Follow Across(double from, double to, double down = 0) { return {from, down, to, down}; }
};

class TemplateLayout final : public QLayout {
    Q_OBJECT
public:
    // Lays out container's children for a container of templateSize pixels.
    TemplateLayout(QWidget* container, QSize templateSize);
    ~TemplateLayout() override;

    // The layout of container, made with the container's present size as its template
    // when it has none yet.
    static TemplateLayout* Of(QWidget* container);

    // Places a child of the container at rect (container coordinates) and has it follow
    // the container's growth.
    void Add(QWidget* widget, const QRect& rect, Follow follow);

    QSize TemplateSize() const { return m_templateSize; }

    // QLayout
    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Placed {
        QLayoutItem* item;
        QRect rect;
        Follow follow;
    };
    QSize m_templateSize;
    std::vector<Placed> m_placed;
};
