#include "link/qt_serial_port.h"
#include "link/waiter.h"

#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// A pseudo-terminal whose master end plays the meter.
struct Pty {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    Pty() {
        if (master >= 0 && (::grantpt(master) != 0 || ::unlockpt(master) != 0)) {
            ::close(master);
            master = -1;
        }
    }
    ~Pty() {
        if (master >= 0)
            ::close(master);
    }
    QString slave() const { return QString::fromLocal8Bit(::ptsname(master)); }
    bool send(const QByteArray& bytes) const {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
};

} // namespace

class TestSerialPort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openFailureReason_data();
    void openFailureReason();
    void missingDeviceIsReported();
    void closedPortIsHarmless();
    void waitForInputEndsAsBytesCome_data();
    void waitForInputEndsAsBytesCome();
};

void TestSerialPort::openFailureReason_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("deviceExists");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("missing") << int(QSerialPort::DeviceNotFoundError) << false << "does not exist";
    QTest::newRow("no permission") << int(QSerialPort::PermissionError) << true << "dialout";
    QTest::newRow("permission, gone") << int(QSerialPort::PermissionError) << false << "boom";
    QTest::newRow("other") << int(QSerialPort::UnknownError) << true << "boom";
}

void TestSerialPort::openFailureReason() {
    QFETCH(int, error);
    QFETCH(bool, deviceExists);
    QFETCH(QString, mentions);
    QTemporaryFile existing;
    QVERIFY(existing.open());
    const QString device =
        deviceExists ? existing.fileName() : QStringLiteral("/dev/no-such-serial-device");
    const QString reason = meterlink::openFailureReason(device, QSerialPort::SerialPortError(error),
                                                        QStringLiteral("boom"));
    QVERIFY2(reason.contains(device), qPrintable(reason));
    QVERIFY2(reason.contains(mentions), qPrintable(reason));
}

void TestSerialPort::missingDeviceIsReported() {
    meterlink::QtSerialPort port;
    QString why;
    QVERIFY(!port.open(QStringLiteral("/dev/no-such-serial-device"), &why));
    QVERIFY2(why.contains("does not exist"), qPrintable(why));
    QVERIFY(!port.isConnected());
}

void TestSerialPort::closedPortIsHarmless() {
    meterlink::QtSerialPort port;
    port.Output("A");
    QVERIFY(port.Input().isEmpty());
    QCOMPARE(port.InBufferCount(), 0);
    port.discardInput();
}

void TestSerialPort::waitForInputEndsAsBytesCome_data() {
    QTest::addColumn<int>("sendAtMs"); // -1: nothing is sent; 0: sent before the wait
    QTest::addColumn<double>("wait");
    QTest::addColumn<bool>("endsEarly");
    QTest::newRow("bytes already waiting") << 0 << 30.0 << true;
    QTest::newRow("bytes come during the wait") << 100 << 30.0 << true;
    QTest::newRow("nothing comes") << -1 << 0.2 << false;
}

void TestSerialPort::waitForInputEndsAsBytesCome() {
    QFETCH(int, sendAtMs);
    QFETCH(double, wait);
    QFETCH(bool, endsEarly);
    Pty pty;
    if (pty.master < 0)
        QSKIP("no pseudo-terminal");
    meterlink::QtSerialPort port;
    QString why;
    QVERIFY2(port.open(pty.slave(), &why), qPrintable(why));
    meterlink::EventLoopWaiter waiter;
    if (sendAtMs == 0)
        QVERIFY(pty.send("\x02\xAA"));
    bool sent = false;
    QTimer later;
    later.setSingleShot(true);
    QObject::connect(&later, &QTimer::timeout, &later, [&] { sent = pty.send("\x02\xAA"); });
    if (sendAtMs > 0)
        later.start(sendAtMs);
    const double start = waiter.now();
    QVERIFY(port.WaitForInput(waiter, wait));
    const double took = waiter.now() - start;
    if (endsEarly) {
        // Far less than the wait, however slow the machine.
        QVERIFY2(took < wait / 2, qPrintable(QString::number(took)));
        QVERIFY(sendAtMs == 0 || sent);
        QCOMPARE(port.Input(), QByteArray("\x02\xAA"));
    } else {
        QVERIFY2(took >= wait - 0.002, qPrintable(QString::number(took)));
        QCOMPARE(port.Input(), QByteArray());
    }
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serial_port.moc"
