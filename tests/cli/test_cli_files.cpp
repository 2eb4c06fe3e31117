// luxpanel-cli on data files: the figures and the CSV export, as a script runs them.
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs a program to its end in a time zone and gives back its exit code; output in out and err.
int run(const QString& program, const QStringList& args, QByteArray* out = nullptr,
        QByteArray* err = nullptr, const QString& zone = QStringLiteral("Europe/Berlin")) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), zone);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int cli(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr,
        const QString& zone = QStringLiteral("Europe/Berlin")) {
    return run(QStringLiteral(LUXPANEL_CLI), args, out, err, zone);
}

// A recording's lines, numbered, from "stamp reading" pairs.
QByteArray recording(const QStringList& rows, const QByteArray& unit = "Lx") {
    QByteArray text = unit + "\tTime\tValue\r\n";
    int n = 0;
    for (const QString& row : rows)
        text += QByteArray::number(++n) + '\t' + row.section(u' ', 0, 0).toLatin1() + '\t' +
                row.section(u' ', 1).toLatin1() + "\r\n";
    return text;
}

} // namespace

class TestCliFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void statsAsJson();
    void probes_data();
    void probes();
    void filesThatGiveNoFigures_data();
    void filesThatGiveNoFigures();
    void exportReadsBackInACsvReader();
    void folderCombinedWithReport();

private:
    QString write(const char* name, const QByteArray& bytes,
                  const QString& modified = QStringLiteral("2026-11-01T13:10:00+01:00")) {
        const QString path = folder_->filePath(QLatin1String(name));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(bytes);
            f.flush();
            f.setFileTime(QDateTime::fromString(modified, Qt::ISODate),
                          QFileDevice::FileModificationTime);
        }
        return path;
    }
    std::unique_ptr<QTemporaryDir> folder_;
};

void TestCliFiles::init() {
    folder_ = std::make_unique<QTemporaryDir>();
}

void TestCliFiles::statsAsJson() {
    // A list's saved form, in foot-candles, across the end of October.
    const QString path =
        write("fc.txt", "Fc\tTime\tValue\t\r\n1\t31-23:59:50\t10.5\t\r\n2\t01-00:00:00\t20\t\r\n"
                        "3\t01-00:00:10\tOL\t\r\n");
    QByteArray out;
    QCOMPARE(cli({"stats", path, "--json", "--factor", "0.02", "--budget", "150000", "--low", "15",
                  "--high", "30"},
                 &out),
             0);
    // 10.5 fc for 10 s and 20 fc for 10 s: 305 fc.s, 3282.99 lx.s (x 10.7639104); 1130.21 lx.s
    // on the 31st and 2152.78 on the 1st, at 0.02 µmol/m²/s per lux. Computed figures keep ten
    // significant digits, readings their own decimals.
    QCOMPARE(out, "{\"above_s\":0,\"below_s\":10,\"budget_share\":6.079616069e-06,\"dli\":[{"
                  "\"date\":\"2026-10-31\",\"day\":\"31\",\"mol_m2\":2.260421188e-05},{\"date\":"
                  "\"2026-11-01\",\"day\":\"01\",\"mol_m2\":4.305564167e-05}],\"duration_s\":20,"
                  "\"exposure_fch\":0.08472222222,\"exposure_lxh\":0.9119424103,\"file\":\"" +
                      path.toUtf8() +
                      "\",\"first\":\"31-23:59:50\",\"first_time\":\"2026-10-31T23:59:50+01:00\","
                      "\"interval_s\":10,\"last\":\"01-00:00:10\",\"last_time\":"
                      "\"2026-11-01T00:00:10+01:00\",\"left_out_slots\":1,\"max\":20,\"max_at\":"
                      "\"01-00:00:00\",\"max_time\":\"2026-11-01T00:00:00+01:00\",\"mean\":15.25,"
                      "\"median\":15.25,\"min\":10.5,\"min_at\":\"31-23:59:50\",\"min_time\":"
                      "\"2026-10-31T23:59:50+01:00\",\"over_range\":1,\"projected_days\":0,"
                      "\"projected_year_lxh\":null,\"rows\":3,\"stdev\":6.717514421,"
                      "\"time_weighted_mean\":15.25,\"unit\":\"Fc\",\"valid\":2,\"within_s\":10}"
                      "\n");
}

