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

#include "app/NvLogoApp.h"
#include "app/SharedRecord.h"
#include "platform/MessageBox.h"
#include "ui/CheckListCtrl.h"
#include "ui/LogoListControls.h"
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

CPage2Preview::CPage2Preview() : CPropertyPage(QStringLiteral("Preview Bitmap"), 130)
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

    const LogoListControls controls = CreateLogoListControls(*this, 1006, QAbstractItemView::SingleSelection);
    m_list = controls.list;
    m_editFileCount = controls.fileCount;
    m_editTotalSize = controls.totalSize;

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

    connect(m_list, &CCheckListCtrl::ItemChanged, this, &CPage2Preview::OnItemChanged);
    connect(m_list, &CCheckListCtrl::ColumnClick, this, &CPage2Preview::OnColumnClick);
}

void CPage2Preview::DoDataExchange(CDataExchange& dx)
{
    DDX_Text(dx, m_editFileCount, m_strFileCount);
    DDX_Text(dx, m_editTotalSize, m_strTotalSize);
    DDX_Radio(dx, m_radios, m_nQuality);
    DDX_Check(dx, m_checkPrintedDots, m_bPrintedDots);
}

bool CPage2Preview::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_pApp = AfxGetApp();
    InsertReadOnlyLogoColumns(*m_list);
    InitCounters(m_pApp, m_strFileCount, m_strTotalSize);
    m_bSortAscending = false;
    m_nSortColumn = 0;
    m_nQuality = 0;
    const QRect inside = m_pFrame->contentsRect();
    m_rcFrame = QRect(m_pFrame->mapTo(this, inside.topLeft()), inside.size()).normalized();
    UpdateData(false);
    return true;
}

bool CPage2Preview::OnSetActive()
{
    ShowSharedList(*m_list);
    m_strFileCount = g_Shared.m_strFileCount;
    m_strTotalSize = g_Shared.m_strTotalSize;
    UpdateData(false);
    DrawPreview();
    g_Shared.m_nActivePage = 1;
    return CPropertyPage::OnSetActive();
}

bool CPage2Preview::OnKillActive()
{
    g_Shared.m_nActivePage = 1;
    return CPropertyPage::OnKillActive();
}

void CPage2Preview::OnItemChanged(int)
{
    for (const int row : m_list->GetSelectedRows()) {
        g_Shared.m_nSelItem = SharedSelectionAfter(*m_list, row, 1);
        DrawPreview();
    }
}

void CPage2Preview::OnColumnClick(int column)
{
    RefillFromShared(*m_list);
    g_Shared.m_nSelItem = -1;
    SortOnHeaderClick(*m_list, column, m_nSortColumn, m_bSortAscending);
    update();
    DrawPreview();
}

void CPage2Preview::DrawPreview()
{
    m_pFrame->update();
}

void CPage2Preview::PaintPreview(QPainter& painter)
{
    // The shared selection names the logo itself, whatever order this page's list shows.
    const int32_t entry = g_Shared.m_nSelItem;
    if (entry < 0 || entry >= g_Shared.LogoCount())
        return;
    const std::string& path = g_Shared.m_arrPath[static_cast<size_t>(entry)];
    UpdateData(true); // takes the current Quality button and the Printed dots tick
    PreviewResult result = PreviewResult::Unreadable;
    if (!m_bPrintedDots)
        result = DrawBmpPreview(painter, path, m_bitmap, m_rcFrame.size(), m_nQuality);
    else {
        std::shared_ptr<const DotImage> dots;
        std::string why; // a file that does not convert leaves the frame empty, as one that does not read
        const bool kept = m_dotsCache.Find(path, ConversionOf(entry), dots, why);
        if (dots)
            result = DrawDotsPreview(painter, *dots, m_rcFrame.size(), m_nQuality);
        ConvertInBackground(entry, !kept);
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

NvConversion CPage2Preview::ConversionOf(int32_t entry) const
{
    return {g_Shared.m_nThreshold, g_Shared.m_nMaxPrintWidth, g_Shared.CentreRequested(entry),
            static_cast<HalftoneMode>(g_Shared.m_nHalftone)};
}

std::shared_ptr<const DotImage> CPage2Preview::PrintedDotsOf(int32_t entry)
{
    std::string why; // a file that does not convert leaves the frame empty, as one that does not read
    return m_dotsCache.Get(g_Shared.m_arrPath[static_cast<size_t>(entry)], ConversionOf(entry), why);
}

void CPage2Preview::ConvertInBackground(int32_t entry, bool shownToo)
{
    if (m_bPrefetching) {
        // The end of the conversions under way draws again, and this asks again then.
        m_bRedrawWanted = true;
        return;
    }
    std::vector<std::pair<std::string, NvConversion>> logos;
    const auto add = [&](int32_t other) {
        if (other < 0 || other >= g_Shared.LogoCount())
            return;
        std::shared_ptr<const DotImage> dots;
        std::string why;
        const std::string& path = g_Shared.m_arrPath[static_cast<size_t>(other)];
        if (!m_dotsCache.Find(path, ConversionOf(other), dots, why))
            logos.emplace_back(path, ConversionOf(other));
    };
    if (shownToo)
        add(entry);
    const int row = RowOfEntry(*m_list, entry);
    for (const int neighbour : {row + 1, row - 1})
        if (neighbour >= 0 && neighbour < m_list->GetItemCount())
            add(EntryOfRow(*m_list, neighbour));
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
