// The Preview page: the sizes a logo is drawn at, its colours, and when the frame
// stays empty.
#include <QFrame>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>
#include <cstdio>

#include "app/SharedRecord.h"
#include "logo/BmpFile.h"
#include "tests/support/BmpWriter.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page1Selection.h"
#include "ui/Page2Preview.h"
#include "ui/PreviewImage.h"

using namespace testing_support;

namespace {

constexpr uint32_t kLogoColour = 0x2A7FD4;

QFrame* Frame(CPage2Preview* page)
{
    return page->findChild<QFrame*>(QStringLiteral("frame1017"));
}
QRadioButton* Radio(CPage2Preview* page, int id)
{
    return page->findChild<QRadioButton*>(QStringLiteral("radio%1").arg(id));
}
// Where the logo's colour shows in the frame, relative to the drawing area's corner.
QRect DrawnRect(CPage2Preview* page)
{
    QFrame* frame = Frame(page);
    const QRect bounds = ColourBounds(frame->grab().toImage(), kLogoColour);
    return bounds.isEmpty() ? QRect() : bounds.translated(-frame->contentsRect().topLeft());
}

BmpImage Decode(const BmpParams& params, const PixelFn& pixel)
{
    BmpImage image;
    [&] { QVERIFY(DecodeBmp(MakeBmp(params, pixel), image)); }();
    return image;
}

uint32_t At(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

} // namespace

class TestPreviewPage : public QObject {
    Q_OBJECT
private slots:
    void baseSizes_data();
    void baseSizes();
    void qualitySizes();
    void radiosInThePagesOwnOrder();
    void drawsAtTheFrameCornerAtEachQualitySize();
    void drawsTheFilesOwnColours_data();
    void drawsTheFilesOwnColours();
    void shrinkingKeepsThinDarkLinesAndEnlargingRepeatsPixels();
    void columnClickLeavesTheFrameEmpty();
    void showsTheRowSelectedOnTheSelectionPage();
    void anUnreadableFileLeavesTheFrameEmptyWithoutAMessage();
    void countersOnAFirstVisitWithoutFiles();
};

void TestPreviewPage::baseSizes_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QSize>("base");
    const QSize frame(300, 250);
    QTest::newRow("landscape") << QSize(100, 50) << frame << QSize(150, 75);
    QTest::newRow("portrait") << QSize(40, 200) << frame << QSize(25, 125);
    QTest::newRow("wide, fits half the height") << QSize(600, 500) << frame << QSize(150, 125);
    QTest::newRow("wide, too high at half the width") << QSize(400, 390) << frame << QSize(128, 125);
    QTest::newRow("square uses the height") << QSize(50, 50) << frame << QSize(125, 125);
    QTest::newRow("square in a low frame") << QSize(640, 640) << QSize(500, 100) << QSize(50, 50);
    QTest::newRow("a line, too thin to show") << QSize(1000, 1) << frame << QSize(150, 0);
}

void TestPreviewPage::baseSizes()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, frame);
    QFETCH(QSize, base);
    QCOMPARE(PreviewBaseSize(picture.width(), picture.height(), frame.width(), frame.height()), base);
}

void TestPreviewPage::qualitySizes()
{
    const QSize base(150, 75);
    QCOMPARE(PreviewDrawSize(base, 0), QSize(150, 75));
    QCOMPARE(PreviewDrawSize(base, 1), QSize(300, 150));
    QCOMPARE(PreviewDrawSize(base, 2), QSize(150, 150));
    QCOMPARE(PreviewDrawSize(base, 3), QSize(300, 75));
    QVERIFY(PreviewDrawSize(base, -1).isEmpty());
    QVERIFY(PreviewDrawSize(base, 4).isEmpty());
}

void TestPreviewPage::radiosInThePagesOwnOrder()
{
    PageHarness h;
    h.Show(1);
    const QStringList texts = {"&Normal", "&Quadraple", "Double &Height", "Double &Width"};
    for (int i = 0; i < 4; ++i) {
        QRadioButton* radio = Radio(h.preview, 1019 + i);
        QVERIFY(radio);
        QCOMPARE(radio->text(), texts[i]);
        radio->click();
        h.preview->UpdateData(true);
        QCOMPARE(h.preview->m_nQuality, i);
    }
    QCOMPARE(h.preview->HelpTopic(), QStringLiteral("Preview"));
}

