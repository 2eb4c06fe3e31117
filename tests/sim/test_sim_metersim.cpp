#include "sim/display_frame.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

// The metersim program as the main program runs it: a child process on a link path.

namespace {

const QByteArray kEmptyPoll = QByteArray::fromHex("02aa0005ff03");

// Sends bytes to the device at path and collects what comes back within the time.
QByteArray exchange(const QString& path, const QByteArray& send, int withinMs, qsizetype enough) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return "open failed";
    if (::write(fd, send.constData(), send.size()) != send.size()) {
        ::close(fd);
        return "write failed";
    }
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < withinMs && got.size() < enough) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
    }
    ::close(fd);
    return got;
}

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
};

void TestSimMetersim::help() {
    QProcess process;
    process.start(QStringLiteral(METERSIM_PATH), {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    QVERIFY(out.contains("--link"));
    QVERIFY(out.contains("unplug SECONDS"));
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
    QCOMPARE(exchange(link, "A", 1000, kEmptyPoll.size()).toHex(), kEmptyPoll.toHex());

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
    const QByteArray stream = exchange(link, QByteArray(), 2000, 3 * sim::kDisplayFrameSize);
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

QTEST_GUILESS_MAIN(TestSimMetersim)
#include "test_sim_metersim.moc"