void TestCliFiles::probes_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("modified");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QByteArray>("figures"); // the figures that matter here, as JSON
    QTest::newRow("a pause across a month end")
        << recording({"31-12:00:00 100", "31-12:01:00 100", "01-13:00:00 200", "01-13:01:00 200"})
        << "2026-11-01T13:10:00+01:00"
        << "Europe/Berlin"
        << QByteArray(R"({"duration_s":90060,"exposure_lxh":10,"projected_year_lxh":null})");
    // The hour repeated when clocks go back: 105 minutes of readings.
    QTest::newRow("autumn in New York")
        << recording({"01-00:50:00 10", "01-01:59:00 10", "01-01:00:00 10", "01-01:35:00 10"})
        << "2026-11-01T06:05:00Z"
        << "America/New_York"
        << QByteArray(R"({"duration_s":6300,"last_time":"2026-11-01T01:35:00-05:00"})");
    QTest::newRow("spring in Berlin")
        << recording({"29-01:30:00 10", "29-01:59:00 10", "29-03:00:00 10", "29-03:30:00 10"})
        << "2026-03-29T04:00:00+02:00"
        << "Europe/Berlin" << QByteArray(R"({"duration_s":3600,"interval_s":1740})");
    QTest::newRow("a line of ten million digits is not a reading")
        << recording(
               {"01-10:00:00 99.9", "01-10:00:10 " + QString(10000000, u'9'), "01-10:00:20 100.25"})
        << "2026-11-01T13:10:00+01:00"
        << "UTC" << QByteArray(R"({"max":100.25,"min":99.9,"rows":3,"valid":2})");
    QStringList many;
    for (int s = 0; s <= 100000; ++s)
        many << QStringLiteral("%1-%2 %3")
                    .arg(1 + s / 86400, 2, 10, QLatin1Char('0'))
                    .arg(QTime(0, 0).addSecs(s % 86400).toString(QStringLiteral("HH:mm:ss")))
                    .arg(s == 100000 ? 900 : 500);
    QTest::newRow("100,001 rows, the largest last")
        << recording(many) << "2026-11-02T12:00:00Z"
        << "UTC"
        << QByteArray(R"({"max":900,"max_time":"2026-11-02T03:46:40+00:00","rows":100001,)"
                      R"("projected_days":1,"projected_year_lxh":4380000})");
}

void TestCliFiles::probes() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, modified);
    QFETCH(QString, zone);
    QFETCH(QByteArray, figures);
    const QString path = write("probe.txt", contents, modified);
    QByteArray out;
    QByteArray err;
    QCOMPARE(cli({"stats", path, "--json"}, &out, &err, zone), 0);
    const QJsonObject got = QJsonDocument::fromJson(out).object();
    const QJsonObject expected = QJsonDocument::fromJson(figures).object();
    QVERIFY(!expected.isEmpty());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QCOMPARE(got.value(it.key()), it.value());
    // A row left out is said.
    QCOMPARE(err.contains("row holds no reading"), contents.size() > 10000000);
}

void TestCliFiles::filesThatGiveNoFigures_data() {
    QTest::addColumn<QByteArray>("contents"); // empty: no such file
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("no valid reading") << QByteArray("Lx\tTime\tValue\r\n1\t07-10:00:00\tOL\r\n")
                                      << 3 << QByteArray("holds no valid reading\n");
    QTest::newRow("header only") << QByteArray("Lx\tTime\tValue\r\n") << 3
                                 << QByteArray("holds no reading\n");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char(i * 7919 % 256));
    QTest::newRow("pure binary") << binary << 3 << QByteArray("holds no reading\n");
    QTest::newRow("no such file") << QByteArray() << 5
                                  << QByteArray("cannot be read: no such file\n");
}

