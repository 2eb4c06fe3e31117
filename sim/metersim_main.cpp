// metersim: the simulated meter as a program of its own, on a pseudo-terminal linked at a fixed
// path. Driven from standard input, one command a line; stops on "quit", SIGINT or SIGTERM.

#include "sim/pty_meter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

const char* const kCommandHelp =
    "Commands, one a line:\n"
    "  key LETTERS        press the meter keys of these command letters (e.g. key F)\n"
    "  reading LUX|auto   fix the light on the sensor, or let it drift again\n"
    "  position X Y|off   stand at X, Y metres in a simulated room (for a lighting survey)\n"
    "  flag NAME on|off   set an annunciator (e.g. flag HoldOn on)\n"
    "  silence SECONDS    send nothing and ignore commands\n"
    "  garbage COUNT      inject COUNT random bytes into the output\n"
    "  cut COUNT          send the next COUNT frames truncated\n"
    "  unplug SECONDS     remove the device and bring it back at the same path\n"
    "  memory RECORDS     fill the logger with sets of RECORDS records (0 erases it)\n"
    "  memory sample      two short sets in the logger, as --sample-sets gives\n"
    "  cutdump BYTES      send only the first BYTES bytes of the next memory dump\n"
    "  status             show the link, the logger end address, the settings and the commands\n"
    "                     received\n"
    "  help               show this list\n"
    "  quit               stop and remove the link\n";

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

