#pragma once
// While a printer takes no data, the progress dialog lets exactly one control through:
// its Cancel button. Everything else the user does (clicks elsewhere, typing, closing
// other windows) stays out, as during any other wait of a run.
#include <QObject>

class QAbstractButton;

class CCancelButtonOnly final : public QObject {
public:
    // Filters the application's input for the lifetime of the object.
    explicit CCancelButtonOnly(QAbstractButton* cancel);
    ~CCancelButtonOnly() override;
    CCancelButtonOnly(const CCancelButtonOnly&) = delete;
    CCancelButtonOnly& operator=(const CCancelButtonOnly&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractButton* m_cancel;
};
