// The Preview page: the sizes a logo is drawn at, its colours, and when the frame
// stays empty.
#include <QCheckBox>
#include <QFrame>
#include <QRadioButton>
#include <QtTest>

#include "app/Session.h"
#include "download/DownloadWalk.h"
#include "download/StreamDecoder.h"
#include "logo/BmpFile.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/ImageWriters.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page1Selection.h"
#include "ui/Page2Preview.h"
#include "ui/PreviewImage.h"

using namespace testing_support;

namespace {

constexpr uint32_t kLogoColour = 0x2A7FD4;

// Where the logo's colour shows in the frame, relative to the drawing area's corner.
QRect DrawnRect(CPage2Preview* page)
{
    auto* frame = page->findChild<QFrame*>(QStringLiteral("frame1017"));
    const QRect bounds = ColourBounds(frame->grab().toImage(), kLogoColour);
    return bounds.isEmpty() ? QRect() : bounds.translated(-frame->contentsRect().topLeft());
}

BmpImage Decode(const BmpParams& params, const PixelFn& pixel)
{
    BmpImage image;
    [&] { QVERIFY(DecodeBmp(MakeBmp(params, pixel), image)); }();
    return image;
}

// The settings of the Setup page for the preview and the download.
void Use(Session& session, int threshold, int maxWidth, HalftoneMode halftone)
{
    session.m_settings.m_nThreshold = threshold;
    session.m_settings.m_nMaxPrintWidth = maxWidth;
    session.m_settings.m_nHalftone = static_cast<int>(halftone);
}

} // namespace

class TestPreviewPage : public QObject {
    Q_OBJECT
private slots:
    void baseSizes();
    void drawsTheFilesOwnColoursEnlargedByRepeatingPixels();
    void shrinkingKeepsThinDarkLines();
    void drawsTheSharedSelectionAtTheFrameCornerAtEachQualitySize();
    void aColumnClickOrAnUnreadableFileLeavesTheFrameEmpty();
    void printedDotsOfACentredDoubleHeightLogoAreTheStreamsDots();
    void theLogosBesideTheShownOneAreConvertedAhead();
};

void TestPreviewPage::baseSizes()
{
    struct Case {
        QSize picture, frame, base;
    };
    const QSize frame(300, 250);
    const Case cases[] = {
        {{100, 50}, frame, {150, 75}},      {{40, 200}, frame, {25, 125}}, {{600, 500}, frame, {150, 125}},
        {{400, 390}, frame, {128, 125}}, // too high at half the frame's width
        {{50, 50}, frame, {125, 125}},   // a square uses the height
        {{640, 640}, {500, 100}, {50, 50}}, {{1000, 1}, frame, {150, 0}}, // a line too thin to show
    };
    for (const Case& c : cases)
        QCOMPARE(PreviewBaseSize(c.picture.width(), c.picture.height(), c.frame.width(), c.frame.height()),
                 c.base);
}

void TestPreviewPage::drawsTheFilesOwnColoursEnlargedByRepeatingPixels()
{
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        BmpParams params;
        params.width = 12;
        params.height = 6;
        params.bitsPerPixel = bits;
        params.palette = {0x102030, 0xE0C0A0};
        // Left half one colour, right half another, a dot at the top-left corner.
        const BmpImage bmp = Decode(params, [bits](int x, int y) -> uint32_t {
            const bool light = x >= 6 || (x == 0 && y == 0);
            if (bits <= 8)
                return light ? 1 : 0;
            if (bits == 16)
                return light ? 0x7C1Fu : 0x03E0u; // 5-5-5
            return light ? 0xE0C0A0u : 0x102030u;
        });
        QVERIFY(bmp.RgbAt(0, 0) != bmp.RgbAt(1, 0)); // the picture is not upside down
        const QImage drawn = StretchBmp(bmp, QSize(24, 18));
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 24; ++x)
                QCOMPARE((drawn.pixel(x, y) & 0xFFFFFF), bmp.RgbAt(x / 2, y / 3));
    }
}

