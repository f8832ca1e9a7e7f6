// The real executable: the single-instance rule, and the start from the menu entry.
// (The window as start-up shows it: test_endtoend.)
#include <QProcess>
#include <QtTest>

#include "tests/support/TempDir.h"

using namespace testing_support;

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void aSecondInstanceEndsAtOnceWithoutAWindow();
    void theMenuEntryStartsInThePerUserFolder();
};

void TestStartUp::aSecondInstanceEndsAtOnceWithoutAWindow()
{
    TempDir work, runtime, locks;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
    QProcess first, second;
    for (QProcess* process : {&first, &second}) {
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(QString::fromStdString(work.Path()));
    }
    // A guard folder of the test's own: a program open on this desktop is not met.
    const QStringList guard = {QStringLiteral("--instance-dir"), QString::fromStdString(locks.Path())};
    first.start(NIVORA_EXE, guard);
    // The first instance prints its working directory once it holds the guard.
    QVERIFY(first.waitForReadyRead(10000));
    second.start(NIVORA_EXE, guard);
    QVERIFY(second.waitForFinished(3000)); // at once
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().isEmpty()); // it never got as far as start-up
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(5000);
}

// Started as the desktop entry's Exec line says, from a folder it may not write to,
// the program works in ${XDG_DATA_HOME}/nivora, made for it.
void TestStartUp::theMenuEntryStartsInThePerUserFolder()
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
    exec << QStringLiteral("--instance-dir") << QString::fromStdString(locks.Path());
    const QString data = QString::fromStdString(home.File("data"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
    env.insert("XDG_DATA_HOME", data);
    env.insert("HOME", QString::fromStdString(home.Path()));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QStringLiteral("/proc")); // nobody writes here, not even root
    program.start(NIVORA_EXE, exec);
    // Start-up prints its working directory once it holds the guard.
    QVERIFY(program.waitForReadyRead(10000));
    const QString workDir = QString::fromUtf8(program.readAllStandardOutput()).trimmed();
    program.kill();
    program.waitForFinished(5000);
    QCOMPARE(workDir, data + "/nivora");
    QVERIFY(QFileInfo(workDir).isDir());
}

QTEST_MAIN(TestStartUp)
#include "test_startup.moc"
