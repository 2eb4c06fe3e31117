#include "link/port_window.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestPortWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listsPortsThenDevicesThenSimulator();
    void okSetsPortAndDevice_data();
    void okSetsPortAndDevice();
    void enterIsOk();
};

void TestPortWindow::listsPortsThenDevicesThenSimulator() {
    meterlink::LinkState link;
    auto* port = new meterlink::Port(link, {"/dev/ttyUSB0", "/dev/ttyACM0"});
    auto* combo = port->findChild<QComboBox*>("TxtCOM");
    QVERIFY(combo);
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    QCOMPARE(entries, QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                                   "/dev/ttyUSB0", "/dev/ttyACM0", "Simulated meter"}));
    QCOMPARE(combo->currentText(), QStringLiteral("COM1"));
    QCOMPARE(port->windowTitle(), QStringLiteral("COM Port"));
    delete port;
}

void TestPortWindow::okSetsPortAndDevice_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("linkName");
    // PortNumber is 4 before OK in every row.
    QTest::newRow("COM5") << "COM5" << 5 << "/dev/ttyS4"
                          << "COM5";
    QTest::newRow("COM1") << "COM1" << 1 << "/dev/ttyS0"
                          << "COM1";
    QTest::newRow("Auto is port 1") << "Auto" << 1 << "/dev/ttyS0"
                                    << "COM1";
    QTest::newRow("COM9 keeps the port") << "COM9" << 4 << "/dev/ttyS3"
                                         << "COM4";
    QTest::newRow("lower case keeps the port") << "com3" << 4 << "/dev/ttyS3"
                                               << "COM4";
    QTest::newRow("device path") << "/dev/ttyUSB0" << 4 << "/dev/ttyUSB0"
                                 << "ttyUSB0";
}

void TestPortWindow::okSetsPortAndDevice() {
    QFETCH(QString, typed);
    QFETCH(int, portNumber);
    QFETCH(QString, device);
    QFETCH(QString, linkName);
    meterlink::LinkState link;
    link.PortNumber = 4;
    QPointer<meterlink::Port> port = new meterlink::Port(link, {});
    port->show();
    QVERIFY(QTest::qWaitForWindowExposed(port));
    QSignalSpy chosen(port.data(), &meterlink::Port::portChosen);
    auto* combo = port->findChild<QComboBox*>("TxtCOM");
    combo->setEditText(typed);
    QTest::mouseClick(port->findChild<QPushButton*>("CmdOK"), Qt::LeftButton);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).toString(), typed);
    QCOMPARE(int(link.PortNumber), portNumber);
    QCOMPARE(link.devicePath, device);
    QCOMPARE(link.linkName, linkName);
    // It stays until the main window is up (the receiver closes it), and unloads on close.
    QVERIFY(port->isVisible());
    port->close();
    QTRY_VERIFY(port.isNull());
}

void TestPortWindow::enterIsOk() {
    meterlink::LinkState link;
    meterlink::Port port(link, {});
    port.show();
    QVERIFY(QTest::qWaitForWindowActive(&port));
    QSignalSpy chosen(&port, &meterlink::Port::portChosen);
    auto* combo = port.findChild<QComboBox*>("TxtCOM");
    combo->setFocus();
    combo->setEditText(QStringLiteral("COM5"));
    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(int(link.PortNumber), 5);
}

QTEST_MAIN(TestPortWindow)
#include "test_port_window.moc"
