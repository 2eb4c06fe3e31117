#include "cli/cli_options.h"

#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
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
    void serveAccepted_data();
    void serveAccepted();
    void serveRefused_data();
    void serveRefused();

private:
    QTemporaryDir folder_;
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

void TestCliOptions::serveAccepted_data() {
    QTest::addColumn<QStringList>("args");
    // http, mqtt, name, topic, every, discovery, user, tls, ca, timeout
    QTest::addColumn<QString>("expected");
    QTest::newRow("http port") << QStringList{"serve", "--port", "/dev/ttyUSB0", "--http", "9105"}
                               << "127.0.0.1:9105 - H_ttyUSB0 luxpanel/H_ttyUSB0 1 1 - 0 - 10";
    QTest::newRow("broker") << QStringList{"serve", "--port", "/dev/ttyACM1", "--mqtt",
                                           "broker.lan"}
                            << "- broker.lan:1883 H_ttyACM1 luxpanel/H_ttyACM1 1 1 - 0 - 10";
    QFile ca(folder_.filePath("ca.pem"));
    QVERIFY(ca.open(QIODevice::WriteOnly));
    ca.write("-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n");
    ca.close();
    QTest::newRow("everything")
        << QStringList{"serve",  "--port",        "COM3",      "--http",         "0.0.0.0:0",
                       "--mqtt", "10.0.0.2:1884", "--topic",   "house/lux",      "--name",
                       "desk-2", "--every",       "2.5",       "--no-discovery", "--mqtt-user",
                       "ha",     "--mqtt-tls",    "--mqtt-ca", ca.fileName(),    "--timeout",
                       "0"}
        << "0.0.0.0:0 10.0.0.2:1884 desk-2 house/lux 2.5 0 ha 1 " + ca.fileName() + " 0";
    QTest::newRow("COM3 is named after its device")
        << QStringList{"serve", "--port", "COM3", "--http", "1"}
        << "127.0.0.1:1 - H_ttyS2 luxpanel/H_ttyS2 1 1 - 0 - 10";
    QTest::newRow("simulated meter") << QStringList{"serve", "--port", "sim", "--http", "9105"}
                                     << "127.0.0.1:9105 - H_sim luxpanel/H_sim 1 1 - 0 - 10";
    QTest::newRow("TLS port") << QStringList{"serve", "--mqtt", "b", "--mqtt-tls"}
                              << "- b:8883 H_ttyS0 luxpanel/H_ttyS0 1 1 - 1 - 10";
    QTest::newRow("IPv6") << QStringList{"serve", "--http", "[::1]:9105", "--mqtt", "[::1]"}
                          << "::1:9105 ::1:1883 H_ttyS0 luxpanel/H_ttyS0 1 1 - 0 - 10";
}

void TestCliOptions::serveAccepted() {
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    // A default name begins with this machine's.
    expected.replace(
        "H_", QSysInfo::machineHostName().replace(QRegularExpression("[^A-Za-z0-9_-]"), "_") + '_');
    const auto parsed = cli::parseArguments(args);
    const auto* inv = std::get_if<cli::Invocation>(&parsed);
    QVERIFY2(inv, std::holds_alternative<cli::UsageError>(parsed)
                      ? qPrintable(std::get<cli::UsageError>(parsed).message)
                      : "help");
    const cli::ServeOptions& o = inv->serve;
    const auto address = [](const std::optional<cli::NetAddress>& a) {
        return a ? QStringLiteral("%1:%2").arg(a->host).arg(a->port) : QStringLiteral("-");
    };
    const auto text = [](const QString& t) { return t.isEmpty() ? QStringLiteral("-") : t; };
    QCOMPARE(QStringList({address(o.http), address(o.mqtt), o.name, o.topic,
                          QString::number(o.every), QString::number(int(o.discovery)),
                          text(o.mqttUser), QString::number(int(o.mqttTls)), text(o.mqttCa),
                          QString::number(inv->timeout)})
                 .join(u' '),
             expected);
}

