// A recording program for the crash test: the panel polling a simulated meter and recording
// into the given file once a second. It says "counted N" as each sample is counted; the test
// kills it with SIGKILL and reads the file.
//
//   recording_child LINK FILE
#include "link/meter_link.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"
#include "panel/panel.h"
#include "recording/recording_state.h"
#include "scripted_prompts.h"
#include "shared/session.h"
#include "sim/simulated_meter.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fputs("usage: recording_child LINK FILE\n", stderr);
        return 1;
    }
    sim::SimulatedMeter meter(QString::fromLocal8Bit(argv[1]));
    QString why;
    if (!meter.start(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    shared::Session session;
    session.link.devicePath = meter.linkPath();
    session.link.linkName = QStringLiteral("SIM");
    meterlink::QtSerialPort port;
    meterlink::EventLoopWaiter waiter;
    meterlink::MeterLink link(port, waiter, session.link);
    testsupport::ScriptedPrompts prompts;
    prompts.nextSavePath = QString::fromLocal8Bit(argv[2]);
    panel::Panel panel(session, link, prompts);
    if (!panel.Load())
        return 1;
    recording::SetPcSamplingInterval(session.recording, 1);

    qint32 said = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &panel, [&] {
        recording::RecordingState& r = session.recording;
        if (!r.FileRecording && !session.display.UnitText.isEmpty())
            panel.toolbar().OnToolbarButton(QStringLiteral("Save"));
        if (r.FileSampleCount != said) {
            said = r.FileSampleCount;
            std::printf("counted %d\n", said);
            std::fflush(stdout);
        }
    });
    watch.start(20);
    return QApplication::exec();
}