void TestPreviewPage::shrinkingKeepsThinDarkLines()
{
    BmpParams params;
    params.width = params.height = 40;
    const BmpImage line = Decode(params, [](int x, int) { return x == 21 ? 0x000000u : 0xFFFFFFu; });
    const QImage small = StretchBmp(line, QSize(10, 10));
    for (int y = 0; y < 10; ++y) {
        QCOMPARE((small.pixel(5, y) & 0xFFFFFF), 0x000000u); // source columns 20..23
        QCOMPARE((small.pixel(4, y) & 0xFFFFFF), 0xFFFFFFu);
    }
}

void TestPreviewPage::drawsTheSharedSelectionAtTheFrameCornerAtEachQualitySize()
{
    PageHarness h;
    h.StartUp({h.Logo("a.bmp", 8, 8, 0xFFFFFF), h.Logo("b.bmp", 8, 8, 0xFFFFFF),
               h.Logo("c.bmp", 8, 8, 0xFFFFFF), h.Logo("d.bmp", 100, 50, kLogoColour)});
    h.Show(0);
    ClickRow(*h.selection->m_list, 3);
    h.Activate(1);
    CPage2Preview* page = h.preview;
    QCOMPARE(page->m_list->GetSelectedRows(), std::vector<int>({3}));
    // The radios in this page's own order.
    const QStringList texts = {"&Normal", "&Quadraple", "Double &Height", "Double &Width"};
    const QSize base = PreviewBaseSize(100, 50, page->m_rcFrame.width(), page->m_rcFrame.height());
    const QSize sizes[] = {
        base, base * 2, {base.width(), base.height() * 2}, {base.width() * 2, base.height()}};
    for (int quality = 0; quality < 4; ++quality) {
        auto* radio = page->findChild<QRadioButton*>(QStringLiteral("radio%1").arg(1019 + quality));
        QCOMPARE(radio->text(), texts[quality]);
        radio->click();
        QCOMPARE(DrawnRect(page), QRect(QPoint(0, 0), sizes[quality]));
        QCOMPARE(page->m_nQuality, quality);
    }
}

void TestPreviewPage::aColumnClickOrAnUnreadableFileLeavesTheFrameEmpty()
{
    PageHarness h;
    h.StartUp({h.Logo("a.bmp", 30, 20, kLogoColour)});
    h.Show(1);
    QVERIFY(DrawnRect(h.preview).isNull()); // nothing selected yet
    ClickRow(*h.preview->m_list, 0);
    QVERIFY(!DrawnRect(h.preview).isNull());
    ClickHeader(*h.preview->m_list, 2);
    QCOMPARE(h.Model().SelectedRow(), -1);
    QCOMPARE(h.preview->m_list->GetSelectedCount(), 0);
    QVERIFY(DrawnRect(h.preview).isNull());

    // The file is read at every drawing: damaged after listing, it shows nothing.
    ClickRow(*h.preview->m_list, 0);
    QVERIFY(!DrawnRect(h.preview).isNull());
    h.work.Write("a.bmp", "BM not a bitmap");
    QVERIFY(DrawnRect(h.preview).isNull());
    QVERIFY(h.fake.boxes.shown.empty());
}

