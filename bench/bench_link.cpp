// Link and panel figures: decoding speed, the delay from a frame's arrival to the panel showing
// it, the program's CPU use while it polls the simulated meter, and the cost of a recorded sample.
#include "app/program_windows.h"
#include "figures.h"
#include "link/display_decoder.h"
#include "link/meter_link.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"
#include "panel/panel.h"
#include "platform/prompts.h"
#include "recording/daily_record.h"
#include "recording/recording_state.h"
#include "shared/session.h"
#include "sim/simulated_meter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMutex>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::optional<double> percentile(std::vector<double> v, double p) {
    if (v.empty())
        return std::nullopt;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

bool decodeFramesPerSecond() {
    std::vector<QByteArray> frames;
    QRandomGenerator rng(7);
    for (int i = 0; i < 1024; ++i) {
        QByteArray f(14, '\0');
        for (char& c : f)
            c = char(rng.bounded(256));
        f[0] = 0x02;
        f[13] = 0x03;
        frames.push_back(f);
    }
    meterlink::DisplayModel model;
    const int n = 2'000'000;
    QElapsedTimer t;
    t.start();
    qsizetype sink = 0;
    for (int i = 0; i < n; ++i) {
        const QByteArray& f = frames[size_t(i) & 1023];
        meterlink::DecodeStatusBytes(f, model);
        sink += meterlink::DecodeDisplayDigits(f, model).mainTextFormed ? model.MainText.size() : 1;
    }
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    if (sink == 42)
        std::puts("");
    return report("decode_frames_per_s", n / seconds, "frames/s");
}

// The program's own objects, as main() builds them once a port is chosen.
struct Program {
    shared::Session session;
    meterlink::QtSerialPort port;
    meterlink::EventLoopWaiter waiter;
    meterlink::MeterLink link{port, waiter, session.link};
    platform::DialogPrompts prompts;
    // The whole program as main() builds it, so a window's timer running unseen counts too.
    app::ProgramWindows windows{session, link, prompts};
    panel::Panel& panel = windows.panel();

    bool start(const QString& device) {
        session.link.devicePath = device;
        session.link.linkName = QStringLiteral("SIM");
        return windows.start();
    }
    ~Program() { waiter.requestShutdown(); }
};

// A loop of its own: quitting the application's loop would close the panel, and with it stop
// the polling that the next phase measures.
void runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// Arrival of the frame the panel shows (the one its tick collected) to the labels showing it,
// and the first frame bearing a new reading to the labels showing that reading.
bool frameToPanel(const QString& folder, double seconds) {
    const char* figures =
        "frame_to_panel_ms_p99, frame_to_panel_ms_p50, reading_change_to_panel_ms_p99";
    struct Written {
        QString text;
        Clock::time_point at;
    };
    QMutex mutex;
    std::deque<Written> written;
    sim::SimulatedMeter meter(folder + QStringLiteral("/latency"));
    meter.setFrameObserver([&](const QByteArray& frame, sim::FrameKind kind, Clock::time_point at) {
        if (kind != sim::FrameKind::Display)
            return; // the panel shows only display frames
        meterlink::DisplayModel m;
        meterlink::DecodeStatusBytes(frame, m);
        meterlink::DecodeDisplayDigits(frame, m);
        QMutexLocker lock(&mutex);
        written.push_back({m.MainText, at});
        if (written.size() > 200)
            written.pop_front();
    });
    QString why;
    if (!meter.start(&why))
        return fail(figures, QStringLiteral("the simulated meter did not start: ") + why);
    meter.setFixedReading(100.0);
    Program program;
    if (!program.start(meter.linkPath()))
        return fail(figures, QStringLiteral("could not open ") + meter.linkPath());

    std::vector<double> shownFrame, newReading;
    QString lastShown;
    QObject::connect(&program.panel, &panel::Panel::displayUpdated, qApp, [&] {
        const Clock::time_point now = Clock::now();
        const QString text = program.session.display.MainText;
        const bool changed = text != std::exchange(lastShown, text);
        QMutexLocker lock(&mutex);
        auto latest = std::find_if(written.rbegin(), written.rend(),
                                   [&](const Written& w) { return w.text == text && w.at <= now; });
        if (latest == written.rend())
            return;
        shownFrame.push_back(std::chrono::duration<double, std::milli>(now - latest->at).count());
        // The first frame of this reading is the oldest of the unbroken run ending at 'latest'.
        auto first = latest;
        while (std::next(first) != written.rend() && std::next(first)->text == text)
            ++first;
        if (changed && std::next(first) != written.rend())
            newReading.push_back(
                std::chrono::duration<double, std::milli>(now - first->at).count());
    });
    QTimer change;
    QObject::connect(&change, &QTimer::timeout, qApp, [&] {
        meter.setFixedReading(100.0 + QRandomGenerator::global()->bounded(800.0));
    });
    change.start(1000);
    runFor(seconds);
    const bool frameP99 = report("frame_to_panel_ms_p99", percentile(shownFrame, 0.99), "ms");
    const bool frameP50 = report("frame_to_panel_ms_p50", percentile(shownFrame, 0.50), "ms");
    const bool changeP99 =
        report("reading_change_to_panel_ms_p99", percentile(newReading, 0.99), "ms");
    return frameP99 && frameP50 && changeP99;
}

