// serve recording unattended, as a service does for months: across local midnight, killed and
// started again, with the meter unplugged, and on a disk that fills up and gets room again,
// against the simulated meter through a real serial port. Every file is checked line by line.
#include "serve_process.h"
#include "sim/simulated_meter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

struct RecordLine {
    QString file;
    QDateTime at;
    QString reading;
};

// The lines of every data file of a record, file after file in the order of their names, each
// checked against the data file format: the header, numbers from 1 without a gap, stamps of the
// file's day that increase. What is wrong goes to `problem`.
QList<RecordLine> checkedRecord(const QString& folder, QString* problem) {
    QList<RecordLine> lines;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile f(QDir(folder).filePath(name));
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        const QDate day = QDate::fromString(name.left(10), Qt::ISODate);
        QList<QByteArray> rows = bytes.split('\n');
        if (!day.isValid() || !bytes.endsWith("\r\n") || rows.takeFirst() != "Lx\tTime\tValue\r") {
            *problem = name + QStringLiteral(": no header, or a torn last line");
            return {};
        }
        rows.removeLast(); // after the last CR LF
        QDateTime last;
        for (int n = 1; n <= rows.size(); ++n) {
            const QList<QByteArray> f3 = rows[n - 1].chopped(1).split('\t');
            const QDateTime at(day, QTime::fromString(QString::fromLatin1(f3.value(1).mid(3)),
                                                      QStringLiteral("hh:mm:ss")));
            if (!rows[n - 1].endsWith('\r') || f3.size() != 3 || f3[0].toInt() != n ||
                f3[1].left(2).toInt() != day.day() || !at.isValid() ||
                (last.isValid() && at <= last)) {
                *problem = QStringLiteral("%1, line %2: %3")
                               .arg(name)
                               .arg(n + 1)
                               .arg(QString::fromLatin1(rows[n - 1]));
                return {};
            }
            last = at;
            lines.append({name, at, QString::fromLatin1(f3[2])});
        }
    }
    return lines;
}

// A time zone (POSIX TZ) in which it is about secondOfDay o'clock now, and its date now.
struct Zone {
    QString tz;
    QDate today;
};
Zone zoneWhereItIs(int secondOfDay) {
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    int offset = (secondOfDay - utc.time().msecsSinceStartOfDay() / 1000 + 86400) % 86400;
    if (offset > 43200)
        offset -= 86400;
    const int a = std::abs(offset);
    const QString tz = QStringLiteral("LOC%1%2:%3:%4")
                           .arg(QChar(offset >= 0 ? u'-' : u'+'))
                           .arg(a / 3600, 2, 10, QLatin1Char('0'))
                           .arg(a / 60 % 60, 2, 10, QLatin1Char('0'))
                           .arg(a % 60, 2, 10, QLatin1Char('0'));
    return {tz, utc.addSecs(offset).date()};
}

QProcessEnvironment inZone(const Zone& z) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), z.tz);
    return env;
}

// The value of luxpanel_record_missed_total on a metrics page; -1 without it.
double missedSamples(const QByteArray& metrics) {
    for (const QByteArray& line : metrics.split('\n'))
        if (line.startsWith("luxpanel_record_missed_total"))
            return line.mid(line.lastIndexOf(' ') + 1).toDouble();
    return -1;
}

} // namespace

class TestServeRecord : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void acrossMidnightKilledAndStartedAgain();
    void meterAwayIsAGap();
    void fullDiskGetsRoomAgain();

private:
    QStringList args() const {
        return {"--port", meter_->linkPath(), "--record", record_, "--record-every", "1"};
    }
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<sim::SimulatedMeter> meter_;
    QString record_;
};

void TestServeRecord::init() {
    folder_ = std::make_unique<QTemporaryDir>();
    meter_ = std::make_unique<sim::SimulatedMeter>(folder_->filePath(QStringLiteral("ttySIM")));
    QString why;
    QVERIFY2(meter_->start(&why), qPrintable(why));
    meter_->setFixedReading(1234.5);
    record_ = folder_->filePath(QStringLiteral("record"));
}

void TestServeRecord::cleanup() {
    meter_.reset();
    folder_.reset();
}

