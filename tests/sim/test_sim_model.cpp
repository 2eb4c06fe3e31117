#include "sim/display_frame.h"
#include "sim/meter_model.h"

#include <QTest>

#include <bit>
#include <cmath>

using namespace std::chrono_literals;
using sim::Flag;
using sim::MeterModel;

namespace {

const MeterModel::TimePoint t0 = MeterModel::TimePoint{} + 1000s;

std::array<char, 6> chars6(const char* s) {
    std::array<char, 6> a{};
    std::copy(s, s + 6, a.begin());
    return a;
}

QList<Flag> flags(const QString& names) {
    QList<Flag> out;
    for (const QString& n : names.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const auto f = sim::flagFromName(n.toLatin1());
        if (!f)
            qFatal("unknown flag %s", qPrintable(n));
        out.append(*f);
    }
    return out;
}

// The number the main field shows, read back from its digit characters.
double shownValue(const sim::DisplayState& d) {
    QByteArray digits;
    for (char c : d.main) {
        if (c != ' ')
            digits.append(c);
    }
    return digits.toDouble() / std::pow(10.0, d.decimals);
}

QByteArray sendAll(MeterModel& m, const QByteArray& bytes, MeterModel::TimePoint& now) {
    QByteArray replies;
    for (char c : bytes) {
        replies += m.receive(quint8(c), now);
        now += 50ms;
    }
    return replies;
}

} // namespace

class TestSimModel : public QObject {
    Q_OBJECT

private slots:
    void displayFrame_data();
    void displayFrame();
    void everyFlagHasItsOwnBit();
    void pollFrame_data();
    void pollFrame();
    void autoRange_data();
    void autoRange();
    void overload_data();
    void overload();
    void keys_data();
    void keys();
    void unitKeyConvertsTheReading();
    void holdFreezesTheReading();
    void percentAgainstTheReadingAtTheKey();
    void averageOverTime();
    void readModeAndMemoryNumber();
    void powerKeyGoesSilentThenComesBack();
    void dataBlocksAreNotCommands();
    void pollReplyCarriesLoggerEnd();
    void loggerDumpAndErase();
    void filledLoggerHoldsWholeSets();
    void sampleSetsToDownload();
    void clockCommands_data();
    void clockCommands();
    void settingsCommands_data();
    void settingsCommands();
    void calibrationCommands_data();
    void calibrationCommands();
    void calibrationScalesTheReading();
    void clockRunsOn_data();
    void clockRunsOn();
    void lightDriftsSmoothly();
    void surveyPositionGivesASteadyRoom();
};

void TestSimModel::displayFrame_data() {
    QTest::addColumn<QByteArray>("memory");
    QTest::addColumn<QByteArray>("main");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("overload");
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<QString>("flagNames");
    QTest::addColumn<QByteArray>("expectedHex");

    QTest::newRow("12.34 lx at 14:05")
        << QByteArray("  ") << QByteArray("  1234") << 2 << false << QByteArray("1405") << "LxOn"
        << QByteArray("02 AA AA12 34 1405 00 10 00 00 08 00 03");
    QTest::newRow("blank first memory digit, 0.050")
        << QByteArray(" 7") << QByteArray(" 00050") << 3 << false << QByteArray("0000") << ""
        << QByteArray("02 A7 A000 50 0000 000000000400 03");
    QTest::newRow("time digits have no blank")
        << QByteArray("  ") << QByteArray("123456") << 0 << false << QByteArray("A5B0") << "FcOn"
        << QByteArray("02 AA 123456 A5B0 000800000000 03");
    QTest::newRow("overload") << QByteArray("  ") << QByteArray("      ") << 0 << true
                              << QByteArray("0930") << "LxOn AutoRangeOn"
                              << QByteArray("02 AA AAFFAA 0930 001010000000 03");
    QTest::newRow("letters B to F")
        << QByteArray("99") << QByteArray("BCDEF0") << 1 << false << QByteArray("2359") << ""
        << QByteArray("02 99 BCDEF0 2359 000000001000 03");
    QTest::newRow("first and last bit of every status byte")
        << QByteArray("  ") << QByteArray("     0") << 0 << false << QByteArray("0000")
        << "RelOn UpperPercentOn FcHourOn StrayOn CommaOn LowerAvgOn NoOn LowerPercentOn FtOn "
           "SubPoint3On DateDotOn ScfOn"
        << QByteArray("02 AA AAAAA0 0000 818181818141 03");
    QTest::newRow("hold, set up and clear")
        << QByteArray("42") << QByteArray("   500") << 0 << false << QByteArray("1200")
        << "HoldOn ReadOn SetUpOn ClearOn" << QByteArray("02 42 AAA500 1200 200040000028 03");
}

