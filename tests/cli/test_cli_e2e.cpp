// The command line tool as a user runs it, against the simulated meter through a real serial port.
#include "sim/simulated_meter.h"
#include "text/data_file.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace std::chrono_literals;

namespace {

// Runs the tool to its end and gives back its exit code; output in out and err.
int run(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr,
        int timeoutMs = 20000) {
    QProcess tool;
    tool.start(QStringLiteral(LUXPANEL_CLI), args);
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return -1;
    }
    if (out)
        *out = tool.readAllStandardOutput();
    if (err)
        *err = tool.readAllStandardError();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

} // namespace

class TestCliEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void readPrintsTheDisplay();
    void readTakesNoFrameMadeOfTwoBursts();
    void recordWritesTheProgramsDataFile();
    void stoppedOrKilledRecordKeepsEveryLine_data();
    void stoppedOrKilledRecordKeepsEveryLine();
    void clockSetSetsTheMeter();
    void downloadWritesTheDataListsFiles();
    void downloadEndings();
    void eraseClearsTheLogger();
    void silentMeterIsLost();
    void portThatDoesNotOpen();
    void killedWithItsOwnSimulatedMeterLeavesNoFolder();

private:
    QString port() const { return meter_->linkPath(); }
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<sim::SimulatedMeter> meter_;
};

void TestCliEndToEnd::init() {
    folder_ = std::make_unique<QTemporaryDir>();
    meter_ = std::make_unique<sim::SimulatedMeter>(folder_->filePath(QStringLiteral("ttySIM")));
    QString why;
    QVERIFY2(meter_->start(&why), qPrintable(why));
}

void TestCliEndToEnd::cleanup() {
    meter_.reset();
    folder_.reset();
}

void TestCliEndToEnd::readPrintsTheDisplay() {
    meter_->setFixedReading(1234.5);
    QByteArray out;
    QCOMPARE(run({"read", "--port", port(), "--count", "3"}, &out), 0);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    for (const QByteArray& line : lines)
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d:\\d\\d:\\d\\d\\t1234\\.5\\tLx$"))
                     .match(QString::fromLatin1(line))
                     .hasMatch(),
                 line.constData());
    // Ten frames a second carry the steady reading: each second gives it once.
    QVERIFY2(lines[0] != lines[1] && lines[1] != lines[2], out.constData());

    meter_->setFlag(sim::Flag::HoldOn, true);
    QCOMPARE(run({"read", "--port", port(), "--count", "2", "--json"}, &out), 0);
    const QList<QByteArray> objects = out.trimmed().split('\n');
    QCOMPARE(objects.size(), 2);
    QVERIFY(objects[0] != objects[1]);
    const QJsonObject o = QJsonDocument::fromJson(objects[0]).object();
    QCOMPARE(o.value("reading").toString(), QStringLiteral("1234.5"));
    QCOMPARE(o.value("value").toDouble(), 1234.5);
    QVERIFY(o.value("annunciators").toArray().contains(QStringLiteral("HoldOn")));
    // The same moment as the day-and-time stamp, with the machine's offset from UTC.
    const QDateTime at = QDateTime::fromString(o.value("iso_time").toString(), Qt::ISODate);
    QVERIFY2(at.isValid(), objects[0].constData());
    QCOMPARE(o.value("iso_time").toString().size(), 25);
    QCOMPARE(at.toLocalTime().toString(QStringLiteral("dd-HH:mm:ss")), o.value("time").toString());
    QCOMPARE(at.offsetFromUtc(), at.toLocalTime().offsetFromUtc());
}

void TestCliEndToEnd::readTakesNoFrameMadeOfTwoBursts() {
    // Main bytes A1 03 03: a frame cut after 9 or 10 bytes, made up to 14 by the next frame's
    // head, would pass the STX and ETX test.
    meter_->setFixedReading(10.303);
    QProcess tool;
    tool.start(QStringLiteral(LUXPANEL_CLI), {"read", "--port", port(), "--json", "--count", "5"});
    QVERIFY(tool.waitForStarted());
    QTimer cutter;
    QObject::connect(&cutter, &QTimer::timeout, &cutter, [&] { meter_->cutFrames(1); });
    cutter.start(150);
    QTRY_VERIFY_WITH_TIMEOUT(tool.state() == QProcess::NotRunning, 30000);
    cutter.stop();
    const QByteArray out = tool.readAllStandardOutput();
    const QList<QByteArray> lines = out.trimmed().split('\n');
    QCOMPARE(lines.size(), 5);
    const QJsonArray on =
        QJsonDocument::fromJson(lines[0]).object().value("annunciators").toArray();
    for (const QByteArray& line : lines) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        QCOMPARE(o.value("reading").toString(), QStringLiteral("10.303"));
        QCOMPARE(o.value("annunciators").toArray(), on);
    }
}

