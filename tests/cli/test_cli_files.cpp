// luxpanel-cli on data files: the figures and the CSV export, as a script runs them.
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs a program to its end and gives back its exit code; output in out and err.
int run(const QString& program, const QStringList& args, QByteArray* out = nullptr,
        QByteArray* err = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
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

int cli(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr) {
    return run(QStringLiteral(LUXPANEL_CLI), args, out, err);
}

} // namespace

class TestCliFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void statsAsJson();
    void filesThatGiveNoFigures_data();
    void filesThatGiveNoFigures();
    void exportReadsBackInACsvReader();

private:
    QString write(const char* name, const QByteArray& bytes) {
        const QString path = folder_->filePath(QLatin1String(name));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    }
    std::unique_ptr<QTemporaryDir> folder_;
};

void TestCliFiles::init() {
    folder_ = std::make_unique<QTemporaryDir>();
}

void TestCliFiles::statsAsJson() {
    // A list's saved form, in foot-candles, across the end of a 31-day month.
    const QString path =
        write("fc.txt", "Fc\tTime\tValue\t\r\n1\t31-23:59:50\t10\t\r\n2\t01-00:00:00\t20\t\r\n"
                        "3\t01-00:00:10\tOL\t\r\n");
    QByteArray out;
    QCOMPARE(cli({"stats", path, "--json", "--factor", "0.02", "--budget", "150000", "--low", "15",
                  "--high", "30"},
                 &out),
             0);
    // 10 fc for 10 s and 20 fc for 10 s: 300 fc.s, 3229.2 lx.s; 1076.4 lx.s on the 31st and
    // 2152.8 on the 1st, at 0.02 µmol/m²/s per lux. Figures keep 12 significant digits.
    QCOMPARE(out, "{\"above_s\":0,\"below_s\":10,\"budget_share\":5.98e-06,\"dli\":[{\"day\":"
                  "\"31\",\"mol_m2\":2.1528e-05},{\"day\":\"01\",\"mol_m2\":4.3056e-05}],"
                  "\"duration_s\":20,\"exposure_lxh\":0.897,\"file\":\"" +
                      path.toUtf8() +
                      "\",\"first\":\"31-23:59:50\",\"last\":\"01-00:00:10\","
                      "\"left_out_slots\":1,\"max\":20,\"mean\":15,\"median\":15,\"min\":10,"
                      "\"over_range\":1,\"rows\":3,\"stdev\":7.07106781187,"
                      "\"time_weighted_mean\":15,\"unit\":\"Fc\",\"valid\":2,\"within_s\":10}\n");
}

void TestCliFiles::filesThatGiveNoFigures_data() {
    QTest::addColumn<QByteArray>("contents"); // empty: no such file
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("no valid reading") << QByteArray("Lx\tTime\tValue\r\n1\t07-10:00:00\tOL\r\n")
                                      << 3 << QByteArray("holds no valid reading\n");
    QTest::newRow("header only") << QByteArray("Lx\tTime\tValue\r\n") << 3
                                 << QByteArray("holds no valid reading\n");
    QTest::newRow("no such file") << QByteArray() << 5
                                  << QByteArray("cannot be read: no such file\n");
}

void TestCliFiles::filesThatGiveNoFigures() {
    QFETCH(QByteArray, contents);
    QFETCH(int, code);
    QFETCH(QByteArray, said);
    const QString path = contents.isEmpty() ? folder_->filePath(QStringLiteral("none.txt"))
                                            : write("some.txt", contents);
    QByteArray err;
    QCOMPARE(cli({"stats", path}, nullptr, &err), code);
    QCOMPARE(err, "luxpanel-cli: " + path.toUtf8() + ' ' + said);
}

void TestCliFiles::exportReadsBackInACsvReader() {
    const QString path = write("rec.txt", "Lx\tTime\tValue\r\n1\t30-23:59:55\t12.5\r\n"
                                          "2\t01-00:00:05\tOL\r\n3\t01-00:00:15\t0.25\r\n");
    // Written on 2026-12-01 at noon: the readings fall on the last of November and the first.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime written(QDate(2026, 12, 1), QTime(12, 0));
    QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();
    const QString csv = folder_->filePath(QStringLiteral("rec.csv"));
    QByteArray out;
    QCOMPARE(cli({"export", path, "--csv", csv}, &out), 0);
    QVERIFY(out.contains("year and month from the file's modification time"));

    auto offset = [](const QDateTime& t) {
        const int m = t.offsetFromUtc() / 60;
        return QStringLiteral("%1%2:%3")
            .arg(m < 0 ? QStringLiteral("-") : QStringLiteral("+"))
            .arg(std::abs(m) / 60, 2, 10, QLatin1Char('0'))
            .arg(std::abs(m) % 60, 2, 10, QLatin1Char('0'));
    };
    const QString nov = offset(QDateTime(QDate(2026, 11, 30), QTime(23, 59, 55)));
    const QString dec = offset(QDateTime(QDate(2026, 12, 1), QTime(0, 0, 5)));
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
    QCOMPARE(QString::fromUtf8(rows), QStringLiteral("time|reading|value|unit\n"
                                                     "2026-11-30T23:59:55%1|12.5|12.5|Lx\n"
                                                     "2026-12-01T00:00:05%2|OL||Lx\n"
                                                     "2026-12-01T00:00:15%2|0.25|0.25|Lx\n")
                                          .arg(nov, dec));
}

QTEST_GUILESS_MAIN(TestCliFiles)
#include "test_cli_files.moc"