void TestSimModel::displayFrame() {
    QFETCH(QByteArray, memory);
    QFETCH(QByteArray, main);
    QFETCH(int, decimals);
    QFETCH(bool, overload);
    QFETCH(QByteArray, time);
    QFETCH(QString, flagNames);
    QFETCH(QByteArray, expectedHex);

    sim::DisplayState d;
    d.memory = {memory[0], memory[1]};
    d.main = chars6(main.constData());
    d.decimals = decimals;
    d.overload = overload;
    d.time = {time[0], time[1], time[2], time[3]};
    for (Flag f : flags(flagNames))
        d.set(f);

    const QByteArray frame = sim::encodeDisplayFrame(d);
    QCOMPARE(frame.size(), sim::kDisplayFrameSize);
    QCOMPARE(frame.toHex(' ').toUpper(),
             QByteArray::fromHex(expectedHex.replace(' ', "")).toHex(' ').toUpper());
}

void TestSimModel::everyFlagHasItsOwnBit() {
    sim::DisplayState d;
    QSet<int> seen;
    for (Flag f : sim::kAllFlags) {
        QVERIFY(sim::flagName(f));
        seen.insert(int(f));
        d.set(f);
    }
    QCOMPARE(seen.size(), sim::kFlagCount);
    // Bits 4 and 7 of the last status byte drive nothing and stay clear even if set.
    d.flags.set();
    QCOMPARE(sim::encodeDisplayFrame(d).mid(7, 6).toHex(), QByteArray("ffffffffff6f"));
}

void TestSimModel::pollFrame_data() {
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QByteArray>("expectedHex");
    QTest::newRow("empty logger") << 1535u << QByteArray("02aa0005ff03");
    QTest::newRow("three bytes") << 66051u << QByteArray("02aa01020303");
    QTest::newRow("largest") << 0xFFFFFFu << QByteArray("02aaffffff03");
    QTest::newRow("zero") << 0u << QByteArray("02aa00000003");
}

void TestSimModel::pollFrame() {
    QFETCH(quint32, value);
    QFETCH(QByteArray, expectedHex);
    QCOMPARE(sim::encodePollFrame(value).toHex(), expectedHex);
}

void TestSimModel::autoRange_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("fullScale");
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("overload");

    QTest::newRow("dark") << 0.0 << 999999.0 << QByteArray("  0000") << 3 << false;
    QTest::newRow("below one keeps its zero")
        << 0.05 << 999999.0 << QByteArray("  0050") << 3 << false;
    QTest::newRow("tens") << 12.34567 << 999999.0 << QByteArray(" 12346") << 3 << false;
    QTest::newRow("rounds into the next range")
        << 99.9996 << 999999.0 << QByteArray(" 10000") << 2 << false;
    QTest::newRow("hundreds") << 350.125 << 999999.0 << QByteArray(" 35013") << 2 << false;
    QTest::newRow("thousands") << 1234.5 << 999999.0 << QByteArray(" 12345") << 1 << false;
    QTest::newRow("five whole digits") << 99999.4 << 999999.0 << QByteArray(" 99999") << 0 << false;
    QTest::newRow("six whole digits") << 123456.7 << 999999.0 << QByteArray("123457") << 0 << false;
    QTest::newRow("top of the lux range")
        << 999999.0 << 999999.0 << QByteArray("999999") << 0 << false;
    QTest::newRow("past the lux range")
        << 1000000.0 << 999999.0 << QByteArray("      ") << 0 << true;
    QTest::newRow("past the foot-candle range")
        << 100000.0 << 99999.0 << QByteArray("      ") << 0 << true;
    QTest::newRow("negative reads as dark")
        << -3.0 << 999999.0 << QByteArray("  0000") << 3 << false;
}

