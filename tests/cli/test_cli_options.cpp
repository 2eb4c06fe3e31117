#include "cli/cli_options.h"

#include <QTest>

class TestCliOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void accepted_data();
    void accepted();
    void fileCommands_data();
    void fileCommands();
    void refused_data();
    void refused();
    void help();
};

void TestCliOptions::accepted_data() {
    QTest::addColumn<QStringList>("args");
    // command, port, timeout, count, json, out, interval, samples, fc, set
    QTest::addColumn<QString>("expected");
    QTest::newRow("read defaults") << QStringList{"read"} << "read COM1 10 0 0  2 0 0 0";
    QTest::newRow("read all") << QStringList{"read",   "--port",    "/dev/ttyUSB0", "--count=5",
                                             "--json", "--timeout", "2.5"}
                              << "read /dev/ttyUSB0 2.5 5 1  2 0 0 0";
    QTest::newRow("record") << QStringList{"record",    "--out",  "a b.txt", "--interval", "86400",
                                           "--samples", "100000", "--port",  "sim"}
                            << "record sim 10 0 0 a b.txt 86400 100000 0 0";
    QTest::newRow("clock set on COM8")
        << QStringList{"clock", "--set", "--port", "COM8", "--timeout", "0"}
        << "clock COM8 0 0 0  2 0 0 1";
    QTest::newRow("erase") << QStringList{"erase", "--yes"} << "erase COM1 10 0 0  2 0 0 0";
    QTest::newRow("download in fc") << QStringList{"download", "--out", "d", "--unit", "FC"}
                                    << "download COM1 10 0 0 d 2 0 1 0";
}

void TestCliOptions::accepted() {
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const auto parsed = cli::parseArguments(args);
    const auto* inv = std::get_if<cli::Invocation>(&parsed);
    QVERIFY(inv);
    const QString seen = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                             .arg(inv->command, inv->port)
                             .arg(inv->timeout)
                             .arg(inv->count)
                             .arg(int(inv->json))
                             .arg(inv->out)
                             .arg(inv->interval)
                             .arg(inv->samples)
                             .arg(int(inv->footCandles)) +
                         QStringLiteral(" %1").arg(int(inv->set));
    QCOMPARE(seen, expected);
}

void TestCliOptions::fileCommands_data() {
    QTest::addColumn<QStringList>("args");
    // files; factor, budget, low, high ("-" when not given); the CSV file
    QTest::addColumn<QString>("expected");
    QTest::newRow("stats of two files")
        << QStringList{"stats", "a.txt", "b c.txt"} << "a.txt|b c.txt; - - - -; ";
    QTest::newRow("stats, everything")
        << QStringList{"stats",  "--source", "hps",    "a.txt", "--budget",
                       "150000", "--low=50", "--high", "500",   "--json"}
        << "a.txt; 0.0122 150000 50 500; ";
    QTest::newRow("a factor of its own")
        << QStringList{"stats", "a.txt", "--factor", "0.016"} << "a.txt; 0.016 - - -; ";
    QTest::newRow("export") << QStringList{"export", "a.txt", "--csv", "a.csv"}
                            << "a.txt; - - - -; a.csv";
}

void TestCliOptions::fileCommands() {
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const auto parsed = cli::parseArguments(args);
    const auto* inv = std::get_if<cli::Invocation>(&parsed);
    QVERIFY(inv);
    auto shown = [](const std::optional<double>& v) {
        return v ? QString::number(*v) : QStringLiteral("-");
    };
    QCOMPARE(QStringLiteral("%1; %2 %3 %4 %5; %6")
                 .arg(inv->files.join(u'|'), shown(inv->ppfdPerLux), shown(inv->budget),
                      shown(inv->low), shown(inv->high), inv->csv),
             expected);
}

