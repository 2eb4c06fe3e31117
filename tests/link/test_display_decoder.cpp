#include "link/display_decoder.h"

#include "fake_link.h"

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
} // namespace

class TestDisplayDecoder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachStatusBitSetsExactlyItsFlag_data();
    void eachStatusBitSetsExactlyItsFlag();
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

void TestDisplayDecoder::eachStatusBitSetsExactlyItsFlag_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(meterlink::kStatusBits.size()); ++i)
        QTest::newRow(meterlink::kStatusBits[i].name) << i;
}

void TestDisplayDecoder::eachStatusBitSetsExactlyItsFlag() {
    QFETCH(int, index);
    const meterlink::StatusBit& bit = meterlink::kStatusBits[index];
    std::array<unsigned char, 6> status{};
    status[bit.frameByte - 8] = (unsigned char)(1u << bit.bit);
    DisplayModel model;
    DecodeStatusBytes(testsupport::displayFrame(0xAAAAAA, status), model);
    MeterStatus expected;
    expected.*(bit.flag) = true;
    QVERIFY2(model.status == expected, bit.name);
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