void TestCliEndToEnd::recordWritesTheProgramsDataFile() {
    meter_->setFixedReading(88.8);
    const QString file = folder_->filePath(QStringLiteral("rec.txt"));
    QByteArray err;
    QCOMPARE(run({"record", "--port", port(), "--out", file, "--interval", "1", "--samples", "3"},
                 nullptr, &err),
             0);
    // Not a terminal: a line a sample, as a journal shows them, no carriage returns.
    QVERIFY2(err.startsWith("sample 1: 88.800 Lx\nsample 2: 88.800 Lx\nsample 3: 88.800 Lx\n3 "
                            "samples in "),
             err.constData());
    QVERIFY(!err.contains('\r'));
    QFile recorded(file);
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    const QByteArray bytes = recorded.readAll();
    QVERIFY(bytes.startsWith("Lx\tTime\tValue\r\n"));
    QCOMPARE(bytes.count("\r\n"), 4);
    recorded.seek(0);
    // As the file list reads it.
    const textrules::DataFileContents contents = textrules::readDataFile(recorded);
    QCOMPARE(contents.unit, QStringLiteral("Lx"));
    QCOMPARE(contents.rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(contents.rows[row * 3], QString::number(row + 1));
        QCOMPARE(contents.rows[row * 3 + 2], QStringLiteral("88.800"));
    }
}

void TestCliEndToEnd::stoppedOrKilledRecordKeepsEveryLine_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGKILL") << int(SIGKILL);
}

void TestCliEndToEnd::stoppedOrKilledRecordKeepsEveryLine() {
    QFETCH(int, signal);
    const QString file = folder_->filePath(QStringLiteral("rec.txt"));
    QProcess tool;
    tool.start(QStringLiteral(LUXPANEL_CLI),
               {"record", "--port", port(), "--out", file, "--interval", "1"});
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += tool.readAllStandardError()).contains("sample 3:"), 15000);
    ::kill(pid_t(tool.processId()), signal);
    QVERIFY(tool.waitForFinished(5000));
    err += tool.readAllStandardError();
    if (signal != SIGKILL) {
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
    }
    // Every sample reported was on disk when it was reported.
    const qsizetype last = err.lastIndexOf("sample ");
    const int reported = err.mid(last + 7, err.indexOf(':', last) - last - 7).toInt();
    QFile recorded(file);
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = recorded.readAll().split('\n');
    QVERIFY2(lines.size() >= reported + 2, err.constData());
    QVERIFY(lines[reported].startsWith(QByteArray::number(reported) + '\t'));
    QVERIFY(lines[reported].endsWith('\r'));
    if (signal != SIGKILL)
        QCOMPARE(lines.size(), reported + 2); // closed after the last line
}

void TestCliEndToEnd::clockSetSetsTheMeter() {
    using Model = sim::MeterModel;
    meter_->withModel([](Model& m) { m.setClock(3, 3600, Model::Clock::now()); });
    QByteArray out;
    QCOMPARE(run({"clock", "--port", port()}, &out), 0);
    QVERIFY2(out.startsWith("meter\t03 01:00:0"), out.constData());
    QVERIFY(out.contains("\tinterval 00:02\npc\t"));

    QCOMPARE(run({"clock", "--port", port(), "--set"}, &out), 0);
    const QDateTime now = QDateTime::currentDateTime();
    const int meterSeconds =
        meter_->withModel([](Model& m) { return m.clockSecondsOfDay(Model::Clock::now()); });
    const int drift = std::abs(meterSeconds - now.time().msecsSinceStartOfDay() / 1000);
    QVERIFY2(drift <= 2 || drift >= 86398, qPrintable(QString::number(drift)));
    QCOMPARE(meter_->withModel([](Model& m) { return m.clockDayOfMonth(Model::Clock::now()); }),
             now.date().day());
}

