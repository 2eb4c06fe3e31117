#include "link/display_decoder.h"

#include "fake_link.h"
#include "sim/display_frame.h"

#include <QTest>

using meterlink::DecodeDisplayDigits;
using meterlink::DecodeStatusBytes;
using meterlink::DisplayModel;
using meterlink::MeterStatus;

Q_DECLARE_METATYPE(QByteArray)

namespace {
QString joined(const std::array<QChar, 6>& digits) {
    QString s;
    for (QChar c : digits)
        s += c.isNull() ? QLatin1Char('_') : c;
    return s;
}

// The annunciator bits of the display frame, written out here and not taken from the decoder's
// own table, so that two of its rows swapped show up. Bytes are numbered 1..14 as on the wire
// (status bytes 8..13); simFlag names the same annunciator in the simulated meter.
struct Annunciator {
    const char* name;
    int frameByte;
    unsigned char mask;
    bool MeterStatus::*flag;
    sim::Flag simFlag;
};

const std::array<Annunciator, 46> kAnnunciators = {{
    {"RelOn", 8, 0x01, &MeterStatus::RelOn, sim::Flag::RelOn},
    {"CompOn", 8, 0x02, &MeterStatus::CompOn, sim::Flag::CompOn},
    {"CalOn", 8, 0x04, &MeterStatus::CalOn, sim::Flag::CalOn},
    {"ZeroOn", 8, 0x08, &MeterStatus::ZeroOn, sim::Flag::ZeroOn},
    {"UpperAvgOn", 8, 0x10, &MeterStatus::UpperAvgOn, sim::Flag::UpperAvgOn},
    {"HoldOn", 8, 0x20, &MeterStatus::HoldOn, sim::Flag::HoldOn},
    {"RefOn", 8, 0x40, &MeterStatus::RefOn, sim::Flag::RefOn},
    {"UpperPercentOn", 8, 0x80, &MeterStatus::UpperPercentOn, sim::Flag::UpperPercentOn},
    {"FcHourOn", 9, 0x01, &MeterStatus::FcHourOn, sim::Flag::FcHourOn},
    {"LxHourOn", 9, 0x02, &MeterStatus::LxHourOn, sim::Flag::LxHourOn},
    {"CdOn", 9, 0x04, &MeterStatus::CdOn, sim::Flag::CdOn},
    {"FcOn", 9, 0x08, &MeterStatus::FcOn, sim::Flag::FcOn},
    {"LxOn", 9, 0x10, &MeterStatus::LxOn, sim::Flag::LxOn},
    {"LightOn", 9, 0x20, &MeterStatus::LightOn, sim::Flag::LightOn},
    {"SmallPlusOn", 9, 0x40, &MeterStatus::SmallPlusOn, sim::Flag::SmallPlusOn},
    {"StrayOn", 9, 0x80, &MeterStatus::StrayOn, sim::Flag::StrayOn},
    {"CommaOn", 10, 0x01, &MeterStatus::CommaOn, sim::Flag::CommaOn},
    {"BatteryOn", 10, 0x02, &MeterStatus::BatteryOn, sim::Flag::BatteryOn},
    {"BigPlusOn", 10, 0x04, &MeterStatus::BigPlusOn, sim::Flag::BigPlusOn},
    {"NegativeOn", 10, 0x08, &MeterStatus::NegativeOn, sim::Flag::NegativeOn},
    {"AutoRangeOn", 10, 0x10, &MeterStatus::AutoRangeOn, sim::Flag::AutoRangeOn},
    {"CycleOn", 10, 0x20, &MeterStatus::CycleOn, sim::Flag::CycleOn},
    {"ReadOn", 10, 0x40, &MeterStatus::ReadOn, sim::Flag::ReadOn},
    {"LowerAvgOn", 10, 0x80, &MeterStatus::LowerAvgOn, sim::Flag::LowerAvgOn},
    {"NoOn", 11, 0x01, &MeterStatus::NoOn, sim::Flag::NoOn},
    {"StartOn", 11, 0x02, &MeterStatus::StartOn, sim::Flag::StartOn},
    {"IntvOn", 11, 0x04, &MeterStatus::IntvOn, sim::Flag::IntvOn},
    {"StopOn", 11, 0x08, &MeterStatus::StopOn, sim::Flag::StopOn},
    {"DayHourOn", 11, 0x10, &MeterStatus::DayHourOn, sim::Flag::DayHourOn},
    {"MinSecOn", 11, 0x20, &MeterStatus::MinSecOn, sim::Flag::MinSecOn},
    {"TimeHoldOn", 11, 0x40, &MeterStatus::TimeHoldOn, sim::Flag::TimeHoldOn},
    {"LowerPercentOn", 11, 0x80, &MeterStatus::LowerPercentOn, sim::Flag::LowerPercentOn},
    {"FtOn", 12, 0x01, &MeterStatus::FtOn, sim::Flag::FtOn},
    {"MetreOn", 12, 0x02, &MeterStatus::MetreOn, sim::Flag::MetreOn},
    {"MainPoint1On", 12, 0x04, &MeterStatus::MainPoint1On, sim::Flag::MainPoint1On},
    {"MainPoint2On", 12, 0x08, &MeterStatus::MainPoint2On, sim::Flag::MainPoint2On},
    {"MainPoint3On", 12, 0x10, &MeterStatus::MainPoint3On, sim::Flag::MainPoint3On},
    {"SubPoint1On", 12, 0x20, &MeterStatus::SubPoint1On, sim::Flag::SubPoint1On},
    {"SubPoint2On", 12, 0x40, &MeterStatus::SubPoint2On, sim::Flag::SubPoint2On},
    {"SubPoint3On", 12, 0x80, &MeterStatus::SubPoint3On, sim::Flag::SubPoint3On},
    {"DateDotOn", 13, 0x01, &MeterStatus::DateDotOn, sim::Flag::DateDotOn},
    {"TimeDotOn", 13, 0x02, &MeterStatus::TimeDotOn, sim::Flag::TimeDotOn},
    {"MemOn", 13, 0x04, &MeterStatus::MemOn, sim::Flag::MemOn},
    {"SetUpOn", 13, 0x08, &MeterStatus::SetUpOn, sim::Flag::SetUpOn},
    {"ClearOn", 13, 0x20, &MeterStatus::ClearOn, sim::Flag::ClearOn},
    {"ScfOn", 13, 0x40, &MeterStatus::ScfOn, sim::Flag::ScfOn},
}};

void addAnnunciatorRows() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(kAnnunciators.size()); ++i)
        QTest::newRow(kAnnunciators[i].name) << i;
}