void TestCliOptions::refused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown command")
        << QStringList{"fetch"} << "unknown command \"fetch\"; try luxpanel-cli --help";
    QTest::newRow("option of another command")
        << QStringList{"read", "--out", "x"} << "read has no option --out";
    QTest::newRow("missing value") << QStringList{"read", "--count"} << "--count needs a value";
    QTest::newRow("count 0") << QStringList{"read", "--count", "0"}
                             << "--count needs a whole number of 1 or more";
    QTest::newRow("count not a number")
        << QStringList{"read", "--count", "5x"} << "--count needs a whole number of 1 or more";
    QTest::newRow("interval 0") << QStringList{"record", "--out", "f", "--interval", "0"}
                                << "--interval needs a whole number of seconds from 1 to 86400";
    QTest::newRow("samples beyond the file")
        << QStringList{"record", "--out", "f", "--samples", "100001"}
        << "--samples needs a whole number from 1 to 100000";
    QTest::newRow("record without a file") << QStringList{"record"} << "record needs --out";
    QTest::newRow("empty file name") << QStringList{"record", "--out="} << "--out needs a file";
    QTest::newRow("unit kelvin") << QStringList{"download", "--out", "d", "--unit", "K"}
                                 << "--unit needs lx or fc";
    QTest::newRow("erase without yes") << QStringList{"erase"} << "erase needs --yes";
    QTest::newRow("switch with a value")
        << QStringList{"erase", "--yes=no"} << "--yes takes no value";
    QTest::newRow("given twice") << QStringList{"read", "--json", "--json"}
                                 << "--json is given twice";
    QTest::newRow("negative timeout") << QStringList{"read", "--timeout", "-1"}
                                      << "--timeout needs a number of seconds from 0 to 86400";
    QTest::newRow("COM9") << QStringList{"read", "--port", "COM9"}
                          << "--port needs COM1 ... COM8, a device path or sim";
    QTest::newRow("stray word") << QStringList{"read", "now"} << "unexpected argument \"now\"";
    QTest::newRow("stats without a file")
        << QStringList{"stats", "--json"} << "stats needs FILE...";
    QTest::newRow("unknown light source")
        << QStringList{"stats", "a", "--source", "candle"}
        << "--source needs sunlight, fluorescent, hps, metal-halide or cmh";
    QTest::newRow("source and factor")
        << QStringList{"stats", "a", "--source", "hps", "--factor", "0.01"}
        << "give --source or --factor, not both";
    QTest::newRow("factor 0") << QStringList{"stats", "a", "--factor", "0"}
                              << "--factor needs a number above 0 and up to 1";
    QTest::newRow("budget nan") << QStringList{"stats", "a", "--budget", "nan"}
                                << "--budget needs a number of lx.h above 0";
    QTest::newRow("low alone") << QStringList{"stats", "a", "--low", "5"}
                               << "--low and --high go together";
    QTest::newRow("export without csv") << QStringList{"export", "a"} << "export needs --csv";
    QTest::newRow("export of two files")
        << QStringList{"export", "a", "b", "--csv", "c"} << "export takes one FILE";
}

void TestCliOptions::refused() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const auto parsed = cli::parseArguments(args);
    const auto* error = std::get_if<cli::UsageError>(&parsed);
    QVERIFY(error);
    QCOMPARE(error->message, message);
}

void TestCliOptions::help() {
    for (const QStringList& args :
         {QStringList{}, QStringList{"--help"}, QStringList{"record", "--out", "f", "-h"}}) {
        const auto parsed = cli::parseArguments(args);
        const auto* help = std::get_if<cli::HelpText>(&parsed);
        QVERIFY(help);
        QVERIFY(help->text.contains(QLatin1String("4 meter lost")));
    }
    const auto record = std::get<cli::HelpText>(cli::parseArguments({"record", "--help"}));
    QVERIFY(record.text.startsWith(QLatin1String("Usage: luxpanel-cli record [options]")));
    QVERIFY(record.text.contains(QLatin1String("--interval S")));
}

QTEST_GUILESS_MAIN(TestCliOptions)
#include "test_cli_options.moc"
