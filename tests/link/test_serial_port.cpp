#include "link/qt_serial_port.h"

#include <QTemporaryFile>
#include <QTest>

class TestSerialPort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openFailureReason_data();
    void openFailureReason();
    void missingDeviceIsReported();
    void closedPortIsHarmless();
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

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serial_port.moc"
