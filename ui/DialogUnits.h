#pragma once
// Dialog units, converted the way Windows converts them: x * average character width
// / 4 and y * character height / 8, with the metrics of the dialog's font. Pages are
// laid out at the positions of their dialog templates through this.
#include <QFont>
#include <QRect>

class QLabel;

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int BaseX() const { return m_cx; }
    int BaseY() const { return m_cy; }
    int X(int dlu) const;
    int Y(int dlu) const;
    QRect Rect(int x, int y, int w, int h) const;

private:
    int m_cx = 0; // average character width in pixels
    int m_cy = 0; // character height in pixels
};

// The templates' widths were measured in the old system font; a label text that is
// wider in ours is set a little smaller rather than cut off.
void FitLabelToWidth(QLabel* label);
