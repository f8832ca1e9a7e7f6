// The program's window as start-up shows it, and the single-instance rule of the
// real executable.
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "app/NvLogoApp.h"
#include "app/SharedRecord.h"
#include "tests/support/BmpWriter.h"
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
    work.Write(app.m_strProfileBase,
               "[LOG]\r\nLogofile1=" + WriteSolidBmp(work.File("a.bmp"), 16, 16) + "\r\n");

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
        QVERIFY(sheet->GetPage(4)->IsInitialized());
        QVERIFY(!sheet->GetPage(0)->IsInitialized());
        sheet->GetButton(CPropertySheet::Button::Ok)->click();
    });
    int listedDuringRun = -1;
    app.InitInstance([&](CNvLogoApp& running) {
        listedDuringRun = g_Shared.LogoCount();
        RunPropertySheet(running);
    });
    QCOMPARE(caption, QStringLiteral("Tarvo Bitmap Nivora V1.13"));
    QCOMPARE(tabs, QStringList({"Select Bitmap", "Preview Bitmap", "Download Bitmap", "Print Bitmap",
                                "Setup Port"}));
    QCOMPARE(current, 4);
    QCOMPARE(listedDuringRun, 1);
    QVERIFY(g_Shared.m_arrNumber.empty());
    QVERIFY(!app.m_hMutex.Held());
}

void TestStartUp::aSecondInstanceEndsAtOnceWithoutAWindow()
{
    TempDir work, runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));

    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(QString::fromStdString(work.Path()));
    first.start(NIVORA_EXE, {});
    QVERIFY(first.waitForStarted());
    // The first instance prints its working directory once it holds the guard.
    QVERIFY(first.waitForReadyRead(10000));

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(QString::fromStdString(work.Path()));
    QElapsedTimer clock;
    clock.start();
    second.start(NIVORA_EXE, {});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().isEmpty());  // it never got as far as start-up
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished(5000);
    // A killed instance leaves nothing behind that blocks the next start.
    QProcess third;
    third.setProcessEnvironment(env);
    third.setWorkingDirectory(QString::fromStdString(work.Path()));
    third.start(NIVORA_EXE, {});
    QVERIFY(third.waitForReadyRead(10000));
    third.kill();
    third.waitForFinished(5000);
}

QTEST_MAIN(TestStartUp)
#include "test_startup.moc"