void TestPreviewPage::drawsAtTheFrameCornerAtEachQualitySize()
{
    PageHarness h;
    h.StoreProfile({h.Logo("a.bmp", 10, 10, 0xFFFFFF), h.Logo("wide.bmp", 100, 50, kLogoColour)});
    h.StartUp();
    h.Show(1);
    CPage2Preview* page = h.preview;
    QCOMPARE(page->m_nQuality, 0);
    QCOMPARE(page->m_rcFrame.size(), page->Dlu().Rect(182, 19, 169, 153).size());
    QVERIFY(DrawnRect(page).isNull()); // nothing selected yet

    ClickRow(*page->m_list, 1);
    QCOMPARE(g_Shared.m_nSelItem, 1);
    const QSize base = PreviewBaseSize(100, 50, page->m_rcFrame.width(), page->m_rcFrame.height());
    for (int quality = 0; quality < 4; ++quality) {
        Radio(page, 1019 + quality)->click();
        QCOMPARE(DrawnRect(page), QRect(QPoint(0, 0), PreviewDrawSize(base, quality)));
    }
}

void TestPreviewPage::drawsTheFilesOwnColours_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<uint32_t>("compression");
    QTest::newRow("1 bit") << 1 << uint32_t{kBiRgb};
    QTest::newRow("4 bits") << 4 << uint32_t{kBiRgb};
    QTest::newRow("8 bits") << 8 << uint32_t{kBiRgb};
    QTest::newRow("8 bits RLE") << 8 << uint32_t{kBiRle8};
    QTest::newRow("16 bits 5-5-5") << 16 << uint32_t{kBiRgb};
    QTest::newRow("16 bits 5-6-5") << 16 << uint32_t{kBiBitfields};
    QTest::newRow("24 bits") << 24 << uint32_t{kBiRgb};
    QTest::newRow("32 bits") << 32 << uint32_t{kBiRgb};
}

