#include "cli/file_commands.h"

#include "analysis/csv_export.h"
#include "analysis/figure_text.h"
#include "analysis/figures.h"
#include "analysis/record_files.h"
#include "cli/cli_options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>

namespace cli {

namespace {

using analysis::DatedRows;
using analysis::Figures;
using analysis::RecordFile;

// A computed figure for JSON: ten significant digits, so 0.897 is not 0.8969999999999999.
QJsonValue json(double v) {
    return QString::number(v, 'g', 10).toDouble();
}

QJsonValue json(const std::optional<double>& v) {
    return v ? json(*v) : QJsonValue();
}

// A reading for JSON, with the decimals it was displayed with.
QJsonValue jsonReading(double v, int decimals) {
    return QString::number(v, 'f', decimals).toDouble();
}

QString figure(const std::optional<double>& v) {
    return v ? QString::number(*v, 'g', 7) : QStringLiteral("-");
}

QString reading(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

// What a record's figures are named by: its rows' times, and the decimals of its readings.
struct Names {
    const DatedRows& rows;
    int decimals = 0; // the most any reading shows

    explicit Names(const DatedRows& r) : rows(r) {
        for (const quint8 d : r.decimals)
            decimals = std::max(decimals, int(d));
    }
    // The row's time, or the next dated row's, as it takes that time.
    std::optional<textrules::ZonedTime> time(qsizetype row) const {
        for (qsizetype r = row; r >= 0 && r < rows.size(); ++r)
            if (rows.times[size_t(r)])
                return rows.times[size_t(r)];
        return std::nullopt;
    }
    QString iso(qsizetype row) const {
        const auto t = time(row);
        return t ? textrules::isoTimeText(t->utc, t->offset) : QString();
    }
    // DD-hh:nn:ss, as the data file writes it.
    QString stamp(qsizetype row) const {
        const QString text = iso(row);
        return text.isEmpty() ? text : text.mid(8, 2) + u'-' + text.mid(11, 8);
    }
    QJsonValue jsonIso(qsizetype row) const {
        return row < 0 || !time(row) ? QJsonValue() : QJsonValue(iso(row));
    }
    QJsonValue jsonStamp(qsizetype row) const {
        return row < 0 || !time(row) ? QJsonValue() : QJsonValue(stamp(row));
    }
    int decimalsOf(qsizetype row) const { return rows.decimals[size_t(row)]; }
};

QJsonObject figuresJson(const QString& path, const DatedRows& rows, const Figures& f,
                        const Invocation& inv) {
    const Names n(rows);
    auto extreme = [&](const std::optional<analysis::Extreme>& e) {
        return e ? jsonReading(e->value, n.decimalsOf(e->row)) : QJsonValue();
    };
    QJsonObject o{
        {QStringLiteral("file"), path},
        {QStringLiteral("unit"), rows.unit.isEmpty() ? QJsonValue() : QJsonValue(rows.unit)},
        {QStringLiteral("rows"), double(f.rows)},
        {QStringLiteral("valid"), double(f.valid)},
        {QStringLiteral("over_range"), double(f.overRange)},
        {QStringLiteral("first"), n.jsonStamp(f.firstRow)},
        {QStringLiteral("last"), n.jsonStamp(f.lastRow)},
        {QStringLiteral("first_time"), n.jsonIso(f.firstRow)},
        {QStringLiteral("last_time"), n.jsonIso(f.lastRow)},
        {QStringLiteral("duration_s"), json(f.durationSeconds)},
        {QStringLiteral("interval_s"), json(f.intervalSeconds)},
        {QStringLiteral("min"), extreme(f.min)},
        {QStringLiteral("min_at"), n.jsonStamp(f.min ? f.min->row : -1)},
        {QStringLiteral("min_time"), n.jsonIso(f.min ? f.min->row : -1)},
        {QStringLiteral("max"), extreme(f.max)},
        {QStringLiteral("max_at"), n.jsonStamp(f.max ? f.max->row : -1)},
        {QStringLiteral("max_time"), n.jsonIso(f.max ? f.max->row : -1)},
        {QStringLiteral("mean"), json(f.mean)},
        // The median is a reading, or the mean of the two middle ones.
        {QStringLiteral("median"),
         f.median ? jsonReading(*f.median, n.decimals + 1) : QJsonValue()},
        {QStringLiteral("stdev"), json(f.stdev)},
        {QStringLiteral("time_weighted_mean"), json(f.timeWeightedMean)},
        {QStringLiteral("exposure_lxh"), json(f.exposureLuxHours)},
        {QStringLiteral("exposure_fch"), json(f.exposureFootCandleHours)},
        {QStringLiteral("left_out_slots"), double(f.leftOutSlots)},
        {QStringLiteral("projected_year_lxh"), json(f.projectedAnnualLuxHours)},
        {QStringLiteral("projected_days"), f.projectionDays}};
    if (inv.ppfdPerLux) {
        QJsonArray days;
        for (const analysis::DailyIntegral& d : f.dailyIntegral)
            days.append(
                QJsonObject{{QStringLiteral("day"),
                             QStringLiteral("%1").arg(d.date.day(), 2, 10, QLatin1Char('0'))},
                            {QStringLiteral("date"), d.date.toString(Qt::ISODate)},
                            {QStringLiteral("mol_m2"), json(d.molPerM2)}});
        o.insert(QStringLiteral("dli"), days);
    }
    if (inv.budget)
        o.insert(QStringLiteral("budget_share"), json(f.budgetShare));
    if (inv.low) {
        o.insert(QStringLiteral("below_s"), json(f.band ? f.band->belowSeconds : 0.0));
        o.insert(QStringLiteral("within_s"), json(f.band ? f.band->withinSeconds : 0.0));
        o.insert(QStringLiteral("above_s"), json(f.band ? f.band->aboveSeconds : 0.0));
    }
    return o;
}

// The figures as text; the daily light integral of each day too, unless a table of the days
// follows.
void printFigures(QTextStream& out, const QString& path, const DatedRows& rows, const Figures& f,
                  const Invocation& inv, bool dayTable = false) {
    const Names n(rows);
    const QString unit = rows.unit.isEmpty() ? QStringLiteral("?") : rows.unit;
    auto time = [&](qsizetype row) {
        return QStringLiteral("%1 (%2)").arg(n.stamp(row), n.iso(row));
    };
    out << path << " (" << unit << ")\n";
    out << "  rows " << f.rows << ", valid " << f.valid << ", over range " << f.overRange << '\n';
    if (f.rows == 0 || !n.time(f.firstRow)) {
        out << "  no reading\n";
        return;
    }
    out << "  first " << time(f.firstRow) << ", last " << time(f.lastRow) << '\n';
    out << "  duration " << figure(f.durationSeconds) << " s, sampling interval "
        << figure(f.intervalSeconds) << " s\n";
    if (f.valid == 0) {
        out << "  no valid reading\n";
        return;
    }
    out << "  min " << reading(f.min->value, n.decimalsOf(f.min->row)) << " at " << time(f.min->row)
        << ", max " << reading(f.max->value, n.decimalsOf(f.max->row)) << " at " << time(f.max->row)
        << '\n';
    out << "  mean " << figure(f.mean) << ", median " << figure(f.median) << ", stdev "
        << figure(f.stdev) << ", time-weighted mean " << figure(f.timeWeightedMean) << ' ' << unit
        << '\n';
    out << "  exposure " << figure(f.exposureLuxHours) << " lx.h";
    if (f.exposureFootCandleHours)
        out << " (" << figure(f.exposureFootCandleHours) << " fc.h)";
    if (f.leftOutSlots > 0)
        out << ", " << f.leftOutSlots << " over-range or unreadable slots left out";
    out << '\n';
    if (f.projectedAnnualLuxHours)
        out << "  a year at this rate: " << figure(f.projectedAnnualLuxHours) << " lx.h, from "
            << f.projectionDays << (f.projectionDays == 1 ? " whole day\n" : " whole days\n");
    else
        out << "  a year at this rate: " << analysis::kNeedsAWholeDay << '\n';
    if (inv.ppfdPerLux && !dayTable) {
        out << "  daily light integral (mol/m2/day):";
        for (const analysis::DailyIntegral& d : f.dailyIntegral)
            out << ' ' << d.date.toString(Qt::ISODate) << ": " << figure(d.molPerM2);
        out << '\n';
    }
    if (inv.budget && f.budgetShare)
        out << "  " << figure(*f.budgetShare * 100.0) << " % of a " << figure(inv.budget)
            << " lx.h budget\n";
    if (f.band)
        out << "  below " << figure(inv.low) << ": " << figure(f.band->belowSeconds)
            << " s, within: " << figure(f.band->withinSeconds) << " s, above " << figure(inv.high)
            << ": " << figure(f.band->aboveSeconds) << " s\n";
}

analysis::FigureOptions figureOptions(const Invocation& inv) {
    analysis::FigureOptions options;
    options.ppfdPerLux = inv.ppfdPerLux;
    options.budgetLuxHours = inv.budget;
    options.low = inv.low;
    options.high = inv.high;
    options.days = true;
    return options;
}

// Says which rows were left out of the readings, so that none goes without a word.
void tellNotReadings(QTextStream& err, const RecordFile& file) {
    if (file.notReadings == 0)
        return;
    err << "luxpanel-cli: " << file.path << ": " << file.notReadings
        << (file.notReadings == 1 ? " row holds" : " rows hold")
        << " no reading (no time stamp, or no number a display shows), the first is row "
        << file.firstNotReading + 1 << '\n';
}

bool holdsAReading(const DatedRows& rows) {
    for (const auto& t : rows.times)
        if (t)
            return true;
    return false;
}

QString datedFrom(const RecordFile& file) {
    return file.datedByName ? QStringLiteral("year and month from the file's name")
                            : QStringLiteral("year and month from the file's modification "
                                             "time, ") +
                                  file.reference.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

// A record's days and months, as the tables and the report give them.
QJsonObject periodJson(const Figures& f, const Invocation& inv) {
    auto dli = [&](double luxSeconds, int days) {
        return inv.ppfdPerLux && days > 0 ? json(luxSeconds * *inv.ppfdPerLux / 1e6 / days)
                                          : QJsonValue();
    };
    QJsonArray days;
    for (const analysis::DayFigures& d : f.days)
        days.append(QJsonObject{{QStringLiteral("date"), d.date.toString(Qt::ISODate)},
                                {QStringLiteral("dose_lxh"), json(d.luxHours())},
                                {QStringLiteral("mean_lx"), json(d.meanLux())},
                                {QStringLiteral("lit_h"), json(d.litSeconds / 3600.0)},
                                {QStringLiteral("whole"), d.whole},
                                {QStringLiteral("dli_mol_m2"), dli(d.luxSeconds, 1)}});
    QJsonArray months;
    for (const analysis::MonthFigures& m : analysis::monthFigures(f.days))
        months.append(QJsonObject{{QStringLiteral("month"), QStringLiteral("%1-%2").arg(m.year).arg(
                                                                m.month, 2, 10, QLatin1Char('0'))},
                                  {QStringLiteral("dose_lxh"), json(m.luxHours())},
                                  {QStringLiteral("mean_lx"), json(m.meanLux())},
                                  {QStringLiteral("lit_h"), json(m.litSeconds / 3600.0)},
                                  {QStringLiteral("days"), m.days},
                                  {QStringLiteral("dli_mol_m2"), dli(m.luxSeconds, m.days)}});
    return {{QStringLiteral("days"), days}, {QStringLiteral("months"), months}};
}

void printPeriod(QTextStream& out, const QJsonObject& period) {
    auto number = [](const QJsonValue& v, int width) {
        return (v.isNull() ? QStringLiteral("-") : QString::number(v.toDouble(), 'f', 1))
            .rightJustified(width);
    };
    for (const char* table : {"months", "days"}) {
        const bool days = table == std::string_view("days");
        out << (days ? "  days:\n" : "  months:\n") << (days ? "    date      " : "    month     ")
            << "    dose lx.h     mean lx  hours lit  DLI mol/m2/d" << (days ? "" : " (mean)")
            << '\n';
        for (const QJsonValue& row : period.value(QLatin1String(table)).toArray()) {
            const QJsonObject o = row.toObject();
            out << "    "
                << o.value(days ? QLatin1String("date") : QLatin1String("month"))
                       .toString()
                       .leftJustified(10)
                << number(o.value(QLatin1String("dose_lxh")), 14)
                << number(o.value(QLatin1String("mean_lx")), 12)
                << number(o.value(QLatin1String("lit_h")), 11);
            const QJsonValue dli = o.value(QLatin1String("dli_mol_m2"));
            out << (dli.isNull() ? QStringLiteral("             -")
                                 : QString::number(dli.toDouble(), 'f', 3).rightJustified(14))
                << '\n';
        }
    }
}

// The files a command names, a folder standing for its data files.
QStringList dataFiles(const QStringList& paths, QTextStream& err, int& code) {
    QStringList files;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            files << path;
            continue;
        }
        const QStringList in = analysis::dataFilesIn(path);
        if (in.isEmpty()) {
            err << "luxpanel-cli: " << path << " holds no data file\n";
            code = kNoData;
        }
        files << in;
    }
    return files;
}

// The meter's name for the report: given, or the folder the files are in.
QString meterName(const Invocation& inv, const QStringList& files) {
    if (!inv.meterName.isEmpty())
        return inv.meterName;
    for (const QString& path : inv.files)
        if (QFileInfo(path).isDir())
            return QDir(QFileInfo(path).absoluteFilePath()).dirName();
    return files.isEmpty() ? QString() : QFileInfo(files.front()).absoluteDir().dirName();
}

// The report is drawn by a program of its own, so that only it loads the windowing libraries;
// it reads the record's figures as stats --combine --json prints them.
bool writeReport(const QJsonObject& figures, const QString& pdf, QString* why) {
    QProcess report;
    report.start(QCoreApplication::applicationDirPath() + QStringLiteral("/luxpanel-report"),
                 {pdf});
    if (!report.waitForStarted()) {
        *why = report.errorString();
        return false;
    }
    report.write(QJsonDocument(figures).toJson(QJsonDocument::Compact));
    report.closeWriteChannel();
    if (!report.waitForFinished(120000) || report.exitStatus() != QProcess::NormalExit ||
        report.exitCode() != 0) {
        // Its last line says why, after its own name and the file's.
        *why = QString::fromLocal8Bit(report.readAllStandardError()).trimmed().section(u'\n', -1);
        *why = why->section(QStringLiteral(": "), 2);
        if (why->isEmpty())
            *why = report.errorString();
        return false;
    }
    return true;
}

int runCombined(const Invocation& inv, const QStringList& paths, QTextStream& out, QTextStream& err,
                int code) {
    textrules::ZoneRules zone(QTimeZone::systemTimeZone());
    std::vector<RecordFile> files;
    QJsonArray names;
    for (const QString& path : paths) {
        RecordFile file = analysis::readRecordFile(path, zone);
        if (!file.why.isEmpty()) {
            err << "luxpanel-cli: " << path << " cannot be read: " << file.why << '\n';
            code = kFileNotWritten;
            continue;
        }
        tellNotReadings(err, file);
        names.append(path);
        files.push_back(std::move(file));
    }
    const DatedRows rows = analysis::combinedRows(files);
    files.clear();
    const Figures f = analysis::computeFigures(rows.series(zone), figureOptions(inv));
    const QString label = names.size() == 1 ? QStringLiteral("1 file")
                                            : QStringLiteral("%1 files").arg(names.size());
    QJsonObject figures = figuresJson(label, rows, f, inv);
    figures.insert(QStringLiteral("file"), QJsonValue());
    figures.insert(QStringLiteral("files"), names);
    figures.insert(QStringLiteral("name"), meterName(inv, paths));
    figures.insert(QStringLiteral("budget_lxh"), json(inv.budget));
    const QJsonObject period = periodJson(f, inv);
    for (auto it = period.begin(); it != period.end(); ++it)
        figures.insert(it.key(), it.value());
    if (inv.json) {
        out << QJsonDocument(figures).toJson(QJsonDocument::Compact) << '\n';
    } else {
        printFigures(out, label, rows, f, inv, true);
        if (f.valid > 0)
            printPeriod(out, period);
    }
    if (f.valid == 0) {
        err << "luxpanel-cli: the files hold no valid reading\n";
        return code == kDone ? kNoData : code;
    }
    if (!inv.report.isEmpty()) {
        QString why;
        if (!writeReport(figures, inv.report, &why)) {
            err << "luxpanel-cli: " << inv.report << " could not be written: " << why << '\n';
            return kFileNotWritten;
        }
        (inv.json ? err : out) << "Wrote the report to " << inv.report << ".\n";
    }
    return code;
}

} // namespace

int runStats(const Invocation& inv, QTextStream& out, QTextStream& err) {
    int code = kDone;
    const QStringList paths = dataFiles(inv.files, err, code);
    if (inv.combine)
        return runCombined(inv, paths, out, err, code);
    const analysis::FigureOptions options = figureOptions(inv);
    textrules::ZoneRules zone(QTimeZone::systemTimeZone());
    for (const QString& path : paths) {
        const RecordFile file = analysis::readRecordFile(path, zone);
        if (!file.why.isEmpty()) {
            err << "luxpanel-cli: " << path << " cannot be read: " << file.why << '\n';
            code = kFileNotWritten;
            continue;
        }
        tellNotReadings(err, file);
        const Figures f = analysis::computeFigures(file.rows.series(zone), options);
        if (inv.json)
            out << QJsonDocument(figuresJson(path, file.rows, f, inv))
                       .toJson(QJsonDocument::Compact)
                << '\n';
        else
            printFigures(out, path, file.rows, f, inv);
        if (f.valid == 0) {
            err << "luxpanel-cli: " << path
                << (holdsAReading(file.rows) ? " holds no valid reading\n" : " holds no reading\n");
            if (code == kDone)
                code = kNoData;
        }
    }
    return code;
}

int runExport(const Invocation& inv, QTextStream& out, QTextStream& err) {
    const QString& path = inv.files.front();
    textrules::ZoneRules zone(QTimeZone::systemTimeZone());
    const RecordFile file = analysis::readRecordFile(path, zone, true);
    if (!file.why.isEmpty()) {
        err << "luxpanel-cli: " << path << " cannot be read: " << file.why << '\n';
        return kFileNotWritten;
    }
    // A row without a time stamp has no place in time: it is left out, and said so.
    std::vector<analysis::CsvRow> rows;
    rows.reserve(file.rows.times.size());
    for (size_t i = 0; i < file.rows.times.size(); ++i)
        if (file.rows.times[i])
            rows.push_back({file.rows.times[i], file.readings[i]});
    tellNotReadings(err, file);
    if (rows.empty()) {
        err << "luxpanel-cli: " << path << " holds no reading\n";
        return kNoData;
    }
    QSaveFile csv(inv.csv);
    QString why;
    if (!csv.open(QIODevice::WriteOnly) || !analysis::writeCsv(csv, rows, file.rows.unit, &why) ||
        !csv.commit()) {
        err << "luxpanel-cli: " << inv.csv
            << " could not be written: " << (why.isEmpty() ? csv.errorString() : why) << '\n';
        return kFileNotWritten;
    }
    const size_t left = file.rows.times.size() - rows.size();
    out << "Wrote " << rows.size() << (rows.size() == 1 ? " reading to " : " readings to ")
        << inv.csv << "; " << datedFrom(file) << ".";
    if (left > 0)
        out << " " << left << (left == 1 ? " row" : " rows") << " without a time stamp left out.";
    out << '\n';
    return kDone;
}

} // namespace cli
