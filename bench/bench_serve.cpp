// luxpanel-cli serve, whole process, against the simulated meter and a real mosquitto: how soon a
// new reading reaches a subscriber, and what serving one meter costs in CPU and memory.
//   bench_serve [seconds]   seconds: length of each phase (default 60)
#include "figures.h"
#include "link/display_decoder.h"
#include "mqtt_rig.h"
#include "sim/simulated_meter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <map>

namespace {

using Clock = std::chrono::steady_clock;

void runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// serve as a user runs it, on the meter's link and the broker.
class Serve {
public:
    bool start(const QString& link, quint16 broker, QString* why) {
        process_.setReadChannel(QProcess::StandardError);
        // Every change as it comes (--every 0): the way of a reading, without the hold that by
        // default keeps changes a second apart.
        process_.start(QStringLiteral(LUXPANEL_CLI),
                       {"serve", "--port", link, "--mqtt",
                        QStringLiteral("127.0.0.1:%1").arg(broker), "--http", "0", "--name",
                        "bench", "--every", "0"});
        QByteArray said;
        QElapsedTimer t;
        t.start();
        while (!(said.contains("connected to the MQTT broker") &&
                 said.contains("the meter gives readings")) &&
               t.elapsed() < 30000 && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(1000);
            said += process_.readAllStandardError();
        }
        const auto m = QRegularExpression(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/"))
                           .match(QString::fromUtf8(said));
        httpPort_ = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
        if (httpPort_ == 0 || !said.contains("the meter gives readings")) {
            *why = QStringLiteral("serve did not start: ") + QString::fromUtf8(said);
            return false;
        }
        return true;
    }
    ~Serve() {
        process_.terminate();
        process_.waitForFinished(10000);
    }
    qint64 pid() const { return process_.processId(); }
    quint16 httpPort() const { return httpPort_; }

private:
    QProcess process_;
    quint16 httpPort_ = 0;
};

// utime + stime of a process, in seconds.
std::optional<double> cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = stat.readAll();
    // The fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
    const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 13)
        return std::nullopt;
    return double(f[11].toLongLong() + f[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

// The peak resident set of a process, in MB.
std::optional<double> peakRssMb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    return std::nullopt;
}

bool scrape(quint16 port) {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(5000))
        return false;
    s.write("GET /metrics HTTP/1.1\r\nHost: bench\r\n\r\n");
    QByteArray in;
    while (!in.contains("luxpanel_last_reading") && s.waitForReadyRead(5000))
        in += s.readAll();
    return in.startsWith("HTTP/1.1 200");
}

// From the first display frame that carries a new reading to the state message bearing it.
bool readingToMqtt(const QString& folder, quint16 broker, double seconds) {
    const char* figure = "serve_reading_to_mqtt_ms_p99";
    QMutex mutex;
    std::map<QString, Clock::time_point> firstShown; // reading text -> first frame with it
    QString lastText;
    sim::SimulatedMeter meter(folder + QStringLiteral("/latency"));
    meter.setFrameObserver([&](const QByteArray& frame, sim::FrameKind kind, Clock::time_point at) {
        if (kind != sim::FrameKind::Display)
            return;
        meterlink::DisplayModel m;
        meterlink::DecodeStatusBytes(frame, m);
        meterlink::DecodeDisplayDigits(frame, m);
        QMutexLocker lock(&mutex);
        if (m.MainText != std::exchange(lastText, m.MainText))
            firstShown.insert_or_assign(m.MainText, at);
    });
    QString why;
    if (!meter.start(&why))
        return fail(figure, QStringLiteral("the simulated meter did not start: ") + why);
    meter.setFixedReading(100.0);
    Serve serve;
    rig::Subscriber sub;
    if (!serve.start(meter.linkPath(), broker, &why) ||
        !sub.start(broker, {"luxpanel/bench/state"}, &why))
        return fail(figure, why);
    // A new reading, each distinct from all before, twice a second.
    QTimer change;
    int step = 0;
    const Clock::time_point changesFrom = Clock::now();
    QObject::connect(&change, &QTimer::timeout, qApp,
                     [&] { meter.setFixedReading(100.0 + 0.5 * ++step); });
    change.start(500);
    runFor(seconds);
    change.stop();

    std::vector<double> ms;
    QSet<QString> seen;
    QMutexLocker lock(&mutex);
    for (const rig::Message& m : sub.messages()) {
        const QString text =
            QJsonDocument::fromJson(m.payload).object().value("reading").toString();
        const auto shown = firstShown.find(text);
        if (shown == firstShown.end() || shown->second < changesFrom || seen.contains(text))
            continue; // the steady reading before the first change, or a repeat a second later
        seen.insert(text);
        ms.push_back(std::chrono::duration<double, std::milli>(m.at - shown->second).count());
    }
    if (ms.size() < size_t(seconds))
        return fail(figure,
                    QStringLiteral("only %1 new readings reached the subscriber").arg(ms.size()));
    std::sort(ms.begin(), ms.end());
    return report(figure, ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.99))], "ms");
}

