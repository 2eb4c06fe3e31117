#include "analysis/record_files.h"

#include "text/data_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace analysis {

std::optional<QDate> dateFromFileName(const QString& fileName) {
    static const QRegularExpression daily(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(\\.[1-9]\\d{0,5})?\\.txt$"));
    const QRegularExpressionMatch m = daily.match(fileName);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

QStringList dataFilesIn(const QString& folder) {
    QStringList out;
    const QDir dir(folder);
    for (const QFileInfo& f : dir.entryInfoList({QStringLiteral("*.txt"), QStringLiteral("*.tsv")},
                                                QDir::Files | QDir::Readable, QDir::Name))
        out << f.filePath();
    return out;
}

Series DatedRows::series(textrules::ZoneRules& zone) const {
    std::vector<qint64> utc(times.size());
    for (size_t i = 0; i < times.size(); ++i)
        utc[i] = times[i] ? times[i]->utc : kUndated;
    return timedSeries(unit, utc, values, kinds, zone);
}

RecordFile readRecordFile(const QString& path, textrules::ZoneRules& zone, bool keepReadings) {
    RecordFile r;
    r.path = path;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        r.why = info.exists() ? QStringLiteral("not a file") : QStringLiteral("no such file");
        return r;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.why = file.errorString();
        return r;
    }
    textrules::DataFileHeader header;
    std::vector<std::optional<textrules::Stamp>> stamps;
    DatedRows& rows = r.rows;
    const textrules::ReadEnd end =
        textrules::readDataFileRows(file, header, [&](const textrules::DataFileRow& cells) {
            const std::optional<textrules::Stamp> stamp = textrules::parseStamp(cells[1]);
            const textrules::ReadingNumber n = textrules::readingNumber(cells[2]);
            if (!stamp || n.kind == ReadingKind::NotAReading) {
                if (r.notReadings++ == 0)
                    r.firstNotReading = qsizetype(stamps.size());
            }
            stamps.push_back(stamp);
            rows.values.push_back(float(n.value));
            rows.kinds.push_back(stamp ? n.kind : ReadingKind::NotAReading);
            rows.decimals.push_back(quint8(std::min(n.decimals, 255)));
            if (keepReadings)
                r.readings.push_back(cells[2].toString());
            return true;
        });
    if (end == textrules::ReadEnd::ReadFailed) {
        r.why = file.errorString();
        return r;
    }
    r.header = header.present;
    rows.unit = header.unit;
    qint64 referenceUtc = 0;
    if (const std::optional<QDate> day = dateFromFileName(info.fileName())) {
        // The file holds that day's rows: they are dated back from its last second.
        r.datedByName = true;
        referenceUtc =
            zone.momentsOf((textrules::wallDayOf(*day) + 1) * textrules::kSecondsPerDay - 1).later;
        r.reference = QDateTime::fromSecsSinceEpoch(referenceUtc);
    } else {
        r.reference = info.lastModified();
        referenceUtc = r.reference.toSecsSinceEpoch();
    }
    rows.times = textrules::dateStamps(stamps, referenceUtc, zone);
    return r;
}

DatedRows combinedRows(const std::vector<RecordFile>& files) {
    DatedRows out;
    bool mixed = false;
    for (const RecordFile& f : files) {
        if (f.rows.unit.isEmpty())
            continue;
        if (out.unit.isEmpty())
            out.unit = f.rows.unit;
        else if (out.unit != f.rows.unit)
            mixed = true;
    }
    if (mixed)
        out.unit = QStringLiteral("Lx");
    // Each row's place in time; a row without one goes with the next row of its file.
    struct Place {
        qint64 utc;
        const RecordFile* file;
        size_t row;
    };
    std::vector<Place> places;
    size_t total = 0;
    for (const RecordFile& f : files)
        total += f.rows.times.size();
    places.reserve(total);
    for (const RecordFile& f : files) {
        const auto& times = f.rows.times;
        std::optional<qint64> next;
        const size_t first = places.size();
        places.resize(first + times.size());
        for (size_t i = times.size(); i-- > 0;) {
            if (times[i])
                next = times[i]->utc;
            places[first + i] = {next.value_or(std::numeric_limits<qint64>::max()), &f, i};
        }
    }
    if (!std::is_sorted(places.begin(), places.end(),
                        [](const Place& a, const Place& b) { return a.utc < b.utc; }))
        std::stable_sort(places.begin(), places.end(),
                         [](const Place& a, const Place& b) { return a.utc < b.utc; });
    out.times.reserve(total);
    out.values.reserve(total);
    out.kinds.reserve(total);
    out.decimals.reserve(total);
    for (const Place& p : places) {
        const DatedRows& from = p.file->rows;
        const bool toLux = mixed && from.unit == QLatin1String("Fc");
        out.times.push_back(from.times[p.row]);
        out.values.push_back(toLux ? float(double(from.values[p.row]) * kExactLuxPerFootCandle)
                                   : from.values[p.row]);
        out.kinds.push_back(from.kinds[p.row]);
        out.decimals.push_back(toLux ? quint8(3) : from.decimals[p.row]);
    }
    return out;
}

} // namespace analysis