void TestCliEndToEnd::downloadWritesTheDataListsFiles() {
    // Two sets: 1234 in the ranges of bits 5 and 6 from the 31st, 23:59:05, every 90 s; one
    // record of 123.4 lx.
    const QByteArray memory = QByteArray::fromHex("0055aa00312359050130"
                                                  "04d220"
                                                  "04d240"
                                                  "0055aa00071200000002"
                                                  "04d208");
    meter_->withModel([&](sim::MeterModel& m) { m.loadLoggerMemory(memory); });
    const QString out = folder_->filePath(QStringLiteral("sets"));
    QByteArray listed;
    QCOMPARE(run({"download", "--port", port(), "--out", out, "--unit", "fc"}, &listed), 0);
    QCOMPARE(listed, QByteArray("set-01-Fc.tsv\t31-23:59:05\t90\t2\n"
                                "set-02-Fc.tsv\t07-12:00:00\t2\t1\n"));
    auto contents = [&](const char* name) {
        QFile f(out + u'/' + QLatin1String(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // As the Data List's "Save" writes the set's foot-candle table.
    QCOMPARE(contents("set-01-Fc.tsv"), QByteArray("Fc\tTime\tValue\t\r\n1\t31-23:59:05\t1146\t\r\n"
                                                   "2\t01-00:00:35\t11463.86\t\r\n"));
    QCOMPARE(run({"download", "--port", port(), "--out", out}), 0);
    QCOMPARE(contents("set-02-Lx.tsv"),
             QByteArray("Lx\tTime\tValue\t\r\n1\t07-12:00:00\t123.4\t\r\n"));
}

void TestCliEndToEnd::downloadEndings() {
    const QString out = folder_->filePath(QStringLiteral("sets"));
    QByteArray err;
    QCOMPARE(run({"download", "--port", port(), "--out", out}, nullptr, &err), 3);
    QCOMPARE(err, QByteArray("luxpanel-cli: No Data in Memory\n"));

    meter_->withModel([](sim::MeterModel& m) {
        m.fillLoggerMemory(50, sim::MeterModel::Clock::now());
        m.cutNextDump(1000);
    });
    QElapsedTimer took;
    took.start();
    QCOMPARE(run({"download", "--port", port(), "--out", out}, nullptr, &err), 4);
    QVERIFY2(err.endsWith("luxpanel-cli: the meter stopped sending: no data for 5 s\n"),
             err.constData());
    QVERIFY(took.elapsed() < 12000);
    QVERIFY(QDir(out).entryList(QDir::Files).isEmpty());
}

void TestCliEndToEnd::eraseClearsTheLogger() {
    meter_->withModel([](sim::MeterModel& m) {
        m.loadLoggerMemory(QByteArray::fromHex("0055aa00010203040002000102"));
    });
    QCOMPARE(run({"erase", "--port", port()}), 1); // not without --yes
    QCOMPARE(meter_->loggerEndAddress(), 1535u + 13);
    QCOMPARE(run({"erase", "--port", port(), "--yes"}), 0);
    QTRY_COMPARE(meter_->loggerEndAddress(), 1535u);
}

void TestCliEndToEnd::silentMeterIsLost() {
    meter_->silence(60s);
    QElapsedTimer took;
    took.start();
    QByteArray err;
    QCOMPARE(run({"read", "--port", port(), "--timeout", "1"}, nullptr, &err), 4);
    QVERIFY2(took.elapsed() < 5000, qPrintable(QString::number(took.elapsed())));
}

void TestCliEndToEnd::portThatDoesNotOpen() {
    QByteArray err;
    QCOMPARE(run({"read", "--port", folder_->filePath(QStringLiteral("nothing"))}, nullptr, &err),
             2);
    QVERIFY2(err.startsWith("luxpanel-cli: ") && err.count('\n') == 1, err.constData());
}

// "--port sim" links its meter in a folder of its own under TMPDIR; SIGKILL gives the tool no
// chance to clean up.
void TestCliEndToEnd::killedWithItsOwnSimulatedMeterLeavesNoFolder() {
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp.path());
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(LUXPANEL_CLI), {"read", "--port", "sim"});
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += tool.readAllStandardOutput()).count('\n') >= 2, 15000);
    ::kill(pid_t(tool.processId()), SIGKILL);
    QVERIFY(tool.waitForFinished(5000));
    QCOMPARE(tool.exitStatus(), QProcess::CrashExit);
    const QDir::Filters all = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    QTRY_COMPARE(QDir(tmp.path()).entryList(all), QStringList());
}

QTEST_GUILESS_MAIN(TestCliEndToEnd)
#include "test_cli_e2e.moc"
