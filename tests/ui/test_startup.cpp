// The program's window as start-up shows it, and the single-instance rule of the
// real executable.
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "app/NvLogoApp.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"
#include "tests/ui/support/UiTestSupport.h"
#include "ui/MyProperty.h"

using namespace testing_support;

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void opensOnSetupWithFiveTabsInOrder();
    void aSecondInstanceEndsAtOnceWithoutAWindow();
};

void TestStartUp::opensOnSetupWithFiveTabsInOrder()
{
    FakePlatform fake;
    TempDir work, locks;
    ScopedCurrentDir here(work.Path());
    CNvLogoApp app;
    app.m_strLockDir = locks.Path();

    QString caption;
    QStringList tabs;
    int current = -1;
    OnNextModal([&](QWidget* modal) {
        auto* sheet = qobject_cast<CMyProperty*>(modal);
        QVERIFY(sheet);
        caption = sheet->windowTitle();
        for (int i = 0; i < sheet->Tabs()->count(); ++i)
            tabs << sheet->Tabs()->tabText(i);
        current = sheet->GetActiveIndex();
        sheet->GetButton(CPropertySheet::Button::Ok)->click();
    });
    app.InitInstance([](CNvLogoApp& running) { RunPropertySheet(running); });
    QCOMPARE(caption, QStringLiteral("Tarvo Bitmap Nivora V1.13"));
    QCOMPARE(tabs, QStringList(
                       {"Select Bitmap", "Preview Bitmap", "Download Bitmap", "Print Bitmap", "Setup Port"}));
    QCOMPARE(current, 4);
}

void TestStartUp::aSecondInstanceEndsAtOnceWithoutAWindow()
{
    TempDir work, runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
    QProcess first, second;
    for (QProcess* process : {&first, &second}) {
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(QString::fromStdString(work.Path()));
    }
    first.start(NIVORA_EXE, {});
    // The first instance prints its working directory once it holds the guard.
    QVERIFY(first.waitForReadyRead(10000));
    second.start(NIVORA_EXE, {});
    QVERIFY(second.waitForFinished(3000)); // at once
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().isEmpty()); // it never got as far as start-up
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(5000);
}

QTEST_MAIN(TestStartUp)
#include "test_startup.moc"
