#include "recording/daily_record.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <time.h>

namespace {

// One sample: when, and what the meter showed.
struct Sample {
    QDateTime at;
    bool up = true;
    QString unit = QStringLiteral("Lx");
    QString text = QStringLiteral("512.3");
    bool relative = false;
};
using Samples = QList<Sample>;
using Files = QMap<QString, QByteArray>; // name -> whole contents

QDateTime at(int day, const char* time) {
    return QDateTime(QDate(2026, 3, day), QTime::fromString(QLatin1String(time), "hh:mm:ss"));
}

meterlink::DisplayModel display(const Sample& s) {
    meterlink::DisplayModel d;
    d.UnitText = s.unit;
    d.MainText = s.text;
    d.status.RelOn = s.relative;
    d.status.LxOn = s.unit == QLatin1String("Lx");
    return d;
}

Files filesIn(const QString& folder) {
    Files files;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        QFile f(QDir(folder).filePath(name));
        f.open(QIODevice::ReadOnly);
        files[name] = f.readAll();
    }
    return files;
}

} // namespace

class TestDailyRecord : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "UTC");
        tzset();
    }
    void samplesIntoDailyFiles_data();
    void samplesIntoDailyFiles();
    void restartGoesOnInTheDaysFile();
};

void TestDailyRecord::samplesIntoDailyFiles_data() {
    QTest::addColumn<Samples>("samples");
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("said");
    const QByteArray h = "Lx\tTime\tValue\r\n";
    // %1: the folder.
    const QString into7 = QStringLiteral("recording into %1/2026-03-07.txt");
    QTest::newRow("a new file at midnight")
        << Samples{{at(7, "23:59:00")},
                   {at(7, "23:59:30")},
                   {at(8, "00:00:00")},
                   {at(8, "00:00:30")}}
        << Files{{"2026-03-07.txt", h + "1\t07-23:59:00\t512.3\r\n2\t07-23:59:30\t512.3\r\n"},
                 {"2026-03-08.txt", h + "1\t08-00:00:00\t512.3\r\n2\t08-00:00:30\t512.3\r\n"}}
        << QStringList{into7, "recording into %1/2026-03-08.txt"};
    Sample fc{at(7, "10:01:00")};
    fc.unit = QStringLiteral("Fc");
    fc.text = QStringLiteral("47.60");
    QTest::newRow("a unit change: a further file")
        << Samples{{at(7, "10:00:00")}, fc}
        << Files{{"2026-03-07.txt", h + "1\t07-10:00:00\t512.3\r\n"},
                 {"2026-03-07.2.txt", "Fc\tTime\tValue\r\n1\t07-10:01:00\t47.60\r\n"}}
        << QStringList{into7, "recording into %1/2026-03-07.2.txt"};
    Sample lost{at(7, "10:01:00")};
    lost.up = false;
    Sample stillLost{at(7, "10:02:00")};
    stillLost.up = false;
    QTest::newRow("the meter away: a gap, said once")
        << Samples{{at(7, "10:00:00")}, lost, stillLost, {at(7, "10:03:00")}}
        << Files{{"2026-03-07.txt", h + "1\t07-10:00:00\t512.3\r\n2\t07-10:03:00\t512.3\r\n"}}
        << QStringList{into7, "recording paused: the meter is away; nothing is written meanwhile",
                       "the meter is back: recording goes on"};
    Sample relative{at(7, "10:01:00")};
    relative.relative = true;
    QTest::newRow("out of its normal mode and back: a further file")
        << Samples{{at(7, "10:00:00")}, relative, {at(7, "10:02:00")}}
        << Files{{"2026-03-07.txt", h + "1\t07-10:00:00\t512.3\r\n"},
                 {"2026-03-07.2.txt", h + "1\t07-10:02:00\t512.3\r\n"}}
        << QStringList{into7,
                       "recording paused: the meter is out of its normal measuring mode; "
                       "nothing is written meanwhile",
                       "the meter is back: recording goes on; recording into "
                       "%1/2026-03-07.2.txt"};
    QTest::newRow("the clock set back within the day: stamps still increase in each file")
        << Samples{{at(7, "10:00:00")}, {at(7, "09:00:30")}, {at(7, "09:01:00")}}
        << Files{{"2026-03-07.txt", h + "1\t07-10:00:00\t512.3\r\n"},
                 {"2026-03-07.2.txt", h + "1\t07-09:00:30\t512.3\r\n2\t07-09:01:00\t512.3\r\n"}}
        << QStringList{into7, "recording into %1/2026-03-07.2.txt"};
    QTest::newRow("the clock set back over midnight: no line for the other day")
        << Samples{{at(8, "00:00:10")}, {at(7, "23:59:50")}, {at(8, "00:00:20")}}
        << Files{{"2026-03-08.txt", h + "1\t08-00:00:10\t512.3\r\n2\t08-00:00:20\t512.3\r\n"}}
        << QStringList{"recording into %1/2026-03-08.txt",
                       "the computer's clock went back to 2026-03-07: nothing is written until "
                       "it is 2026-03-08 again"};
}

void TestDailyRecord::samplesIntoDailyFiles() {
    QFETCH(Samples, samples);
    QFETCH(Files, files);
    QFETCH(QStringList, said);
    QTemporaryDir dir;
    recording::DailyRecord record(dir.path());
    QStringList told;
    for (const Sample& s : samples)
        if (const auto text = record.take(display(s), s.up, s.at))
            told << *text;
    QCOMPARE(filesIn(dir.path()), files);
    for (QString& s : said)
        s.replace(QStringLiteral("%1"), dir.path());
    QCOMPARE(told, said);
    QCOMPARE(record.missed(), quint64(0));
}

void TestDailyRecord::restartGoesOnInTheDaysFile() {
    // Killed as it wrote its third line, the record goes on from its second.
    QTemporaryDir dir;
    {
        QFile f(dir.filePath(QStringLiteral("2026-03-07.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Lx\tTime\tValue\r\n1\t07-10:00:00\t1.5\r\n2\t07-10:01:00\t1.6\r\n3\t07-10:0");
    }
    recording::DailyRecord record(dir.path());
    QVERIFY(record.take(display({at(7, "10:05:00")}), true, at(7, "10:05:00")));
    QCOMPARE(filesIn(dir.path()),
             (Files{{"2026-03-07.txt", "Lx\tTime\tValue\r\n1\t07-10:00:00\t1.5\r\n2\t07-10:01:00\t"
                                       "1.6\r\n3\t07-10:05:00\t512.3\r\n"}}));
}

QTEST_GUILESS_MAIN(TestDailyRecord)
#include "test_daily_record.moc"
