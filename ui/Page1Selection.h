#pragma once
// Tab "Select Bitmap" (dialog template 129): the user builds the list of logo files
// here (Open File, Remove, Reset) and ticks the logos to be centred at download.
#include "ui/PropertySheet.h"

class CCheckListCtrl;
class CClassicHintLine;
class LogoListPane;
class LogoTableModel;
class Session;

class CPage1Selection : public CPropertyPage {
    Q_OBJECT
public:
    // The page edits the session's list; model is the window's one model of it.
    CPage1Selection(Session& session, LogoTableModel& model);
    QString HelpTopic() const override { return QStringLiteral("Bitmap Selection"); }

    LogoListPane* m_pane;
    CCheckListCtrl* m_list;          // control 1001
    CClassicHintLine* m_classicHint; // the status line under the centring note

    bool OnInitDialog() override;
    bool OnSetActive() override;

    void OnOpenFile();
    void OnRemove();
    void OnReset();

private:
    Session& m_session;
    LogoTableModel& m_model;
};
