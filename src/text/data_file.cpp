#include "text/data_file.h"

#include <QIODevice>

#include <array>

namespace textrules {

QByteArray recordingLine(const QString& first, const QString& second, const QString& third) {
    QByteArray line = (first + u'\t' + second + u'\t' + third).toLatin1();
    line.append("\r\n");
    return line;
}

QByteArray gridLine(const QStringList& cells) {
    QByteArray line;
    for (const QString& cell : cells) {
        line.append(cell.toLatin1());
        line.append('\t');
    }
    line.append("\r\n");
    return line;
}

QString printLine(const QString& number, const QString& time, const QString& value) {
    // A cell that fills its column exactly needs no space after it; only a longer one keeps
    // one, so that it does not run into the next cell.
    auto padded = [](const QString& cell, qsizetype width) {
        return cell.leftJustified(cell.size() <= width ? width : cell.size() + 1);
    };
    return padded(number, 10) + padded(time, 15) + padded(value, 15);
}

namespace {

// The sequential-input reader's state between blocks of the file.
class FieldReader {
public:
    FieldReader(DataFileHeader& header, const std::function<bool(const DataFileRow&)>& row)
        : header_(header), row_(row) {}

    // False once the contents are full.
    bool feed(const char* data, qsizetype size) {
        for (qsizetype i = 0; i < size; ++i)
            if (!take(data[i]))
                return false;
        return true;
    }

    void finish() {
        if (fieldStarted_)
            endField();
    }

private:
    enum class State { Start, Plain, Quoted, AfterQuote };

    bool take(char c) {
        if (swallowLf_) {
            swallowLf_ = false;
            if (c == '\n')
                return true;
        }
        const bool lineEnd = c == '\r' || c == '\n';
        fieldStarted_ = true;
        switch (state_) {
        case State::Start:
            if (c == ' ')
                return true;
            if (c == '"') {
                state_ = State::Quoted;
                return true;
            }
            state_ = State::Plain;
            [[fallthrough]];
        case State::Plain:
            if (c == ',' || lineEnd)
                return endField(c);
            add(c);
            return true;
        case State::Quoted:
            if (c == '"')
                state_ = State::AfterQuote;
            else
                add(c);
            return true;
        case State::AfterQuote:
            if (c == ',' || lineEnd)
                return endField(c);
            return true;
        }
        return true;
    }

    void add(char c) {
        if (c == '\t') {
            ++cell_;
        } else if (cell_ < kDataColumns && lengths_[cell_] < kMaxCellChars) {
            cells_[cell_][lengths_[cell_]++] = c;
        }
        hasLx_ = hasLx_ || (previous_ == 'L' && c == 'x');
        hasFc_ = hasFc_ || (previous_ == 'F' && c == 'c');
        previous_ = c;
    }

    bool endField(char terminator = ',') {
        swallowLf_ = terminator == '\r';
        bool more = true;
        if (!header_.present) {
            header_.present = true;
            header_.unit = hasLx_   ? QStringLiteral("Lx")
                           : hasFc_ ? QStringLiteral("Fc")
                                    : QString();
        } else {
            DataFileRow cells;
            for (int c = 0; c < kDataColumns; ++c)
                cells[size_t(c)] = QLatin1StringView(cells_[size_t(c)].data(), lengths_[size_t(c)]);
            more = row_(cells);
        }
        state_ = State::Start;
        fieldStarted_ = false;
        cell_ = 0;
        lengths_ = {};
        hasLx_ = hasFc_ = false;
        previous_ = 0;
        return more;
    }

    DataFileHeader& header_;
    const std::function<bool(const DataFileRow&)>& row_;
    State state_ = State::Start;
    bool fieldStarted_ = false;
    bool swallowLf_ = false; // a CR ended the line; an LF right after it belongs to that end
    int cell_ = 0;
    std::array<std::array<char, kMaxCellChars>, kDataColumns> cells_{};
    std::array<qsizetype, kDataColumns> lengths_{};
    bool hasLx_ = false;
    bool hasFc_ = false;
    char previous_ = 0;
};

} // namespace

ReadEnd readDataFileRows(QIODevice& in, DataFileHeader& header,
                         const std::function<bool(const DataFileRow&)>& row) {
    FieldReader reader(header, row);
    std::array<char, 65536> block;
    for (;;) {
        const qint64 n = in.read(block.data(), qint64(block.size()));
        if (n < 0)
            return ReadEnd::ReadFailed;
        if (n == 0)
            break;
        if (!reader.feed(block.data(), n))
            return ReadEnd::Stopped;
    }
    reader.finish();
    return ReadEnd::Complete;
}

DataFileContents readDataFile(QIODevice& in) {
    DataFileContents out;
    DataFileHeader header;
    const ReadEnd end = readDataFileRows(in, header, [&out](const DataFileRow& cells) {
        if (out.rowCount() == kMaxDataRows)
            return false;
        for (const QLatin1StringView cell : cells)
            out.rows.push_back(cell.toString());
        return true;
    });
    out.hasHeader = header.present;
    out.unit = header.unit;
    out.end = end == ReadEnd::ReadFailed ? DataFileContents::End::ReadFailed
              : end == ReadEnd::Stopped  ? DataFileContents::End::TooManyRows
                                         : DataFileContents::End::Complete;
    return out;
}

} // namespace textrules
