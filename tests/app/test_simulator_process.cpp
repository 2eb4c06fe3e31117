#include "app/simulator_process.h"

#include "device_exchange.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSimulatorProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithoutBlockingAndCleansUp();
    void saysWhyWhenTheMeterDoesNotCome_data();
    void saysWhyWhenTheMeterDoesNotCome();
    void meterLeftBehindRemovesItsFolder();
};

void TestSimulatorProcess::startsWithoutBlockingAndCleansUp() {
    QString folder;
    {
        app::SimulatorProcess simulator(QStringLiteral(METERSIM_PATH));
        QSignalSpy ready(&simulator, &app::SimulatorProcess::ready);
        QElapsedTimer took;
        took.start();
        simulator.start();
        // It returns before the meter is ready, which only the event loop can tell.
        QCOMPARE(ready.size(), 0);
        QVERIFY2(took.elapsed() < 1000, qPrintable(QString::number(took.elapsed())));
        QVERIFY(ready.wait(5000));
        QVERIFY(QFileInfo(simulator.linkPath()).isSymLink());
        // Its logger holds two short sets (506 bytes: the last address 2041) to download.
        const QByteArray poll = QByteArray::fromHex("02aa0007f903");
        QCOMPARE(testsupport::deviceExchange(simulator.linkPath(), "A", 2000, poll.size()).toHex(),
                 poll.toHex());
        folder = QFileInfo(simulator.linkPath()).absolutePath();
        QVERIFY(QFileInfo(folder).fileName().startsWith(QLatin1String("luxpanel-")));
    }
    QVERIFY(!QFileInfo::exists(folder));
}

void TestSimulatorProcess::saysWhyWhenTheMeterDoesNotCome_data() {
    QTest::addColumn<QString>("script"); // what stands in for the simulated meter
    QTest::addColumn<QString>("why");
    // Failures that need no time-out are told well before its 5 s, even on a busy machine.
    QTest::addColumn<int>("withinMs");
    QTest::newRow("never opens its port") << "exec sleep 30"
                                          << "within 5 s" << 20000;
    QTest::newRow("exits at once") << "exit 3"
                                   << "did not open its port" << 4000;
    QTest::newRow("not installed") << ""
                                   << "is not installed" << 4000;
}

void TestSimulatorProcess::saysWhyWhenTheMeterDoesNotCome() {
    QFETCH(QString, script);
    QFETCH(QString, why);
    QFETCH(int, withinMs);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("metersim"));
    if (!script.isEmpty()) {
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + script.toLatin1() + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    app::SimulatorProcess simulator(program);
    QSignalSpy failed(&simulator, &app::SimulatorProcess::failed);
    QSignalSpy ready(&simulator, &app::SimulatorProcess::ready);
    simulator.start();
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, withinMs);
    QVERIFY2(failed[0][0].toString().contains(why), qPrintable(failed[0][0].toString()));
    QTest::qWait(100);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(ready.size(), 0);
}

void TestSimulatorProcess::meterLeftBehindRemovesItsFolder() {
    // As when the program dies without cleaning up: the simulated meter's parent goes away.
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("luxpanel-crashed"));
    const QString link = folder + QStringLiteral("/ttySIM");
    QProcess parent;
    parent.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"),
                  QStringLiteral("\"$0\" --link \"$1\" --exit-with-parent "
                                 "--remove-folder </dev/null & sleep 1"),
                  QStringLiteral(METERSIM_PATH), link});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 5000);
    QVERIFY(parent.waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(folder), 5000);
}

QTEST_GUILESS_MAIN(TestSimulatorProcess)
#include "test_simulator_process.moc"
