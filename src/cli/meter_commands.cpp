#include "cli/meter_commands.h"

#include "link/port_choice.h"
#include "link/setting_exchanges.h"
#include "logger/logger_record.h"
#include "logger/memory_download.h"
#include "logger/memory_image.h"
#include "recording/clock_values.h"
#include "recording/meter_clock.h"
#include "recording/recording_tick.h"
#include "text/time_stamp.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QSaveFile>
#include <QSerialPortInfo>
#include <QTextStream>

#include <unistd.h>

namespace cli {

namespace {

using Exchange = meterlink::ExchangeQueue::Exchange;

// Progress is redrawn in place on a terminal; in a log or a journal, where a carriage return
// runs the lines together, it is a line of its own.
bool stderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace

std::optional<Reading> NewReadings::take(const meterlink::DisplayModel& display) {
    // Ten frames a second: the time zone is asked only for the readings that are new.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Reading r = readingOf(display, now);
    if (last_ && repeatsReading(*last_, r, annunciatorsCount_))
        return std::nullopt;
    r.at = fixedLocalTime(now);
    last_ = r;
    return r;
}

MeterSession::MeterSession(double timeout) {
    watch_.setSingleShot(true);
    watch_.setInterval(std::chrono::milliseconds(qint64(timeout * 1000.0)));
    connect(&watch_, &QTimer::timeout, this, [this] {
        lost_ = true;
        waiter_.requestShutdown();
    });
    // The link reports "No COM" while it looks for the meter, and its name once it is back.
    connect(&link_, &meterlink::MeterLink::linkTextChanged, this,
            [this, timeout](const QString& t) {
                if (t != meterlink::kNoLinkText)
                    watch_.stop();
                else if (timeout > 0.0 && !watch_.isActive())
                    watch_.start();
            });
    // Any frame read says the meter is there.
    connect(&stream_, &meterlink::DisplayStream::bannerShown, &watch_, &QTimer::stop);
    connect(&stream_, &meterlink::DisplayStream::frameDecoded, &watch_, &QTimer::stop);
    connect(&waiter_, &meterlink::EventLoopWaiter::shutdownRequested, &stream_,
            &meterlink::DisplayStream::stop);
    if (timeout > 0.0)
        watch_.start(); // until the meter first answers
}

bool MeterSession::open(const QString& device, QString* why) {
    state_.devicePath = device;
    state_.linkName = device;
    return port_.open(device, why);
}

bool MeterSession::poll() {
    if (!link_.PollReading())
        return false;
    watch_.stop();
    return true;
}

int MeterSession::readStream(const std::function<void()>& onReading) {
    QEventLoop loop;
    finished_.reset();
    connect(&stream_, &meterlink::DisplayStream::readingDecoded, &loop, onReading);
    connect(&waiter_, &meterlink::EventLoopWaiter::shutdownRequested, &loop, &QEventLoop::quit);
    connect(this, &MeterSession::finishing, &loop, &QEventLoop::quit);
    if (!waiter_.shuttingDown()) {
        stream_.start();
        loop.exec();
    }
    stream_.stop();
    return finished_ ? *finished_ : endCode();
}

void MeterSession::finish(int code) {
    finished_ = code;
    Q_EMIT finishing();
}

QString deviceForPort(const QString& port) {
    return meterlink::portTargetForChoice(port, meterlink::portNumberForChoice(port, 1)).devicePath;
}

int runPorts(const Invocation& inv, QTextStream& out) {
    if (inv.portGiven) {
        out << inv.port << '\t'
            << (inv.port == QLatin1String("sim") ? QStringLiteral("a simulated meter of its own")
                                                 : deviceForPort(inv.port))
            << '\n';
        return kDone;
    }
    for (const QString& com : meterlink::fixedPortEntries())
        out << com << '\t' << deviceForPort(com) << '\n';
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        out << info.systemLocation();
        if (!info.description().isEmpty())
            out << '\t' << info.description();
        out << '\n';
    }
    return kDone;
}

int runRead(MeterSession& session, const Invocation& inv, QTextStream& out) {
    NewReadings readings(inv.json);
    int printed = 0;
    return session.readStream([&] {
        const std::optional<Reading> r = readings.take(session.display());
        if (!r)
            return;
        if (inv.json)
            out << jsonText(readJson(*r)) << '\n';
        else
            out << textrules::sampleTimeStamp(r->at) << '\t' << r->text << '\t' << r->unit << '\n';
        out.flush();
        if (inv.count > 0 && ++printed == inv.count)
            session.finish(kDone);
    });
}

int runRecord(MeterSession& session, const Invocation& inv, QTextStream& err) {
    recording::RecordingState r;
    const bool terminal = stderrIsTerminal();
    QString ending;
    qint32 samples = 0;
    // The program's recording tick: once a second, a sample when the interval has passed.
    QTimer tick;
    tick.setInterval(1000);
    const auto onTick = [&] {
        using Outcome = recording::Sample::Outcome;
        const recording::Sample s =
            recording::RecordingTick(r, session.display(), QDateTime::currentDateTime());
        samples = s.count;
        if (s.outcome == Outcome::Written) {
            const meterlink::DisplayModel& d = session.display();
            const QString line =
                QStringLiteral("sample %1: %2 %3").arg(s.count).arg(d.MainText, d.UnitText);
            if (terminal)
                err << '\r' << line << "    ";
            else
                err << line << '\n';
            err.flush();
            if (inv.samples > 0 && s.count >= inv.samples)
                session.finish(kDone);
        } else if (s.outcome == Outcome::Ended || s.outcome == Outcome::Failed) {
            ending = s.why;
            session.finish(s.outcome == Outcome::Failed ? kFileNotWritten : kDone);
        }
    };
    QObject::connect(&tick, &QTimer::timeout, &tick, onTick);
    bool started = false;
    bool fileOpen = false;
    const int code = session.readStream([&] {
        if (std::exchange(started, true))
            return;
        // The file's unit is the display's at the first reading, as with the program's "Save".
        QString why;
        if (!recording::openRecordingFile(r, inv.out, session.display().UnitText, &why)) {
            err << "luxpanel-cli: " << why << '\n';
            session.finish(kFileNotWritten);
            return;
        }
        fileOpen = true;
        recording::SetPcSamplingInterval(r, inv.interval);
        onTick();
        tick.start();
    });
    tick.stop();
    if (!fileOpen)
        return code;
    recording::closeRecordingFile(r);
    if (terminal)
        err << '\n';
    err << samples << " samples in " << inv.out;
    if (!ending.isEmpty())
        err << " (stopped: " << ending << ')';
    else if (code == kMeterLost)
        err << " (stopped: the meter stopped answering)";
    err << '\n';
    return code;
}

int runDownload(MeterSession& session, const Invocation& inv, QTextStream& out, QTextStream& err) {
    const QDir folder(inv.out);
    if (!folder.mkpath(QStringLiteral("."))) {
        err << "luxpanel-cli: the folder " << inv.out << " could not be created\n";
        return kFileNotWritten;
    }
    logger::MemoryTransfer transfer;
    {
        Exchange exchange(session.link().exchanges());
        // Tells the watch the meter is there before the transfer's own polls.
        if (!session.poll())
            return session.endCode();
        // A bar on a terminal; in a log, a line every tenth of the way.
        const bool terminal = stderrIsTerminal();
        int shownSteps = -1;
        logger::TransferWatch watch;
        watch.progress = [&](qsizetype received, qsizetype expected) {
            const qsizetype done = std::min(received, expected);
            const int steps = int(done * (terminal ? 1000 : 10) / expected);
            if (steps == shownSteps)
                return;
            shownSteps = steps;
            const QString text = logger::progressText(done, expected);
            if (terminal)
                err << "\r[" << QString(int(done * 30 / expected), u'#').leftJustified(30) << "] "
                    << text;
            else
                err << text << '\n';
            err.flush();
        };
        transfer = logger::ReceiveLoggerMemory(session.link(), watch);
        if (terminal && shownSteps >= 0)
            err << '\n';
    }
    switch (transfer.outcome) {
    case logger::Transfer::Received:
        break;
    case logger::Transfer::Empty:
        err << "luxpanel-cli: No Data in Memory\n";
        return kNoData;
    case logger::Transfer::ImpossibleEnd:
        err << "luxpanel-cli: the meter reports a memory end address of " << transfer.memoryEnd
            << ", which no logger memory has\n";
        return kNoData;
    case logger::Transfer::Stalled:
        err << "luxpanel-cli: the meter stopped sending: no data for 5 s\n";
        return kMeterLost;
    case logger::Transfer::Cancelled:
    case logger::Transfer::ShuttingDown:
        return session.endCode();
    }
    const logger::SetScan scan = logger::scanSets(transfer.memory);
    const QDate today = QDate::currentDate();
    const QString unit = inv.footCandles ? QStringLiteral("Fc") : QStringLiteral("Lx");
    for (size_t i = 0; i < scan.sets.size(); ++i) {
        const QByteArray& set = scan.sets[i];
        const QString name =
            QStringLiteral("set-%1-%2.tsv").arg(int(i + 1), 2, 10, QLatin1Char('0')).arg(unit);
        // Written whole or not at all, so an older file of the same name is never half replaced.
        QSaveFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(logger::setDataFile(set, today, inv.footCandles)) < 0 || !file.commit()) {
            err << "luxpanel-cli: " << file.fileName() << ": " << file.errorString() << '\n';
            return kFileNotWritten;
        }
        out << name << '\t' << logger::setStartText(set) << '\t' << logger::setIntervalSeconds(set)
            << '\t' << logger::setRecordCount(set) << '\n';
    }
    if (scan.end == logger::SetScan::End::NoSetAtStart) {
        err << "luxpanel-cli: the memory does not begin with a set: no set could be read\n";
        return kNoData;
    }
    if (scan.end == logger::SetScan::End::LastSetCutShort)
        err << "luxpanel-cli: the last set in memory is incomplete and was not written\n";
    return kDone;
}

int runClock(MeterSession& session, const Invocation& inv, QTextStream& out) {
    Exchange exchange(session.link().exchanges());
    meterlink::MeterLink& link = session.link();
    if (!session.poll())
        return session.endCode();
    // The computer's time is taken as the bytes go out, after the exchange's own waits.
    if (inv.set && !meterlink::SendMeterSetting(link, 'T', [] {
            return recording::clockSetBytes(QDateTime::currentDateTime());
        }))
        return session.endCode();
    const std::optional<QByteArray> frame = recording::ReadClockFrame(link);
    if (!frame)
        return session.endCode();
    out << "meter\t" << recording::meterClockText(*frame) << "\tinterval "
        << recording::meterIntervalText(*frame) << '\n'
        << "pc\t" << recording::pcClockText(QDateTime::currentDateTime()) << '\n';
    return kDone;
}

int runErase(MeterSession& session) {
    Exchange exchange(session.link().exchanges());
    meterlink::MeterLink& link = session.link();
    if (!session.poll() || !link.WaitSeconds(0.02))
        return session.endCode();
    link.send(QByteArrayLiteral("E"));
    return kDone;
}

} // namespace cli
