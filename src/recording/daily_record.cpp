#include "recording/daily_record.h"

#include "recording/recording_tick.h"
#include "text/data_file.h"
#include "text/time_stamp.h"

#include <QDir>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace recording {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

QByteArray headerLine(const QString& unit) {
    return textrules::recordingLine(unit, QStringLiteral("Time"), QStringLiteral("Value"));
}

// A new name in a folder survives a power cut only once the folder itself is on the disk.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

QTime wholeSeconds(const QTime& t) {
    return QTime(t.hour(), t.minute(), t.second());
}

} // namespace

DailyRecord::DailyRecord(QString folder) : folder_(std::move(folder)) {}

QString DailyRecord::dayFileName(const QDate& day, int n) {
    const QString date = day.toString(QStringLiteral("yyyy-MM-dd"));
    return n <= 1 ? date + QStringLiteral(".txt") : QStringLiteral("%1.%2.txt").arg(date).arg(n);
}

std::optional<QString> DailyRecord::take(const meterlink::DisplayModel& d, bool meterUp,
                                         const QDateTime& now) {
    QStringList said;
    const auto told = [&]() -> std::optional<QString> {
        if (said.isEmpty())
            return std::nullopt;
        return said.join(QStringLiteral("; "));
    };
    const bool measuring =
        meterUp && !readingChangesMeaning(d.status) && !d.status.ClearOn && !d.UnitText.isEmpty();
    if (!measuring) {
        leftNormalMode_ = leftNormalMode_ || meterUp;
        if (!std::exchange(away_, true))
            said << (meterUp ? QStringLiteral("recording paused: the meter is out of its normal "
                                              "measuring mode; nothing is written meanwhile")
                             : QStringLiteral("recording paused: the meter is away; nothing is "
                                              "written meanwhile"));
        return told();
    }
    if (std::exchange(away_, false))
        said << QStringLiteral("the meter is back: recording goes on");

    const QDate day = now.date();
    const QTime at = wholeSeconds(now.time());
    if (file_ && day < day_) {
        // The clock was set back over midnight: the lines of a day never go into another's file.
        if (!std::exchange(clockBehind_, true))
            said << QStringLiteral("the computer's clock went back to %1: nothing is written "
                                   "until it is %2 again")
                        .arg(day.toString(Qt::ISODate), day_.toString(Qt::ISODate));
        return told();
    }
    clockBehind_ = false;
    // A data file holds one unit, one stretch of normal readings, and stamps that increase.
    const bool further =
        file_ && day == day_ && (d.UnitText != unit_ || leftNormalMode_ || at <= lastAt_);
    if (!file_ || day != day_ || further) {
        QString why;
        if (!openFor(day, d.UnitText, at, further, &why)) {
            ++missed_;
            ++missedWhileFailing_;
            if (!std::exchange(failing_, true))
                said << QStringLiteral("recording: %1; samples are counted as missed until it "
                                       "can be written")
                            .arg(why);
            return told();
        }
        said << QStringLiteral("recording into %1").arg(QDir::toNativeSeparators(fileName()));
    }
    leftNormalMode_ = false;

    QString why;
    const QByteArray line = textrules::recordingLine(QString::number(count_ + 1),
                                                     textrules::sampleTimeStamp(now), d.MainText);
    if (!writeDurably(line, &why)) {
        ++missed_;
        ++missedWhileFailing_;
        if (!std::exchange(failing_, true))
            said << QStringLiteral("recording: %1 cannot be written (%2); samples are counted as "
                                   "missed until it can")
                        .arg(QDir::toNativeSeparators(fileName()), why);
        return told();
    }
    ++count_;
    lastAt_ = at;
    if (std::exchange(failing_, false))
        said << QStringLiteral("recording works again, %1 samples were missed")
                    .arg(std::exchange(missedWhileFailing_, 0));
    return told();
}

bool DailyRecord::openFor(const QDate& day, const QString& unit, const QTime& at, bool further,
                          QString* why) {
    file_.reset();
    const QDir folder(folder_);
    if (!folder.mkpath(QStringLiteral("."))) {
        *why = QStringLiteral("the folder %1 cannot be created").arg(folder_);
        return false;
    }
    int last = 0;
    while (folder.exists(dayFileName(day, last + 1)))
        ++last;
    day_ = day;
    // Started again, the record goes on in the day's last file when it can.
    if (!further && last > 0 && resume(folder.filePath(dayFileName(day, last)), unit, at)) {
        index_ = last;
        return true;
    }
    index_ = last + 1;
    return create(folder.filePath(dayFileName(day, index_)), unit, why);
}

bool DailyRecord::resume(const QString& path, const QString& unit, const QTime& at) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = file->readAll();
    const qsizetype headerEnd = bytes.indexOf(kLineEnd);
    if (headerEnd < 0) {
        // Not even a whole header: the file was cut as it began.
        if (!file->resize(0) || file->write(headerLine(unit)) < 0 || !file->flush() ||
            ::fdatasync(file->handle()) != 0)
            return false;
        count_ = 0;
        lastAt_ = QTime();
    } else {
        if (QString::fromLatin1(bytes.left(headerEnd)).section(u'\t', 0, 0) != unit)
            return false;
        const qsizetype lastEnd = bytes.lastIndexOf(kLineEnd);
        const qsizetype lineStart = bytes.lastIndexOf(kLineEnd, lastEnd - 1);
        QTime lastAt;
        qint32 count = 0;
        if (lastEnd > headerEnd) {
            const QList<QByteArray> fields =
                bytes.mid(lineStart + 2, lastEnd - lineStart - 2).split('\t');
            count = fields.value(0).toInt();
            lastAt = QTime::fromString(QString::fromLatin1(fields.value(1).mid(3)),
                                       QStringLiteral("hh:mm:ss"));
        }
        if (lastAt.isValid() && at <= lastAt)
            return false;
        // A line torn by a crash is cut back to the last whole one.
        if (lastEnd + 2 < bytes.size() &&
            (!file->resize(lastEnd + 2) || ::fdatasync(file->handle()) != 0))
            return false;
        count_ = count;
        lastAt_ = lastAt;
    }
    if (!file->seek(file->size()))
        return false;
    unit_ = unit;
    file_ = std::move(file);
    return true;
}

bool DailyRecord::create(const QString& path, const QString& unit, QString* why) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        *why = QStringLiteral("%1 cannot be created (%2)")
                   .arg(QDir::toNativeSeparators(path), file->errorString());
        return false;
    }
    file_ = std::move(file);
    unit_ = unit;
    count_ = 0;
    lastAt_ = QTime();
    QString failure;
    if (!writeDurably(headerLine(unit), &failure)) {
        *why = QStringLiteral("%1 cannot be written (%2)")
                   .arg(QDir::toNativeSeparators(path), failure);
        file_->remove();
        file_.reset();
        return false;
    }
    syncFolder(folder_);
    return true;
}

bool DailyRecord::writeDurably(const QByteArray& bytes, QString* why) {
    const qint64 before = file_->size();
    if (file_->write(bytes) == bytes.size() && file_->flush() && ::fdatasync(file_->handle()) == 0)
        return true;
    *why = file_->error() != QFileDevice::NoError ? file_->errorString()
                                                  : QString::fromLocal8Bit(std::strerror(errno));
    // What the failed write left (half a line) would spoil the file: it is taken back.
    file_->unsetError();
    file_->resize(before);
    file_->seek(before);
    return false;
}

} // namespace recording
