#include "ui/Page2Preview.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "app/Session.h"
#include "platform/MessageBox.h"
#include "ui/CheckListCtrl.h"
#include "ui/LogoListControls.h"
#include "ui/LogoTableModel.h"
#include "ui/PreviewImage.h"
#include "platform/Messages.h"

namespace {

// A sunken well whose inside is the drawing area; the page paints into it.
class PreviewFrame final : public QFrame {
public:
    PreviewFrame(QWidget* parent, std::function<void(QPainter&)> paint)
        : QFrame(parent), m_paint(std::move(paint))
    {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        setBackgroundRole(QPalette::Base);
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.setClipRect(area);
        painter.translate(area.topLeft());
        m_paint(painter);
    }

private:
    std::function<void(QPainter&)> m_paint;
};

} // namespace

CPage2Preview::CPage2Preview(Session& session, LogoTableModel& model)
    : CPropertyPage(QStringLiteral("Preview Bitmap"), 130), m_session(session), m_model(model)
{
    setObjectName(QStringLiteral("CPage2Preview"));
    auto* group = Place(new QGroupBox(QStringLiteral("Q&uality"), this), 182, 177, 169, 49);
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
        auto* radio = PlaceIn(group, new QRadioButton(QString::fromLatin1(r.text), group), r.x, r.y, r.w, 8);
        radio->setObjectName(QStringLiteral("radio%1").arg(r.id));
        // Fonts here are wider than the template's: a label runs on to the group's edge
        // rather than being cut off.
        const int room = group->contentsRect().right() - radio->x();
        radio->resize(std::min(std::max(radio->width(), radio->sizeHint().width()), room), radio->height());
        m_radios.push_back(radio);
        connect(radio, &QRadioButton::clicked, this, &CPage2Preview::DrawPreview);
    }

    m_pane = new LogoListPane(*this, model, 1006, QAbstractItemView::SingleSelection, CounterBorder::Framed,
                              CheckColumn::Hidden);
    m_list = m_pane->m_list;

    // The well's border lies around the template rectangle, so the drawing area has
    // exactly the template's size.
    m_pFrame = new PreviewFrame(this, [this](QPainter& painter) { PaintPreview(painter); });
    m_pFrame->setObjectName(QStringLiteral("frame1017"));
    const int border = m_pFrame->frameWidth();
    m_pFrame->setGeometry(Dlu().Rect(182, 19, 169, 153).adjusted(-border, -border, border, border));

    // In the free strip above the frame, beside the list's label.
    m_checkPrintedDots = Place(new QCheckBox(QStringLiteral("Printed dots"), this), 182, 6, 100, 10);
    m_checkPrintedDots->setObjectName(QStringLiteral("checkPrintedDots"));
    connect(m_checkPrintedDots, &QCheckBox::toggled, this, &CPage2Preview::DrawPreview);

    // A row chosen here, or a header click that clears the choice, draws anew.
    connect(m_pane, &LogoListPane::SelectionChanged, this, &CPage2Preview::DrawPreview);
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
    const QRect inside = m_pFrame->contentsRect();
    m_rcFrame = QRect(m_pFrame->mapTo(this, inside.topLeft()), inside.size()).normalized();
    UpdateData(false);
    return true;
}

bool CPage2Preview::OnSetActive()
{
    m_pane->Activate();
    UpdateData(false);
    DrawPreview();
    return CPropertyPage::OnSetActive();
}

void CPage2Preview::DrawPreview()
{
    m_pFrame->update();
}

void CPage2Preview::PaintPreview(QPainter& painter)
{
    // The shared selection names the logo itself, whatever order this page's list shows.
    const int row = m_model.SelectedRow();
    if (row < 0)
        return;
    const std::string& path = m_session.m_list.At(row).path;
    UpdateData(true); // takes the current Quality button and the Printed dots tick
    PreviewResult result = PreviewResult::Unreadable;
    if (!m_bPrintedDots)
        result = DrawBmpPreview(painter, path, m_bitmap, m_rcFrame.size(), m_nQuality);
    else {
        std::shared_ptr<const DotImage> dots;
        std::string why; // a file that does not convert leaves the frame empty, as one that does not read
        const bool kept = m_dotsCache.Find(path, ConversionOf(row), dots, why);
        if (dots)
            result = DrawDotsPreview(painter, *dots, m_rcFrame.size(), m_nQuality);
        ConvertInBackground(row, !kept);
    }
    if (result == PreviewResult::Drawn) {
        m_bMemoryReported = false;
    } else if (result == PreviewResult::OutOfMemory && !m_bMemoryReported) {
        // Not from inside the paint event, and once: the box itself makes the page paint.
        m_bMemoryReported = true;
        QTimer::singleShot(0, this,
                           [] { platform::AfxMessageBox(msg::kOutOfMemory, platform::MB_ICONHAND); });
    }
}

CPage2Preview::~CPage2Preview()
{
    if (m_prefetch.joinable())
        m_prefetch.join();
}

NvConversion CPage2Preview::ConversionOf(int row) const
{
    const printer::SetupRecord& settings = m_session.m_settings;
    return {settings.m_nThreshold, settings.m_nMaxPrintWidth, m_session.m_list.At(row).centre,
            static_cast<HalftoneMode>(settings.m_nHalftone)};
}

std::shared_ptr<const DotImage> CPage2Preview::PrintedDotsOf(int row)
{
    std::string why; // a file that does not convert leaves the frame empty, as one that does not read
    return m_dotsCache.Get(m_session.m_list.At(row).path, ConversionOf(row), why);
}

void CPage2Preview::ConvertInBackground(int row, bool shownToo)
{
    if (m_bPrefetching) {
        // The end of the conversions under way draws again, and this asks again then.
        m_bRedrawWanted = true;
        return;
    }
    std::vector<std::pair<std::string, NvConversion>> logos;
    const auto add = [&](int other) {
        if (other < 0 || other >= m_session.m_list.Count())
            return;
        std::shared_ptr<const DotImage> dots;
        std::string why;
        const std::string& path = m_session.m_list.At(other).path;
        if (!m_dotsCache.Find(path, ConversionOf(other), dots, why))
            logos.emplace_back(path, ConversionOf(other));
    };
    if (shownToo)
        add(row);
    // The rows beside it as this page shows them.
    const int shown = m_pane->ViewRow(row);
    for (const int neighbour : {shown + 1, shown - 1})
        if (neighbour >= 0 && neighbour < m_list->GetItemCount())
            add(m_pane->SourceRow(neighbour));
    if (logos.empty())
        return;
    if (m_prefetch.joinable())
        m_prefetch.join(); // done: m_bPrefetching is clear
    m_bPrefetching = true;
    m_prefetch = std::thread([this, logos = std::move(logos), shownToo] {
        for (const auto& [path, conversion] : logos)
            m_dotsCache.Prefetch(path, conversion);
        m_bPrefetching = false;
        // The window's thread draws what is now kept (a page being destroyed has joined
        // this thread first; Qt drops a call to an object that is gone).
        if (m_bRedrawWanted.exchange(false) || shownToo)
            QMetaObject::invokeMethod(
                this, [this] { m_pFrame->update(); }, Qt::QueuedConnection);
    });
}
