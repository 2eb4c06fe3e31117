#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

class QIODevice;

namespace textrules {

// The data file: tab-separated text in an 8-bit code page (Latin-1 here), CR LF line ends, one
// header line (unit, "Time", "Value") and one line per reading (number, DD-hh:nn:ss, reading).

inline constexpr int kDataColumns = 3;
// A list window holds at most this many readings; reading a file into one stops there so that a
// huge or foreign file cannot take all the memory.
inline constexpr qsizetype kMaxDataRows = 100000;
// A cell keeps at most this many characters: a reading is a dozen, and a 10 MB line of a
// foreign file would only make the list unusable.
inline constexpr qsizetype kMaxCellChars = 256;

// The recording's form: three fields, TAB between them.
QByteArray recordingLine(const QString& first, const QString& second, const QString& third);
// A list's saved form: every cell followed by a TAB.
QByteArray gridLine(const QStringList& cells);

// One printed line of a list: the cells padded with spaces to 10, 15 and 15 characters; a cell
// of exactly that width is printed as it is. A longer cell widens its column for this line
// only, followed by one space.
QString printLine(const QString& number, const QString& time, const QString& value);

// The lines of a data file as the reader splits them, by the classic sequential-input rule:
// leading spaces are skipped; a field that starts with a double quote runs to the next double
// quote (whatever follows up to the next comma or line end is dropped); any other field runs to
// the next comma or line end, so a line without commas is one field, TABs included. CR LF, CR
// and LF all end a line. The first field is the header; every other field is split at TABs into
// three cells (parts beyond the third dropped, missing ones empty). Reads in blocks, so memory
// stays bounded by kMaxCellChars whatever the file holds.
struct DataFileHeader {
    bool present = false;
    QString unit; // "Lx" if the header line holds "Lx", else "Fc" if "Fc", else ""
};
// A row's cells, valid for the call that hands them over.
using DataFileRow = std::array<QLatin1StringView, kDataColumns>;
enum class ReadEnd { Complete, ReadFailed, Stopped };
// Hands each reading's line to `row` until the file ends or `row` returns false.
ReadEnd readDataFileRows(QIODevice& in, DataFileHeader& header,
                         const std::function<bool(const DataFileRow&)>& row);

// A file read into the file list: at most kMaxDataRows rows.
struct DataFileContents {
    enum class End { Complete, ReadFailed, TooManyRows };
    bool hasHeader = false;
    QString unit;
    std::vector<QString> rows; // kDataColumns cells per row, row after row
    End end = End::Complete;
    qsizetype rowCount() const { return qsizetype(rows.size()) / kDataColumns; }
};
DataFileContents readDataFile(QIODevice& in);

} // namespace textrules