void TestSimModel::autoRange() {
    QFETCH(double, value);
    QFETCH(double, fullScale);
    QFETCH(QByteArray, digits);
    QFETCH(int, decimals);
    QFETCH(bool, overload);

    const sim::MainField f = sim::rangeReading(value, fullScale);
    QCOMPARE(QByteArray(f.digits.data(), 6), digits);
    QCOMPARE(f.overload, overload);
    if (!overload)
        QCOMPARE(f.decimals, decimals);
}

void TestSimModel::overload_data() {
    QTest::addColumn<double>("lux");
    QTest::addColumn<bool>("footCandles");
    QTest::addColumn<bool>("overload");
    QTest::newRow("top lux") << 999999.0 << false << false;
    QTest::newRow("past lux") << 1000000.0 << false << true;
    QTest::newRow("top lux in fc") << 999999.0 << true << false;
    QTest::newRow("past the sensor in fc") << 1000500.0 << true << true;
}

void TestSimModel::overload() {
    QFETCH(double, lux);
    QFETCH(bool, footCandles);
    QFETCH(bool, overload);

    MeterModel m;
    m.setFixedReading(lux);
    if (footCandles)
        m.command('F', t0);
    const QByteArray frame = sim::encodeDisplayFrame(m.display(t0));
    QCOMPARE(quint8(frame[3]) == 0xFF, overload);
    if (overload) {
        QCOMPARE(quint8(frame[2]), quint8(0xAA));
        QCOMPARE(quint8(frame[4]), quint8(0xAA));
    }
}

void TestSimModel::keys_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("on");
    QTest::addColumn<QString>("off");

    const QString modes = "RelOn CompOn RefOn UpperPercentOn CdOn HoldOn UpperAvgOn IntvOn "
                          "FcHourOn LxHourOn ReadOn SetUpOn";
    QTest::newRow("F to foot-candles") << "" << QByteArray("F") << "FcOn"
                                       << "LxOn";
    QTest::newRow("F twice back to lux") << "" << QByteArray("FF") << "LxOn"
                                         << "FcOn";
    QTest::newRow("G percent") << "" << QByteArray("G") << "UpperPercentOn"
                               << "";
    QTest::newRow("D average") << "" << QByteArray("D") << "UpperAvgOn"
                               << "";
    QTest::newRow("X comparator") << "" << QByteArray("X") << "CompOn"
                                  << "";
    QTest::newRow("C hold") << "" << QByteArray("C") << "HoldOn"
                            << "";
    QTest::newRow("C twice releases") << "" << QByteArray("CC") << ""
                                      << "HoldOn";
    QTest::newRow("L read") << "" << QByteArray("L") << "ReadOn"
                            << "";
    QTest::newRow("P interval logging") << "" << QByteArray("P") << "IntvOn"
                                        << "";
    QTest::newRow("H back to normal") << modes << QByteArray("H") << "LxOn AutoRangeOn" << modes;
    QTest::newRow("H keeps foot-candles") << "" << QByteArray("GFH") << "FcOn"
                                          << "LxOn UpperPercentOn";
    QTest::newRow("unknown letters") << "" << QByteArray("bz?&") << "LxOn AutoRangeOn"
                                     << "FcOn HoldOn CompOn UpperPercentOn UpperAvgOn IntvOn";
}

