// The Preview page: the sizes a logo is drawn at for each Quality button and zoom step,
// the pictures loaded away from the window and drawn from what is kept, and when the
// frame stays empty. Its Adjust panel over the program's session and model: the dots it
// shows follow its controls (made off the window's thread, the latest setting winning)
// and are the download's, a control let go puts its setting into the list (size, the
// list's column and the page's own printed dots follow), a refusal is said and the
// control goes back, and Reset takes everything away. The steps themselves:
// AdjustmentsTest and AdjustedLogoTest.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include "app/Session.h"
#include "download/PrintedDots.h"
#include "tests/support/ImageWriters.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/AdjustPanel.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page2Preview.h"
#include "ui/PreviewFrame.h"
#include "ui/PreviewImage.h"

using namespace testing_support;

namespace {

constexpr uint32_t kLogoColour = 0x2A7FD4;

QImage Drawing(CPage2Preview* page)
{
    return page->m_pFrame->Canvas()->grab().toImage();
}

// Where the logo's colour shows in the drawing.
QRect DrawnRect(CPage2Preview* page)
{
    return ColourBounds(Drawing(page), kLogoColour);
}

void ChooseZoom(CPage2Preview* page, int step)
{
    page->findChild<QComboBox*>(QStringLiteral("comboZoom"))->setCurrentIndex(step);
}

// The dots a download sends for the session's first logo with adjust.
DotImage DownloadDots(Session& session, const Adjustments& adjust)
{
    NvConversion conversion = session.Conversion(adjust);
    conversion.centre = session.m_list.At(0).centre;
    DotImage dots;
    std::string why;
    if (!ConvertToDots(session.m_list.At(0).path, conversion, dots, why))
        qWarning("%s", why.c_str());
    return dots;
}

} // namespace

class TestPreviewPage : public QObject {
    Q_OBJECT
private slots:
    void baseSizesAndZoomSteps();
    void drawsTheSelectionAtEachSizeFromOneReadingOfItsFile();
    void zoomedDotsAreDrawnDotByDotAndScroll();
    void theLogosBesideTheShownOneAreLoadedAhead();
    void theAdjustPanelsDotsFollowItsControlsAndTheListTakesTheirSetting();
};

void TestPreviewPage::baseSizesAndZoomSteps()
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
    // Fitted, or so many screen pixels per pixel, then doubled as the Quality says.
    QCOMPARE(PreviewZoomedSize({100, 50}, frame, kQualityNormal, 0), QSize(150, 75));
    QCOMPARE(PreviewZoomedSize({100, 50}, frame, kQualityDoubleWidth, 1), QSize(200, 50));
    QCOMPARE(PreviewZoomedSize({100, 50}, frame, kQualityQuadruple, 2), QSize(400, 200));
    QCOMPARE(PreviewZoomedSize({100, 50}, frame, kQualityDoubleHeight, 3), QSize(400, 400));
    QVERIFY(PreviewZoomedSize({100, 50}, frame, kQualityNormal, 4).isEmpty());
    QVERIFY(PreviewZoomedSize({100, 50}, frame, 4, 1).isEmpty());
}

// The selection is drawn at the frame's corner at each Quality size. Its file is read
// away from the window, once: repaints, other sizes and zoom steps draw what is kept. A
// logo not kept yet says it is loading until it arrives. (That the logo chosen on
// another page is the one drawn: test_listpages.)
void TestPreviewPage::drawsTheSelectionAtEachSizeFromOneReadingOfItsFile()
{
    PageHarness h;
    h.StartUp({h.Logo("a.bmp", 8, 8, 0xFFFFFF), h.Logo("d.bmp", 100, 50, kLogoColour)});
    h.Show(1);
    CPage2Preview* page = h.preview;
    const auto plain = [&] { // only the frame's ground
        const QImage drawing = Drawing(page);
        QImage ground(drawing.size(), drawing.format());
        ground.fill(page->m_pFrame->Canvas()->palette().color(QPalette::Base));
        return drawing == ground;
    };
    QVERIFY(plain()); // nothing selected yet
    ClickRow(*page->m_list, 1);
    // Nothing has arrived on the window's thread yet: a note instead of the logo.
    const PictureKey key{h.CurrentSession().m_list.At(1).path, false, {}};
    QVERIFY(page->Pictures().Pending(key));
    QVERIFY(DrawnRect(page).isNull());
    QVERIFY(!plain());
    QTRY_VERIFY(page->PictureOf(1));
    QTRY_COMPARE(page->Pictures().Loads(), 2); // with its neighbour, loaded ahead
    // The radios in this page's own order.
    const QStringList texts = {"&Normal", "&Quadraple", "Double &Height", "Double &Width"};
    const QSize base = PreviewBaseSize(100, 50, page->m_rcFrame.width(), page->m_rcFrame.height());
    const QSize sizes[] = {
        base, base * 2, {base.width(), base.height() * 2}, {base.width() * 2, base.height()}};
    for (int quality = 0; quality < 4; ++quality) {
        auto* radio = page->findChild<QRadioButton*>(QStringLiteral("radio%1").arg(1019 + quality));
        QCOMPARE(radio->text(), texts[quality]);
        radio->click();
        for (int step = 3; step >= 0; --step) {
            ChooseZoom(page, step);
            QVERIFY(!DrawnRect(page).isNull());
        }
        QCOMPARE(DrawnRect(page), QRect(QPoint(0, 0), sizes[quality]));
    }
    QTRY_VERIFY(!page->Pictures().Pending(key)); // each click had the file looked at
    QCOMPARE(page->Pictures().Loads(), 2);

    h.work.Write("d.bmp", "BM not a bitmap");
    QVERIFY(!DrawnRect(page).isNull()); // a repaint reads nothing
    page->findChild<QRadioButton*>(QStringLiteral("radio1020"))->click();
    // A file that no longer loads leaves the frame empty, without a message.
    QTRY_VERIFY(plain());
    QVERIFY(h.fake.boxes.shown.empty());
}

