#include "ui/SetupControls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "printer/PortNames.h"
#include "printer/PrinterStatus.h"
#include "ui/HelpText.h"
#include "ui/PropertySheet.h"

QString IdName(const char* kind, int id)
{
    return QString::fromLatin1(kind) + QString::number(id);
}

QRect TemplateRect(const CPropertyPage* page, const QWidget* parent, int x, int y, int w, int h)
{
    QRect rect = page->Dlu().Rect(x, y, w, h);
    if (parent != page)
        rect.translate(-parent->pos());
    return rect;
}

QLabel* AddLabel(CPropertyPage* page, QWidget* parent, const char* text, int x, int y, int w, int h)
{
    return Add(parent, new QLabel(QString::fromLatin1(text)), TemplateRect(page, parent, x, y, w, h));
}

QComboBox* AddList(CPropertyPage* page, QWidget* parent, int id, int x, int y, int w, int droppedHeight,
                   Follow follow)
{
    auto* combo = new QComboBox;
    combo->setObjectName(IdName("combo", id));
    QRect rect = TemplateRect(page, parent, x, y, w, droppedHeight);
    rect.setHeight(combo->sizeHint().height());
    combo->setMaxVisibleItems(std::max(1, (droppedHeight - 12) / 8));
    return Add(parent, combo, rect, follow);
}

QLineEdit* AddDigitsEdit(CPropertyPage* page, QWidget* parent, int id, int x, int y, int w, int h)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(IdName("edit", id));
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return Add(parent, edit, TemplateRect(page, parent, x, y, w, h));
}

QString PortNameToolTip(const platform::Context& context)
{
    QString text = QStringLiteral("<p>Port names and the devices behind them:</p>") + PortDeviceTableHtml();
    for (int number = 1; number <= printer::kLptNameCount; ++number) {
        const std::string model = printer::LptPrinterModel(context, number);
        if (!model.empty())
            text += QStringLiteral("<p>%1: %2</p>")
                        .arg(QString::fromStdString(printer::LptName(number)),
                             QString::fromStdString(model).toHtmlEscaped());
    }
    return text;
}