void say(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

std::chrono::milliseconds seconds(const QByteArray& text, bool* ok) {
    const double s = text.toDouble(ok);
    *ok = *ok && s >= 0.0 && s < 1e6;
    return std::chrono::milliseconds(qint64(s * 1000.0));
}

// Reads standard input without ever blocking the event loop, and survives it being at EOF.
class CommandReader : public QObject {
public:
    CommandReader(sim::PtyMeter* meter, QObject* parent) : QObject(parent), meter_(meter) {
        if (::fcntl(STDIN_FILENO, F_GETFD) == -1)
            return; // no standard input at all
        notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &CommandReader::onReadable);
    }

private:
    void onReadable() {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n <= 0) {
            // EOF (or /dev/null): keep running on the signals alone.
            notifier_->setEnabled(false);
            return;
        }
        pending_.append(buffer, n);
        qsizetype end;
        while ((end = pending_.indexOf('\n')) >= 0) {
            const QByteArray line = pending_.left(end).trimmed();
            pending_.remove(0, end + 1);
            if (!line.isEmpty())
                run(line);
        }
    }

    void run(const QByteArray& line) {
        const QList<QByteArray> words = line.simplified().split(' ');
        const QByteArray& verb = words.front();
        const QByteArray arg = words.size() > 1 ? words[1] : QByteArray();
        const bool oneArg = words.size() == 2;
        bool ok = true;
        if (verb == "key" && oneArg) {
            for (char c : arg)
                meter_->pressKey(c);
        } else if (verb == "reading" && oneArg) {
            const double lux = arg.toDouble(&ok);
            if (arg == "auto")
                meter_->model().with([](sim::MeterModel& m) { m.clearFixedReading(); });
            else if ((ok = ok && lux >= 0.0))
                meter_->model().with([&](sim::MeterModel& m) { m.setFixedReading(lux); });
            ok = ok || arg == "auto";
        } else if (verb == "position" && oneArg && arg == "off") {
            meter_->model().with([](sim::MeterModel& m) { m.clearSurveyPosition(); });
        } else if (verb == "position" && words.size() == 3) {
            bool yOk = false;
            const double x = arg.toDouble(&ok);
            const double y = words[2].toDouble(&yOk);
            if ((ok = ok && yOk && std::isfinite(x) && std::isfinite(y)))
                meter_->model().with([&](sim::MeterModel& m) { m.setSurveyPosition(x, y); });
        } else if (verb == "flag" && words.size() == 3) {
            const auto flag = sim::flagFromName(arg);
            const bool on = words[2] == "on" || words[2] == "1";
            ok = flag && (on || words[2] == "off" || words[2] == "0");
            if (ok)
                meter_->model().with([&](sim::MeterModel& m) { m.setFlag(*flag, on); });
        } else if (verb == "silence" && oneArg) {
            const auto d = seconds(arg, &ok);
            if (ok)
                meter_->silence(d);
        } else if (verb == "garbage" && oneArg) {
            const int count = arg.toInt(&ok);
            if ((ok = ok && count >= 0))
                meter_->sendGarbage(count);
        } else if (verb == "cut" && oneArg) {
            const int count = arg.toInt(&ok);
            if ((ok = ok && count >= 0))
                meter_->cutFrames(count);
        } else if (verb == "unplug" && oneArg) {
            const auto d = seconds(arg, &ok);
            if (ok) {
                say(QStringLiteral("metersim: unplugged for %1 s").arg(QString::fromLatin1(arg)));
                meter_->unplug(d);
            }
        } else if (verb == "memory" && arg == "sample" && oneArg) {
            meter_->model().with([](sim::MeterModel& m) { m.loadSampleSets(); });
        } else if (verb == "memory" && oneArg) {
            const int records = arg.toInt(&ok);
            if ((ok = ok && records >= 0))
                meter_->model().with([records](sim::MeterModel& m) {
                    m.loadLoggerMemory({});
                    if (records > 0)
                        m.fillLoggerMemory(records, sim::MeterModel::Clock::now());
                });
        } else if (verb == "cutdump" && oneArg) {
            const int bytes = arg.toInt(&ok);
            if ((ok = ok && bytes >= 0))
                meter_->model().with([bytes](sim::MeterModel& m) { m.cutNextDump(bytes); });
        } else if (verb == "status" && words.size() == 1) {
            status();
        } else if (verb == "help") {
            std::fputs(kCommandHelp, stdout);
            std::fflush(stdout);
        } else if ((verb == "quit" || verb == "exit") && words.size() == 1) {
            QCoreApplication::quit();
        } else {
            ok = false;
        }
        if (!ok)
            say(QStringLiteral("metersim: cannot do \"%1\"; try help")
                    .arg(QString::fromLatin1(line)));
    }

    void status() {
        QString counts;
        QString settings;
        quint32 end = 0;
        meter_->model().with([&](sim::MeterModel& m) {
            end = m.loggerEndAddress();
            settings = QStringLiteral("distance %1, hold %2 s, comparator 0x%3 %4/%5, "
                                      "calibration %6, SCF %7 count %8")
                           .arg(m.distance())
                           .arg(m.holdSeconds())
                           .arg(m.comparatorFlags(), 2, 16, QLatin1Char('0'))
                           .arg(m.highLimit())
                           .arg(m.lowLimit())
                           .arg(m.calibration())
                           .arg(m.scf())
                           .arg(m.scfCount());
            const auto all = m.commandCounts();
            for (auto it = all.cbegin(); it != all.cend(); ++it) {
                const char c = it.key();
                const QString name =
                    c > ' ' && c < 127
                        ? QString(QLatin1Char(c))
                        : QStringLiteral("0x%1").arg(quint8(c), 2, 16, QLatin1Char('0'));
                counts += QStringLiteral(" %1=%2").arg(name).arg(it.value());
            }
        });
        say(QStringLiteral("metersim: link %1 -> %2, logger end %3, %4, commands%5")
                .arg(meter_->linkPath(),
                     meter_->isPlugged() ? meter_->devicePath() : QStringLiteral("(unplugged)"))
                .arg(end)
                .arg(settings, counts.isEmpty() ? QStringLiteral(" none") : counts));
    }

    sim::PtyMeter* meter_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("metersim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated light meter on a pseudo-terminal (19200 baud, 8N1).\n\n") +
        QString::fromLatin1(kCommandHelp));
    parser.addHelpOption();
    const QString defaultLink = QDir::tempPath() + QStringLiteral("/luxpanel-metersim/ttyMETER");
    const QCommandLineOption linkOption(
        QStringLiteral("link"),
        QStringLiteral("Path of the link to the meter's device (default %1).").arg(defaultLink),
        QStringLiteral("PATH"), defaultLink);
    const QCommandLineOption readingOption(QStringLiteral("reading"),
                                           QStringLiteral("Fix the light on the sensor, in lux."),
                                           QStringLiteral("LUX"));
    const QCommandLineOption parentOption(
        QStringLiteral("exit-with-parent"),
        QStringLiteral("Stop when the process that started this one ends."));
    const QCommandLineOption folderOption(
        QStringLiteral("remove-folder"),
        QStringLiteral("On stopping, also remove the folder that holds the link, if it is empty."));
    const QCommandLineOption sampleOption(
        QStringLiteral("sample-sets"),
        QStringLiteral("Start with two short sets in the logger to download: three minutes of "
                       "readings, and six minutes across midnight. Without it the logger starts "
                       "empty."));
    parser.addOptions({linkOption, readingOption, sampleOption, parentOption, folderOption});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fputs("metersim: unexpected arguments; see --help\n", stderr);
        return 2;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        std::perror("metersim: socketpair");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app,
                     [] { QCoreApplication::quit(); });

    sim::PtyMeter meter(
        QDir::cleanPath(QDir::current().absoluteFilePath(parser.value(linkOption))));
    if (parser.isSet(readingOption)) {
        bool ok = false;
        const double lux = parser.value(readingOption).toDouble(&ok);
        if (!ok || lux < 0.0) {
            std::fputs("metersim: --reading needs a number of lux\n", stderr);
            return 2;
        }
        meter.model().with([&](sim::MeterModel& m) { m.setFixedReading(lux); });
    }
    if (parser.isSet(sampleOption))
        meter.model().with([](sim::MeterModel& m) { m.loadSampleSets(); });
    // Announced after every plug-in, so whoever waits for the device knows it can open it.
    QObject::connect(&meter, &sim::PtyMeter::pluggedIn, &app, [&meter](const QString& device) {
        say(QStringLiteral("metersim: ready on %1").arg(meter.linkPath()));
        say(QStringLiteral("metersim: device %1").arg(device));
    });
    QString error;
    if (!meter.open(&error)) {
        std::fprintf(stderr, "metersim: %s\n", qPrintable(error));
        return 1;
    }

    QTimer parentWatch;
    if (parser.isSet(parentOption)) {
        const pid_t parent = ::getppid();
        QObject::connect(&parentWatch, &QTimer::timeout, &app, [parent] {
            if (::getppid() != parent)
                QCoreApplication::quit();
        });
        parentWatch.start(1s);
    }

    CommandReader reader(&meter, nullptr);
    const int status = app.exec();
    meter.close();
    if (parser.isSet(folderOption))
        QDir().rmdir(QFileInfo(meter.linkPath()).absolutePath());
    say(QStringLiteral("metersim: stopped"));
    return status;
}