void TestSimModel::keys() {
    QFETCH(QString, before);
    QFETCH(QByteArray, keys);
    QFETCH(QString, on);
    QFETCH(QString, off);

    MeterModel m;
    for (Flag f : flags(before))
        m.setFlag(f, true);
    auto now = t0;
    QVERIFY(sendAll(m, keys, now).isEmpty());
    const sim::DisplayState d = m.display(now);
    for (Flag f : flags(on))
        QVERIFY2(d.test(f), sim::flagName(f));
    for (Flag f : flags(off))
        QVERIFY2(!d.test(f), sim::flagName(f));
    QVERIFY(!m.isStreaming(now));
}

void TestSimModel::unitKeyConvertsTheReading() {
    MeterModel m;
    m.setFixedReading(1076.4);
    sim::DisplayState d = m.display(t0);
    QCOMPARE(QByteArray(d.main.data(), 6), QByteArray(" 10764"));
    QCOMPARE(d.decimals, 1);

    m.command('F', t0);
    d = m.display(t0);
    QVERIFY(d.test(Flag::FcOn));
    QCOMPARE(QByteArray(d.main.data(), 6), QByteArray(" 10000"));
    QCOMPARE(d.decimals, 2);
}

void TestSimModel::holdFreezesTheReading() {
    MeterModel m;
    m.setFixedReading(500);
    m.command('C', t0);
    m.setFixedReading(900);
    QCOMPARE(shownValue(m.display(t0 + 5s)), 500.0);
    m.command('F', t0 + 6s); // the held light still converts
    QCOMPARE(shownValue(m.display(t0 + 6s)), std::round(500.0 / 10.764 * 1000) / 1000);
    m.command('C', t0 + 7s);
    QCOMPARE(shownValue(m.display(t0 + 7s)), std::round(900.0 / 10.764 * 1000) / 1000);
}

void TestSimModel::percentAgainstTheReadingAtTheKey() {
    MeterModel m;
    m.setFixedReading(200);
    m.command('G', t0);
    m.setFixedReading(300);
    const sim::DisplayState d = m.display(t0 + 1s);
    QCOMPARE(shownValue(d), 150.0);
    QVERIFY(!d.test(Flag::LxOn));
    m.command('G', t0 + 2s);
    QCOMPARE(shownValue(m.display(t0 + 2s)), 300.0);
}

void TestSimModel::averageOverTime() {
    MeterModel m;
    m.setFixedReading(100);
    m.command('D', t0);
    QCOMPARE(shownValue(m.display(t0 + 1s)), 100.0);
    m.setFixedReading(300);
    // Ten samples of 300 join eleven of 100.
    QCOMPARE(shownValue(m.display(t0 + 2s)), 195.24);
    m.command('D', t0 + 3s);
    QCOMPARE(shownValue(m.display(t0 + 3s)), 300.0);
}

void TestSimModel::readModeAndMemoryNumber() {
    MeterModel m;
    auto now = t0;
    m.setFixedReading(321);
    sendAll(m, "K", now); // outside read mode the arrows do nothing
    QCOMPARE(m.memoryNumber(), 1);
    sendAll(m, "J", now); // stores 321 in memory 1
    QCOMPARE(m.memoryNumber(), 2);
    m.setFixedReading(50);

    sendAll(m, "L", now);
    sim::DisplayState d = m.display(now);
    QVERIFY(d.test(Flag::ReadOn));
    QCOMPARE(QByteArray(d.memory.data(), 2), QByteArray("02"));
    QCOMPARE(shownValue(d), 0.0);

    sendAll(m, "N", now);
    d = m.display(now);
    QCOMPARE(QByteArray(d.memory.data(), 2), QByteArray("01"));
    QCOMPARE(shownValue(d), 321.0);
    sendAll(m, "NN", now);
    QCOMPARE(m.memoryNumber(), 98);
    sendAll(m, "KKK", now);
    QCOMPARE(m.memoryNumber(), 2);

    sendAll(m, "H", now);
    d = m.display(now);
    QCOMPARE(QByteArray(d.memory.data(), 2), QByteArray("  "));
    QCOMPARE(shownValue(d), 50.0);
}

