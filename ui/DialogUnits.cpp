#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

int Round(qreal value)
{
    return static_cast<int>(std::lround(value));
}

// Windows' average width: the 52 letters measured together, halved with rounding.
int AverageCharWidth(const QFontMetrics& metrics)
{
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (letters / 26 + 1) / 2;
}

} // namespace

const std::vector<TemplateText>& TemplateTexts()
{
    static const std::vector<TemplateText> texts = {
        // The list pages.
        {QStringLiteral("&Bitmap List"), 52},
        {QStringLiteral("Number of Image Files"), 83},
        {QStringLiteral("Total Image File Size"), 83},
        // Printer details of the Download and Print pages.
        {QStringLiteral("Printer Name"), 43},
        {QStringLiteral("Port Name"), 43},
        // Setup.
        {QStringLiteral("Printer &Name"), 45},
        {QStringLiteral("PortName"), 40},
        {QStringLiteral("Baudrate"), 40},
        {QStringLiteral("BitLength"), 40},
        {QStringLiteral("Parity"), 40},
        {QStringLiteral("StopBit"), 40},
        {QStringLiteral("Handshake"), 40},
        {QStringLiteral("Bitmap Nivora "), 87},
        {QStringLiteral("Tarvo receipt printer tools"), 155},
        {QStringLiteral("Made by the Bitmap Nivora developers"), 155},
        {QStringLiteral("Max Printable Area :"), 69},
        {QStringLiteral("dots(1~576)"), 45},
        {QStringLiteral("Black / White diverging point (0~255)"), 122},
        // The output file name dialog.
        {QStringLiteral("Input the output file name"), 117},
    };
    return texts;
}

QString ShownText(const QString& templateText)
{
    return QString(templateText).remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    m_cx = AverageCharWidth(metrics);
    m_cy = metrics.height();
    for (const TemplateText& t : TemplateTexts()) {
        // One pixel more than the text: a box's edges are rounded separately and may
        // lose a pixel between them.
        const int needed = metrics.horizontalAdvance(ShownText(t.text)) + 1;
        m_cx = std::max(m_cx, needed * 4.0 / t.width);
    }
}

int DialogUnits::X(int dlu) const
{
    return Round(dlu * m_cx / 4);
}
int DialogUnits::Y(int dlu) const
{
    return static_cast<int>((static_cast<long long>(dlu) * m_cy + 4) / 8);
}

QRect DialogUnits::Rect(int x, int y, int w, int h) const
{
    const int left = X(x), top = Y(y);
    return QRect(left, top, X(x + w) - left, Y(y + h) - top);
}
