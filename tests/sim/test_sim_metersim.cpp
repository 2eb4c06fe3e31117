#include "device_exchange.h"
#include "sim/display_frame.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The metersim program as the main program runs it: a child process on a link path.

namespace {

const QByteArray kEmptyPoll = QByteArray::fromHex("02aa0005ff03");
// The last logger address 2041: 506 bytes of sets after the empty logger's 1535.
const QByteArray kSampleSetsPoll = QByteArray::fromHex("02aa0007f903");

// Waits until the program's output so far holds `line` at least `times` times.
bool waitForLine(QProcess& process, const QByteArray& line, QByteArray* seen, int times = 1) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        *seen += process.readAllStandardOutput();
        if (seen->count(line) >= times)
            return true;
        process.waitForReadyRead(50);
    }
    return false;
}

qsizetype firstDisplayFrame(const QByteArray& bytes) {
    for (qsizetype i = 0; i + sim::kDisplayFrameSize <= bytes.size(); ++i) {
        if (bytes[i] == sim::kStx && bytes[i + 13] == sim::kEtx)
            return i;
    }
    return -1;
}

} // namespace

class TestSimMetersim : public QObject {
    Q_OBJECT

private slots:
    void help();
    void runsWithoutInputAndStopsOnSignal_data();
    void runsWithoutInputAndStopsOnSignal();
    void commandsFromStandardInput();
    void loggerAtStart_data();
    void loggerAtStart();
};

void TestSimMetersim::help() {
    QProcess process;
    process.start(QStringLiteral(METERSIM_PATH), {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    QVERIFY(out.contains("--link"));
    QVERIFY(out.contains("unplug SECONDS"));
    QVERIFY(out.contains("--sample-sets"));
}

void TestSimMetersim::runsWithoutInputAndStopsOnSignal_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestSimMetersim::runsWithoutInputAndStopsOnSignal() {
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("new/folder/ttyMETER"));
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(METERSIM_PATH), {QStringLiteral("--link"), link});
    QByteArray out;
    QVERIFY2(waitForLine(process, "metersim: ready on " + QFile::encodeName(link) + '\n', &out),
             out.constData());
    QVERIFY(QFileInfo(link).isSymLink());

    // Still there and answering after standard input has long hit its end.
    QTest::qWait(300);
    QCOMPARE(process.state(), QProcess::Running);
    QCOMPARE(testsupport::deviceExchange(link, "A", 1000, kEmptyPoll.size()).toHex(),
             kEmptyPoll.toHex());

    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimMetersim::commandsFromStandardInput() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyMETER"));
    QProcess process;
    process.start(QStringLiteral(METERSIM_PATH), {QStringLiteral("--link"), link});
    QByteArray out;
    QVERIFY2(waitForLine(process, "ready on", &out), out.constData());

    process.write("reading 1234.5\nkey M\n");
    QVERIFY(process.waitForBytesWritten(1000));
    const QByteArray stream =
        testsupport::deviceExchange(link, QByteArray(), 2000, 3 * sim::kDisplayFrameSize);
    const qsizetype at = firstDisplayFrame(stream);
    QVERIFY2(at >= 0, stream.toHex().constData());
    QCOMPARE(stream.mid(at + 2, 3).toHex(), QByteArray("a12345"));

    process.write("bogus\nposition 2.5\nposition 2.5 1.5\nposition off\nunplug 0.3\n");
    QVERIFY(waitForLine(process, "cannot do \"bogus\"", &out));
    QVERIFY(waitForLine(process, "cannot do \"position 2.5\"", &out));
    QVERIFY2(waitForLine(process, "ready on", &out, 2), out.constData());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(out.count("cannot do"), 2);

    process.write("quit\n");
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimMetersim::loggerAtStart_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("poll"); // the reply to "A": the logger's last address
    QTest::newRow("empty by default") << QStringList() << kEmptyPoll;
    QTest::newRow("two sets asked for") << QStringList{"--sample-sets"} << kSampleSetsPoll;
}

void TestSimMetersim::loggerAtStart() {
    QFETCH(QStringList, options);
    QFETCH(QByteArray, poll);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyMETER"));
    QProcess process;
    process.start(QStringLiteral(METERSIM_PATH), QStringList{"--link", link} + options);
    QByteArray out;
    QVERIFY2(waitForLine(process, "ready on", &out), out.constData());
    QCOMPARE(testsupport::deviceExchange(link, "A", 2000, poll.size()).toHex(), poll.toHex());
    // The same sets on command, in place of whatever the logger held.
    process.write("memory 5\nmemory sample\nstatus\n");
    QVERIFY2(waitForLine(process, "logger end 2041,", &out), out.constData());
    process.write("quit\n");
    QVERIFY(process.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(TestSimMetersim)
#include "test_sim_metersim.moc"
