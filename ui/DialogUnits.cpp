#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>

namespace {
int MulDiv(int a, int b, int c)
{
    return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}
} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // Windows' average width: the 52 letters measured together, halved with rounding.
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_cx = (letters / 26 + 1) / 2;
    m_cy = metrics.height();
}

int DialogUnits::X(int dlu) const
{
    return MulDiv(dlu, m_cx, 4);
}
int DialogUnits::Y(int dlu) const
{
    return MulDiv(dlu, m_cy, 8);
}

QRect DialogUnits::Rect(int x, int y, int w, int h) const
{
    const int left = X(x), top = Y(y);
    return QRect(left, top, X(x + w) - left, Y(y + h) - top);
}

void FitLabelToWidth(QLabel* label)
{
    // What is shown: the text without its mnemonic marks.
    const QString shown = QString(label->text()).remove(QRegularExpression(QStringLiteral("&(?!&)")));
    QFont font = label->font();
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(shown) > label->width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
}
