#pragma once
// The Preview page's "Adjust..." panel for the logo shown: trim, turn, scale, tone and
// invert, with the logo's printed dots redrawn as the controls move. The dots are made
// on a thread of their own (download/AdjustRedraw): only the latest setting counts,
// and the window keeps painting while a large logo is redrawn. A setting goes into the
// logo list through CLogoLoader::SetAdjustments when a control is let go (a slider
// released, a box ticked); a refusal, such as no room left, is said on the panel and
// the controls go back to what the logo has. "Reset" takes every adjustment away.
//
// Window thread only.
#include <QDialog>
#include <QPersistentModelIndex>
#include <cstdint>
#include <memory>

#include "download/AdjustRedraw.h"
#include "logo/Adjustments.h"

class LogoTableModel;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class Session;

class CAdjustPanel final : public QDialog {
    Q_OBJECT
public:
    // The panel of the list's row (a row of model).
    CAdjustPanel(Session& session, LogoTableModel& model, int row, QWidget* parent = nullptr);
    ~CAdjustPanel() override;

    // Another logo is shown: the panel is its panel now.
    void SetRow(int row);

    // The adjustments the controls show.
    Adjustments Shown() const;
    // The dots the panel shows: those of the latest redraw taken in, and its request.
    const DotImage& ShownDots() const { return m_dots; }
    uint64_t ShownRequest() const { return m_nShown; }
    uint64_t LatestRequest() const { return m_nRequested; }

signals:
    // New dots are shown.
    void Redrawn();

private:
    void BuildControls();
    QFormLayout* BuildForm(); // the controls' column
    void ShowAdjustments(const Adjustments& adjust);
    // A control moved: the dots are asked for; commit puts the setting into the list.
    void OnChanged(bool commit);
    void Commit();
    void Redraw();
    void OnRedrawReady();
    int Row() const;

    Session& m_session;
    LogoTableModel& m_model;
    QPersistentModelIndex m_logo;
    QCheckBox* m_trim = nullptr;
    QComboBox* m_rotate = nullptr;
    QComboBox* m_scale = nullptr;
    QSpinBox* m_percent = nullptr;
    QSlider* m_brightness = nullptr;
    QSlider* m_contrast = nullptr;
    QSlider* m_gamma = nullptr; // hundredths
    QLabel* m_gammaValue = nullptr;
    QCheckBox* m_invert = nullptr;
    QPushButton* m_reset = nullptr;
    QLabel* m_dotsView = nullptr;
    QLabel* m_status = nullptr;
    DotImage m_dots;
    uint64_t m_nRequested = 0;
    uint64_t m_nShown = 0;
    std::unique_ptr<AdjustRedraw> m_redraw; // last: its thread calls back into the panel
};
