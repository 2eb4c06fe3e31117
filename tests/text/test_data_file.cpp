#include "text/data_file.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

using textrules::DataFileContents;

namespace {

DataFileContents read(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return textrules::readDataFile(buffer);
}

// Rows as written in the tables: the three cells of a row joined by "|".
QStringList joinedRows(const DataFileContents& c) {
    QStringList rows;
    for (qsizetype r = 0; r < c.rowCount(); ++r)
        rows.append(
            QStringList{c.rows[size_t(3 * r)], c.rows[size_t(3 * r + 1)], c.rows[size_t(3 * r + 2)]}
                .join(u'|'));
    return rows;
}

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT
private slots:
    void fileReadsBack_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QStringList>("rows");
        const QStringList recorded = {"1|07-14:05:09|12.34", "2|07-14:05:11|OL"};
        QTest::newRow("recording form")
            << QByteArray("Lx\tTime\tValue\r\n1\t07-14:05:09\t12.34\r\n2\t07-14:05:11\tOL\r\n")
            << "Lx" << recorded;
        QTest::newRow("grid form, trailing TABs")
            << QByteArray("Lx\tTime\tValue\t\r\n1\t07-14:05:09\t12.34\t\r\n"
                          "2\t07-14:05:11\tOL\t\r\n")
            << "Lx" << recorded;
        QTest::newRow("CR-only line ends")
            << QByteArray("Lx\tTime\tValue\r1\t07-14:05:09\t12.34\r2\t07-14:05:11\tOL\r") << "Lx"
            << recorded;
        QTest::newRow("LF-only, no last line end")
            << QByteArray("Lx\tTime\tValue\n1\t07-14:05:09\t12.34\n2\t07-14:05:11\tOL") << "Lx"
            << recorded;
        QTest::newRow("Fc header") << QByteArray("Fc\tTime\tValue\r\n") << "Fc" << QStringList();
        QTest::newRow("Lx wins over Fc")
            << QByteArray("Fc\tTime\tValue Lx\r\n") << "Lx" << QStringList();
        QTest::newRow("empty unit field") << QByteArray("\tTime\tValue\r\n") << "" << QStringList();
        QTest::newRow("lower-case lx is no unit")
            << QByteArray("lx\tTime\tValue\r\n") << "" << QStringList();
        QTest::newRow("empty file") << QByteArray() << "" << QStringList();
        QTest::newRow("comma splits a line into two rows")
            << QByteArray("Lx\r\n1\t07-00:00:00\t1,5\r\n") << "Lx"
            << QStringList{"1|07-00:00:00|1", "5||"};
        QTest::newRow("comma in the header") << QByteArray("Time,Lx\tValue\r\n1\ta\tb\r\n") << ""
                                             << QStringList{"Lx|Value|", "1|a|b"};
        QTest::newRow("quoted fields")
            << QByteArray("\"Lx\tTime\",x\r\n\"1\t2,3\" dropped,4\r\n  \"5\"\r\n") << "Lx"
            << QStringList{"x||", "1|2,3|", "4||", "5||"};
        QTest::newRow("unclosed quote runs to the end")
            << QByteArray("Lx\r\n\"1\t2\r\n3") << "Lx" << QStringList{"1|2\r\n3|"};
        QTest::newRow("leading spaces skipped, others kept")
            << QByteArray("  Lx\r\n   5\t a \t b\r\n") << "Lx" << QStringList{"5| a | b"};
        QTest::newRow("missing and extra fields")
            << QByteArray("Lx\r\n1\r\n1\t2\t3\t4\t5\r\n") << "Lx" << QStringList{"1||", "1|2|3"};
        QTest::newRow("blank line is an empty row")
            << QByteArray("Lx\r\n\r\n1\ta\tb\r\n") << "Lx" << QStringList{"||", "1|a|b"};
        QTest::newRow("NUL bytes are kept as characters")
            << QByteArray("Lx\r\n1\t\0\0\t5\0\r\n", 13) << "Lx"
            << QStringList{QStringLiteral("1|") + QChar(0) + QChar(0) + u'|' + u'5' + QChar(0)};
        QTest::newRow("Latin-1 bytes")
            << QByteArray("Lx\r\n1\ta\xb5\tb\r\n") << "Lx" << QStringList{"1|a\u00b5|b"};
        QTest::newRow("10 MB line: cells cut to 256 characters")
            << (QByteArray("Lx\r\n1\t") + QByteArray(10 * 1024 * 1024, 'x') + "\t5\r\n2\ta\tb\r\n")
            << "Lx" << QStringList{"1|" + QString(256, u'x') + "|5", "2|a|b"};
    }
    void fileReadsBack() {
        QFETCH(QByteArray, file);
        QFETCH(QString, unit);
        QFETCH(QStringList, rows);
        const DataFileContents c = read(file);
        QCOMPARE(c.unit, unit);
        QCOMPARE(joinedRows(c), rows);
        QCOMPARE(c.end, DataFileContents::End::Complete);
    }

    void rowCountIsCapped_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("complete");
        QTest::newRow("100000 readings") << 100000 << 100000 << true;
        QTest::newRow("100001 readings") << 100001 << 100000 << false;
    }
    void rowCountIsCapped() {
        QFETCH(int, lines);
        QFETCH(int, rows);
        QFETCH(bool, complete);
        const DataFileContents c = read("Lx\r\n" + QByteArray("1\ta\tb\r\n").repeated(lines));
        QCOMPARE(c.rowCount(), rows);
        QCOMPARE(c.end == DataFileContents::End::Complete, complete);
    }

    // A file that is not text: anything read stays within the bounds.
    void binaryFileStaysBounded() {
        QByteArray noise(4 * 1024 * 1024, '\0');
        QRandomGenerator rng(11);
        for (char& b : noise)
            b = char(rng.bounded(256));
        const DataFileContents c = read(noise);
        QVERIFY(c.hasHeader);
        QVERIFY(c.rowCount() > 1000);
        for (const QString& cell : c.rows)
            QVERIFY(cell.size() <= 256);
    }

    void writtenLines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("recording header")
            << textrules::recordingLine("", "Time", "Value") << QByteArray("\tTime\tValue\r\n");
        QTest::newRow("recording reading")
            << textrules::recordingLine("100000", "07-14:05:09", "OL")
            << QByteArray("100000\t07-14:05:09\tOL\r\n");
        QTest::newRow("grid row") << textrules::gridLine({"Lx", "Time", "Value"})
                                  << QByteArray("Lx\tTime\tValue\t\r\n");
    }
    void writtenLines() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, expected);
        QCOMPARE(line, expected);
    }

    void printLine_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("line");
        QTest::newRow("fits") << QStringList{"1", "07-14:05:09", "12.34"}
                              << "1         07-14:05:09    12.34          ";
        QTest::newRow("header") << QStringList{"Lx", "Time", "Value"}
                                << "Lx        Time           Value          ";
        QTest::newRow("first cell fills its 10 columns")
            << QStringList{"1234567890", "a", "b"} << "1234567890a              b              ";
        QTest::newRow("time and value fill their 15 columns")
            << QStringList{"1", "0123456789abcde", "ABCDEFGHIJKLMNO"}
            << "1         0123456789abcdeABCDEFGHIJKLMNO";
        QTest::newRow("every cell fills its column")
            << QStringList{"1234567890", "0123456789abcde", "ABCDEFGHIJKLMNO"}
            << "12345678900123456789abcdeABCDEFGHIJKLMNO";
        QTest::newRow("one past the width widens by one")
            << QStringList{"12345678901", "0123456789abcdef", "ABCDEFGHIJKLMNOP"}
            << "12345678901 0123456789abcdef ABCDEFGHIJKLMNOP ";
        QTest::newRow("long cells widen their columns")
            << QStringList{"12345678901", "0123456789abcdef", "x"}
            << "12345678901 0123456789abcdef x              ";
    }
    void printLine() {
        QFETCH(QStringList, cells);
        QFETCH(QString, line);
        QCOMPARE(textrules::printLine(cells[0], cells[1], cells[2]), line);
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_data_file.moc"
