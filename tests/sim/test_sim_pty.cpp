#include "sim/display_frame.h"
#include "sim/simulated_meter.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

using namespace std::chrono_literals;
using sim::Flag;
using Clock = std::chrono::steady_clock;

namespace {

const QByteArray kEmptyPoll = QByteArray::fromHex("02aa0005ff03");

// A client of the meter's device through a plain descriptor, read while the test's own event
// loop keeps running (the meter's signals arrive through it).
class Client {
public:
    explicit Client(const QString& path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~Client() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }

    void send(const QByteArray& bytes) {
        QCOMPARE(::write(fd_, bytes.constData(), bytes.size()), bytes.size());
    }

    // Everything that arrives within the time; stops early once `enough` bytes are in.
    QByteArray read(std::chrono::milliseconds within, qsizetype enough = -1) {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < within.count() && (enough < 0 || got.size() < enough)) {
            QCoreApplication::processEvents();
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 5) > 0 && (p.revents & POLLIN)) {
                char buffer[512];
                const ssize_t n = ::read(fd_, buffer, sizeof buffer);
                if (n > 0)
                    got.append(buffer, n);
            }
            if (p.revents & (POLLHUP | POLLERR))
                hungUp_ = true;
            if (hungUp_ && !(p.revents & POLLIN))
                break;
        }
        return got;
    }
    void drain() { read(30ms); }
    bool hungUp() const { return hungUp_; }

private:
    int fd_ = -1;
    bool hungUp_ = false;
};

// Display frames found in a byte stream: STX with ETX thirteen bytes on.
QList<QByteArray> displayFrames(const QByteArray& bytes) {
    QList<QByteArray> frames;
    for (qsizetype i = 0; i + sim::kDisplayFrameSize <= bytes.size();) {
        if (bytes[i] == sim::kStx && bytes[i + 13] == sim::kEtx) {
            frames.append(bytes.mid(i, sim::kDisplayFrameSize));
            i += sim::kDisplayFrameSize;
        } else {
            ++i;
        }
    }
    return frames;
}

double cpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

class TestSimPty : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pollThroughSerialPort();
    void streamAboutTenFramesASecond();
    void keyOnTheLineShowsInTheStream();
    void outputIsPacedAtLineSpeed();
    void memoryDumpFollowsTheStreamAtLineSpeed();
    void silenceDropsOutputAndCommands();
    void cutFramesAreShort();
    void unplugRemovesAndRestoresTheLink();
    void staleLinkIsReplaced();
    void refusesToReplaceAFile();
    void littleCpuWhenIdle();

private:
    QString linkPath() const { return dir_->filePath(QStringLiteral("dev/ttyMETER")); }
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<sim::SimulatedMeter> meter_;
};

void TestSimPty::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    meter_ = std::make_unique<sim::SimulatedMeter>(linkPath());
    QString error;
    QVERIFY2(meter_->start(&error), qPrintable(error));
    QVERIFY(QFileInfo(linkPath()).isSymLink());
    QCOMPARE(QFileInfo(linkPath()).symLinkTarget(), meter_->devicePath());
}

void TestSimPty::cleanup() {
    meter_.reset();
    dir_.reset();
}

void TestSimPty::pollThroughSerialPort() {
    QSignalSpy written(meter_.get(), &sim::SimulatedMeter::frameWritten);
    QSerialPort port(linkPath());
    port.setBaudRate(19200);
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    port.write("A");
    QVERIFY(port.waitForBytesWritten(1000));
    QByteArray reply;
    QElapsedTimer timer;
    timer.start();
    while (reply.size() < kEmptyPoll.size() && timer.elapsed() < 2000) {
        if (port.waitForReadyRead(100))
            reply += port.readAll();
    }
    QCOMPARE(reply.toHex(), kEmptyPoll.toHex());
    // The reply is 6 bytes at 1920 bytes/s: it must not take long, but cannot be instant.
    QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(meter_->commandCount('A'), 1);
    QTRY_COMPARE(written.size(), 1);
    QCOMPARE(written.first().at(1).value<sim::FrameKind>(), sim::FrameKind::Reply);
    port.close();

    // Closing a client must leave the device free for the next one.
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
}

