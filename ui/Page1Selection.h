#pragma once
// Tab "Select Bitmap" (dialog template 129): the user builds the list of logo files
// here (Open File, Remove, Reset) and ticks the logos to be centred at download.
#include <array>
#include <cstdint>
#include <string>

#include "app/SharedRecord.h"
#include "logo/LogoLoader.h"
#include "ui/PropertySheet.h"

class CCheckListCtrl;
class CNvLogoApp;
class QLineEdit;

class CPage1Selection : public CPropertyPage {
    Q_OBJECT
public:
    CPage1Selection();
    QString HelpTopic() const override { return QStringLiteral("Bitmap Selection"); }

    CCheckListCtrl* m_list;     // control 1001
    std::string m_strFileCount; // edit 1075
    std::string m_strTotalSize; // edit 1074
    CNvLogoApp* m_pApp = nullptr;
    // The selected rows as last reported by the list, ascending.
    std::array<int32_t, kMaxLogos> m_arrSelRow{};
    CLogoLoader m_loader{g_Shared}; // this page's own: all list editing goes through it
    bool m_bSortAscending = false;
    int32_t m_nSortColumn = 0;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    void DoDataExchange(CDataExchange& dx) override;

    void OnItemChanged(int row);
    void OnColumnClick(int column);
    void OnOpenFile();
    void OnRemove();
    void OnReset();

private:
    // Rebuilds the list from the profile, as start-up did (after the user confirmed).
    void ResetFromProfile();
    void CopyCountersFromShared();

    QLineEdit* m_editFileCount;
    QLineEdit* m_editTotalSize;
};
