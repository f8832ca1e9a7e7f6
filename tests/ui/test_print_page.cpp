// The Print page's controls: where they sit, how the radios and the Selection edit
// move the members, and when the Print button may be pressed.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "app/SharedRecord.h"
#include "tests/support/FakePlatform.h"
#include "tests/ui/support/UiTestSupport.h"
#include "ui/Page4Print.h"

using namespace testing_support;

namespace {

// A second tab to leave the Print page for.
class OtherPage final : public CPropertyPage {
public:
    OtherPage() : CPropertyPage(QStringLiteral("Other"), 1) {}
    QString HelpTopic() const override { return QStringLiteral("Other"); }
};

QRect OnPage(const QWidget* page, const QWidget* control)
{
    return QRect(control->mapTo(page, QPoint(0, 0)), control->size());
}

template <class T> T* Control(QWidget* page, const char* name)
{
    T* control = FindChild<T>(page, QString::fromLatin1(name));
    if (!control)
        qFatal("no control %s", name);
    return control;
}

// A click on the button's mark, where a user clicks (its middle may be past the text).
void ClickRadio(QRadioButton* radio)
{
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
}

std::vector<QString> CheckedRadios(QWidget* page)
{
    std::vector<QString> names;
    for (QRadioButton* radio : page->findChildren<QRadioButton*>())
        if (radio->isChecked())
            names.push_back(radio->objectName());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

class TestPrintPage : public QObject {
    Q_OBJECT
private slots:
    void everyControlSitsAtItsTemplatePosition();
    void startsAsAllNormalNoHeaderWithTheSetupNames();
    void theSelectionEditSwitchesTheRangeAndItsTextSurvivesTheRadios();
    void choosingSelectionWithTheKeyboardPutsTheCaretIntoTheEdit();
    void theQualityAndHeaderRadiosCarryTheirValues();
    void printIsEnabledOnlyForComAndLptPortsEachTimeThePageIsShown();
};

void TestPrintPage::everyControlSitsAtItsTemplatePosition()
{
    FakePlatform fake;
    CPage4Print page;
    struct Case {
        const char* name;
        const char* text;
        int x, y, w, h;
    };
    const Case cases[] = {
        {"button1029", "&Print", 183, 12, 74, 14},
        {"group1030", "Printing &Range", 7, 7, 168, 72},
        {"radio1032", "All", 20, 22, 86, 10},
        {"radio1033", "Selection", 20, 39, 86, 10},
        {"edit1034", "", 30, 56, 135, 12},
        {"group1018", "Q&uality", 7, 83, 168, 88},
        {"radio1019", "&Normal", 49, 96, 91, 10},
        {"radio1020", "Double &Width", 49, 115, 91, 10},
        {"radio1021", "Double &Height", 49, 134, 91, 10},
        {"radio1022", "&Quadraple", 49, 153, 91, 10},
        {"group1031", "Hea&der", 7, 174, 168, 52},
        {"radio1039", "No Header", 49, 189, 91, 10},
        {"radio1040", "Add Header", 49, 207, 91, 10},
        {"group1024", "Printer Details", 183, 32, 168, 52},
        {"static1025", "Printer Name", 192, 47, 43, 10},
        {"edit1072", "", 240, 45, 104, 12},
        {"static1026", "Port Name", 192, 66, 43, 10},
        {"edit1073", "", 240, 65, 104, 12},
    };
    for (const Case& c : cases) {
        QWidget* control = Control<QWidget>(&page, c.name);
        QCOMPARE(OnPage(&page, control), page.Dlu().Rect(c.x, c.y, c.w, c.h));
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            text = button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(control))
            text = group->title();
        else if (auto* label = qobject_cast<QLabel*>(control))
            text = label->text();
        QCOMPARE(text, QString::fromLatin1(c.text));
    }
    QVERIFY(Control<QPushButton>(&page, "button1029")->isDefault());
    QVERIFY(Control<QLineEdit>(&page, "edit1072")->isReadOnly());
    QVERIFY(Control<QLineEdit>(&page, "edit1073")->isReadOnly());
    QVERIFY(!Control<QLineEdit>(&page, "edit1034")->isReadOnly());
    QCOMPARE(page.size(), QSize(page.Dlu().X(358), page.Dlu().Y(233)));
}

void TestPrintPage::startsAsAllNormalNoHeaderWithTheSetupNames()
{
    FakePlatform fake;
    g_Shared.m_strPrinterName = "Model 2";
    g_Shared.m_strPortName = "COM3";
    g_Shared.m_strPortDevice = "COM3";
    CPage4Print page;
    page.OnInitDialog();
    page.OnSetActive();
    QCOMPARE(CheckedRadios(&page), (std::vector<QString>{"radio1019", "radio1032", "radio1039"}));
    QCOMPARE(page.m_nRange, 0);
    QCOMPARE(page.m_nQuality, 0);
    QCOMPARE(page.m_nHeader, 0);
    QCOMPARE(Control<QLineEdit>(&page, "edit1072")->text(), QStringLiteral("Model 2"));
    QCOMPARE(Control<QLineEdit>(&page, "edit1073")->text(), QStringLiteral("COM3"));
    QCOMPARE(Control<QLineEdit>(&page, "edit1034")->text(), QString());
}

void TestPrintPage::theSelectionEditSwitchesTheRangeAndItsTextSurvivesTheRadios()
{
    FakePlatform fake;
    CPage4Print page;
    page.OnInitDialog();
    page.OnSetActive();
    page.show();
    page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    auto* edit = Control<QLineEdit>(&page, "edit1034");
    auto* all = Control<QRadioButton>(&page, "radio1032");
    auto* selection = Control<QRadioButton>(&page, "radio1033");

    QTest::mouseClick(edit, Qt::LeftButton);
    QVERIFY(selection->isChecked());
    QCOMPARE(page.m_nRange, 1);

    QTest::keyClicks(edit, "1,3-5");
    QCOMPARE(page.m_strSelection, std::string("1,3-5")); // every keystroke reaches the member

    ClickRadio(all);
    QVERIFY(all->isChecked());
    QCOMPARE(page.m_nRange, 0);
    QCOMPARE(edit->text(), QStringLiteral("1,3-5"));

    ClickRadio(selection);
    QCOMPARE(page.m_nRange, 1);
    QVERIFY(selection->isChecked());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit)); // the caret goes to the edit
    QCOMPARE(edit->text(), QStringLiteral("1,3-5"));

    // Leaving the page and coming back shows the choices unchanged.
    page.OnSetActive();
    QVERIFY(selection->isChecked());
    QCOMPARE(edit->text(), QStringLiteral("1,3-5"));
}