void TestCliFiles::filesThatGiveNoFigures() {
    QFETCH(QByteArray, contents);
    QFETCH(int, code);
    QFETCH(QByteArray, said);
    const QString path = contents.isEmpty() ? folder_->filePath(QStringLiteral("none.txt"))
                                            : write("some.txt", contents);
    QByteArray out;
    QByteArray err;
    QCOMPARE(cli({"stats", path}, &out, &err), code);
    QVERIFY(err.endsWith("luxpanel-cli: " + path.toUtf8() + ' ' + said));
    QVERIFY(!out.contains("first ,"));
}

void TestCliFiles::exportReadsBackInACsvReader() {
    // Clocks go back in New York while the file is recorded; a line without a time is left out.
    const QString path = write(
        "rec.txt", recording({"01-01:59:00 12.5", "01-01:00:00 OL", "01-01:00:30 0.25", "x,y 1"}),
        QStringLiteral("2026-11-01T06:05:00Z"));
    const QString csv = folder_->filePath(QStringLiteral("rec.csv"));
    QByteArray out;
    QCOMPARE(cli({"export", path, "--csv", csv}, &out, nullptr, QStringLiteral("America/New_York")),
             0);
    QVERIFY(out.contains("year and month from the file's modification time"));
    QVERIFY(out.contains("2 rows without a time stamp left out"));
    QByteArray rows;
    QCOMPARE(run(QStringLiteral("python3"),
                 {"-c",
                  "import csv, sys\n"
                  "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                  "    for row in csv.reader(f, strict=True):\n"
                  "        print('|'.join(row))",
                  csv},
                 &rows),
             0);
    QCOMPARE(rows, QByteArray("time|reading|value|unit\n"
                              "2026-11-01T01:59:00-04:00|12.5|12.5|Lx\n"
                              "2026-11-01T01:00:00-05:00|OL||Lx\n"
                              "2026-11-01T01:00:30-05:00|0.25|0.25|Lx\n"));
}

void TestCliFiles::folderCombinedWithReport() {
    // Daily files, dated by their names (their modification times say December), a further file
    // of a day, and a file that is no data file.
    write("2026-03-31.txt", recording({"31-23:00:00 100", "31-23:30:00 100"}), "2026-12-08T12:00Z");
    write("2026-04-01.txt", recording({"01-00:00:00 200", "01-00:30:00 200"}), "2026-12-08T12:00Z");
    write("2026-04-01.2.txt", recording({"01-01:00:00 300"}), "2026-12-08T12:00Z");
    write("notes.md", "not a data file");
    const QString pdf = folder_->filePath(QStringLiteral("dose.pdf"));
    QByteArray out;
    QByteArray err;
    QCOMPARE(cli({"stats", folder_->path(), "--combine", "--json", "--budget", "150000", "--name",
                  "case 3", "--report", pdf},
                 &out, &err),
             0);
    QVERIFY(err.contains("Wrote the report to"));
    // Half an hour a reading: 100 lx for an hour on the 31st; 200 lx for an hour and 300 lx for
    // half an hour on the 1st.
    const QJsonObject got = QJsonDocument::fromJson(out).object();
    const QJsonObject expected =
        QJsonDocument::fromJson(
            R"({"rows":5,"first_time":"2026-03-31T23:00:00+02:00",)"
            R"("last_time":"2026-04-01T01:00:00+02:00","exposure_lxh":450,"budget_share":0.003,)"
            R"("name":"case 3","months":[)"
            R"({"days":1,"dli_mol_m2":null,"dose_lxh":100,"lit_h":1,"mean_lx":100,"month":"2026-03"},)"
            R"({"days":1,"dli_mol_m2":null,"dose_lxh":350,"lit_h":1.5,"mean_lx":233.3333333,)"
            R"("month":"2026-04"}]})")
            .object();
    QVERIFY(!expected.isEmpty());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QCOMPARE(got.value(it.key()), it.value());
    QCOMPARE(got.value(QLatin1String("days")).toArray().size(), 2);
    QFile report(pdf);
    QVERIFY(report.open(QIODevice::ReadOnly));
    QVERIFY(report.read(5) == "%PDF-");
}

QTEST_GUILESS_MAIN(TestCliFiles)
#include "test_cli_files.moc"