// At 1:1, 2:1 and 4:1 every printed dot is a square of one, two or four screen
// pixels; the frame scrolls over a drawing larger than itself.
void TestPreviewPage::zoomedDotsAreDrawnDotByDotAndScroll()
{
    PageHarness h;
    const std::string path = WriteShadedPng(h.work.File("logo.png"), 100, 64);
    h.StartUp({path});
    h.CurrentSession().m_list.SetCentre(0, true);
    h.CurrentSession().m_settings.m_nThreshold = 128;
    h.CurrentSession().m_settings.m_nMaxPrintWidth = 160;
    h.CurrentSession().m_settings.m_nHalftone = static_cast<int>(HalftoneMode::FloydSteinberg);
    h.Show(1);
    CPage2Preview* page = h.preview;
    page->findChild<QCheckBox*>(QStringLiteral("checkPrintedDots"))->click();
    ClickRow(*page->m_list, 0);
    QTRY_VERIFY(page->PictureOf(0));
    const PreviewPicture dots =
        LoadPreviewPicture({path, true, {128, 160, true, HalftoneMode::FloydSteinberg, {}}});
    QCOMPARE(page->PictureOf(0)->picture, dots.picture);
    const QSize picture(dots.picture.width, dots.picture.height);
    QCOMPARE(picture, QSize(136, 64)); // 104 dots after 32 blank columns of centring

    QScrollBar* across = page->m_pFrame->horizontalScrollBar();
    for (const int step : {1, 2, 3}) {
        ChooseZoom(page, step);
        const int zoom = kZoomSteps[step];
        QTRY_COMPARE(across->isVisible(), picture.width() * zoom > page->m_rcFrame.width());
        QCOMPARE(page->m_pFrame->Canvas()->size(), (picture * zoom).expandedTo(page->m_rcFrame.size()));
        const QImage shown = Drawing(page);
        for (int y = 0; y < picture.height() * zoom; ++y)
            for (int x = 0; x < picture.width() * zoom; ++x)
                if (shown.pixel(x, y) != dots.picture.At(x / zoom, y / zoom))
                    QFAIL(qPrintable(QStringLiteral("zoom %1: pixel %2, %3").arg(zoom).arg(x).arg(y)));
    }
    ChooseZoom(page, 0);
    QTRY_VERIFY(!across->isVisible());
    QCOMPARE(page->m_pFrame->Canvas()->size(), page->m_rcFrame.size());
}

// The rows beside the one shown are loaded ahead, so that moving to one of them
// draws at once.
void TestPreviewPage::theLogosBesideTheShownOneAreLoadedAhead()
{
    PageHarness h;
    h.StartUp({WriteShadedPng(h.work.File("a.png"), 40, 24), WriteShadedPng(h.work.File("b.png"), 64, 16),
               WriteShadedPng(h.work.File("c.png"), 24, 40), WriteShadedPng(h.work.File("d.png"), 32, 32)});
    h.Show(1);
    CPage2Preview* page = h.preview;
    ClickRow(*page->m_list, 1);
    QTRY_COMPARE(page->Pictures().Loads(), 3);
    QTRY_VERIFY(page->PictureOf(0) && page->PictureOf(2));
    for (const int row : {0, 2}) {
        ClickRow(*page->m_list, row);
        QVERIFY(page->PictureOf(h.Model().SelectedRow()));
    }
    QTRY_COMPARE(page->Pictures().Loads(), 4); // row 2 brought row 3 along
}