void TestServeRecord::acrossMidnightKilledAndStartedAgain() {
    // Midnight 12 s from now.
    const Zone zone = zoneWhereItIs(86400 - 12);
    const QDate before = zone.today;
    const QString second = QDir(record_).filePath(before.addDays(1).toString(Qt::ISODate) + ".txt");
    const QProcessEnvironment env = inZone(zone);
    {
        ServeProcess serve;
        serve.start(args(), env);
        QVERIFY2(serve.waitToSay("recording into " + second.toUtf8(), 30000),
                 serve.said().constData());
        const auto linesOfTheNewDay = [&] {
            QString problem;
            const QList<RecordLine> lines = checkedRecord(record_, &problem);
            return std::count_if(lines.begin(), lines.end(),
                                 [&](const RecordLine& l) { return l.at.date() != before; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(linesOfTheNewDay() >= 2, 20000);
        serve.stop(SIGKILL);
    }
    qsizetype linesBefore = 0;
    {
        QString problem;
        linesBefore = checkedRecord(record_, &problem).size();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        ServeProcess serve;
        serve.start(args(), env);
        QVERIFY2(serve.waitToSay("recording into " + second.toUtf8(), 30000),
                 serve.said().constData());
        QTRY_VERIFY_WITH_TIMEOUT(checkedRecord(record_, &problem).size() >= linesBefore + 3, 20000);
        serve.stop(SIGTERM);
    }
    QString problem;
    const QList<RecordLine> lines = checkedRecord(record_, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // Two days, one file each; no sample taken twice; the steady reading throughout.
    QCOMPARE(QDir(record_).entryList(QDir::Files).size(), 2);
    QCOMPARE(lines.first().at.date(), before);
    QCOMPARE(lines.last().at.date(), before.addDays(1));
    for (qsizetype i = 1; i < lines.size(); ++i)
        QVERIFY(lines[i].at > lines[i - 1].at);
    for (const RecordLine& l : lines)
        QCOMPARE(l.reading, QStringLiteral("1234.5"));
}

void TestServeRecord::meterAwayIsAGap() {
    ServeProcess serve;
    serve.start(args());
    QString problem;
    QTRY_VERIFY_WITH_TIMEOUT(checkedRecord(record_, &problem).size() >= 2, 30000);
    const qsizetype mark = serve.said().size();
    meter_->unplug(4000ms);
    QVERIFY2(serve.waitToSay("recording paused: the meter is away", 15000, mark),
             serve.said().constData());
    QVERIFY2(serve.waitToSay("the meter is back: recording goes on", 30000, mark),
             serve.said().constData());
    const qsizetype back = checkedRecord(record_, &problem).size();
    QTRY_VERIFY_WITH_TIMEOUT(checkedRecord(record_, &problem).size() >= back + 2, 20000);
    serve.stop(SIGTERM);
    const QList<RecordLine> lines = checkedRecord(record_, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // One file; the gap is where the meter was away, told once.
    QCOMPARE(QDir(record_).entryList(QDir::Files).size(), 1);
    qint64 longest = 0;
    for (qsizetype i = 1; i < lines.size(); ++i)
        longest = std::max(longest, lines[i - 1].at.secsTo(lines[i].at));
    QVERIFY2(longest >= 3, qPrintable(QString::number(longest)));
    QCOMPARE(serve.said().count("recording paused"), 1);
}

void TestServeRecord::fullDiskGetsRoomAgain() {
    if (::geteuid() != 0)
        QSKIP("a full disk needs a tmpfs of its own, which only root may mount");
    QVERIFY(QDir().mkpath(record_));
    QVERIFY2(::mount("tmpfs", QFile::encodeName(record_).constData(), "tmpfs", 0, "size=256k") == 0,
             std::strerror(errno));
    const auto unmount =
        qScopeGuard([&] { ::umount2(QFile::encodeName(record_).constData(), MNT_DETACH); });
    // Noon, and a record of the day so far that ends a few bytes short of a page: the next line
    // needs a block of the disk.
    const Zone noon = zoneWhereItIs(43200);
    QFile day(QDir(record_).filePath(noon.today.toString(Qt::ISODate) + ".txt"));
    QVERIFY(day.open(QIODevice::WriteOnly));
    QByteArray kept = "Lx\tTime\tValue\r\n";
    constexpr int kPage = 4096;
    for (int n = 1; kPage - kept.size() % kPage > 20; ++n) {
        const QByteArray line =
            QByteArray::number(n) + '\t' + noon.today.toString("dd-").toLatin1() +
            QTime(0, 0).addSecs(n).toString("hh:mm:ss").toLatin1() + "\t1.5\r\n";
        kept += line;
    }
    QVERIFY(day.write(kept) == kept.size() && day.flush());
    day.close();
    // The rest of the disk taken.
    QFile filler(QDir(record_).filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(kPage, 'x');
    while (filler.write(block) == block.size()) {
    }
    ServeProcess serve;
    serve.start(args() + QStringList{"--http", "0"}, inZone(noon));
    const quint16 port = serve.httpPort();
    QVERIFY(port != 0);
    QString problem;
    QVERIFY2(serve.waitToSay("samples are counted as missed", 15000), serve.said().constData());
    QTRY_VERIFY_WITH_TIMEOUT(missedSamples(httpGet(port, "/metrics").body) >= 1, 10000);
    filler.remove();
    QVERIFY2(serve.waitToSay("recording works again", 15000), serve.said().constData());
    const qsizetype resumed = checkedRecord(record_, &problem).size();
    QTRY_VERIFY_WITH_TIMEOUT(checkedRecord(record_, &problem).size() >= resumed + 2, 20000);
    serve.stop(SIGTERM);
    const QList<RecordLine> lines = checkedRecord(record_, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(serve.said().count("samples are counted as missed"), 1);
    // What was written before the disk filled is there as it was.
    QVERIFY(day.open(QIODevice::ReadOnly));
    QVERIFY(day.readAll().startsWith(kept));
}

QTEST_GUILESS_MAIN(TestServeRecord)
#include "test_serve_record.moc"
