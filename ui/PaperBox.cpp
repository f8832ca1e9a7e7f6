#include "ui/PaperBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <array>

namespace {

struct Paper {
    const char* text;
    int dots;
};
// 203 dpi: 58 mm paper prints 48 mm, 80 mm paper 64 mm on older and 72 mm on newer
// printers.
constexpr std::array<Paper, 3> kPapers = {{
    {"58 mm (384 dots)", 384},
    {"80 mm (512 dots)", 512},
    {"80 mm (576 dots)", 576},
}};
constexpr int kOther = static_cast<int>(kPapers.size());

int PaperOf(const QString& width)
{
    bool number = false;
    const int dots = width.toInt(&number);
    for (size_t i = 0; number && i < kPapers.size(); ++i)
        if (kPapers[i].dots == dots)
            return static_cast<int>(i);
    return kOther;
}

} // namespace

void TiePaperBox(QComboBox* combo, QLineEdit* widthEdit, std::function<void()> chosen)
{
    for (const Paper& paper : kPapers)
        combo->addItem(QString::fromLatin1(paper.text));
    combo->addItem(QStringLiteral("Other"));
    combo->setCurrentIndex(PaperOf(widthEdit->text()));
    QObject::connect(widthEdit, &QLineEdit::textChanged, combo, [combo](const QString& text) {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(PaperOf(text));
    });
    // "Other" leaves the width as it is, for the user to type.
    QObject::connect(combo, &QComboBox::activated, widthEdit,
                     [widthEdit, chosen = std::move(chosen)](int index) {
                         if (index < 0 || index >= kOther) {
                             widthEdit->setFocus();
                             return;
                         }
                         widthEdit->setText(QString::number(kPapers[static_cast<size_t>(index)].dots));
                         chosen();
                     });
}
