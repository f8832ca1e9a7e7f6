#pragma once
// Dialog units: x * base width / 4 and y * character height / 8, with the metrics of
// the dialog's font. Pages and dialogs are laid out at the positions of their
// templates through this.
//
// The templates' widths were measured in a narrower font than ours. The base width
// starts as Windows computes it from the font (the average character width) and grows
// just enough for the widest one-line template text to fit its box, so that every
// label keeps the font of its neighbours and the whole layout widens evenly.
#include <QFont>
#include <QRect>
#include <QString>
#include <vector>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    qreal BaseX() const { return m_cx; }
    int BaseY() const { return m_cy; }
    int X(int dlu) const;
    int Y(int dlu) const;
    QRect Rect(int x, int y, int w, int h) const;

private:
    qreal m_cx = 0; // pixels per 4 horizontal units
    int m_cy = 0;   // character height in pixels
};

// A one-line text of a template and the width of its box, in dialog units.
struct TemplateText {
    QString text; // as in the template, mnemonic marks included
    int width;
};
// Every one-line static text of the program's templates.
const std::vector<TemplateText>& TemplateTexts();
// What a label shows of a template text: the text without its mnemonic marks.
QString ShownText(const QString& templateText);