// Fails unless `status` has exactly the one flag on, naming the flags that are on if not.
void verifyOnlyFlag(const MeterStatus& status, const Annunciator& a) {
    MeterStatus expected;
    expected.*(a.flag) = true;
    QStringList on;
    for (const Annunciator& other : kAnnunciators)
        if (status.*(other.flag))
            on << QLatin1String(other.name);
    QVERIFY2(status == expected, qPrintable(QStringLiteral("on: ") + on.join(QLatin1Char(' '))));
}

} // namespace

class TestDisplayDecoder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusBitSetsExactlyItsFlag_data();
    void statusBitSetsExactlyItsFlag();
    void simulatedMeterFrameDecodesToItsFlag_data();
    void simulatedMeterFrameDecodesToItsFlag();
    void statusByteBitsReadLeastSignificantFirst();
    void ignoredBitsOfLastStatusByte();
    void unitText_data();
    void unitText();
    void scaleAndDecimals_data();
    void scaleAndDecimals();
    void mainReading_data();
    void mainReading();
    void overload_data();
    void overload();
    void digitsShorterThanDecimalsKeepPreviousText();
    void memoryAndTimeDigits();
};

void TestDisplayDecoder::statusBitSetsExactlyItsFlag_data() {
    addAnnunciatorRows();
}

void TestDisplayDecoder::statusBitSetsExactlyItsFlag() {
    QFETCH(int, row);
    const Annunciator& a = kAnnunciators[size_t(row)];
    std::array<unsigned char, 6> status{};
    status[size_t(a.frameByte - 8)] = a.mask;
    DisplayModel model;
    DecodeStatusBytes(testsupport::displayFrame(0xAAAAAA, status), model);
    verifyOnlyFlag(model.status, a);
}

