#pragma once
// Tab "Preview Bitmap" (dialog template 130): the shared logo list and, beside it, the
// selected logo at one of the printer's four print sizes, fitted into the frame or
// zoomed to 1:1, 2:1 or 4:1 with scroll bars. The pictures are loaded away from the
// window and kept; a repaint draws from what is kept and never reads a file.
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <memory>
#include <vector>

#include "download/PreviewPictures.h"
#include "ui/PropertySheet.h"

class CAdjustPanel;
class CCheckListCtrl;
class LogoListPane;
class LogoTableModel;
class PreviewFrame;
class Session;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QPainter;
class QPushButton;

class CPage2Preview : public CPropertyPage {
    Q_OBJECT
public:
    // The page shows the session's list through model, converted with its settings.
    CPage2Preview(Session& session, LogoTableModel& model);
    ~CPage2Preview() override;
    QString HelpTopic() const override { return QStringLiteral("Preview"); }

    // The decoded pictures kept: a few of the largest logos the printer can store.
    static constexpr size_t kKeptBytes = size_t{48} << 20;

    LogoListPane* m_pane;
    CCheckListCtrl* m_list; // control 1001
    // Radio group 1019..1022: 0 "&Normal", 1 "&Quadraple", 2 "Double &Height",
    // 3 "Double &Width".
    int32_t m_nQuality = -1;
    QRect m_rcFrame;        // the drawing area of frame 1017 (inside its well), in page coordinates
    PreviewFrame* m_pFrame; // control 1017
    // "Printed dots": draw the dots the printer will print instead of the file's colours.
    bool m_bPrintedDots = false;
    int32_t m_nZoom = 0; // the zoom step, an index into kZoomSteps (0 fits the frame)

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnSetActive() override;
    // Closes the Adjust panel: it belongs to this page.
    bool OnKillActive() override;
    // "Adjust...": the panel of the logo shown, which then follows the logo shown.
    void OnAdjust();
    // The open Adjust panel; null when none is.
    CAdjustPanel* AdjustPanel() const;

    // Has the preview drawn again: the selected logo's picture (and those of the rows
    // beside it) is asked for, loaded in the background unless it is kept and its file
    // unchanged, and drawn from what is kept.
    void DrawPreview();
    // Paints the exposed part of the drawing: the kept picture at the frame's top-left
    // corner, a note while it is still loading, or nothing.
    void PaintPreview(QPainter& painter, const QRect& exposed);
    // The kept picture the frame shows for the list's row; null when none has arrived.
    std::shared_ptr<const PreviewPicture> PictureOf(int row);
    const PreviewPictures& Pictures() const { return *m_pictures; }

private:
    // The "&Zoom" box in the strip above the frame (frame: the well's rectangle).
    void AddZoomBox(const QRect& frame);
    PictureKey KeyOf(int row) const;
    void OnPicturesReady();
    // Sizes the drawing for the shown picture, the quality and the zoom.
    void LayoutDrawing();
    void ReportOutOfMemory();

    Session& m_session;
    LogoTableModel& m_model;
    std::vector<QAbstractButton*> m_radios;
    QCheckBox* m_checkPrintedDots;
    QComboBox* m_cbZoom;
    QPushButton* m_buttonAdjust;
    QPointer<CAdjustPanel> m_adjustPanel; // while it is open
    bool m_bMemoryReported = false;
    std::unique_ptr<PreviewPictures> m_pictures;
};