// CPU of the polling program over wall time; the meter runs in a process of its own.
bool idleCpu(const QString& folder, double seconds) {
    const char* figure = "idle_cpu_percent";
    QProcess metersim;
    const QString link = folder + QStringLiteral("/idle");
    metersim.setStandardInputFile(QProcess::nullDevice());
    metersim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/metersim"),
                   {QStringLiteral("--link"), link});
    if (!metersim.waitForStarted())
        return fail(figure, QStringLiteral("metersim did not start: ") + metersim.errorString());
    for (int i = 0; i < 250 && !QFileInfo::exists(link); ++i)
        QThread::msleep(20);
    Program program;
    if (!program.start(link))
        return fail(figure, QStringLiteral("could not open ") + link);
    runFor(2.0); // settle: first poll, first frames
    // CPU of a program that has lost its meter would not be the figure asked for.
    int shown = 0;
    QObject::connect(&program.panel, &panel::Panel::displayUpdated, qApp, [&] { ++shown; });
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(seconds);
    const double cpu = cpuSeconds() - cpu0;
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    program.panel.close();
    metersim.terminate();
    metersim.waitForFinished(2000);
    if (shown == 0)
        return fail(figure, QStringLiteral("the panel showed no frame while it was measured"));
    return report(figure, 100.0 * cpu / wallSeconds, "%");
}

// The save dialog answered with a file in the bench's folder.
class SavePathPrompts : public platform::DialogPrompts {
public:
    explicit SavePathPrompts(QString path) : path_(std::move(path)) {}
    QString saveFileName(QWidget*, const QString&, const QString&) override { return path_; }

private:
    QString path_;
};

// One recording tick that writes its sample line and flushes it to the operating system.
bool recordingTick(const QString& folder) {
    const char* figure = "recording_tick_us";
    shared::Session session;
    meterlink::QtSerialPort port;
    meterlink::EventLoopWaiter waiter;
    meterlink::MeterLink link{port, waiter, session.link};
    SavePathPrompts prompts(folder + QStringLiteral("/recording.txt"));
    panel::Panel panel{session, link, prompts};
    session.display.UnitText = QStringLiteral("Lx");
    session.display.MainText = QStringLiteral("1234.5");
    panel.StartFileRecording();
    if (!session.recording.FileRecording)
        return fail(figure, QStringLiteral("the recording did not start"));
    recording::SetPcSamplingInterval(session.recording, 1);
    const int samples = 20000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < samples; ++i)
        panel.Timer2Tick();
    const double us = double(t.nsecsElapsed()) / 1e3 / samples;
    if (session.recording.FileSampleCount != samples)
        return fail(figure, QStringLiteral("not every sample was written"));
    panel.StopFileRecording();
    return report(figure, us, "us");
}

// One sample of the unattended daily record, taken and on the disk (fdatasync) before it returns.
bool dailyRecordTick(const QString& folder) {
    const char* figure = "record_tick_us";
    recording::DailyRecord record(folder + QStringLiteral("/daily"));
    meterlink::DisplayModel display;
    display.UnitText = QStringLiteral("Lx");
    display.MainText = QStringLiteral("1234.5");
    // A sample a second from the day's start, so that every sample lands in the same file.
    const QDateTime start(QDate(2026, 12, 9), QTime(0, 0));
    record.take(display, true, start); // the file is created and named in the journal
    const int samples = 2000;
    QElapsedTimer t;
    t.start();
    for (int i = 1; i <= samples; ++i)
        record.take(display, true, start.addSecs(i));
    const double us = double(t.nsecsElapsed()) / 1e3 / samples;
    if (record.missed() != 0)
        return fail(figure, QStringLiteral("%1 samples could not be written").arg(record.missed()));
    QFile file(record.fileName());
    if (!file.open(QIODevice::ReadOnly) || file.readAll().count('\n') != samples + 2)
        return fail(figure, QStringLiteral("not every sample reached the file"));
    return report(figure, us, "us");
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const double seconds = argc > 1 ? QString::fromLatin1(argv[1]).toDouble() : 60.0;
    QTemporaryDir folder;
    bool ok = decodeFramesPerSecond();
    ok = frameToPanel(folder.path(), std::min(seconds, 30.0)) && ok;
    ok = idleCpu(folder.path(), seconds) && ok;
    ok = recordingTick(folder.path()) && ok;
    ok = dailyRecordTick(folder.path()) && ok;
    return ok ? 0 : 1;
}
