#include "commands/meter_settings.h"

#include "link/meter_link.h"
#include "session_rig.h"

#include <QTest>

namespace {

const QByteArray kSettings = QByteArray::fromHex("020096410bb801f403"); // distance 1.50

// A meter that also answers "Z" with its settings frame, or with the bad replies queued first.
struct Rig : testsupport::SessionRig {
    QList<QByteArray> badSettingsReplies;
    bool portFreeWhileAsked = true;

    Rig() {
        auto meterAnswers = port.responder;
        port.responder = [this, meterAnswers](const QByteArray& bytes) {
            meterAnswers(bytes);
            if (bytes == "Z")
                port.deliver(badSettingsReplies.isEmpty() ? kSettings
                                                          : badSettingsReplies.takeFirst(),
                             0.01);
        };
        prompts.whileInputShown = [this] { portFreeWhileAsked &= !link.exchanges().busy(); };
    }
};

QByteArray then(const char* letters, const char* hex = "") {
    return QByteArray(letters) + QByteArray::fromHex(hex);
}

} // namespace

class TestMeterSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entries_data();
    void entries();
    void badSettingsRepliesAreAskedAgain_data();
    void badSettingsRepliesAreAskedAgain();
    void settingsReadGivesUp();
};

void TestMeterSettings::entries_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("unitLine"); // the distance prompt's second line
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QByteArray>("written"); // after the poll and "H" that start every entry
    QTest::addColumn<int>("refused");
    QTest::newRow("12:34") << "Hold"
                           << "Lx"
                           << "" << QStringList{"12:34"} << then("AS", "1234") << 0;
    QTest::newRow("5:7") << "Hold"
                         << "Lx"
                         << "" << QStringList{"5:7"} << then("AS", "0507") << 0;
    QTest::newRow("99:99") << "Hold"
                           << "Lx"
                           << "" << QStringList{"99:99"} << then("AS", "5959") << 0;
    QTest::newRow("proposal") << "Hold"
                              << "Lx"
                              << "" << QStringList{"00:00"} << then("AS", "0000") << 0;
    QTest::newRow("refused forms, then 1.5:30")
        << "Hold"
        << "Lx"
        << "" << QStringList{":30", "12:", "1:2:3", "12", "1:", "1.5:30"} << then("AS", "0130")
        << 5;
    QTest::newRow("-1:30") << "Hold"
                           << "Lx"
                           << "" << QStringList{"-1:30"} << then("") << 0;
    QTest::newRow("hold cancelled") << "Hold"
                                    << "Lx"
                                    << "" << QStringList{} << then("") << 0;
    QTest::newRow("1.5") << "CD"
                         << "Lx"
                         << "m ( Lx )" << QStringList{"1.5"} << then("AZAI", "0096") << 0;
    QTest::newRow("9.99 in feet") << "CD"
                                  << "Fc"
                                  << "ft ( Fc )" << QStringList{"9.99"} << then("AZAI", "03e7")
                                  << 0;
    QTest::newRow("12.5") << "CD"
                          << "Lx"
                          << "m ( Lx )" << QStringList{"12.5"} << then("AZAI", "03b6") << 0;
    QTest::newRow("2.123") << "CD"
                           << "Lx"
                           << "m ( Lx )" << QStringList{"2.123"} << then("AZAI", "00d4") << 0;
    QTest::newRow("refused forms, then 0.0")
        << "CD"
        << "Lx"
        << "m ( Lx )" << QStringList{".5", "1.", "1.2.3", "15", "0.0"} << then("AZAI", "0000") << 4;
    QTest::newRow("-1.5, no unit") << "CD"
                                   << ""
                                   << "m (  )" << QStringList{"-1.5"} << then("AZ") << 0;
}

void TestMeterSettings::entries() {
    QFETCH(QString, key);
    QFETCH(QString, unit);
    QFETCH(QString, unitLine);
    QFETCH(QStringList, inputs);
    QFETCH(QByteArray, written);
    QFETCH(int, refused);
    Rig rig;
    rig.session.display.UnitText = unit;
    rig.prompts.inputs = inputs;
    if (key == "Hold")
        commands::EnterHoldTime(rig.link, rig.prompts, nullptr);
    else
        commands::EnterLightDistance(rig.link, rig.prompts, nullptr, rig.session.display);

    QCOMPARE(rig.port.sent, "AH" + written);
    const QStringList asked =
        key == "Hold"
            ? QStringList{"Enter the TIME to Hold\r\n (MM:SS) ", "Input Hold Time", "00:00"}
            : QStringList{"Enter the distance from the Light Source (0.01~9.99)\r\n" + unitLine,
                          "Input the distance", "01.50"};
    QCOMPARE(rig.prompts.asked, QList<QStringList>(qMax(1, inputs.size()), asked));
    QCOMPARE(rig.prompts.messages.size(), refused);
    for (const auto& m : rig.prompts.messages) {
        QCOMPARE(m.icon, platform::MessageIcon::Critical);
        QCOMPARE(m.text, QStringLiteral("Invalid, comply with the data format properly\r\n"));
    }
    QVERIFY(rig.portFreeWhileAsked);
}

void TestMeterSettings::badSettingsRepliesAreAskedAgain_data() {
    QTest::addColumn<QByteArray>("bad");
    QTest::newRow("8 bytes") << kSettings.left(8);
    QTest::newRow("no STX") << QByteArray::fromHex("aa0096410bb801f403");
    QTest::newRow("no ETX ninth") << QByteArray::fromHex("020096410bb801f4aa03");
}

void TestMeterSettings::badSettingsRepliesAreAskedAgain() {
    QFETCH(QByteArray, bad);
    Rig rig;
    rig.badSettingsReplies = {bad, bad};
    meterlink::ExchangeQueue::Exchange exchange(rig.link.exchanges());
    QCOMPARE(commands::ReadSettingsFrame(rig.link), std::optional<QByteArray>(kSettings));
    QCOMPARE(rig.port.sent, QByteArray("AZAZAZ"));
}

void TestMeterSettings::settingsReadGivesUp() {
    Rig rig;
    // A meter that polls well but answers "Z" one byte short, for good.
    rig.badSettingsReplies = QList<QByteArray>(1000, kSettings.left(8));
    const double start = rig.clock.now();
    commands::EnterLightDistance(rig.link, rig.prompts, nullptr, rig.session.display);

    QVERIFY(rig.clock.now() - start >= commands::kSettingsReadLimit);
    QVERIFY(rig.clock.now() - start < commands::kSettingsReadLimit + 1);
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].text, commands::kSettingsUnreadText);
    QVERIFY(rig.prompts.asked.isEmpty());
    QVERIFY(rig.port.sent.endsWith("AZ"));
    QVERIFY(!rig.port.sent.contains('I'));
}

QTEST_MAIN(TestMeterSettings)
#include "test_meter_settings.moc"