void TestDisplayDecoder::simulatedMeterFrameDecodesToItsFlag_data() {
    addAnnunciatorRows();
}

// The simulated meter encodes from its own model of the display: a second, independent reading
// of the frame layout.
void TestDisplayDecoder::simulatedMeterFrameDecodesToItsFlag() {
    QFETCH(int, row);
    const Annunciator& a = kAnnunciators[size_t(row)];
    sim::DisplayState state;
    state.set(a.simFlag);
    DisplayModel model;
    DecodeStatusBytes(sim::encodeDisplayFrame(state), model);
    verifyOnlyFlag(model.status, a);
}

void TestDisplayDecoder::statusByteBitsReadLeastSignificantFirst() {
    DisplayModel model;
    DecodeStatusBytes(testsupport::displayFrame(0, {0x21, 0, 0, 0, 0, 0}), model);
    MeterStatus expected;
    expected.RelOn = true;  // bit 0
    expected.HoldOn = true; // bit 5
    QVERIFY(model.status == expected);
}

void TestDisplayDecoder::ignoredBitsOfLastStatusByte() {
    DisplayModel model;
    DecodeStatusBytes(testsupport::displayFrame(0, {0, 0, 0, 0, 0, 0x90}), model);
    QVERIFY(model.status == MeterStatus());
}

void TestDisplayDecoder::unitText_data() {
    QTest::addColumn<int>("byte9");
    QTest::addColumn<QString>("unit");
    QTest::newRow("lux") << 0x10 << "Lx";
    QTest::newRow("foot-candles") << 0x08 << "Fc";
    QTest::newRow("both: foot-candles win") << 0x18 << "Fc";
    QTest::newRow("candela") << 0x04 << "";
    QTest::newRow("none") << 0x00 << "";
}

void TestDisplayDecoder::unitText() {
    QFETCH(int, byte9);
    QFETCH(QString, unit);
    DisplayModel model;
    model.UnitText = QStringLiteral("stale");
    DecodeStatusBytes(testsupport::displayFrame(0, {0, (unsigned char)byte9, 0, 0, 0, 0}), model);
    QCOMPARE(model.UnitText, unit);
}

void TestDisplayDecoder::scaleAndDecimals_data() {
    QTest::addColumn<int>("byte10");
    QTest::addColumn<int>("byte12");
    QTest::addColumn<float>("scale");
    QTest::addColumn<int>("decimals");
    QTest::newRow("none") << 0 << 0 << 1.0f << 0;
    QTest::newRow("point 1") << 0 << 0x04 << 0.001f << 3;
    QTest::newRow("point 2") << 0 << 0x08 << 0.01f << 2;
    QTest::newRow("point 3") << 0 << 0x10 << 0.1f << 1;
    QTest::newRow("point 1 before 2 and 3") << 0 << 0x1C << 0.001f << 3;
    QTest::newRow("point 2 before 3") << 0 << 0x18 << 0.01f << 2;
    QTest::newRow("comma before every point") << 0x01 << 0x08 << 1.0f << 0;
    QTest::newRow("time-field points do not count") << 0 << 0xE0 << 1.0f << 0;
}

void TestDisplayDecoder::scaleAndDecimals() {
    QFETCH(int, byte10);
    QFETCH(int, byte12);
    QFETCH(float, scale);
    QFETCH(int, decimals);
    DisplayModel model;
    DecodeStatusBytes(
        testsupport::displayFrame(0, {0, 0, (unsigned char)byte10, 0, (unsigned char)byte12, 0}),
        model);
    QCOMPARE(model.MainScale, scale);
    QCOMPARE(int(model.MainDecimals), decimals);
}

