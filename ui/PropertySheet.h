#pragma once
// A tabbed dialog with pages in the manner of the Windows property sheet: a page is
// initialised the first time it is shown, is told when it becomes active and when it
// is left (and may refuse to be left), and takes part in Apply and Close.
#include <QDialog>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/DataExchange.h"
#include "ui/DialogUnits.h"
#include "ui/TemplateLayout.h"

class QDialogButtonBox;
class QPushButton;
class QTabWidget;
class CPropertySheet;

class CPropertyPage : public QWidget {
    Q_OBJECT
public:
    // Pages are laid out in dialog units of a 358 x 233 template unless told otherwise;
    // the page is never smaller than its template.
    CPropertyPage(const QString& caption, int templateId, int dluWidth = 358, int dluHeight = 233);

    QString Caption() const { return m_caption; }
    int TemplateId() const { return m_templateId; }
    bool IsInitialized() const { return m_bInitialized; }
    CPropertySheet* GetParentSheet() const { return m_sheet; }

    // First activation: the controls exist; base shows the members (UpdateData(false)).
    virtual bool OnInitDialog();
    // Every activation; base shows the members again except on the first one.
    virtual bool OnSetActive();
    // The page is being left; base reads the controls back and refuses on a bad value.
    virtual bool OnKillActive();
    // Apply pressed (or the sheet closing); base runs OnOK.
    virtual bool OnApply();
    virtual void OnOK() {}
    // The sheet's apply notification; closeRequested is true for "Close". Base: OnApply.
    virtual bool OnNotifyApply(bool closeRequested);
    // Help for this page (F1): shows the page's topic.
    virtual void WinHelp();
    virtual QString HelpTopic() const = 0;

    // Moves values between members and controls; false when a check failed.
    bool UpdateData(bool saveAndValidate = true);
    virtual void DoDataExchange(CDataExchange& dx);

    // Marks the page changed (enables the sheet's Apply button) or unchanged.
    void SetModified(bool changed = true);
    bool IsModified() const { return m_bModified; }

    const DialogUnits& Dlu() const { return m_units; }
    // Places a child at a dialog-unit rectangle of the template; in a larger page it
    // follows the page's growth as follow says.
    template <class W> W* Place(W* widget, int x, int y, int w, int h, Follow follow = {})
    {
        TemplateLayout::Of(this)->Add(widget, m_units.Rect(x, y, w, h), follow);
        return widget;
    }
    // The same for a child of a container on the page (a radio button in its group
    // box): the position is still given in the page's dialog units, the growth is the
    // container's.
    template <class W>
    W* PlaceIn(QWidget* container, W* widget, int x, int y, int w, int h, Follow follow = {})
    {
        TemplateLayout::Of(container)->Add(widget, m_units.Rect(x, y, w, h).translated(-container->pos()),
                                           follow);
        return widget;
    }

private:
    friend class CPropertySheet;
    QString m_caption;
    int m_templateId;
    DialogUnits m_units;
    CPropertySheet* m_sheet = nullptr;
    bool m_bInitialized = false;
    bool m_bFirstSetActive = true;
    bool m_bModified = false;
};

class CPropertySheet : public QDialog {
    Q_OBJECT
public:
    enum class Button { Ok, Cancel, Apply, Help };

    explicit CPropertySheet(const QString& caption, QWidget* parent = nullptr, int selectPage = 0);

    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const { return m_pages.at(static_cast<size_t>(index)); }
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    // Leaves the active page (which may refuse) and activates another; false if refused.
    bool SetActivePage(int index);
    QPushButton* GetButton(Button button) const;
    QTabWidget* Tabs() const { return m_tabs; }

    // Apply (closeRequested false) or Close (true): the active page is left, then every
    // initialised page gets the apply notification. Close ends the dialog.
    bool ApplyNow(bool closeRequested);

    // Activates the initial page before the dialog appears.
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    friend class CPropertyPage;
    void ActivatePage(CPropertyPage* page);
    void OnTabChanged(int index);
    void ShowTab(int index); // switches the tab widget without it counting as the user's change
    void UpdateApplyButton();

    QTabWidget* m_tabs;
    QDialogButtonBox* m_buttons;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_apply;
    QPushButton* m_help;
    std::vector<CPropertyPage*> m_pages;
    int m_nStartPage;
    int m_nCurrent = -1;
    bool m_bStarted = false;
    bool m_bReverting = false;
};