// The whole serve process over wall time: the meter on its own (readings as they come), a
// subscriber, and a scrape a second.
bool cpuAndMemory(const QString& folder, quint16 broker, double seconds) {
    const char* figures = "serve_cpu_percent, serve_rss_mb";
    sim::SimulatedMeter meter(folder + QStringLiteral("/cpu"));
    QString why;
    if (!meter.start(&why))
        return fail(figures, QStringLiteral("the simulated meter did not start: ") + why);
    Serve serve;
    rig::Subscriber sub;
    if (!serve.start(meter.linkPath(), broker, &why) ||
        !sub.start(broker, {"luxpanel/bench/state"}, &why))
        return fail(figures, why);
    runFor(2.0); // settled: connected, reading
    int scrapes = 0;
    QTimer scraper;
    QObject::connect(&scraper, &QTimer::timeout, qApp,
                     [&] { scrapes += scrape(serve.httpPort()); });
    const std::optional<double> cpu0 = cpuSeconds(serve.pid());
    const qsizetype messages0 = sub.messages().size();
    QElapsedTimer wall;
    wall.start();
    scraper.start(1000);
    runFor(seconds);
    const std::optional<double> cpu1 = cpuSeconds(serve.pid());
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    scraper.stop();
    const qsizetype messages = sub.messages().size() - messages0;
    if (!cpu0 || !cpu1)
        return fail(figures, QStringLiteral("the process's CPU time could not be read"));
    if (messages < qsizetype(seconds) || scrapes < int(seconds) - 2)
        return fail(figures, QStringLiteral("serve published %1 states and answered %2 scrapes "
                                            "in %3 s")
                                 .arg(messages)
                                 .arg(scrapes)
                                 .arg(seconds));
    bool ok = report("serve_cpu_percent", 100.0 * (*cpu1 - *cpu0) / wallSeconds, "%");
    std::printf("serve_states_per_second: %.1f /s\n", double(messages) / wallSeconds);
    return report("serve_rss_mb", peakRssMb(serve.pid()), "MB") && ok;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(5.0, std::atof(argv[1])) : 60.0;
    const char* all = "serve_reading_to_mqtt_ms_p99, serve_cpu_percent, serve_rss_mb";
    if (rig::Broker::program().isEmpty()) {
        fail(all, QStringLiteral("mosquitto is not installed (scripts/deps installs it)"));
        return 1;
    }
    QTemporaryDir folder;
    rig::Broker broker(folder.path());
    QString why;
    if (!broker.start(&why)) {
        fail(all, why);
        return 1;
    }
    bool ok = readingToMqtt(folder.path(), broker.port(), seconds);
    ok = cpuAndMemory(folder.path(), broker.port(), seconds) && ok;
    return ok ? 0 : 1;
}