void TestSimModel::powerKeyGoesSilentThenComesBack() {
    MeterModel m;
    auto now = t0;
    sendAll(m, "MC", now);
    QVERIFY(m.isStreaming(now));
    QVERIFY(m.flag(Flag::HoldOn));

    sendAll(m, "O", now);
    QVERIFY(m.isPoweredOff(now));
    QVERIFY(!m.isStreaming(now));
    QVERIFY(sendAll(m, "AM", now).isEmpty());
    QVERIFY(!m.isStreaming(now));

    now = t0 + 3100ms;
    QVERIFY(!m.isPoweredOff(now));
    QVERIFY(!m.flag(Flag::HoldOn));
    QVERIFY(!m.isStreaming(now)); // back on, but silent until asked to stream
    QCOMPARE(sendAll(m, "A", now).toHex(), QByteArray("02aa0005ff03"));
    QCOMPARE(m.commandCount('A'), 2); // the one sent while off was received all the same

    m.setPowerOffDuration(10s);
    sendAll(m, "O", now);
    QVERIFY(m.isPoweredOff(now + 9s));
    QVERIFY(!m.isPoweredOff(now + 11s));
}

void TestSimModel::dataBlocksAreNotCommands() {
    MeterModel m;
    auto now = t0;
    // The hold time 43:41 travels as 0x43 0x41, the letters "C" and "A".
    QVERIFY(sendAll(m, QByteArray("S\x43\x41"), now).isEmpty());
    QVERIFY(!m.flag(Flag::HoldOn));
    QCOMPARE(m.commandCount('S'), 1);
    QCOMPARE(m.commandCount('C'), 0);

    // A block that never comes is given up; the next byte is a command again.
    m.receive('I', now);
    now += 1s;
    QCOMPARE(m.receive('A', now).size(), sim::kPollFrameSize);
}

void TestSimModel::pollReplyCarriesLoggerEnd() {
    MeterModel m;
    m.setFixedReading(350);
    QCOMPARE(m.command('A', t0).toHex(), QByteArray("02aa0005ff03"));

    m.setClock(8, 13 * 3600 + 5 * 60 + 9, t0);
    m.command('P', t0);
    // A set header of ten bytes and records at 0, 2 and 4 s.
    QCOMPARE(m.command('A', t0 + 5s), sim::encodePollFrame(1535 + 10 + 3 * 3));
    QCOMPARE(m.loggerMemory().left(13).toHex(' '),
             QByteArray("00 55 aa 00 08 13 05 09 00 02 88 b8 04"));

    m.command('P', t0 + 5s);
    m.command('A', t0 + 20s);
    QCOMPARE(m.loggerEndAddress(), 1535u + 19);
    m.command('P', t0 + 21s);
    QCOMPARE(m.loggerEndAddress(), 1535u + 19 + 13);
    m.command('H', t0 + 30s); // back to normal stops the logging
    m.command('A', t0 + 40s);
    QCOMPARE(m.loggerEndAddress(), 1535u + 19 + 13 + 3 * 4);
}