void TestPrintPage::choosingSelectionWithTheKeyboardPutsTheCaretIntoTheEdit()
{
    FakePlatform fake;
    CPage4Print page;
    page.OnInitDialog();
    page.OnSetActive();
    page.show();
    page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    auto* all = Control<QRadioButton>(&page, "radio1032");
    auto* edit = Control<QLineEdit>(&page, "edit1034");
    all->setFocus();
    QTest::keyClick(all, Qt::Key_Down);  // the arrow moves to "Selection" and chooses it
    QVERIFY(Control<QRadioButton>(&page, "radio1033")->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
    QTest::keyClicks(QApplication::focusWidget(), "1,3-4");
    QCOMPARE(edit->text(), QStringLiteral("1,3-4"));
    QCOMPARE(page.m_strSelection, std::string("1,3-4"));
}

void TestPrintPage::theQualityAndHeaderRadiosCarryTheirValues()
{
    FakePlatform fake;
    CPage4Print page;
    page.OnInitDialog();
    page.show();
    const char* const quality[] = {"radio1019", "radio1020", "radio1021", "radio1022"};
    for (int value : {3, 1, 2, 0}) {
        ClickRadio(Control<QRadioButton>(&page, quality[value]));
        QCOMPARE(page.m_nQuality, value);
        QVERIFY(Control<QRadioButton>(&page, quality[value])->isChecked());
        QCOMPARE(page.m_nRange, 0); // the groups stay apart
    }
    ClickRadio(Control<QRadioButton>(&page, "radio1040"));
    QCOMPARE(page.m_nHeader, 1);
    ClickRadio(Control<QRadioButton>(&page, "radio1039"));
    QCOMPARE(page.m_nHeader, 0);
    QCOMPARE(CheckedRadios(&page), (std::vector<QString>{"radio1019", "radio1032", "radio1039"}));
}

void TestPrintPage::printIsEnabledOnlyForComAndLptPortsEachTimeThePageIsShown()
{
    FakePlatform fake;
    CPropertySheet sheet(QStringLiteral("Sheet"));
    auto* page = new CPage4Print;
    sheet.AddPage(new OtherPage);
    sheet.AddPage(page);
    sheet.show();
    auto* print = Control<QPushButton>(page, "button1029");
    struct Case {
        const char* device;
        bool enabled;
    };
    const Case cases[] = {{"FILE", false}, {"COM1", true}, {"LPT1", true}, {"COM255", true}, {"com1", false},
                          {"CO", false},   {"", false},    {"LPT", true},  {"FILE", false}};
    int round = 0;
    for (const Case& c : cases) {
        g_Shared.m_strPortDevice = c.device;
        g_Shared.m_strPrinterName = "Model " + std::to_string(++round);
        g_Shared.m_strPortName = c.device;
        QVERIFY(sheet.SetActivePage(1));
        QCOMPARE(print->isEnabled(), c.enabled);
        QCOMPARE(Control<QLineEdit>(page, "edit1072")->text().toStdString(), g_Shared.m_strPrinterName);
        QCOMPARE(Control<QLineEdit>(page, "edit1073")->text().toStdString(), g_Shared.m_strPortName);
        QVERIFY(sheet.SetActivePage(0));
    }
}

QTEST_MAIN(TestPrintPage)
#include "test_print_page.moc"
