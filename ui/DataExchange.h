#pragma once
// Dialog data exchange: moving values between a page's members and its controls in
// both directions, with the integer range checks of the dialog framework. A failed
// check shows the range prompt, puts the focus on the control and stops the
// exchange at that field.
#include <string>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

class CDataExchange {
public:
    explicit CDataExchange(bool saveAndValidate) : m_bSaveAndValidate(saveAndValidate) {}
    const bool m_bSaveAndValidate; // true: controls to members
    bool Failed() const { return m_bFailed; }
    // Reports a bad field: the message, the focus on the control, the rest skipped.
    void Fail(QWidget* control, const std::string& message);

private:
    bool m_bFailed = false;
};

void DDX_Text(CDataExchange& dx, QLineEdit* edit, std::string& value);
void DDX_Text(CDataExchange& dx, QLabel* label, std::string& value);
void DDX_Text(CDataExchange& dx, QLineEdit* edit, int& value);
void DDV_MinMaxInt(CDataExchange& dx, QLineEdit* edit, int value, int min, int max);
void DDX_Check(CDataExchange& dx, QAbstractButton* button, bool& value);
// A radio group in tab order; value -1 = no button on.
void DDX_Radio(CDataExchange& dx, const std::vector<QAbstractButton*>& group, int& value);
// The selected text of a drop-down list.
void DDX_CBString(CDataExchange& dx, QComboBox* combo, std::string& value);

// "Please enter an integer between 1 and 512."
std::string IntegerRangePrompt(int min, int max);