void TestSimPty::streamAboutTenFramesASecond() {
    QSignalSpy written(meter_.get(), &sim::SimulatedMeter::frameWritten);
    // Shared, since the observer runs on the meter's thread and may outlive this scope by a call.
    struct Seen {
        QMutex mutex;
        std::vector<Clock::time_point> at;
    };
    auto seen = std::make_shared<Seen>();
    meter_->setFrameObserver([seen](const QByteArray&, sim::FrameKind kind, Clock::time_point at) {
        if (kind == sim::FrameKind::Display) {
            QMutexLocker lock(&seen->mutex);
            seen->at.push_back(at);
        }
    });
    Client client(linkPath());
    QVERIFY(client.isOpen());
    client.send("M");
    const QByteArray bytes = client.read(2000ms);
    meter_->setFrameObserver({});

    const QList<QByteArray> frames = displayFrames(bytes);
    QVERIFY2(frames.size() >= 15 && frames.size() <= 25,
             qPrintable(QString::number(frames.size())));
    QCOMPARE(bytes.size(), frames.size() * sim::kDisplayFrameSize); // nothing else in between
    for (const QByteArray& f : frames)
        QCOMPARE(quint8(f[8]) & 0x10, 0x10); // lux

    std::vector<Clock::time_point> observed;
    {
        QMutexLocker lock(&seen->mutex);
        observed = seen->at;
    }
    QVERIFY(observed.size() >= 15);
    const auto span = observed.back() - observed.front();
    const double period = std::chrono::duration<double>(span).count() / double(observed.size() - 1);
    QVERIFY2(period > 0.08 && period < 0.13, qPrintable(QString::number(period)));
    QTRY_VERIFY(written.size() >= int(observed.size()));
    QCOMPARE(written.first().at(0).toByteArray().size(), sim::kDisplayFrameSize);
    QCOMPARE(written.first().at(1).value<sim::FrameKind>(), sim::FrameKind::Display);
}

void TestSimPty::keyOnTheLineShowsInTheStream() {
    meter_->setFixedReading(1076.4);
    Client client(linkPath());
    client.send("FM");
    QList<QByteArray> frames = displayFrames(client.read(400ms));
    QVERIFY(!frames.isEmpty());
    // 100.00 fc: digits blank, 1, 0, 0, 0, 0 with the point before the last two.
    QCOMPARE(frames.last().mid(2, 3).toHex(), QByteArray("a10000"));
    QCOMPARE(quint8(frames.last()[8]), quint8(0x08));
    QCOMPARE(quint8(frames.last()[11]) & 0x08, 0x08);
    QVERIFY(meter_->flag(Flag::FcOn));

    meter_->pressKey('F');
    client.drain();
    frames = displayFrames(client.read(300ms));
    QVERIFY(!frames.isEmpty());
    QCOMPARE(frames.last().mid(2, 3).toHex(), QByteArray("a10764"));
    QCOMPARE(meter_->commandCount('F'), 1); // a pressed key is not a received command
}

void TestSimPty::outputIsPacedAtLineSpeed() {
    Client client(linkPath());
    QElapsedTimer timer;
    timer.start();
    meter_->sendGarbage(960);
    client.send("A");
    const QByteArray bytes = client.read(10000ms, 960 + kEmptyPoll.size());
    const qint64 took = timer.elapsed();
    QCOMPARE(bytes.size(), 960 + kEmptyPoll.size());
    // The reply waits behind the burst on the same line.
    QCOMPARE(bytes.right(kEmptyPoll.size()).toHex(), kEmptyPoll.toHex());
    // 966 bytes at 1920/s take 0.5 s; a busy machine may only make it later.
    QVERIFY2(took >= 420 && took < 5000, qPrintable(QString::number(took)));
}

void TestSimPty::memoryDumpFollowsTheStreamAtLineSpeed() {
    const QByteArray memory = QByteArray::fromHex("0055aa00071405000010") + QByteArray(957, '\x08');
    meter_->withModel([&](sim::MeterModel& m) { m.loadLoggerMemory(memory); });
    Client client(linkPath());
    client.send("M");
    QVERIFY(!displayFrames(client.read(250ms)).isEmpty());
    client.drain();
    QElapsedTimer timer;
    timer.start();
    client.send("Q");
    QByteArray bytes = client.read(10000ms, 15 + 967 + 1);
    const qint64 took = timer.elapsed();
    bytes += client.read(200ms);
    // At most the rest of a display frame in flight, then the dump; no frame after it.
    const qsizetype lead = bytes.size() - (15 + 967 + 1);
    QVERIFY2(lead >= 0 && lead < 14, qPrintable(QString::number(bytes.size())));
    QCOMPARE(bytes.mid(lead + 15, 967), memory);
    // 983 bytes at 1920/s take half a second; a busy machine may only make it later.
    QVERIFY2(took >= 450 && took < 5000, qPrintable(QString::number(took)));
}

