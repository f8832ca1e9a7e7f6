// The real executable, started as the desktop entry's Exec line says: it works in the
// per-user folder, and a second instance ends at once without a window.
// (The window as start-up shows it: test_endtoend.)
#include <QProcess>
#include <QtTest>

#include "tests/support/TempDir.h"

using namespace testing_support;

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void theMenuEntryStartsOnceInThePerUserFolder();
};

// From a folder it may not write to, the program works in ${XDG_DATA_HOME}/nivora,
// made for it.
void TestStartUp::theMenuEntryStartsOnceInThePerUserFolder()
{
    QFile entry(QStringLiteral(NIVORA_DESKTOP_FILE));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QStringList exec;
    for (const QString& line : QString::fromUtf8(entry.readAll()).split('\n'))
        if (line.startsWith(QStringLiteral("Exec=")))
            exec = line.mid(5).split(' ', Qt::SkipEmptyParts);
    QVERIFY(!exec.isEmpty());
    QCOMPARE(exec.takeFirst(), QStringLiteral("nivora"));

    TempDir home, runtime, locks;
    // A guard folder of the test's own: a program open on this desktop is not met.
    exec << QStringLiteral("--instance-dir") << QString::fromStdString(locks.Path());
    const QString data = QString::fromStdString(home.File("data"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
    env.insert("XDG_DATA_HOME", data);
    env.insert("HOME", QString::fromStdString(home.Path()));
    QProcess first, second; // a QProcess ends its program when it goes
    for (QProcess* process : {&first, &second}) {
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(QStringLiteral("/proc")); // nobody writes here, not even root
    }
    first.start(NIVORA_EXE, exec);
    // Start-up prints its working directory once it holds the guard.
    QVERIFY(first.waitForReadyRead(10000));
    second.start(NIVORA_EXE, exec);
    QVERIFY(second.waitForFinished(3000)); // at once
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().isEmpty()); // it never got as far as start-up
    QCOMPARE(first.state(), QProcess::Running);
    const QString workDir = QString::fromUtf8(first.readAllStandardOutput()).trimmed();
    QCOMPARE(workDir, data + "/nivora");
    QVERIFY(QFileInfo(workDir).isDir());
}

QTEST_MAIN(TestStartUp)
#include "test_startup.moc"