void TestSimModel::loggerDumpAndErase() {
    MeterModel m;
    const QByteArray set = QByteArray::fromHex("0055aa00071405000010"
                                               "04d208");
    // Fifteen lead bytes and a trailing one around the (empty) memory.
    QCOMPARE(m.command('Q', t0).toHex(), QByteArray("02"
                                                    "0000000000000000000000000000"
                                                    "03"));
    m.loadLoggerMemory(set);
    QCOMPARE(m.loggerEndAddress(), 1535u + 13);
    m.command('M', t0);
    const QByteArray dump = m.command('Q', t0);
    QCOMPARE(dump.size(), 15 + 13 + 1);
    QCOMPARE(dump.mid(15, 13), set);
    QVERIFY(!m.isStreaming(t0)); // the display stream waits for "M" again

    m.cutNextDump(20);
    QCOMPARE(m.command('Q', t0), dump.left(20));
    QCOMPARE(m.command('Q', t0), dump); // only the next dump is cut

    m.command('E', t0);
    QCOMPARE(m.loggerEndAddress(), 1535u);
    m.loadLoggerMemory(QByteArray(200000, '\x11'));
    QCOMPARE(m.loggerEndAddress(), 131071u);
}

void TestSimModel::filledLoggerHoldsWholeSets() {
    MeterModel m;
    m.setClock(31, 23 * 3600 + 59 * 60, t0);
    m.fillLoggerMemory(1000, t0);
    const QByteArray& memory = m.loggerMemory();
    // 43 sets of 1000 records, then one of the 32 records that still fit, to the last byte.
    QCOMPARE(memory.size(), 129536);
    for (int set = 0; set <= 43; ++set)
        QCOMPARE(memory.mid(set * 3010, 4).toHex(), QByteArray("0055aa00"));
    QCOMPARE(memory.mid(4, 6).toHex(' '), QByteArray("31 23 59 00 00 02"));
    // The next set starts 1000 records and a minute later, past midnight and the month's end.
    QCOMPARE(memory.mid(3010 + 4, 6).toHex(' '), QByteArray("01 00 34 20 00 02"));
    QVERIFY(!m.flag(Flag::IntvOn));
}

void TestSimModel::sampleSetsToDownload() {
    MeterModel m;
    m.loadLoggerMemory(QByteArray(300, '\x11')); // replaced, not added to
    m.loadSampleSets();
    const QByteArray& memory = m.loggerMemory();
    // 90 records every 2 s on the 31st from 14:30:00, three minutes of the day...
    QCOMPARE(memory.left(10).toHex(' '), QByteArray("00 55 aa 00 31 14 30 00 00 02"));
    // ... then 72 every 5 s from 23:58:00, the last at 00:03:55 on the 1st.
    QCOMPARE(memory.mid(10 + 90 * 3, 10).toHex(' '), QByteArray("00 55 aa 00 31 23 58 00 00 05"));
    QCOMPARE(memory.size(), 10 + 90 * 3 + 10 + 72 * 3);
    QCOMPARE(m.loggerEndAddress(), 2041u);
    // Every record a reading of its set's light: a room in the day, a lamp at night.
    auto lux = [&](qsizetype at) {
        const int value = quint8(memory[at]) << 8 | quint8(memory[at + 1]);
        const int bit = std::countr_zero(unsigned(quint8(memory[at + 2])));
        return value * std::pow(10.0, bit - 4);
    };
    for (qsizetype at = 10; at < 280; at += 3)
        QVERIFY2(lux(at) > 200.0 && lux(at) < 500.0, qPrintable(QString::number(lux(at))));
    for (qsizetype at = 290; at < memory.size(); at += 3)
        QVERIFY2(lux(at) > 5.0 && lux(at) < 30.0, qPrintable(QString::number(lux(at))));
}

void TestSimModel::clockCommands_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("clockFrame");
    // The clock reads the 7th, 14:05:09 and the logger interval is 2 s; each byte takes 50 ms.
    QTest::newRow("Y alone") << QByteArray() << QByteArray("02 07 14 05 09 00 02 03");
    QTest::newRow("T sets the clock")
        << QByteArray("T\x08\x23\x59\x58") << QByteArray("02 08 23 59 58 00 02 03");
    QTest::newRow("W sets the interval")
        << QByteArray("W\x02\x30") << QByteArray("02 07 14 05 09 02 30 03");
    QTest::newRow("T with hour 25 is ignored")
        << QByteArray("T\x08\x25\x00\x00", 5) << QByteArray("02 07 14 05 09 00 02 03");
    QTest::newRow("W that is not BCD is ignored")
        << QByteArray("W\x0A\x00", 3) << QByteArray("02 07 14 05 09 00 02 03");
}

