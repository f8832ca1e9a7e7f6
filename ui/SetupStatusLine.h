#pragma once
// The Setup page's line of text under the port settings. The message boxes of Apply
// say nothing when no printer answers, and nothing says why a port is missing from
// the list; this line does, and is hidden otherwise.
#include <string>
#include <vector>

#include <QLabel>

#include "printer/PortAccess.h"

class CSetupStatusLine {
public:
    // geometry: the free space under the port settings, in the page's coordinates.
    CSetupStatusLine(QWidget* page, const QRect& geometry);

    // After the Apply test: what it found of the printer (jobs::CheckSummary); hidden
    // when that is nothing.
    void ShowSummary(const std::string& summary);
    // After an open that failed: the permission advice when the error was EACCES or
    // EPERM, else nothing.
    void ShowOpenFailure(const std::string& device, int error);
    // After a network printer could not be reached: its entry and the reason
    // ("NET:till-3:9100: connection refused"); the message box says only that it failed.
    void ShowNetFailure(const std::string& entry, const std::string& reason);
    // After discovery: the ports the user may not open, if any.
    void ShowForbidden(const std::vector<printer::PortRefusal>& refused);
    void Hide();

    QLabel* Label() const { return m_label; }

private:
    void Show(const std::string& text);

    QLabel* m_label;
};
