// The Print page's controls: how the radios and the Selection edit move the members,
// and when the Print button may be pressed.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <tuple>

#include "app/Session.h"
#include "tests/support/FakePlatform.h"
#include "ui/Page4Print.h"

using namespace testing_support;

namespace {

// A click on the button's mark, where a user clicks (its middle may be past the text).
void ClickRadio(QRadioButton* radio)
{
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
}

// The page after its first showing, active.
struct ShownPage {
    FakePlatform fake;
    Session session;
    CPage4Print page{session};
    ShownPage()
    {
        page.OnInitDialog();
        page.OnSetActive();
        page.show();
        page.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&page));
    }
    QRadioButton* Radio(int id) { return page.findChild<QRadioButton*>(QStringLiteral("radio%1").arg(id)); }
    QLineEdit* Selection() { return page.findChild<QLineEdit*>(QStringLiteral("edit1034")); }
    // "All", "&Normal" and "No Header" chosen.
    bool Defaults()
    {
        return Radio(1032)->isChecked() && Radio(1019)->isChecked() && Radio(1039)->isChecked();
    }
};

} // namespace

class TestPrintPage : public QObject {
    Q_OBJECT
private slots:
    void theControlsMoveTheMembersAndPrintNeedsAPrinterPort();
    void choosingSelectionWithTheKeyboardPutsTheCaretIntoTheEdit();
};

void TestPrintPage::theControlsMoveTheMembersAndPrintNeedsAPrinterPort()
{
    ShownPage p;
    QVERIFY(p.Defaults());
    // The sizes in the order of the printer's mode values.
    const std::tuple<int, const char*, int> quality[] = {{1022, "&Quadraple", 3},
                                                         {1020, "Double &Width", 1},
                                                         {1021, "Double &Height", 2},
                                                         {1019, "&Normal", 0}};
    for (const auto& [id, text, value] : quality) {
        QCOMPARE(p.Radio(id)->text(), QString::fromLatin1(text));
        ClickRadio(p.Radio(id));
        QCOMPARE(p.page.m_nQuality, value);
        QCOMPARE(p.page.m_nRange, 0); // the groups stay apart
    }
    ClickRadio(p.Radio(1040));
    QCOMPARE(p.page.m_nHeader, 1);
    ClickRadio(p.Radio(1039));
    QCOMPARE(p.page.m_nHeader, 0);

    QTest::mouseClick(p.Selection(), Qt::LeftButton);
    QCOMPARE(p.page.m_nRange, 1);
    QTest::keyClicks(p.Selection(), "1,3-5");
    QCOMPARE(p.page.m_strSelection, std::string("1,3-5")); // every keystroke reaches the member
    ClickRadio(p.Radio(1032));
    QCOMPARE(p.page.m_nRange, 0);
    // Leaving the page and coming back shows the choices unchanged, the text kept.
    p.page.OnSetActive();
    QVERIFY(p.Defaults());
    QCOMPARE(p.Selection()->text(), QStringLiteral("1,3-5"));

    // Print takes a COM or LPT port only; the names come from the Setup page each time.
    auto* print = p.page.findChild<QPushButton*>(QStringLiteral("button1029"));
    const std::pair<const char*, bool> cases[] = {
        {"FILE", false}, {"COM1", true}, {"LPT2", true}, {"com1", false}};
    for (const auto& [device, enabled] : cases) {
        printer::SetupRecord& settings = p.session.m_settings;
        settings.m_strPortDevice = device;
        settings.m_strPortName = device;
        settings.m_strPrinterName = std::string("Model at ") + device;
        p.page.OnSetActive();
        QCOMPARE(print->isEnabled(), enabled);
        QCOMPARE(p.page.findChild<QLineEdit*>(QStringLiteral("edit1072"))->text().toStdString(),
                 settings.m_strPrinterName);
        QCOMPARE(p.page.findChild<QLineEdit*>(QStringLiteral("edit1073"))->text(),
                 QString::fromLatin1(device));
    }
}

void TestPrintPage::choosingSelectionWithTheKeyboardPutsTheCaretIntoTheEdit()
{
    ShownPage p;
    p.Radio(1032)->setFocus();
    QTest::keyClick(p.Radio(1032), Qt::Key_Down); // the arrow moves to "Selection" and chooses it
    QVERIFY(p.Radio(1033)->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.Selection()));
    QTest::keyClicks(QApplication::focusWidget(), "1,3-4");
    QCOMPARE(p.page.m_strSelection, std::string("1,3-4"));
}

QTEST_MAIN(TestPrintPage)
#include "test_print_page.moc"