void TestCliOptions::serveRefused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("nowhere to publish")
        << QStringList{"serve"} << "serve needs --http, --mqtt or --record";
    QTest::newRow("record interval without a record")
        << QStringList{"serve", "--http", "1", "--record-every", "5"}
        << "--record-every needs --record";
    QTest::newRow("record interval of no second")
        << QStringList{"serve", "--record", "r", "--record-every", "0"}
        << "--record-every needs a whole number of seconds from 1 to 86400";
    QTest::newRow("topic without a broker")
        << QStringList{"serve", "--http", "1", "--topic", "t"} << "--topic needs --mqtt";
    QTest::newRow("user without a broker")
        << QStringList{"serve", "--http", "1", "--mqtt-user", "u"} << "--mqtt-user needs --mqtt";
    QTest::newRow("CA without TLS")
        << QStringList{"serve", "--mqtt", "b", "--mqtt-ca", "f"} << "--mqtt-ca needs --mqtt-tls";
    QTest::newRow("password on the command line")
        << QStringList{"serve", "--mqtt", "b", "--mqtt-password", "x"}
        << "serve has no option --mqtt-password";
    const QString badName = "--name needs letters, digits, _ and - (64 at most)";
    QTest::newRow("name with a slash")
        << QStringList{"serve", "--http", "1", "--name", "a/b"} << badName;
    QTest::newRow("name with a wildcard")
        << QStringList{"serve", "--http", "1", "--name", "a+"} << badName;
    QTest::newRow("empty name") << QStringList{"serve", "--http", "1", "--name="} << badName;
    const QString badTopic = "--topic needs a topic without + or #, and without / at either end";
    QTest::newRow("topic wildcard")
        << QStringList{"serve", "--mqtt", "b", "--topic", "lux/#"} << badTopic;
    QTest::newRow("topic ending in /")
        << QStringList{"serve", "--mqtt", "b", "--topic", "lux/"} << badTopic;
    const QString badHttp = "--http needs [ADDR:]PORT, such as 9105 or 0.0.0.0:9105";
    QTest::newRow("http port too high") << QStringList{"serve", "--http", "65536"} << badHttp;
    QTest::newRow("http without port") << QStringList{"serve", "--http", "0.0.0.0:"} << badHttp;
    QTest::newRow("http name only") << QStringList{"serve", "--http", "localhost"} << badHttp;
    QTest::newRow("http IPv6 without brackets") << QStringList{"serve", "--http", "::1"} << badHttp;
    const QString badMqtt = "--mqtt needs HOST[:PORT], such as localhost or broker.lan:1883";
    QTest::newRow("broker without host") << QStringList{"serve", "--mqtt", ":1883"} << badMqtt;
    QTest::newRow("broker port 0") << QStringList{"serve", "--mqtt", "b:0"} << badMqtt;
    QTest::newRow("broker URL") << QStringList{"serve", "--mqtt", "tcp://b"} << badMqtt;
    QTest::newRow("every negative") << QStringList{"serve", "--http", "1", "--every", "-1"}
                                    << "--every needs a number of seconds from 0 to 86400";
    // A CA file that can never do is found at the start, each fault with its own words.
    const QStringList tls{"serve", "--mqtt", "b", "--mqtt-tls", "--mqtt-ca"};
    QTest::newRow("CA missing") << tls + QStringList{"/nonexistent/ca.pem"}
                                << "--mqtt-ca /nonexistent/ca.pem: no such file";
    const QString program = QCoreApplication::applicationFilePath();
    QTest::newRow("CA not PEM")
        << tls + QStringList{program}
        << "--mqtt-ca " + program +
               ": not a PEM file of CA certificates (no \"BEGIN CERTIFICATE\" in it)";
}

void TestCliOptions::serveRefused() {
    refused();
}

QTEST_GUILESS_MAIN(TestCliOptions)
#include "test_cli_options.moc"
