#pragma once

#include "link/display_model.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QTime>

#include <memory>
#include <optional>

namespace recording {

// An unattended record of the meter, sample after sample, into one data file a day in a folder:
// FOLDER/YYYY-MM-DD.txt, and YYYY-MM-DD.2.txt, .3.txt ... for the further files of a day (a
// data file holds one unit, and its stamps must increase).
//
// Every line is on the disk before take() returns. Started again after a crash or a power cut,
// the record goes on in the day's last file, cut back to its last whole line. A line that
// cannot be written (a full disk) is taken back whole and counted as missed; the next sample
// tries again.
class DailyRecord {
public:
    explicit DailyRecord(QString folder);

    // One sample of the display at `now` (local time). Nothing is written while the meter is
    // away (meterUp false) or out of its normal measuring mode: a gap, never an invented line.
    // A unit change, the meter's return to its normal mode, and a clock set back within the
    // day start a further file of the day. Returns what the journal should be told, once per
    // change: a gap beginning or ending, a file begun, writes failing or working again.
    std::optional<QString> take(const meterlink::DisplayModel& d, bool meterUp,
                                const QDateTime& now);

    // Samples that could not be written.
    quint64 missed() const { return missed_; }
    // The file the last line went to, empty before the first.
    QString fileName() const { return file_ ? file_->fileName() : QString(); }

    // The name of a day's n-th file (n from 1).
    static QString dayFileName(const QDate& day, int n);

private:
    // Opens the file the sample goes to; false when none could be (said in `why`).
    bool openFor(const QDate& day, const QString& unit, const QTime& at, bool further,
                 QString* why);
    // Goes on in an existing file: its unit and last line, a torn last line cut away.
    bool resume(const QString& path, const QString& unit, const QTime& at);
    bool create(const QString& path, const QString& unit, QString* why);
    bool writeDurably(const QByteArray& bytes, QString* why);

    QString folder_;
    std::unique_ptr<QFile> file_;
    QDate day_;
    int index_ = 0;
    QString unit_;
    qint32 count_ = 0;
    QTime lastAt_; // the wall-clock time of the file's last line
    bool away_ = false;
    bool leftNormalMode_ = false;
    bool failing_ = false;
    bool clockBehind_ = false;
    quint64 missed_ = 0;
    quint64 missedWhileFailing_ = 0;
};

} // namespace recording