void TestSimModel::clockCommands() {
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, clockFrame);
    MeterModel m;
    m.setClock(7, 14 * 3600 + 5 * 60 + 9, t0);
    auto now = t0;
    QVERIFY(sendAll(m, sent, now).isEmpty());
    QCOMPARE(sendAll(m, "Y", now).toHex(' '), clockFrame);
}

void TestSimModel::settingsCommands_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("settingsFrame");
    QTest::addColumn<int>("holdSeconds");
    // At first: distance 1.00, lux with the point after the third digit, limits 1000 and 100.
    const QByteArray initial("02 00 64 42 03 e8 00 64 03");
    QTest::newRow("Z alone") << QByteArray() << initial << 0;
    QTest::newRow("I 1.50") << QByteArray("I\x00\x96", 3)
                            << QByteArray("02 00 96 42 03 e8 00 64 03") << 0;
    QTest::newRow("I beyond 9.99 is ignored") << QByteArray("I\x03\xE8") << initial << 0;
    QTest::newRow("S 12:34") << QByteArray("S\x12\x34") << initial << 12 * 60 + 34;
    QTest::newRow("V foot-candles, point after the second digit, 150 and 99")
        << QByteArray("V\x22\x00\x96\x00\x63", 6) << QByteArray("02 00 64 22 00 96 00 63 03") << 0;
    QTest::newRow("V with two decimal positions is ignored")
        << QByteArray("V\x43\x00\x96\x00\x63", 6) << initial << 0;
    QTest::newRow("V with no unit is ignored")
        << QByteArray("V\x04\x00\x96\x00\x63", 6) << initial << 0;
    QTest::newRow("V with a limit above 9999 is ignored")
        << QByteArray("V\x44\x27\x10\x00\x63", 6) << initial << 0;
}

void TestSimModel::calibrationCommands_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("calibrationReply");
    QTest::addColumn<QByteArray>("scfReply");
    const QByteArray initialCal("02 03 e8 03");
    const QByteArray initialScf("02 0a 03 e8");
    QTest::newRow("initial") << QByteArray() << initialCal << initialScf;
    QTest::newRow("i 1.234") << QByteArray("i\x04\xD2") << QByteArray("02 04 d2 03") << initialScf;
    QTest::newRow("i 0.799 is ignored") << QByteArray("i\x03\x1F") << initialCal << initialScf;
    QTest::newRow("i 1.501 is ignored") << QByteArray("i\x05\xDD") << initialCal << initialScf;
    QTest::newRow("j restores") << QByteArray("i\x05\xDCj") << initialCal << initialScf;
    QTest::newRow("c L3 2.5") << QByteArray("c\x03\x09\xC4") << initialCal
                              << QByteArray("02 03 09 c4");
    QTest::newRow("c count 20 is ignored")
        << QByteArray("c\x14\x09\xC4") << initialCal << initialScf;
    QTest::newRow("c 5.001 is ignored") << QByteArray("c\x03\x13\x89") << initialCal << initialScf;
    QTest::newRow("e restores") << QByteArray("c\x00\x00\xC8"
                                              "e",
                                              5)
                                << initialCal << initialScf;
}

void TestSimModel::calibrationCommands() {
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, calibrationReply);
    QFETCH(QByteArray, scfReply);
    MeterModel m;
    auto now = t0;
    QVERIFY(sendAll(m, sent, now).isEmpty());
    QCOMPARE(sendAll(m, "h", now).toHex(' '), calibrationReply);
    QCOMPARE(sendAll(m, "a", now).toHex(' '), scfReply);
}