void TestSimPty::silenceDropsOutputAndCommands() {
    Client client(linkPath());
    client.send("M");
    QVERIFY(!displayFrames(client.read(300ms)).isEmpty());

    // Long enough that a slow machine still reads within it.
    meter_->silence(2000ms);
    client.drain();
    client.send("A");
    QVERIFY(client.read(500ms).isEmpty());
    QCOMPARE(meter_->commandCount('A'), 1);

    // Answers again once the silence is over, among the stream's frames.
    QByteArray after;
    QElapsedTimer since;
    since.start();
    while (!after.contains(kEmptyPoll) && !since.hasExpired(15000)) {
        client.send("A");
        after += client.read(300ms);
    }
    QVERIFY(after.contains(kEmptyPoll));
    QVERIFY(!displayFrames(after).isEmpty());
}

void TestSimPty::cutFramesAreShort() {
    QSignalSpy written(meter_.get(), &sim::SimulatedMeter::frameWritten);
    Client client(linkPath());
    meter_->cutFrames(3);
    client.send("M");
    client.read(700ms);
    QTRY_VERIFY(written.size() >= 5);
    for (int i = 0; i < written.size(); ++i) {
        const QByteArray frame = written.at(i).at(0).toByteArray();
        QCOMPARE(frame.at(0), sim::kStx);
        if (i < 3)
            QVERIFY2(frame.size() < sim::kDisplayFrameSize, qPrintable(frame.toHex()));
        else
            QCOMPARE(frame.size(), sim::kDisplayFrameSize);
    }
}

void TestSimPty::unplugRemovesAndRestoresTheLink() {
    QSignalSpy unplugged(meter_.get(), &sim::SimulatedMeter::unplugged);
    QSignalSpy plugged(meter_.get(), &sim::SimulatedMeter::pluggedIn);
    {
        Client client(linkPath());
        client.send("M");
        QVERIFY(!displayFrames(client.read(300ms)).isEmpty());

        meter_->unplug(700ms);
        QVERIFY(!QFileInfo::exists(linkPath()) && !QFileInfo(linkPath()).isSymLink());
        QVERIFY(!meter_->isPlugged());
        client.read(200ms);
        QVERIFY(client.hungUp()); // the old device is gone for its client
    }
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(linkPath()).isSymLink(), 3000);
    QVERIFY(meter_->isPlugged());
    QCOMPARE(unplugged.size(), 1);
    QTRY_COMPARE(plugged.size(), 1);

    Client client(linkPath());
    QVERIFY(client.isOpen());
    QVERIFY2(client.read(300ms).isEmpty(), "the stream restarts only on request");
    client.send("A");
    QCOMPARE(client.read(1000ms, kEmptyPoll.size()).toHex(), kEmptyPoll.toHex());
}

void TestSimPty::staleLinkIsReplaced() {
    const QString path = dir_->filePath(QStringLiteral("stale"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/tty"), path));
    sim::SimulatedMeter other(path);
    QString error;
    QVERIFY2(other.start(&error), qPrintable(error));
    QCOMPARE(QFileInfo(path).symLinkTarget(), other.devicePath());
    other.stop();
    QVERIFY(!QFileInfo(path).isSymLink());
}

void TestSimPty::refusesToReplaceAFile() {
    const QString path = dir_->filePath(QStringLiteral("plain"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    sim::SimulatedMeter other(path);
    QString error;
    QVERIFY(!other.start(&error));
    QVERIFY(error.contains(path));
    QVERIFY(!other.isRunning());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

void TestSimPty::littleCpuWhenIdle() {
    // Idle, and then streaming to a client that never reads: neither may spin.
    double start = cpuSeconds();
    QTest::qWait(1000);
    const double idle = cpuSeconds() - start;

    Client client(linkPath());
    client.send("M");
    start = cpuSeconds();
    QTest::qWait(1000);
    const double streaming = cpuSeconds() - start;
    QVERIFY2(idle < 0.1 && streaming < 0.2,
             qPrintable(QString("idle %1 s, streaming %2 s").arg(idle).arg(streaming)));
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "test_sim_pty.moc"
