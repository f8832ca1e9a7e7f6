// The Preview page's Adjust panel over the program's session and model: the dots it
// shows follow its controls (made off the window's thread, the latest setting winning)
// and are the download's, a control let go puts its setting into the list (size, the
// list's column and the page's own printed dots follow), a refusal is said and the
// control goes back, and Reset takes everything away. The steps themselves:
// AdjustmentsTest and AdjustedLogoTest.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include "app/Session.h"
#include "download/PrintedDots.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/AdjustPanel.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page2Preview.h"

using namespace testing_support;

class TestAdjustPanel : public QObject {
    Q_OBJECT
private slots:
    void theDotsFollowTheControlsAndTheListTakesTheirSetting();
};

namespace {

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

void TestAdjustPanel::theDotsFollowTheControlsAndTheListTakesTheirSetting()
{
    PageHarness h;
    // A dark 60 x 36 block on a white ground of 120 x 90: trim, turn and tone all show.
    BmpParams params;
    params.width = 120;
    params.height = 90;
    const std::string path = h.work.File("block.bmp");
    WriteFile(path, MakeBmp(params, [](int x, int y) {
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
    const auto shownIsLatest = [&] { return panel.ShownRequest() == panel.LatestRequest(); };
    QTRY_VERIFY(shownIsLatest());
    QCOMPARE(panel.ShownDots(), DownloadDots(session, {}));

    // Dragged, the slider redraws without touching the list; let go, the list takes it.
    auto* brightness = FindChild<QSlider>(&panel, QStringLiteral("sliderBrightness"));
    brightness->setSliderDown(true);
    brightness->setValue(60); // the block lighter than mid-grey: no dot left
    QTRY_VERIFY(shownIsLatest());
    Adjustments expected;
    expected.brightness = 60;
    QCOMPARE(panel.ShownDots(), DownloadDots(session, expected));
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
    QTRY_VERIFY(shownIsLatest());
    QCOMPARE(panel.ShownDots().width, 40);
    QCOMPARE(panel.ShownDots(), DownloadDots(session, expected));
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
    QTRY_VERIFY(shownIsLatest());
    QCOMPARE(panel.ShownDots(), DownloadDots(session, expected));

    session.m_list.SetCapacityKByte(384);
    FindChild<QPushButton>(&panel, QStringLiteral("buttonReset"))->click();
    QVERIFY(!session.m_list.At(0).adjust.Any());
    QCOMPARE(session.m_list.At(0).nvSize, 120 * 12);
    QTRY_VERIFY(shownIsLatest());
    QCOMPARE(panel.ShownDots(), DownloadDots(session, {}));
    // The panel is the Preview page's: leaving the page closes it.
    h.Activate(0);
    QTRY_VERIFY(!page->AdjustPanel());
}

QTEST_MAIN(TestAdjustPanel)
#include "test_adjustpanel.moc"