// A PNG logo, centred, with a dither: the frame shows at double height exactly the
// dots the download stream defines, printed by FS p in double-height mode.
void TestPreviewPage::printedDotsOfACentredDoubleHeightLogoAreTheStreamsDots()
{
    PageHarness h;
    h.StartUp({WriteShadedPng(h.work.File("logo.png"), 40, 24)});
    h.CurrentSession().m_list.SetCentre(0, true);
    Use(h.CurrentSession(), 140, 96, HalftoneMode::FloydSteinberg);
    h.Show(1);
    CPage2Preview* page = h.preview;
    ClickRow(*page->m_list, 0);
    // The file's own colours first: shades of grey, not only black and white.
    auto* frame = page->findChild<QFrame*>(QStringLiteral("frame1017"));
    const QPoint corner = frame->contentsRect().topLeft();
    const QRgb shade = frame->grab().toImage().pixel(corner + QPoint(page->m_rcFrame.width() / 4, 2));
    QVERIFY(qGray(shade) > 0 && qGray(shade) < 255);

    auto* box = page->findChild<QCheckBox*>(QStringLiteral("checkPrintedDots"));
    QCOMPARE(box->text(), QStringLiteral("Printed dots"));
    box->click();
    page->findChild<QRadioButton*>(QStringLiteral("radio1021"))->click(); // "Double &Height"
    frame->grab();
    QTRY_VERIFY(!page->Prefetching()); // converted away from the window's thread

    MemorySink sink;
    CSinkDownload walk(h.CurrentSession().m_list, {140, 96, false, HalftoneMode::FloydSteinberg}, sink);
    QVERIFY(walk.RunToEnd());
    const DecodedStream stream = DecodeStream(sink.bytes);
    QCOMPARE(stream.definitions.size(), size_t{1});
    const DotImage printed =
        ScaleForPrint(stream.definitions[0].Dots(), PrintModeOfQuality(kQualityDoubleHeight));
    QCOMPARE(printed.width, 72); // 40 dots after 32 blank columns of centring
    QCOMPARE(printed.height, 48);

    const QSize base = PreviewBaseSize(72, 24, page->m_rcFrame.width(), page->m_rcFrame.height());
    const QSize size(base.width(), base.height() * 2);
    QVERIFY(size.width() >= printed.width && size.height() >= printed.height); // each dot shows
    const QImage shown = frame->grab().toImage();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const bool dot =
                printed.Dot(x * printed.width / size.width(), y * printed.height / size.height());
            const QRgb pixel = shown.pixel(corner + QPoint(x, y)) & 0xFFFFFF;
            if (pixel != (dot ? 0x000000u : 0xFFFFFFu))
                QFAIL(qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
        }
    // Other sizes and repaints draw from the same conversion.
    for (const int radio : {1019, 1020, 1022})
        page->findChild<QRadioButton*>(QStringLiteral("radio%1").arg(radio))->click();
    frame->grab();
    QCOMPARE(page->m_dotsCache.Conversions(), 1);
}

// A logo never shown takes longer to convert than a frame: the rows beside the one
// shown are converted ahead, in the background, so that moving to one of them draws
// without converting on the window's thread. The dots are the same either way.
void TestPreviewPage::theLogosBesideTheShownOneAreConvertedAhead()
{
    PageHarness h;
    h.StartUp({WriteShadedPng(h.work.File("a.png"), 40, 24), WriteShadedPng(h.work.File("b.png"), 64, 16),
               WriteShadedPng(h.work.File("c.png"), 24, 40), WriteShadedPng(h.work.File("d.png"), 32, 32)});
    Use(h.CurrentSession(), 128, 512, HalftoneMode::Atkinson);
    h.Show(1);
    CPage2Preview* page = h.preview;
    auto* frame = page->findChild<QFrame*>(QStringLiteral("frame1017"));
    page->findChild<QCheckBox*>(QStringLiteral("checkPrintedDots"))->click();
    const auto drawnDots = [&] { // black dots in the frame
        const QImage shown = frame->grab().toImage();
        int black = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                black += (shown.pixel(x, y) & 0xFFFFFF) == 0;
        return black;
    };
    // A logo never shown: the window draws nothing yet, the conversion runs elsewhere,
    // and the frame is drawn once it is done, with the logo and its two neighbours.
    ClickRow(*page->m_list, 1);
    const int empty = drawnDots(); // this drawing only asks for the conversion
    QTRY_VERIFY(!page->Prefetching());
    QTRY_VERIFY(drawnDots() > empty);
    QCOMPARE(page->m_dotsCache.Conversions(), 3);
    // A neighbour draws at once: nothing more is converted for it.
    for (const int row : {0, 2}) {
        ClickRow(*page->m_list, row);
        QVERIFY(drawnDots() > empty);
        const int selected = h.Model().SelectedRow();
        DotImage direct;
        std::string why;
        QVERIFY(ConvertToDots(h.CurrentSession().m_list.At(selected).path,
                              {128, 512, false, HalftoneMode::Atkinson}, direct, why));
        QCOMPARE(*page->PrintedDotsOf(selected), direct);
        QTRY_VERIFY(!page->Prefetching());
    }
    QCOMPARE(page->m_dotsCache.Conversions(), 4); // row 2 brought row 3 along
}

QTEST_MAIN(TestPreviewPage)
#include "test_previewpage.moc"
