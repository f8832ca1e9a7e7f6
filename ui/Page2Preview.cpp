#include "ui/Page2Preview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <new>

#include "app/Session.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "ui/AdjustPanel.h"
#include "ui/CheckListCtrl.h"
#include "ui/LogoListControls.h"
#include "ui/LogoTableModel.h"
#include "ui/PreviewFrame.h"
#include "ui/PreviewImage.h"

namespace {

// A larger page gives this share of its extra width to the list, the rest to the frame.
constexpr double kListShare = 0.35;

} // namespace

CPage2Preview::CPage2Preview(Session& session, LogoTableModel& model)
    : CPropertyPage(QStringLiteral("Preview Bitmap"), 130), m_session(session), m_model(model),
      m_pictures(std::make_unique<PreviewPictures>(kKeptBytes, [this] {
          // From the loading thread; the page outlives it (its destructor joins it first).
          QMetaObject::invokeMethod(
              this, [this] { OnPicturesReady(); }, Qt::QueuedConnection);
      }))
{
    setObjectName(QStringLiteral("CPage2Preview"));
    auto* group =
        Place(new QGroupBox(QStringLiteral("Q&uality"), this), 182, 177, 169, 49, {kListShare, 1, 1, 1});
    group->setObjectName(QStringLiteral("group1018"));
    const struct {
        int id;
        const char* text;
        int x, y, w;
    } radios[] = {{1019, "&Normal", 191, 193, 78},
                  {1020, "&Quadraple", 191, 210, 78},
                  {1021, "Double &Height", 286, 193, 58},
                  {1022, "Double &Width", 286, 210, 58}};
    for (const auto& r : radios) {
        auto* radio = new QRadioButton(QString::fromLatin1(r.text), group);
        radio->setObjectName(QStringLiteral("radio%1").arg(r.id));
        // Fonts here are wider than the template's: a label runs on to the group's edge
        // rather than being cut off.
        QRect rect = Dlu().Rect(r.x, r.y, r.w, 8).translated(-group->pos());
        const int room = group->contentsRect().right() - rect.x();
        rect.setWidth(std::min(std::max(rect.width(), radio->sizeHint().width()), room));
        // The second column keeps to the middle of a wider group.
        TemplateLayout::Of(group)->Add(radio, rect, Follow::Move(r.x > 200 ? 0.5 : 0, 0));
        m_radios.push_back(radio);
        connect(radio, &QRadioButton::clicked, this, &CPage2Preview::DrawPreview);
    }

    m_pane = new LogoListPane(*this, model, 1006, QAbstractItemView::SingleSelection, CounterBorder::Framed,
                              CheckColumn::Hidden, kListShare);
    m_list = m_pane->m_list;

    // The well's border lies around the template rectangle, so the drawing area has
    // the template's size in a page of the template's size.
    m_pFrame = new PreviewFrame(
        this, [this](QPainter& painter, const QRect& exposed) { PaintPreview(painter, exposed); });
    m_pFrame->setObjectName(QStringLiteral("frame1017"));
    const int border = m_pFrame->frameWidth();
    const QRect frame = Dlu().Rect(182, 19, 169, 153).adjusted(-border, -border, border, border);
    TemplateLayout::Of(this)->Add(m_pFrame, frame, {kListShare, 0, 1, 1});
    connect(m_pFrame, &PreviewFrame::ViewportResized, this, &CPage2Preview::LayoutDrawing);

    // In the free strip above the frame, beside the list's label.
    m_checkPrintedDots = Place(new QCheckBox(QStringLiteral("Printed dots"), this), 182, 6, 80, 10,
                               Follow::Move(kListShare, 0));
    m_checkPrintedDots->setObjectName(QStringLiteral("checkPrintedDots"));
    connect(m_checkPrintedDots, &QCheckBox::toggled, this, &CPage2Preview::DrawPreview);
    AddZoomBox(frame);

    // In the free strip above the list, at its right end.
    m_buttonAdjust = Place(new QPushButton(QStringLiteral("&Adjust..."), this), 127, 4, 50, 13,
                           Follow::Move(kListShare, 0));
    m_buttonAdjust->setObjectName(QStringLiteral("buttonAdjust"));
    m_buttonAdjust->setEnabled(false);
    connect(m_buttonAdjust, &QPushButton::clicked, this, &CPage2Preview::OnAdjust);

    // A row chosen here, or a header click that clears the choice, draws anew; so does a
    // logo's new adjustments or centring.
    connect(m_pane, &LogoListPane::SelectionChanged, this, &CPage2Preview::DrawPreview);
    connect(&model, &QAbstractItemModel::dataChanged, this, [this] {
        if (isVisible())
            DrawPreview();
    });
}

CAdjustPanel* CPage2Preview::AdjustPanel() const
{
    return m_adjustPanel;
}

bool CPage2Preview::OnKillActive()
{
    if (m_adjustPanel)
        m_adjustPanel->close();
    return CPropertyPage::OnKillActive();
}

