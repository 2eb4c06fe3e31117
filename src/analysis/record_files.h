#pragma once

#include "analysis/reading_series.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace analysis {

// Data files read whole as records of dated readings, for the command line's figures and
// exports: a file is read to its end whatever its length (nothing here fills a grid).

// The date a file's name gives: YYYY-MM-DD.txt, or YYYY-MM-DD.N.txt for the further files of
// a day, as a recording into daily files names them.
std::optional<QDate> dateFromFileName(const QString& fileName);

// The data files of a folder, in the order of their names: its files whose names end in .txt
// or .tsv (recordings, list saves and downloaded sets).
QStringList dataFilesIn(const QString& folder);

// Dated rows, one or many files' worth, in time order.
struct DatedRows {
    QString unit; // "Lx", "Fc" or empty
    std::vector<std::optional<textrules::ZonedTime>> times;
    std::vector<float> values; // in the unit
    std::vector<ReadingKind> kinds;
    std::vector<quint8> decimals; // each reading's, as displayed
    qsizetype size() const { return qsizetype(kinds.size()); }
    // The series the figures come from.
    Series series(textrules::ZoneRules& zone) const;
};

struct RecordFile {
    QString path;
    QString why; // why it could not be read; empty when it was
    bool header = false;
    DatedRows rows;
    std::vector<QString> readings; // the readings as written, when asked for
    // Where its dates come from: its name, or its modification time (the reference).
    bool datedByName = false;
    QDateTime reference;
    // Rows that hold no reading (no time stamp, or no number a display shows), and the first.
    qsizetype notReadings = 0;
    qsizetype firstNotReading = -1;
};
RecordFile readRecordFile(const QString& path, textrules::ZoneRules& zone,
                          bool keepReadings = false);

// Files as one record: their rows in time order. Files in another unit than the first are
// turned into lux, and so is the whole record then.
DatedRows combinedRows(const std::vector<RecordFile>& files);

} // namespace analysis