void TestPreviewPage::theAdjustPanelsDotsFollowItsControlsAndTheListTakesTheirSetting()
{
    PageHarness h;
    // A dark 60 x 36 block on a white ground of 120 x 90: trim, turn and tone all show.
    const std::string path = h.work.File("block.bmp");
    WriteFile(path, MakeBmp(BmpParams{.width = 120, .height = 90}, [](int x, int y) {
                  return x >= 15 && x < 75 && y >= 24 && y < 60 ? 0x505050u : 0xFFFFFFu;
              }));
    h.StartUp({path});
    h.Show(1);
    Session& session = h.CurrentSession();
    CPage2Preview* page = h.preview;
    auto* adjustButton = FindChild<QPushButton>(page, QStringLiteral("buttonAdjust"));
    QVERIFY(!adjustButton->isEnabled()); // no logo shown
    page->findChild<QCheckBox*>(QStringLiteral("checkPrintedDots"))->click();
    ClickRow(*page->m_list, 0);
    adjustButton->click();
    QVERIFY(page->AdjustPanel());
    CAdjustPanel& panel = *page->AdjustPanel();
    // Once the latest setting is drawn, the panel shows the dots a download would send.
    const auto showsDownloadDots = [&](const Adjustments& adjust) {
        QTRY_VERIFY(panel.ShownRequest() == panel.LatestRequest());
        QCOMPARE(panel.ShownDots(), DownloadDots(session, adjust));
    };
    showsDownloadDots({});

    // Dragged, the slider redraws without touching the list; let go, the list takes it.
    auto* brightness = FindChild<QSlider>(&panel, QStringLiteral("sliderBrightness"));
    brightness->setSliderDown(true);
    brightness->setValue(60); // the block lighter than mid-grey: no dot left
    Adjustments expected;
    expected.brightness = 60;
    showsDownloadDots(expected);
    QVERIFY(!session.m_list.At(0).adjust.Any());
    brightness->setSliderDown(false);
    QCOMPARE(session.m_list.At(0).adjust, expected);

    // Trimmed and turned: 36 x 60 dots in a raster of 40 x 64, and the list's size and
    // column follow.
    FindChild<QCheckBox>(&panel, QStringLiteral("checkTrim"))->click();
    QVERIFY(Choose(FindChild<QComboBox>(&panel, QStringLiteral("comboRotate")),
                   QStringLiteral("90\u00b0 clockwise")));
    expected.trim = true;
    expected.rotate = 90;
    QCOMPARE(session.m_list.At(0).adjust, expected);
    QCOMPARE(session.m_list.At(0).nvSize, 40 * 8);
    QCOMPARE(h.Model().index(0, LogoTableModel::kAdjustColumn).data().toString(),
             QStringLiteral("trim, 90\u00b0, bright +60"));
    showsDownloadDots(expected);
    QCOMPARE(panel.ShownDots().width, 40);
    QTRY_VERIFY(page->PictureOf(0) && page->PictureOf(0)->Loaded());
    QCOMPARE(QSize(page->PictureOf(0)->picture.width, page->PictureOf(0)->picture.height), QSize(40, 64));

    // Four times as large would not fit what is left: said, and the scale goes back.
    session.m_list.SetCapacityKByte(1);
    auto* percent = FindChild<QSpinBox>(&panel, QStringLiteral("spinPercent"));
    percent->setValue(400);
    auto* scale = FindChild<QComboBox>(&panel, QStringLiteral("comboScale"));
    QVERIFY(Choose(scale, QStringLiteral("Percentage")));
    QVERIFY(FindChild<QLabel>(&panel, QStringLiteral("labelAdjustStatus"))
                ->text()
                .startsWith("Not changed: does not fit"));
    QCOMPARE(scale->currentText(), QStringLiteral("As it is"));
    QCOMPARE(session.m_list.At(0).adjust, expected);
    showsDownloadDots(expected);

    session.m_list.SetCapacityKByte(384);
    FindChild<QPushButton>(&panel, QStringLiteral("buttonReset"))->click();
    QVERIFY(!session.m_list.At(0).adjust.Any());
    QCOMPARE(session.m_list.At(0).nvSize, 120 * 12);
    showsDownloadDots({});
    // The panel is the Preview page's: leaving the page closes it.
    h.Activate(0);
    QTRY_VERIFY(!page->AdjustPanel());
}

QTEST_MAIN(TestPreviewPage)
#include "test_previewpage.moc"
