// The pages' layout in the program's font: the list's last column beside a scroll bar,
// the template labels at their neighbours' font and within their boxes, the counters'
// borders.
#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QtTest>

#include "app/SharedRecord.h"
#include "platform/Text.h"
#include "tests/ui/support/PageHarness.h"
#include "ui/CheckListCtrl.h"
#include "ui/Page1Selection.h"
#include "ui/Page2Preview.h"
#include "ui/Page3Upload.h"
#include "ui/Page4Print.h"
#include "ui/Page5Setup.h"

using namespace testing_support;

namespace {

constexpr int kLargestSize = 147456; // the most one NV image can take

// The five pages in a tabbed dialog, as the program holds them.
struct AllPages {
    explicit AllPages(PageHarness& h)
    {
        h.Show(0);
        for (CPropertyPage* page :
             std::initializer_list<CPropertyPage*>{new CPage3Upload, new CPage4Print, new CPage5Setup})
            h.Sheet()->AddPage(page);
    }
};

// A full list: 255 logos of the largest size.
void ListFull()
{
    for (int i = 1; i <= kMaxLogos; ++i) {
        g_Shared.m_arrNumber.push_back(Format("%3d", i));
        g_Shared.m_arrName.push_back(Format("logo%d.bmp", i));
        g_Shared.m_arrSize.push_back(Format("%15d", kLargestSize));
        g_Shared.m_arrPath.push_back(Format("/logos/logo%d.bmp", i));
    }
}

QString Shown(const QString& text)
{
    return QString(text).remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

} // namespace

class TestPageLayout : public QObject {
    Q_OBJECT
private slots:
    void sizesStayWholeBesideTheScrollBarOfAFullList();
    void labelsKeepTheirPagesFontAndFitTheirBoxes();
    void onlyTheDownloadPagesCountersHaveNoBorder();
};

void TestPageLayout::sizesStayWholeBesideTheScrollBarOfAFullList()
{
    PageHarness h;
    ListFull();
    h.app.m_bListLoaded = true;
    AllPages pages(h);
    for (const int tab : {0, 1, 2}) {
        h.Activate(tab);
        auto* list = h.Sheet()->GetPage(tab)->findChild<CCheckListCtrl*>(QStringLiteral("list1001"));
        QCOMPARE(list->GetItemCount(), kMaxLogos);
        QTRY_VERIFY(list->verticalScrollBar()->isVisible());
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        const QHeaderView* header = list->header();
        const int visible = list->viewport()->width();
        QVERIFY2(header->sectionViewportPosition(3) + header->sectionSize(3) <= visible,
                 qPrintable(QStringLiteral("page %1: column ends at %2 of %3")
                                .arg(tab)
                                .arg(header->sectionViewportPosition(3) + header->sectionSize(3))
                                .arg(visible)));
        const QFontMetrics metrics = list->fontMetrics();
        QVERIFY(metrics.horizontalAdvance(QStringLiteral("Size")) <= header->sectionSize(3));
        for (const int row : {0, kMaxLogos / 2, kMaxLogos - 1}) {
            list->scrollToItem(list->topLevelItem(row));
            QCOMPARE(list->DisplayText(row, 3), list->GetItemText(row, 3));
            const QRect cell = list->TextRect(row, 3);
            QVERIFY(cell.right() < visible);
            QVERIFY(metrics.horizontalAdvance(list->GetItemText(row, 3).trimmed()) <= cell.width());
        }
    }
}

void TestPageLayout::labelsKeepTheirPagesFontAndFitTheirBoxes()
{
    PageHarness h;
    AllPages pages(h);
    for (int tab = 0; tab < h.Sheet()->GetPageCount(); ++tab) {
        QWidget* page = h.Sheet()->GetPage(tab);
        for (QWidget* control : page->findChildren<QWidget*>()) {
            if (!qobject_cast<QLabel*>(control) && !qobject_cast<QAbstractButton*>(control) &&
                !qobject_cast<QGroupBox*>(control))
                continue;
            QVERIFY2(control->font() == page->font(),
                     qPrintable(page->objectName() + ": " + control->objectName() + " has another font"));
            auto* label = qobject_cast<QLabel*>(control);
            if (!label || label->wordWrap())
                continue;
            const int needed = label->fontMetrics().horizontalAdvance(Shown(label->text()));
            QVERIFY2(needed <= label->width(), qPrintable(QStringLiteral("%1: \"%2\" needs %3 of %4")
                                                              .arg(page->objectName(), label->text())
                                                              .arg(needed)
                                                              .arg(label->width())));
        }
    }
}

void TestPageLayout::onlyTheDownloadPagesCountersHaveNoBorder()
{
    PageHarness h;
    AllPages pages(h);
    for (const int tab : {0, 1, 2})
        for (const char* name : {"edit1075", "edit1074"})
            QCOMPARE(h.Sheet()->GetPage(tab)->findChild<QLineEdit*>(QString::fromLatin1(name))->hasFrame(),
                     tab != 2);
}

QTEST_MAIN(TestPageLayout)
#include "test_pagelayout.moc"
