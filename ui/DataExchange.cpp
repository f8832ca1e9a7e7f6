#include "ui/DataExchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "platform/Text.h"
#include "platform/MessageBox.h"

void CDataExchange::Fail(QWidget* control, const std::string& message)
{
    m_bFailed = true;
    platform::AfxMessageBox(message, platform::MB_ICONEXCLAMATION);
    if (control) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->selectAll();
    }
}

std::string IntegerRangePrompt(int min, int max)
{
    return Format("Please enter an integer between %d and %d.", min, max);
}

void DDX_Text(CDataExchange& dx, QLineEdit* edit, std::string& value)
{
    if (dx.Failed())
        return;
    if (dx.m_bSaveAndValidate)
        value = edit->text().toStdString();
    else if (edit->text().toStdString() != value)
        edit->setText(QString::fromStdString(value));
}

void DDX_Text(CDataExchange& dx, QLabel* label, std::string& value)
{
    if (dx.Failed())
        return;
    if (dx.m_bSaveAndValidate)
        value = label->text().toStdString();
    else
        label->setText(QString::fromStdString(value));
}

void DDX_Text(CDataExchange& dx, QLineEdit* edit, int& value)
{
    if (dx.Failed())
        return;
    if (!dx.m_bSaveAndValidate) {
        const QString text = QString::number(value);
        if (edit->text() != text)
            edit->setText(text);
        return;
    }
    bool ok = false;
    const int parsed = edit->text().trimmed().toInt(&ok);
    if (!ok) {
        dx.Fail(edit, "Please enter an integer.");
        return;
    }
    value = parsed;
}

void DDV_MinMaxInt(CDataExchange& dx, QLineEdit* edit, int value, int min, int max)
{
    if (dx.Failed() || !dx.m_bSaveAndValidate)
        return;
    if (value < min || value > max)
        dx.Fail(edit, IntegerRangePrompt(min, max));
}

void DDX_Check(CDataExchange& dx, QAbstractButton* button, bool& value)
{
    if (dx.Failed())
        return;
    if (dx.m_bSaveAndValidate)
        value = button->isChecked();
    else
        button->setChecked(value);
}

void DDX_Radio(CDataExchange& dx, const std::vector<QAbstractButton*>& group, int& value)
{
    if (dx.Failed())
        return;
    if (dx.m_bSaveAndValidate) {
        value = -1;
        for (size_t i = 0; i < group.size(); ++i)
            if (group[i]->isChecked())
                value = static_cast<int>(i);
        return;
    }
    for (size_t i = 0; i < group.size(); ++i) {
        // Turning every button of an exclusive group off needs the exclusivity lifted.
        const bool exclusive = group[i]->autoExclusive();
        group[i]->setAutoExclusive(false);
        group[i]->setChecked(static_cast<int>(i) == value);
        group[i]->setAutoExclusive(exclusive);
    }
}

void DDX_CBString(CDataExchange& dx, QComboBox* combo, std::string& value)
{
    if (dx.Failed())
        return;
    if (dx.m_bSaveAndValidate) {
        value = combo->currentIndex() < 0 ? std::string{} : combo->currentText().toStdString();
        return;
    }
    const int index = combo->findText(QString::fromStdString(value));
    if (index >= 0)
        combo->setCurrentIndex(index);
}
