#include "commands/settings_entry.h"

#include <QTest>

using commands::SettingEntry;

Q_DECLARE_METATYPE(SettingEntry::Kind)

namespace {
constexpr auto Accepted = SettingEntry::Kind::Accepted;
constexpr auto Invalid = SettingEntry::Kind::Invalid;
constexpr auto Abandoned = SettingEntry::Kind::Abandoned;
} // namespace

class TestSettingsEntry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void holdTime_data();
    void holdTime();
    void distance_data();
    void distance();
    void distanceText_data();
    void distanceText();
    void distancePrompt_data();
    void distancePrompt();
    void settingsFrame_data();
    void settingsFrame();
};

void TestSettingsEntry::holdTime_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<SettingEntry::Kind>("kind");
    QTest::addColumn<QByteArray>("block");
    QTest::newRow("12:34") << "12:34" << Accepted << QByteArray("12 34");
    QTest::newRow("5:7") << "5:7" << Accepted << QByteArray("05 07");
    QTest::newRow("99:99 held to 59") << "99:99" << Accepted << QByteArray("59 59");
    QTest::newRow("each part held alone") << "60:05" << Accepted << QByteArray("59 05");
    QTest::newRow("proposal unchanged") << "00:00" << Accepted << QByteArray("00 00");
    QTest::newRow("fraction dropped") << "1.5:30" << Accepted << QByteArray("01 30");
    QTest::newRow("letters count 0") << "ab:7x" << Accepted << QByteArray("00 07");
    QTest::newRow("huge minutes") << "123456789012345:1" << Accepted << QByteArray("59 01");
    QTest::newRow(":30") << ":30" << Invalid << QByteArray();
    QTest::newRow("12:") << "12:" << Invalid << QByteArray();
    QTest::newRow("1:2:3") << "1:2:3" << Invalid << QByteArray();
    QTest::newRow("12") << "12" << Invalid << QByteArray();
    QTest::newRow("1:") << "1:" << Invalid << QByteArray();
    QTest::newRow("-1:30") << "-1:30" << Abandoned << QByteArray();
    QTest::newRow("1:-5") << "1:-5" << Abandoned << QByteArray();
}

void TestSettingsEntry::holdTime() {
    QFETCH(QString, text);
    QFETCH(SettingEntry::Kind, kind);
    QFETCH(QByteArray, block);
    const SettingEntry entry = commands::readHoldTimeEntry(text);
    QCOMPARE(entry.kind, kind);
    QCOMPARE(entry.block.toHex(' '), block);
}

void TestSettingsEntry::distance_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<SettingEntry::Kind>("kind");
    QTest::addColumn<QByteArray>("block");
    QTest::newRow("1.5 is 150") << "1.5" << Accepted << QByteArray("00 96");
    QTest::newRow("9.99 is 999") << "9.99" << Accepted << QByteArray("03 e7");
    QTest::newRow("12.5 held to 950") << "12.5" << Accepted << QByteArray("03 b6");
    QTest::newRow("2.123 is 212") << "2.123" << Accepted << QByteArray("00 d4");
    QTest::newRow("1.05 is 105") << "1.05" << Accepted << QByteArray("00 69");
    QTest::newRow("proposal 01.50") << "01.50" << Accepted << QByteArray("00 96");
    QTest::newRow("0.00 is sent") << "0.00" << Accepted << QByteArray("00 00");
    QTest::newRow(".5") << ".5" << Invalid << QByteArray();
    QTest::newRow("1.") << "1." << Invalid << QByteArray();
    QTest::newRow("1.2.3") << "1.2.3" << Invalid << QByteArray();
    QTest::newRow("15") << "15" << Invalid << QByteArray();
    QTest::newRow("-1.5") << "-1.5" << Abandoned << QByteArray();
    QTest::newRow("1.-5") << "1.-5" << Abandoned << QByteArray();
}

void TestSettingsEntry::distance() {
    QFETCH(QString, text);
    QFETCH(SettingEntry::Kind, kind);
    QFETCH(QByteArray, block);
    const SettingEntry entry = commands::readDistanceEntry(text);
    QCOMPARE(entry.kind, kind);
    QCOMPARE(entry.block.toHex(' '), block);
}

void TestSettingsEntry::distanceText_data() {
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<QString>("text");
    QTest::newRow("150") << 150 << "01.50";
    QTest::newRow("999") << 999 << "09.99";
    QTest::newRow("5") << 5 << "00.05";
    QTest::newRow("0") << 0 << "00.00";
}

void TestSettingsEntry::distanceText() {
    QFETCH(int, hundredths);
    QFETCH(QString, text);
    QCOMPARE(commands::distanceText(hundredths), text);
}

void TestSettingsEntry::distancePrompt_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("secondLine");
    QTest::newRow("lux") << "Lx"
                         << "m ( Lx )";
    QTest::newRow("foot-candles") << "Fc"
                                  << "ft ( Fc )";
    QTest::newRow("no unit") << ""
                             << "m (  )";
}

void TestSettingsEntry::distancePrompt() {
    QFETCH(QString, unit);
    QFETCH(QString, secondLine);
    QCOMPARE(commands::distancePrompt(unit),
             "Enter the distance from the Light Source (0.01~9.99)\r\n" + secondLine);
}

void TestSettingsEntry::settingsFrame_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("valid");
    QTest::newRow("well formed") << QByteArray::fromHex("020096410bb801f403") << true;
    QTest::newRow("8 bytes") << QByteArray::fromHex("020096410bb801f4") << false;
    QTest::newRow("no STX") << QByteArray::fromHex("aa0096410bb801f403") << false;
    QTest::newRow("no ETX ninth") << QByteArray::fromHex("020096410bb801f4aa03") << false;
}

void TestSettingsEntry::settingsFrame() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, valid);
    QCOMPARE(commands::isSettingsFrame(reply), valid);
    if (valid)
        QCOMPARE(commands::settingsDistance(reply), 150);
}

QTEST_APPLESS_MAIN(TestSettingsEntry)
#include "test_settings_entry.moc"