void TestPreviewPage::drawsTheFilesOwnColours()
{
    QFETCH(int, bits);
    QFETCH(uint32_t, compression);
    BmpParams params;
    params.width = 12;
    params.height = 6;
    params.bitsPerPixel = bits;
    params.compression = compression;
    params.palette = {0x102030, 0xE0C0A0};
    if (compression == kBiBitfields)
        params.masks[0] = 0xF800, params.masks[1] = 0x07E0, params.masks[2] = 0x001F;
    // Left half one colour, right half another, a dot at the top-left corner.
    const PixelFn pixel = [&](int x, int y) -> uint32_t {
        const bool light = x >= 6 || (x == 0 && y == 0);
        if (bits <= 8)
            return light ? 1 : 0;
        if (bits == 16)
            return compression == kBiBitfields ? (light ? 0xF81Fu : 0x07E0u) : (light ? 0x7C1Fu : 0x03E0u);
        return light ? 0xE0C0A0u : 0x102030u;
    };
    const BmpImage bmp = Decode(params, pixel);
    const QImage drawn = StretchBmp(bmp, QSize(12, 6));
    QCOMPARE(drawn.size(), QSize(12, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x)
            QCOMPARE(At(drawn, x, y), bmp.RgbAt(x, y));
    QVERIFY(bmp.RgbAt(0, 0) != bmp.RgbAt(1, 0)); // the picture is not upside down
}

void TestPreviewPage::shrinkingKeepsThinDarkLinesAndEnlargingRepeatsPixels()
{
    BmpParams params;
    params.width = params.height = 40;
    const BmpImage line = Decode(params, [](int x, int) { return x == 21 ? 0x000000u : 0xFFFFFFu; });
    const QImage small = StretchBmp(line, QSize(10, 10));
    for (int y = 0; y < 10; ++y) {
        QCOMPARE(At(small, 5, y), 0x000000u); // source columns 20..23
        QCOMPARE(At(small, 4, y), 0xFFFFFFu);
    }

    params.width = params.height = 2;
    const BmpImage checker = Decode(params, [](int x, int y) { return (x + y) % 2 ? 0xFF0000u : 0x0000FFu; });
    const QImage big = StretchBmp(checker, QSize(4, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(At(big, x, y), checker.RgbAt(x / 2, y / 3));
    QVERIFY(StretchBmp(checker, QSize(0, 5)).isNull());
}

void TestPreviewPage::columnClickLeavesTheFrameEmpty()
{
    PageHarness h;
    h.StoreProfile({h.Logo("a.bmp", 30, 20, kLogoColour)});
    h.StartUp();
    h.Show(1);
    ClickRow(*h.preview->m_list, 0);
    QVERIFY(!DrawnRect(h.preview).isNull());
    ClickHeader(*h.preview->m_list, 2);
    QCOMPARE(g_Shared.m_nSelItem, -1);
    QVERIFY(DrawnRect(h.preview).isNull());
    QCOMPARE(h.preview->m_list->GetSelectedCount(), 0);
    // The first click sorts descending, a second one on the same column ascending.
    QVERIFY(!h.preview->m_bSortAscending);
    ClickHeader(*h.preview->m_list, 2);
    QVERIFY(h.preview->m_bSortAscending);
}

void TestPreviewPage::showsTheRowSelectedOnTheSelectionPage()
{
    PageHarness h;
    h.StoreProfile({h.Logo("a.bmp", 8, 8, 0xFFFFFF), h.Logo("b.bmp", 8, 8, 0xFFFFFF),
                    h.Logo("c.bmp", 8, 8, 0xFFFFFF), h.Logo("d.bmp", 20, 40, kLogoColour)});
    h.StartUp();
    h.Show(0);
    ClickRow(*h.selection->m_list, 3);
    h.Activate(1);
    QCOMPARE(h.preview->m_list->GetSelectedRows(), std::vector<int>({3}));
    QCOMPARE(g_Shared.m_nActivePage, 1);
    const QSize base = PreviewBaseSize(20, 40, h.preview->m_rcFrame.width(), h.preview->m_rcFrame.height());
    QCOMPARE(DrawnRect(h.preview), QRect(QPoint(0, 0), base));
    // Picking another row here is shared with the Selection page.
    ClickRow(*h.preview->m_list, 1);
    QCOMPARE(g_Shared.m_nSelItem, 1);
    h.Activate(0);
    QCOMPARE(h.selection->m_list->GetSelectedRows(), std::vector<int>({1}));
}

void TestPreviewPage::anUnreadableFileLeavesTheFrameEmptyWithoutAMessage()
{
    PageHarness h;
    const std::string path = h.Logo("a.bmp", 30, 20, kLogoColour);
    h.StoreProfile({path});
    h.StartUp();
    h.Show(1);
    ClickRow(*h.preview->m_list, 0);
    QVERIFY(!DrawnRect(h.preview).isNull());
    // The file is read at every drawing: damaged after listing, it shows nothing.
    h.work.Write("a.bmp", "BM not a bitmap");
    QVERIFY(DrawnRect(h.preview).isNull());
    std::remove(path.c_str());
    QVERIFY(DrawnRect(h.preview).isNull());
    QVERIFY(h.fake.boxes.shown.empty());
}

void TestPreviewPage::countersOnAFirstVisitWithoutFiles()
{
    PageHarness h;
    h.Show(1);
    auto* count = h.preview->findChild<QLineEdit*>(QStringLiteral("edit1075"));
    auto* size = h.preview->findChild<QLineEdit*>(QStringLiteral("edit1074"));
    QCOMPARE(count->text(), QStringLiteral("  0 / 255"));
    QCOMPARE(size->text(), QStringLiteral("  0 / 384 KByte"));
    QVERIFY(h.app.m_bListLoaded);
    QCOMPARE(h.preview->m_list->columnWidth(0), 0);
    QCOMPARE(h.preview->m_list->selectionMode(), QAbstractItemView::SingleSelection);
}

QTEST_MAIN(TestPreviewPage)
#include "test_previewpage.moc"
