#pragma once
// Tab "Preview Bitmap" (dialog template 130): the shared logo list and, beside it, the
// selected logo drawn from its file at one of the printer's four print sizes.
#include <QRect>
#include <atomic>
#include <cstdint>
#include <thread>
#include <string>
#include <vector>

#include "download/PrintedDots.h"
#include "logo/BmpFile.h"
#include "ui/PropertySheet.h"

class CCheckListCtrl;
class LogoListPane;
class LogoTableModel;
class Session;
class QAbstractButton;
class QCheckBox;
class QFrame;
class QPainter;

class CPage2Preview : public CPropertyPage {
    Q_OBJECT
public:
    // The page shows the session's list through model, converted with its settings.
    CPage2Preview(Session& session, LogoTableModel& model);
    ~CPage2Preview() override;
    QString HelpTopic() const override { return QStringLiteral("Preview"); }

    LogoListPane* m_pane;
    CCheckListCtrl* m_list; // control 1001
    // Radio group 1019..1022: 0 "&Normal", 1 "&Quadraple", 2 "Double &Height",
    // 3 "Double &Width".
    int32_t m_nQuality = -1;
    BmpImage m_bitmap; // the picture, only while one drawing runs
    QRect m_rcFrame;   // the drawing area of frame 1017, in page coordinates
    QFrame* m_pFrame;  // control 1017
    // "Printed dots": draw the dots the printer will print instead of the file's colours.
    bool m_bPrintedDots = false;
    PrintedDotsCache m_dotsCache; // the last logo's dots, for redraws at other sizes

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnSetActive() override;

    // Has the preview drawn again: the file is read anew at every drawing (the printed
    // dots are kept while the file and the settings stay the same).
    void DrawPreview();
    // The frame's painting: the selected logo at the frame's top-left corner, or nothing.
    void PaintPreview(QPainter& painter);
    // The dots of the logo in the list's row with the Setup page's values, or null.
    std::shared_ptr<const DotImage> PrintedDotsOf(int row);
    // True while logos are being converted in the background.
    bool Prefetching() const { return m_bPrefetching; }

private:
    Session& m_session;
    LogoTableModel& m_model;
    std::vector<QAbstractButton*> m_radios;
    QCheckBox* m_checkPrintedDots;
    bool m_bMemoryReported = false;

    // The conversion of a logo never shown takes longer than a frame (a large PNG is
    // decoded first), so the window never converts: a logo whose dots are not kept yet
    // is converted in the background and drawn when it is done, and the rows above and
    // below the shown one are converted ahead, so that an arrow key draws at once.
    void ConvertInBackground(int row, bool shownToo);
    NvConversion ConversionOf(int row) const;
    std::thread m_prefetch;
    std::atomic<bool> m_bPrefetching{false};
    std::atomic<bool> m_bRedrawWanted{false}; // a logo asked for while a conversion ran
};
