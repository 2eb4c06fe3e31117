#include "logger/memory_image.h"

#include <QTest>

using logger::SetScan;

namespace {

QByteArray set(const char* headerHex, const char* recordsHex) {
    return QByteArray::fromHex("0055aa00") + QByteArray::fromHex(headerHex) +
           QByteArray::fromHex(recordsHex);
}

// The reply to "Q" around a memory: 15 lead bytes and a trailing byte.
QByteArray reply(const QByteArray& memory) {
    return QByteArray(15, char(0xEE)) + memory + QByteArray(1, char(0xEE));
}

QList<qsizetype> sizes(const std::vector<QByteArray>& sets) {
    QList<qsizetype> s;
    for (const QByteArray& b : sets)
        s.append(b.size());
    return s;
}

} // namespace

class TestMemoryImage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addresses_data() {
        QTest::addColumn<quint32>("end");
        QTest::addColumn<qsizetype>("expected"); // 0: refused
        QTest::addColumn<QString>("free");
        QTest::newRow("one set of one record") << 1548u << qsizetype(29) << "126.4 K";
        QTest::newRow("half full") << 65535u << qsizetype(64016) << "64 K";
        QTest::newRow("62.569 cut down") << 67000u << qsizetype(65481) << "62.5 K";
        QTest::newRow("13 bytes left") << 131058u << qsizetype(129539) << "0 K";
        QTest::newRow("full") << 131071u << qsizetype(129552) << "0 K";
        QTest::newRow("first address") << 1536u << qsizetype(17) << "126.4 K";
        QTest::newRow("empty") << 1535u << qsizetype(0) << "";
        QTest::newRow("below the sets") << 12u << qsizetype(0) << "";
        QTest::newRow("beyond the memory") << 131072u << qsizetype(0) << "";
    }
    void addresses() {
        QFETCH(quint32, end);
        QFETCH(qsizetype, expected);
        QFETCH(QString, free);
        QCOMPARE(logger::expectedReplyLength(end).value_or(0), expected);
        if (expected > 0)
            QCOMPARE(logger::freeMemoryText(end), free);
    }

    void progress_data() {
        QTest::addColumn<int>("received");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("text");
        QTest::newRow("part") << 3 << 8 << "37.5% Completed";
        QTest::newRow("nothing") << 0 << 29 << "0.0% Completed";
        QTest::newRow("surplus not counted") << 40 << 29 << "100.0% Completed";
    }
    void progress() {
        QFETCH(int, received);
        QFETCH(int, expected);
        QFETCH(QString, text);
        QCOMPARE(logger::progressText(received, expected), text);
    }

    void scan_data() {
        QTest::addColumn<QByteArray>("memory");
        QTest::addColumn<QByteArray>("surplus"); // bytes beyond the expected length
        QTest::addColumn<QList<qsizetype>>("sizes");
        QTest::addColumn<SetScan::End>("end");
        const QByteArray five = set("071405000100", "000108000208000308000408000508");
        const QByteArray two = set("312359050130", "04d20804d240");
        QTest::newRow("5 and 2 records")
            << five + two << QByteArray() << QList<qsizetype>{25, 16} << SetScan::End::Complete;
        QTest::newRow("one record") << set("010000000001", "000102") << QByteArray()
                                    << QList<qsizetype>{13} << SetScan::End::Complete;
        QTest::newRow("surplus dropped")
            << five << QByteArray::fromHex("0055aa00010000000001000102") << QList<qsizetype>{25}
            << SetScan::End::Complete;
        // 00 55 AA 00 across records 1 and 2 is not on a record boundary.
        QTest::newRow("marker inside records")
            << set("010000000001", "000055aa0008") + two << QByteArray() << QList<qsizetype>{16, 16}
            << SetScan::End::Complete;
        QTest::newRow("last set cut short")
            << five + two.left(14) << QByteArray() << QList<qsizetype>{25}
            << SetScan::End::LastSetCutShort;
        QTest::newRow("header only")
            << two.left(10) << QByteArray() << QList<qsizetype>{} << SetScan::End::LastSetCutShort;
        QTest::newRow("no marker at the start") << QByteArray::fromHex("01") + five << QByteArray()
                                                << QList<qsizetype>{} << SetScan::End::NoSetAtStart;
        QTest::newRow("three bytes") << QByteArray::fromHex("0055aa") << QByteArray()
                                     << QList<qsizetype>{} << SetScan::End::NoSetAtStart;
    }
    void scan() {
        QFETCH(QByteArray, memory);
        QFETCH(QByteArray, surplus);
        QFETCH(QList<qsizetype>, sizes);
        QFETCH(SetScan::End, end);
        const qsizetype expected = memory.size() + 16;
        const QByteArray image = logger::memoryImage(reply(memory) + surplus, expected);
        QCOMPARE(image, memory + memory.left(4));
        const SetScan scan = logger::scanSets(image);
        QCOMPARE(::sizes(scan.sets), sizes);
        QCOMPARE(scan.end, end);
        qsizetype at = 0;
        for (const QByteArray& s : scan.sets) {
            QCOMPARE(s, memory.mid(at, s.size()));
            at += s.size();
        }
    }
};

QTEST_APPLESS_MAIN(TestMemoryImage)
#include "test_memory_image.moc"
