// Command line figures: how fast luxpanel-cli answers, and how close its download of a full
// memory from the simulated meter comes to the line's speed. Prints "name: value unit" lines.
#include "figures.h"
#include "sim/simulated_meter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kStartRuns = 21;
constexpr qsizetype kMemoryBytes = 131071 - 1535;

std::optional<double> failed(const char* figure, const QString& why) {
    fail(figure, why);
    return std::nullopt;
}

// Runs a program to its end, in UTC, with input on its standard input; its wall time in ms, or
// nothing when it failed. Its standard output goes to output.
std::optional<double> runProgram(const QString& program, const QStringList& args,
                                 const char* figure, const QByteArray& input = {},
                                 QByteArray* output = nullptr) {
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    tool.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    tool.start(program, args);
    if (!input.isEmpty()) {
        tool.write(input);
        tool.closeWriteChannel();
    }
    if (!tool.waitForFinished(180000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return failed(
            figure, QStringLiteral("luxpanel-cli %1 failed: %2")
                        .arg(args.join(u' '), QString::fromLocal8Bit(tool.readAllStandardError())));
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (output)
        *output = tool.readAllStandardOutput();
    return ms;
}

std::optional<double> runTool(const QStringList& args, const char* figure) {
    return runProgram(QStringLiteral(LUXPANEL_CLI), args, figure);
}

std::optional<double> startTime() {
    std::vector<double> times;
    for (int run = 0; run < kStartRuns; ++run) {
        const std::optional<double> ms = runTool({QStringLiteral("--help")}, "cli_start_ms");
        if (!ms)
            return std::nullopt;
        times.push_back(*ms);
    }
    return median(times);
}

// A full memory, two sets of 21586 records that fill its 129536 bytes exactly, downloaded by
// the whole tool, from its start to its exit.
std::optional<double> downloadEfficiency() {
    const char* figure = "cli_download_wire_efficiency_percent";
    QByteArray memory;
    for (int set = 0; set < 2; ++set) {
        memory += QByteArray::fromHex("0055aa00071405000030");
        for (int i = 0; i < 21586; ++i)
            memory.append(char(i >> 8)).append(char(i)).append(char(0x08));
    }
    if (memory.size() != kMemoryBytes)
        return failed(figure, QStringLiteral("the memory is not full"));
    QTemporaryDir folder;
    sim::SimulatedMeter meter(folder.filePath(QStringLiteral("ttyBENCH")));
    QString why;
    if (!folder.isValid() || !meter.start(&why))
        return failed(figure, QStringLiteral("the simulated meter did not start: ") + why);
    meter.withModel([&](sim::MeterModel& m) { m.loadLoggerMemory(memory); });
    const QString out = folder.filePath(QStringLiteral("sets"));
    const std::optional<double> ms = runTool({QStringLiteral("download"), QStringLiteral("--port"),
                                              meter.linkPath(), QStringLiteral("--out"), out},
                                             figure);
    if (!ms)
        return std::nullopt;
    if (QDir(out).entryList(QDir::Files).size() != 2)
        return failed(figure, QStringLiteral("the two sets were not written"));
    // The reply to "Q": 15 lead bytes, the memory, a trailing byte.
    return double(memory.size() + 16) / (*ms / 1000.0 * 1920.0) * 100.0;
}

// luxpanel-cli stats of a 100,000-line recording, whole process: the median of several runs.
std::optional<double> statsOfAFile() {
    const char* figure = "stats_cli_100k_ms";
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("day.txt"));
    QFile file(path);
    if (!folder.isValid() || !file.open(QIODevice::WriteOnly))
        return failed(figure, QStringLiteral("the data file could not be written"));
    QByteArray text = "Lx\tTime\tValue\r\n";
    for (int n = 1; n <= 100000; ++n) {
        const int s = 10 * 3600 + n; // a reading a second from 10:00
        text += QStringLiteral("%1\t%2-%3:%4:%5\t%6\r\n")
                    .arg(n)
                    .arg(7 + s / 86400, 2, 10, QLatin1Char('0'))
                    .arg(s / 3600 % 24, 2, 10, QLatin1Char('0'))
                    .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                    .arg(s % 60, 2, 10, QLatin1Char('0'))
                    .arg(500.0 + (n * 7919 % 1000) / 10.0, 0, 'f', 1)
                    .toLatin1();
    }
    file.write(text);
    file.close();
    std::vector<double> times;
    for (int run = 0; run < 9; ++run) {
        const std::optional<double> ms =
            runTool({QStringLiteral("stats"), path, QStringLiteral("--source"),
                     QStringLiteral("sunlight"), QStringLiteral("--json")},
                    figure);
        if (!ms)
            return std::nullopt;
        times.push_back(*ms);
    }
    return median(times);
}

// A year on the cable: 365 daily files of a reading a minute (525,600 rows), combined by
// luxpanel-cli stats, and the light dose report drawn from its figures; medians of five runs.
std::pair<std::optional<double>, std::optional<double>> aYearOfFiles() {
    const char* combine = "stats_combine_year_ms";
    const char* report = "report_year_pdf_ms";
    QTemporaryDir folder;
    const QDate first(2026, 1, 1);
    for (int day = 0; day < 365 && folder.isValid(); ++day) {
        const QDate date = first.addDays(day);
        QByteArray text = "Lx\tTime\tValue\r\n";
        for (int minute = 0; minute < 1440; ++minute) {
            const double hour = minute / 60.0;
            const double lux = hour < 6.0 || hour > 18.0
                                   ? 0.0
                                   : 300.0 * std::sin(3.14159265 * (hour - 6.0) / 12.0);
            text += QStringLiteral("%1\t%2-%3:%4:00\t%5\r\n")
                        .arg(minute + 1)
                        .arg(date.day(), 2, 10, QLatin1Char('0'))
                        .arg(minute / 60, 2, 10, QLatin1Char('0'))
                        .arg(minute % 60, 2, 10, QLatin1Char('0'))
                        .arg(lux, 0, 'f', 1)
                        .toLatin1();
        }
        QFile file(folder.filePath(date.toString(Qt::ISODate) + QStringLiteral(".txt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return {failed(combine, QStringLiteral("the daily files could not be written")),
                    std::nullopt};
    }
    std::vector<double> combined;
    QByteArray figures;
    for (int run = 0; run < 5; ++run) {
        const std::optional<double> ms = runProgram(
            QStringLiteral(LUXPANEL_CLI),
            {QStringLiteral("stats"), folder.path(), QStringLiteral("--combine"),
             QStringLiteral("--json"), QStringLiteral("--source"), QStringLiteral("sunlight"),
             QStringLiteral("--budget"), QStringLiteral("150000")},
            combine, {}, &figures);
        if (!ms)
            return {};
        combined.push_back(*ms);
    }
    if (!figures.contains("\"rows\":525600"))
        return {failed(combine, QStringLiteral("not every row was combined")), std::nullopt};
    std::vector<double> drawn;
    const QString pdf = folder.filePath(QStringLiteral("dose.pdf"));
    for (int run = 0; run < 5; ++run) {
        const std::optional<double> ms =
            runProgram(QFileInfo(QStringLiteral(LUXPANEL_CLI)).absolutePath() +
                           QStringLiteral("/luxpanel-report"),
                       {pdf}, report, figures);
        if (!ms)
            return {median(combined), std::nullopt};
        drawn.push_back(*ms);
    }
    return {median(combined), median(drawn)};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool ok = report("cli_start_ms", startTime(), "ms");
    ok = report("cli_download_wire_efficiency_percent", downloadEfficiency(), "%") && ok;
    ok = report("stats_cli_100k_ms", statsOfAFile(), "ms") && ok;
    const auto [combined, drawn] = aYearOfFiles();
    ok = report("stats_combine_year_ms", combined, "ms") && ok;
    ok = report("report_year_pdf_ms", drawn, "ms") && ok;
    return ok ? 0 : 1;
}
