#include "commands/meter_settings.h"

#include "link/meter_link.h"
#include "session_rig.h"

#include <QTest>

namespace {

const QString kInvalid = QStringLiteral("Invalid, comply with the data format properly\r\n");

// A meter that answers "Z" with its settings: distance 1.50, lux, high 3000, low 500.
struct Rig : testsupport::SessionRig {
    QList<QByteArray> writes;
    QList<double> writtenAt;
    // Replies given to the next "Z"s instead of the settings frame.
    QList<QByteArray> badSettingsReplies;
    bool portFreeWhileAsked = true;

    Rig() {
        session.display.UnitText = QStringLiteral("Lx");
        auto meterAnswers = port.responder;
        port.responder = [this, meterAnswers](const QByteArray& bytes) {
            meterAnswers(bytes);
            writes << bytes;
            writtenAt << clock.now();
            if (bytes == "Z")
                port.deliver(badSettingsReplies.isEmpty()
                                 ? QByteArray::fromHex("020096410bb801f403")
                                 : badSettingsReplies.takeFirst(),
                             0.01);
        };
        prompts.whileInputShown = [this] { portFreeWhileAsked &= !link.exchanges().busy(); };
    }
    QList<QByteArray> writesAfter(const QByteArray& bytes) const {
        return writes.mid(writes.lastIndexOf(bytes) + 1);
    }
};

using Writes = QList<QByteArray>;

} // namespace

class TestMeterSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void holdTime_data();
    void holdTime();
    void distance_data();
    void distance();
    void badSettingsRepliesAreAskedAgain_data();
    void badSettingsRepliesAreAskedAgain();
    void settingsReadGivesUp();
};

void TestMeterSettings::holdTime_data() {
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<Writes>("afterH");
    QTest::addColumn<int>("complaints");
    const Writes none;
    QTest::newRow("12:34") << QStringList{"12:34"} << Writes{"A", "S", "\x12\x34"} << 0;
    QTest::newRow("refused forms, then 5:7")
        << QStringList{":30", "12:", "1:2:3", "12", "1:", "5:7"} << Writes{"A", "S", "\x05\x07"}
        << 5;
    QTest::newRow("-1:30 ends silently") << QStringList{"-1:30"} << none << 0;
    QTest::newRow("cancel") << QStringList{} << none << 0;
}

void TestMeterSettings::holdTime() {
    QFETCH(QStringList, inputs);
    QFETCH(Writes, afterH);
    QFETCH(int, complaints);
    Rig rig;
    rig.prompts.inputs = inputs;
    commands::EnterHoldTime(rig.link, rig.prompts, nullptr);

    QCOMPARE(rig.writes.mid(0, 2), (Writes{"A", "H"}));
    QCOMPARE(rig.writesAfter("H"), afterH);
    const QStringList asked{"Enter the TIME to Hold\r\n (MM:SS) ", "Input Hold Time", "00:00"};
    QCOMPARE(rig.prompts.asked, QList<QStringList>(complaints + 1, asked));
    QCOMPARE(rig.prompts.messages.size(), complaints);
    for (const auto& m : rig.prompts.messages) {
        QCOMPARE(m.icon, platform::MessageIcon::Critical);
        QCOMPARE(m.text, kInvalid);
    }
    QVERIFY(rig.portFreeWhileAsked);
    if (!afterH.isEmpty())
        QCOMPARE(rig.writtenAt.last() - rig.writtenAt[rig.writes.lastIndexOf("S")], 0.05);
}

void TestMeterSettings::distance_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("unitLine");
    QTest::addColumn<Writes>("afterZ");
    QTest::addColumn<int>("complaints");
    const Writes none;
    QTest::newRow("1.5 in lux") << "Lx" << QStringList{"1.5"} << "m ( Lx )"
                                << Writes{"A", "I", QByteArray("\x00\x96", 2)} << 0;
    QTest::newRow("9.99 in foot-candles")
        << "Fc" << QStringList{"9.99"} << "ft ( Fc )" << Writes{"A", "I", "\x03\xE7"} << 0;
    QTest::newRow("refused forms, then 12.5")
        << "Lx" << QStringList{".5", "1.", "1.2.3", "15", "12.5"} << "m ( Lx )"
        << Writes{"A", "I", "\x03\xB6"} << 4;
    QTest::newRow("-1.5 ends silently") << "Lx" << QStringList{"-1.5"} << "m ( Lx )" << none << 0;
    QTest::newRow("cancel") << "" << QStringList{} << "m (  )" << none << 0;
}

void TestMeterSettings::distance() {
    QFETCH(QString, unit);
    QFETCH(QStringList, inputs);
    QFETCH(QString, unitLine);
    QFETCH(Writes, afterZ);
    QFETCH(int, complaints);
    Rig rig;
    rig.session.display.UnitText = unit;
    rig.prompts.inputs = inputs;
    commands::EnterLightDistance(rig.link, rig.prompts, nullptr, rig.session.display);

    QCOMPARE(rig.writes.mid(0, 4), (Writes{"A", "H", "A", "Z"}));
    QCOMPARE(rig.writesAfter("Z"), afterZ);
    const QStringList asked{"Enter the distance from the Light Source (0.01~9.99)\r\n" + unitLine,
                            "Input the distance", "01.50"};
    QCOMPARE(rig.prompts.asked, QList<QStringList>(complaints + 1, asked));
    QCOMPARE(rig.prompts.messages.size(), complaints);
    QVERIFY(rig.portFreeWhileAsked);
}

void TestMeterSettings::badSettingsRepliesAreAskedAgain_data() {
    QTest::addColumn<QByteArray>("bad");
    QTest::newRow("8 bytes") << QByteArray::fromHex("020096410bb801f4");
    QTest::newRow("no STX") << QByteArray::fromHex("aa0096410bb801f403");
    QTest::newRow("no ETX ninth") << QByteArray::fromHex("020096410bb801f4aa03");
}

void TestMeterSettings::badSettingsRepliesAreAskedAgain() {
    QFETCH(QByteArray, bad);
    Rig rig;
    rig.badSettingsReplies = {bad, bad};
    meterlink::ExchangeQueue::Exchange exchange(rig.link.exchanges());
    const auto frame = commands::ReadSettingsFrame(rig.link);
    QVERIFY(frame);
    QCOMPARE(frame->toHex(), QByteArray("020096410bb801f403"));
    QCOMPARE(rig.writes.count("Z"), 3);
}

void TestMeterSettings::settingsReadGivesUp() {
    Rig rig;
    // A meter that polls well but answers "Z" with one byte short, for good.
    rig.badSettingsReplies = QList<QByteArray>(1000, QByteArray::fromHex("020096410bb801f4"));
    rig.prompts.inputs = {"1.5"};
    const double start = rig.clock.now();
    commands::EnterLightDistance(rig.link, rig.prompts, nullptr, rig.session.display);

    QVERIFY(rig.clock.now() - start >= commands::kSettingsReadLimit);
    QVERIFY(rig.clock.now() - start < commands::kSettingsReadLimit + 1);
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].icon, platform::MessageIcon::Critical);
    QCOMPARE(rig.prompts.messages[0].text, commands::kSettingsUnreadText);
    QVERIFY(rig.prompts.asked.isEmpty());
    QCOMPARE(rig.writes.last(), QByteArray("Z"));
    QVERIFY(!rig.writes.contains("I"));
}

QTEST_MAIN(TestMeterSettings)
#include "test_meter_settings.moc"