void TestDisplayDecoder::mainReading_data() {
    QTest::addColumn<quint32>("mainBytes");
    QTest::addColumn<int>("byte12");
    QTest::addColumn<QString>("shown"); // '_' marks a blank position
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("value");
    QTest::newRow("two decimals") << 0xAA1234u << 0x08 << "__1234"
                                  << "1234"
                                  << "12.34" << 12.34f;
    QTest::newRow("leading zeros") << 0xA00050u << 0x04 << "_00050"
                                   << "00050"
                                   << "00.050" << 0.05f;
    QTest::newRow("no point") << 0x123456u << 0 << "123456"
                              << "123456"
                              << "123456" << 123456.0f;
    QTest::newRow("one decimal") << 0xAAA999u << 0x10 << "___999"
                                 << "999"
                                 << "99.9" << 99.9f;
    QTest::newRow("digit then blank") << 0x0A1234u << 0 << "0_1234"
                                      << "01234"
                                      << "01234" << 1234.0f;
    QTest::newRow("all blank") << 0xAAAAAAu << 0 << "______"
                               << ""
                               << "" << 0.0f;
    QTest::newRow("letters shown, value stops at them") << 0xAABC12u << 0 << "__BC12"
                                                        << "BC12"
                                                        << "BC12" << 0.0f;
    QTest::newRow("letter after digits") << 0xA12E45u << 0x08 << "_12E45"
                                         << "12E45"
                                         << "12E.45" << 0.12f;
}

void TestDisplayDecoder::mainReading() {
    QFETCH(quint32, mainBytes);
    QFETCH(int, byte12);
    QFETCH(QString, shown);
    QFETCH(QString, digits);
    QFETCH(QString, text);
    QFETCH(float, value);
    DisplayModel model;
    const QByteArray frame =
        testsupport::displayFrame(mainBytes, {0, 0x10, 0, 0, (unsigned char)byte12, 0});
    DecodeStatusBytes(frame, model);
    const meterlink::DisplayDigits d = DecodeDisplayDigits(frame, model);
    QCOMPARE(joined(d.main), shown);
    QCOMPARE(model.MainDigits, digits);
    QVERIFY(d.mainTextFormed);
    QCOMPARE(model.MainText, text);
    QCOMPARE(model.MainValue, value);
}

void TestDisplayDecoder::overload_data() {
    QTest::addColumn<int>("byte9");
    QTest::addColumn<float>("value");
    QTest::newRow("lux") << 0x10 << 1000000.0f;
    QTest::newRow("foot-candles") << 0x08 << 100000.0f;
    QTest::newRow("candela, no unit") << 0x04 << 100000.0f;
}

void TestDisplayDecoder::overload() {
    QFETCH(int, byte9);
    QFETCH(float, value);
    DisplayModel model;
    // The points would give decimals; an overload shows "OL" regardless.
    const QByteArray frame =
        testsupport::displayFrame(0xA1FF2Au, {0, (unsigned char)byte9, 0, 0, 0x08, 0});
    DecodeStatusBytes(frame, model);
    const meterlink::DisplayDigits d = DecodeDisplayDigits(frame, model);
    QCOMPARE(joined(d.main), QStringLiteral("_1OL2_"));
    QCOMPARE(model.MainText, QStringLiteral("OL"));
    QCOMPARE(model.MainValue, value);
}

void TestDisplayDecoder::digitsShorterThanDecimalsKeepPreviousText() {
    DisplayModel model;
    model.MainText = QStringLiteral("12.34");
    const QByteArray frame = testsupport::displayFrame(0xAAAA12u, {0, 0x10, 0, 0, 0x04, 0});
    DecodeStatusBytes(frame, model);
    const meterlink::DisplayDigits d = DecodeDisplayDigits(frame, model);
    QVERIFY(!d.mainTextFormed);
    QCOMPARE(model.MainText, QStringLiteral("12.34"));
    QCOMPARE(model.MainDigits, QStringLiteral("12"));
    QCOMPARE(model.MainValue, 0.012f); // the value is formed before the text
}

void TestDisplayDecoder::memoryAndTimeDigits() {
    DisplayModel model;
    const QByteArray frame = testsupport::displayFrame(0, {}, 0xA7, 0xA5F0);
    DecodeStatusBytes(frame, model);
    const meterlink::DisplayDigits d = DecodeDisplayDigits(frame, model);
    QVERIFY(d.memory[0].isNull()); // 0xA is a blank in the memory field
    QCOMPARE(d.memory[1], QLatin1Char('7'));
    // The time field has no blank: every nibble shows as its character.
    QCOMPARE(QString(d.time.data(), 4), QStringLiteral("A5F0"));
}

QTEST_GUILESS_MAIN(TestDisplayDecoder)
#include "test_display_decoder.moc"
