#include "cli/file_commands.h"

#include "analysis/csv_export.h"
#include "analysis/figures.h"
#include "cli/cli_options.h"
#include "text/data_file.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

namespace cli {

namespace {

// A data file read whole, or why it could not be.
struct ReadFile {
    textrules::DataFileContents contents;
    std::vector<analysis::RowText> rows;
    QString why;
};

ReadFile readFile(const QString& path) {
    ReadFile r;
    QFile file(path);
    if (!QFileInfo::exists(path) || !QFileInfo(path).isFile()) {
        r.why =
            QFileInfo::exists(path) ? QStringLiteral("not a file") : QStringLiteral("no such file");
        return r;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        r.why = file.errorString();
        return r;
    }
    r.contents = textrules::readDataFile(file);
    if (r.contents.end == textrules::DataFileContents::End::ReadFailed) {
        r.why = file.errorString();
        return r;
    }
    const std::vector<QString>& cells = r.contents.rows;
    r.rows.reserve(size_t(r.contents.rowCount()));
    for (size_t i = 0; i + 2 < cells.size(); i += textrules::kDataColumns)
        r.rows.push_back({cells[i + 1], cells[i + 2]});
    return r;
}

// A figure for JSON: twelve significant digits, so 0.897 is not 0.8969999999999999.
QJsonValue json(double v) {
    return QString::number(v, 'g', 12).toDouble();
}

QJsonValue json(const std::optional<double>& v) {
    return v ? json(*v) : QJsonValue();
}

QString figure(const std::optional<double>& v) {
    return v ? QString::number(*v, 'g', 7) : QStringLiteral("-");
}

QJsonObject figuresJson(const QString& path, const ReadFile& file, const analysis::Figures& f,
                        const Invocation& inv) {
    auto stamp = [&](qsizetype row) {
        return row < 0 ? QJsonValue() : QJsonValue(file.rows[size_t(row)].stamp.toString());
    };
    QJsonObject o{{QStringLiteral("file"), path},
                  {QStringLiteral("unit"),
                   file.contents.unit.isEmpty() ? QJsonValue() : QJsonValue(file.contents.unit)},
                  {QStringLiteral("rows"), double(f.rows)},
                  {QStringLiteral("valid"), double(f.valid)},
                  {QStringLiteral("over_range"), double(f.overRange)},
                  {QStringLiteral("first"), stamp(f.firstRow)},
                  {QStringLiteral("last"), stamp(f.lastRow)},
                  {QStringLiteral("duration_s"), json(f.durationSeconds)},
                  {QStringLiteral("min"), f.min ? json(f.min->value) : QJsonValue()},
                  {QStringLiteral("max"), f.max ? json(f.max->value) : QJsonValue()},
                  {QStringLiteral("mean"), json(f.mean)},
                  {QStringLiteral("median"), json(f.median)},
                  {QStringLiteral("stdev"), json(f.stdev)},
                  {QStringLiteral("time_weighted_mean"), json(f.timeWeightedMean)},
                  {QStringLiteral("exposure_lxh"), json(f.exposureLuxHours)},
                  {QStringLiteral("left_out_slots"), double(f.leftOutSlots)}};
    if (inv.ppfdPerLux) {
        QJsonArray days;
        for (const analysis::DailyIntegral& d : f.dailyIntegral)
            days.append(QJsonObject{
                {QStringLiteral("day"), QStringLiteral("%1").arg(d.day, 2, 10, QLatin1Char('0'))},
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

void printFigures(QTextStream& out, const QString& path, const ReadFile& file,
                  const analysis::Figures& f, const Invocation& inv) {
    const QString unit = file.contents.unit.isEmpty() ? QStringLiteral("?") : file.contents.unit;
    auto at = [&](const analysis::Extreme& e) {
        return QStringLiteral("%1 at %2").arg(figure(e.value), file.rows[size_t(e.row)].stamp);
    };
    out << path << " (" << unit << ")\n";
    out << "  rows " << f.rows << ", valid " << f.valid << ", over range " << f.overRange << '\n';
    if (f.rows > 0)
        out << "  first " << file.rows[size_t(f.firstRow)].stamp.toString() << ", last "
            << file.rows[size_t(f.lastRow)].stamp.toString() << ", duration "
            << figure(f.durationSeconds) << " s, sampling interval " << figure(f.intervalSeconds)
            << " s\n";
    if (f.valid == 0) {
        out << "  no valid reading\n";
        return;
    }
    out << "  min " << at(*f.min) << ", max " << at(*f.max) << '\n';
    out << "  mean " << figure(f.mean) << ", median " << figure(f.median) << ", stdev "
        << figure(f.stdev) << ", time-weighted mean " << figure(f.timeWeightedMean) << ' ' << unit
        << '\n';
    out << "  exposure " << figure(f.exposureLuxHours) << " lx.h";
    if (f.exposureFootCandleHours)
        out << " (" << figure(f.exposureFootCandleHours) << " fc.h)";
    if (f.leftOutSlots > 0)
        out << ", " << f.leftOutSlots << " over-range or unreadable slots left out";
    out << '\n';
    if (inv.ppfdPerLux) {
        out << "  daily light integral (mol/m2/day):";
        for (const analysis::DailyIntegral& d : f.dailyIntegral)
            out << QStringLiteral(" %1: %2")
                       .arg(d.day, 2, 10, QLatin1Char('0'))
                       .arg(figure(d.molPerM2));
        out << '\n';
    }
    if (inv.budget && f.budgetShare)
        out << "  " << figure(*f.budgetShare * 100.0) << " % of a " << figure(inv.budget)
            << " lx.h budget; " << figure(f.projectedAnnualLuxHours)
            << " lx.h a year at this rate\n";
    if (f.band)
        out << "  below " << figure(inv.low) << ": " << figure(f.band->belowSeconds)
            << " s, within: " << figure(f.band->withinSeconds) << " s, above " << figure(inv.high)
            << ": " << figure(f.band->aboveSeconds) << " s\n";
}

} // namespace

int runStats(const Invocation& inv, QTextStream& out, QTextStream& err) {
    int code = kDone;
    analysis::FigureOptions options;
    options.ppfdPerLux = inv.ppfdPerLux;
    options.budgetLuxHours = inv.budget;
    options.low = inv.low;
    options.high = inv.high;
    for (const QString& path : inv.files) {
        const ReadFile file = readFile(path);
        if (!file.why.isEmpty()) {
            err << "luxpanel-cli: " << path << " cannot be read: " << file.why << '\n';
            code = kFileNotWritten;
            continue;
        }
        const analysis::Series series = analysis::seriesFromRows(file.rows, file.contents.unit);
        const analysis::Figures f = analysis::computeFigures(series, options);
        if (inv.json)
            out << QJsonDocument(figuresJson(path, file, f, inv)).toJson(QJsonDocument::Compact)
                << '\n';
        else
            printFigures(out, path, file, f, inv);
        if (f.valid == 0) {
            err << "luxpanel-cli: " << path << " holds no valid reading\n";
            if (code == kDone)
                code = kNoData;
        }
    }
    return code;
}

int runExport(const Invocation& inv, QTextStream& out, QTextStream& err) {
    const QString& path = inv.files.front();
    const ReadFile file = readFile(path);
    if (!file.why.isEmpty()) {
        err << "luxpanel-cli: " << path << " cannot be read: " << file.why << '\n';
        return kFileNotWritten;
    }
    if (file.rows.empty()) {
        err << "luxpanel-cli: " << path << " holds no reading\n";
        return kNoData;
    }
    // The file was last written with its last reading: the year and month come from there.
    const QDateTime modified = QFileInfo(path).lastModified();
    const std::vector<analysis::CsvRow> rows = analysis::csvRows(file.rows, modified);
    QSaveFile csv(inv.csv);
    QString why;
    if (!csv.open(QIODevice::WriteOnly) ||
        !analysis::writeCsv(csv, rows, file.contents.unit, &why) || !csv.commit()) {
        err << "luxpanel-cli: " << inv.csv
            << " could not be written: " << (why.isEmpty() ? csv.errorString() : why) << '\n';
        return kFileNotWritten;
    }
    out << "Wrote " << rows.size() << (rows.size() == 1 ? " reading to " : " readings to ")
        << inv.csv << "; year and month from the file's modification time, "
        << modified.toString(QStringLiteral("yyyy-MM-dd hh:mm")) << ".\n";
    return kDone;
}

} // namespace cli