void TestSimModel::calibrationScalesTheReading() {
    MeterModel m;
    m.setFixedReading(500.0);
    auto now = t0;
    sendAll(m, QByteArray("i\x04\xB0"), now); // 1.200
    QCOMPARE(m.lightAt(now), 600.0);
}

void TestSimModel::settingsCommands() {
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, settingsFrame);
    QFETCH(int, holdSeconds);
    MeterModel m;
    auto now = t0;
    QVERIFY(sendAll(m, sent, now).isEmpty());
    QCOMPARE(sendAll(m, "Z", now).toHex(' '), settingsFrame);
    QCOMPARE(m.holdSeconds(), holdSeconds);
}

void TestSimModel::clockRunsOn_data() {
    QTest::addColumn<int>("day");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("elapsedSeconds");
    QTest::addColumn<QByteArray>("clockFrame");
    QTest::newRow("into the next minute")
        << 7 << QTime(14, 5, 9) << 51 << QByteArray("02 07 14 06 00 00 02 03");
    QTest::newRow("past midnight")
        << 7 << QTime(23, 59, 59) << 2 << QByteArray("02 08 00 00 01 00 02 03");
    QTest::newRow("the 31st rolls to the 1st")
        << 31 << QTime(23, 59, 59) << 1 << QByteArray("02 01 00 00 00 00 02 03");
    QTest::newRow("two days on") << 30 << QTime(12, 0, 0) << 2 * 86400
                                 << QByteArray("02 01 12 00 00 00 02 03");
}

void TestSimModel::clockRunsOn() {
    QFETCH(int, day);
    QFETCH(QTime, time);
    QFETCH(int, elapsedSeconds);
    QFETCH(QByteArray, clockFrame);
    MeterModel m;
    m.setClock(day, time.msecsSinceStartOfDay() / 1000, t0);
    QCOMPARE(m.command('Y', t0 + std::chrono::seconds(elapsedSeconds)).toHex(' '), clockFrame);
}

void TestSimModel::lightDriftsSmoothly() {
    MeterModel a(7);
    MeterModel b(7);
    double low = 1e9;
    double high = 0;
    double biggestStep = 0;
    double previous = a.lightAt(t0);
    for (auto t = t0; t < t0 + 120s; t += 100ms) {
        const double lux = a.lightAt(t);
        QCOMPARE(lux, b.lightAt(t));
        low = std::min(low, lux);
        high = std::max(high, lux);
        biggestStep = std::max(biggestStep, std::abs(lux - previous));
        previous = lux;
    }
    QVERIFY2(low > 350 * 0.7 && high < 350 * 1.3, qPrintable(QString("%1..%2").arg(low).arg(high)));
    QVERIFY2(high - low > 350 * 0.05, "the light should change over two minutes");
    QVERIFY2(biggestStep < 350 * 0.03, "the light should not jump between samples");
}

void TestSimModel::surveyPositionGivesASteadyRoom() {
    MeterModel m;
    m.setSurveyPosition(3.6, 3.6); // under a lamp
    const double underLamp = m.lightAt(t0);
    QCOMPARE(m.lightAt(t0 + 47s), underLamp);
    m.setSurveyPosition(0.2, 7.0); // the corner away from the window
    const double corner = m.lightAt(t0);
    QVERIFY2(underLamp > 500 && corner < 300 && corner > 50,
             qPrintable(QString("%1 and %2").arg(underLamp).arg(corner)));
    m.setFixedReading(123.0);
    QCOMPARE(m.lightAt(t0), 123.0);
    m.clearFixedReading();
    m.clearSurveyPosition();
    QVERIFY(m.lightAt(t0) != m.lightAt(t0 + 47s));
}

QTEST_GUILESS_MAIN(TestSimModel)
#include "test_sim_model.moc"