void CPage2Preview::OnAdjust()
{
    const int row = m_model.SelectedRow();
    if (row < 0)
        return;
    if (!m_adjustPanel) {
        m_adjustPanel = new CAdjustPanel(m_session, m_model, row, this);
        m_adjustPanel->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_adjustPanel->show();
    m_adjustPanel->raise();
    m_adjustPanel->activateWindow();
}

void CPage2Preview::AddZoomBox(const QRect& frame)
{
    auto* zoom = Place(new QLabel(QStringLiteral("&Zoom"), this), 266, 6, 20, 10, Follow::Move(1, 0));
    zoom->setObjectName(QStringLiteral("labelZoom"));
    m_cbZoom = new QComboBox(this);
    m_cbZoom->setObjectName(QStringLiteral("comboZoom"));
    m_cbZoom->addItems(
        {QStringLiteral("Fit"), QStringLiteral("1:1"), QStringLiteral("2:1"), QStringLiteral("4:1")});
    zoom->setBuddy(m_cbZoom);
    // As tall as the style wants it, its foot just above the frame.
    const QRect strip = Dlu().Rect(288, 0, 63, 19);
    const int height = std::min(m_cbZoom->sizeHint().height(), frame.top() - 1);
    TemplateLayout::Of(this)->Add(
        m_cbZoom, QRect(strip.left(), frame.top() - 1 - height, strip.width(), height), Follow::Move(1, 0));
    connect(m_cbZoom, &QComboBox::currentIndexChanged, this, [this](int step) {
        m_nZoom = step;
        LayoutDrawing();
        m_pFrame->Canvas()->update();
    });
}

CPage2Preview::~CPage2Preview()
{
    m_pictures.reset(); // no picture arrives for a page being destroyed
}

void CPage2Preview::DoDataExchange(CDataExchange& dx)
{
    DDX_Radio(dx, m_radios, m_nQuality);
    DDX_Check(dx, m_checkPrintedDots, m_bPrintedDots);
}

bool CPage2Preview::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_pane->InsertColumns();
    m_nQuality = 0;
    LayoutDrawing();
    UpdateData(false);
    return true;
}

bool CPage2Preview::OnSetActive()
{
    m_pane->Activate(m_session.m_kept.keyedStorage);
    UpdateData(false);
    DrawPreview();
    return CPropertyPage::OnSetActive();
}

PictureKey CPage2Preview::KeyOf(int row) const
{
    const Logo& logo = m_session.m_list.At(row);
    NvConversion conversion = m_session.Conversion(logo.adjust);
    conversion.centre = logo.centre;
    return {logo.path, m_bPrintedDots, conversion};
}

void CPage2Preview::DrawPreview()
{
    UpdateData(true); // takes the current Quality button and the Printed dots tick
    const int row = m_model.SelectedRow();
    m_buttonAdjust->setEnabled(row >= 0);
    if (m_adjustPanel && row >= 0)
        m_adjustPanel->SetRow(row);
    if (row >= 0) {
        // The logo shown, then the rows beside it as this page shows them, so that an
        // arrow key draws at once.
        std::vector<PictureKey> wanted = {KeyOf(row)};
        const int shown = m_pane->ViewRow(row);
        for (const int neighbour : {shown + 1, shown - 1})
            if (neighbour >= 0 && neighbour < m_list->GetItemCount())
                wanted.push_back(KeyOf(m_pane->SourceRow(neighbour)));
        m_pictures->Want(std::move(wanted));
    }
    LayoutDrawing();
    m_pFrame->Canvas()->update();
}

std::shared_ptr<const PreviewPicture> CPage2Preview::PictureOf(int row)
{
    return row < 0 ? nullptr : m_pictures->Find(KeyOf(row));
}

void CPage2Preview::OnPicturesReady()
{
    if (!m_pictures->Collect())
        return;
    LayoutDrawing();
    m_pFrame->Canvas()->update();
}

void CPage2Preview::LayoutDrawing()
{
    const QWidget* well = m_pFrame->viewport();
    m_rcFrame = QRect(well->mapTo(this, QPoint(0, 0)), well->size());
    const std::shared_ptr<const PreviewPicture> shown = PictureOf(m_model.SelectedRow());
    QSize size;
    if (shown && shown->Loaded())
        size = PreviewZoomedSize(QSize(shown->picture.width, shown->picture.height), m_rcFrame.size(),
                                 m_nQuality, m_nZoom);
    m_pFrame->SetDrawingSize(size);
}

void CPage2Preview::PaintPreview(QPainter& painter, const QRect& exposed)
{
    // The shared selection names the logo itself, whatever order this page's list shows.
    const int row = m_model.SelectedRow();
    if (row < 0)
        return;
    const PictureKey key = KeyOf(row);
    const std::shared_ptr<const PreviewPicture> shown = m_pictures->Find(key);
    if (!shown) {
        if (m_pictures->Pending(key)) {
            painter.setPen(palette().color(QPalette::PlaceholderText));
            painter.drawText(QRect(QPoint(4, 4), m_rcFrame.size()), Qt::AlignLeft | Qt::AlignTop,
                             QStringLiteral("Loading..."));
        }
        return;
    }
    if (shown->outOfMemory) {
        ReportOutOfMemory();
        return;
    }
    // A file that does not load leaves the frame empty, without a message.
    if (!shown->Loaded())
        return;
    const QSize size = PreviewZoomedSize(QSize(shown->picture.width, shown->picture.height), m_rcFrame.size(),
                                         m_nQuality, m_nZoom);
    try {
        DrawPicture(painter, shown->picture, size, exposed);
        m_bMemoryReported = false;
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory();
    }
}

void CPage2Preview::ReportOutOfMemory()
{
    if (m_bMemoryReported)
        return;
    // Not from inside the paint event, and once: the box itself makes the page paint.
    m_bMemoryReported = true;
    QTimer::singleShot(0, this, [] { platform::AfxMessageBox(msg::kOutOfMemory, platform::MB_ICONHAND); });
}
