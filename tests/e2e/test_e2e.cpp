// The real serial port against the simulated meter on a pseudo-terminal.
#include "app/program_windows.h"
#include "commands/comparator.h"
#include "link/meter_link.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"
#include "logger/data_list.h"
#include "logger/logger_windows.h"
#include "logger/memory_window.h"
#include "panel/panel.h"
#include "platform/grid.h"
#include "recording/sampling_choice.h"
#include "recording/setup_window.h"
#include "scripted_prompts.h"
#include "shared/session.h"
#include "sim/simulated_meter.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace std::chrono_literals;

namespace {

struct Program {
    shared::Session session;
    meterlink::QtSerialPort port;
    meterlink::EventLoopWaiter waiter;
    meterlink::MeterLink link{port, waiter, session.link};
    testsupport::ScriptedPrompts prompts;
    // The program's windows wired as main() wires them.
    app::ProgramWindows windows{session, link, prompts};
    panel::Panel& panel = windows.panel();
    // Link label texts with the moment they were shown: the recovery runs inside a tick, so
    // the label is only seen changing from within it.
    QList<QPair<QString, qint64>> linkTexts;
    QElapsedTimer clock;

    explicit Program(const QString& device) {
        session.link.PortNumber = 3;
        session.link.devicePath = device;
        session.link.linkName = QStringLiteral("COM3");
        clock.start();
        QObject::connect(&link, &meterlink::MeterLink::linkTextChanged, &panel,
                         [this](const QString& text) {
                             linkTexts.append({text, clock.elapsed()});
                         });
    }
    QStringList texts() const {
        QStringList t;
        for (const auto& [text, at] : linkTexts)
            t << text;
        return t;
    }
    ~Program() {
        // As when the user closes the panel: every wait ends, no tick is left inside one.
        panel.close();
        waiter.requestShutdown();
    }
    // A toolbar button, clicked.
    void click(const char* key) { panel.findChild<QAction*>(QString::fromLatin1(key))->trigger(); }
    // Loaded, and showing the meter's first readings.
    bool loadAndRead() {
        return panel.Load() &&
               QTest::qWaitFor([&] { return session.display.UnitText == QLatin1String("Lx"); },
                               5000);
    }
    QString caption(const char* name) {
        return panel.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    QString mainDigits() {
        QString s;
        for (int i = 0; i < 6; ++i)
            s += panel.findChild<QLabel*>(QStringLiteral("MainDigit(%1)").arg(i))->text();
        return s;
    }
    // Waits until the tick has just shown a frame and will read (not poll) next.
    bool betweenPolls() {
        return QTest::qWaitFor(
            [&] {
                QSignalSpy shown(&panel, &panel::Panel::displayUpdated);
                return shown.wait(2000) && panel.stream().PollCounter >= 2 &&
                       panel.stream().PollCounter <= 10;
            },
            10000);
    }
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void liveReadingAndKeys();
    void silenceShowsNoComThenRecovers();
    void unplugAndReplugRecovers();
    void garbageAndCutFramesAreSkipped();
    void refusalBoxKeepsTheDisplayLive();
    void recordingKilledKeepsEveryCountedLine();
    void meterClockAndLoggerInterval();
    void distanceAndHoldTime();
    void comparatorAndControlPanel();
    void calibrationAndScfWindows();
    void loggerSetDownloadsListsAndErases();
    void stoppedTransferLeavesTheProgramUsable();

private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<sim::SimulatedMeter> meter_;
};

void TestEndToEnd::init() {
    folder_ = std::make_unique<QTemporaryDir>();
    meter_ = std::make_unique<sim::SimulatedMeter>(folder_->filePath(QStringLiteral("ttySIM")));
    QString why;
    QVERIFY2(meter_->start(&why), qPrintable(why));
}

void TestEndToEnd::cleanup() {
    meter_.reset();
    folder_.reset();
}

void TestEndToEnd::liveReadingAndKeys() {
    meter_->setFixedReading(1234.5);
    Program program(meter_->linkPath());
    QVERIFY(program.panel.Load());
    QCOMPARE(program.caption("LblCOM"), QStringLiteral("COM3"));
    QTRY_COMPARE_WITH_TIMEOUT(program.mainDigits(), QStringLiteral("12345"), 5000);
    QCOMPARE(program.session.display.MainText, QStringLiteral("1234.5"));
    QCOMPARE(program.session.display.UnitText, QStringLiteral("Lx"));
    QVERIFY(meter_->commandCount('A') >= 1);
    QVERIFY(meter_->commandCount('M') >= 1);

    // A key pressed on the meter shows on the panel: foot-candles.
    meter_->pressKey('F');
    QTRY_COMPARE_WITH_TIMEOUT(program.session.display.UnitText, QStringLiteral("Fc"), 5000);
    QVERIFY(!program.panel.findChild<QLabel*>("LblFc")->isHidden());
    QVERIFY(program.panel.findChild<QLabel*>("LblLx")->isHidden());
    QVERIFY(program.linkTexts.isEmpty());
}

void TestEndToEnd::silenceShowsNoComThenRecovers() {
    Program program(meter_->linkPath());
    QVERIFY(program.panel.Load());
    QVERIFY(program.betweenPolls());
    const qint64 silentAt = program.clock.elapsed();
    meter_->silence(14s);
    QTRY_COMPARE_WITH_TIMEOUT(program.texts(), QStringList({"No COM", "COM3"}), 25000);
    // Six 2-second reads fail before the link counts as lost, and it is back once the meter is.
    const qint64 lostAfter = program.linkTexts[0].second - silentAt;
    const qint64 backAfter = program.linkTexts[1].second - silentAt;
    QVERIFY2(lostAfter >= 11500 && lostAfter < 14000, qPrintable(QString::number(lostAfter)));
    QVERIFY2(backAfter >= 14000 && backAfter < 17000, qPrintable(QString::number(backAfter)));
    QCOMPARE(program.caption("LblCOM"), QStringLiteral("COM3"));
    QSignalSpy shown(&program.panel, &panel::Panel::displayUpdated);
    QVERIFY(shown.wait(3000));
}

void TestEndToEnd::unplugAndReplugRecovers() {
    Program program(meter_->linkPath());
    QVERIFY(program.panel.Load());
    QVERIFY(program.betweenPolls());
    const qint64 unpluggedAt = program.clock.elapsed();
    meter_->unplug(3s);
    QTRY_COMPARE_WITH_TIMEOUT(program.texts(), QStringList({"No COM", "COM3"}), 15000);
    // A vanished device is noticed at once, not after the read retries.
    const qint64 lostAfter = program.linkTexts[0].second - unpluggedAt;
    QVERIFY2(lostAfter < 1500, qPrintable(QString::number(lostAfter)));
    QVERIFY(program.port.isConnected());
    QCOMPARE(program.caption("LblCOM"), QStringLiteral("COM3"));
    meter_->setFixedReading(777.7);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(program.session.display.MainValue - 777.7f) < 0.05f, 5000);
}

void TestEndToEnd::garbageAndCutFramesAreSkipped() {
    // Main bytes A1 03 03: a frame cut after 9 or 10 bytes, made up to 14 by the next frame's
    // head, would pass the STX and ETX test.
    meter_->setFixedReading(10.303);
    Program program(meter_->linkPath());
    QVERIFY(program.panel.Load());
    QTRY_VERIFY_WITH_TIMEOUT(program.session.display.MainText == QStringLiteral("10.303"), 5000);
    const meterlink::DisplayModel steady = program.session.display;
    QSignalSpy shown(&program.panel, &panel::Panel::displayUpdated);
    QSignalSpy written(meter_.get(), &sim::SimulatedMeter::frameWritten);
    for (int i = 0; i < 4; ++i) {
        meter_->sendGarbage(300);
        meter_->cutFrames(3);
        // The three cut frames and a whole one have gone out before the next burst.
        const qsizetype before = written.size();
        QTRY_VERIFY_WITH_TIMEOUT(written.size() >= before + 4, 10000);
    }
    // Frames cut short while the reading is steady: what the panel shows is the steady reading
    // only, never a frame made of one burst's bytes and the next's.
    int frames = 0;
    int others = 0;
    const auto watch =
        QObject::connect(&program.panel, &panel::Panel::displayUpdated, &program.panel, [&] {
            const meterlink::DisplayModel& d = program.session.display;
            ++frames;
            others += d.MainText != steady.MainText || d.UnitText != steady.UnitText ||
                      !(d.status == steady.status);
        });
    for (int i = 0; i < 20; ++i) {
        meter_->cutFrames(2);
        const qsizetype before = written.size();
        QTRY_VERIFY_WITH_TIMEOUT(written.size() >= before + 3, 10000);
    }
    QObject::disconnect(watch);
    QVERIFY(frames > 0);
    QCOMPARE(others, 0);
    meter_->setFixedReading(321.0);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(program.session.display.MainValue - 321.0f) < 0.01f, 5000);
    // The reads resynchronised on their own: the display kept updating, the link never dropped.
    QVERIFY(shown.count() >= 4);
    QVERIFY(program.linkTexts.isEmpty());
}

void TestEndToEnd::refusalBoxKeepsTheDisplayLive() {
    meter_->setFlag(sim::Flag::IntvOn, true);
    meter_->setFixedReading(100.0);
    Program program(meter_->linkPath());
    QVERIFY(program.panel.Load());
    QTRY_VERIFY_WITH_TIMEOUT(program.session.display.status.IntvOn, 5000);
    QSignalSpy shown(&program.panel, &panel::Panel::displayUpdated);
    qsizetype updatesWhileOpen = -1;
    int pollsWhileOpen = -1;
    float valueWhileOpen = 0.0f;
    program.prompts.whileMessageShown = [&] {
        const qsizetype updates = shown.size();
        const int polls = meter_->commandCount('A');
        meter_->setFixedReading(432.1);
        // The box stays open until the display has gone on for three seconds' worth of frames,
        // a poll among them, and shows the new reading.
        (void)QTest::qWaitFor(
            [&] {
                return shown.size() - updates >= 12 && meter_->commandCount('A') > polls &&
                       qAbs(program.session.display.MainValue - 432.1f) < 0.05f;
            },
            30000);
        updatesWhileOpen = shown.size() - updates;
        pollsWhileOpen = meter_->commandCount('A') - polls;
        valueWhileOpen = program.session.display.MainValue;
    };
    // "TimeSet" clicked while a tick is inside one of its waits.
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, &program.panel, [&] {
        if (!program.link.exchanges().busy())
            return;
        clicker.stop();
        program.panel.findChild<QAction*>(QStringLiteral("TimeSet"))->trigger();
    });
    clicker.start(1);
    QTRY_VERIFY_WITH_TIMEOUT(updatesWhileOpen >= 0, 45000);
    QCOMPARE(program.prompts.messages.size(), 1);
    QCOMPARE(program.prompts.messages[0].text,
             QStringLiteral("Recording mode, stop record then try again !"));
    QVERIFY2(updatesWhileOpen >= 12, qPrintable(QString::number(updatesWhileOpen)));
    QVERIFY2(pollsWhileOpen >= 1, qPrintable(QString::number(pollsWhileOpen)));
    QVERIFY(qAbs(valueWhileOpen - 432.1f) < 0.05f);
    QVERIFY(program.linkTexts.isEmpty()); // never "No COM"
}

void TestEndToEnd::recordingKilledKeepsEveryCountedLine() {
    const QString file = folder_->filePath(QStringLiteral("killed.txt"));
    QProcess child;
    child.start(QStringLiteral(RECORDING_CHILD),
                {folder_->filePath(QStringLiteral("ttyCHILD")), file});
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("counted 3\n"),
                             15000);
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(5000));
    said += child.readAllStandardOutput();
    const qsizetype last = said.lastIndexOf("counted ");
    const int counted = said.mid(last + 8, said.indexOf('\n', last) - last - 8).toInt();
    QFile recorded(file);
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = recorded.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray("Lx\tTime\tValue\r"));
    // Header, the counted lines (a sample written in the instant of the kill may follow), and
    // what follows the last CR LF.
    QVERIFY2(lines.size() >= counted + 2, said.constData());
    QVERIFY(lines[counted].startsWith(QByteArray::number(counted) + '\t'));
}

void TestEndToEnd::meterClockAndLoggerInterval() {
    using Model = sim::MeterModel;
    meter_->withModel([](Model& m) { m.setClock(3, 1 * 3600 + 2 * 60 + 3, Model::Clock::now()); });
    Program program(meter_->linkPath());
    QVERIFY(program.panel.Load());
    meterlink::DisplayStream& polling = program.panel.stream();
    const QDateTime pcTime(QDate(2026, 3, 9), QTime(10, 20, 30));
    recording::Setup setup(program.session, program.link, polling, &program.panel,
                           [&] { return pcTime; });
    setup.show();
    auto* meterTime = setup.findChild<QLabel*>(QStringLiteral("LblMeterTime"));
    QTest::mouseClick(meterTime, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(meterTime->text().startsWith(QStringLiteral("03 01:02:0")), 5000);

    setup.findChild<QPushButton*>(QStringLiteral("CmdSetTime"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(meterTime->text().startsWith(QStringLiteral("09 10:20:3")), 5000);
    setup.close();
    QVERIFY(polling.running());

    program.prompts.inputs = {QStringLiteral("1:30")};
    recording::SamplingChoice choice(program.session, program.link, program.prompts, polling,
                                     &program.panel);
    choice.show();
    choice.findChild<QPushButton*>(QStringLiteral("CmdOK"))->click();
    // The meter takes the bytes off the line on its own thread.
    auto loggerInterval = [&] {
        const QByteArray frame =
            meter_->withModel([](Model& m) { return m.command('Y', Model::Clock::now()); });
        return frame.mid(5, 2).toHex(' ');
    };
    QTRY_COMPARE_WITH_TIMEOUT(loggerInterval(), QByteArray("01 30"), 2000);
    QVERIFY(program.prompts.messages.isEmpty());
}

void TestEndToEnd::distanceAndHoldTime() {
    using Model = sim::MeterModel;
    Program program(meter_->linkPath());
    QVERIFY(program.loadAndRead());
    program.prompts.inputs = {QStringLiteral("2.5")};
    program.click("CD");
    QTRY_COMPARE_WITH_TIMEOUT(meter_->withModel([](Model& m) { return m.distance(); }), 250, 2000);
    // Asked again, the box proposes what the meter now holds; cancelled, nothing is written.
    program.click("CD");
    QTRY_COMPARE_WITH_TIMEOUT(program.prompts.asked.size(), 2, 2000);
    QCOMPARE(program.prompts.asked.last().last(), QStringLiteral("02.50"));
    QCOMPARE(program.prompts.asked.last().first().right(8), QStringLiteral("m ( Lx )"));

    program.prompts.inputs = {QStringLiteral("1:30")};
    program.click("Hold");
    QTRY_COMPARE_WITH_TIMEOUT(meter_->withModel([](Model& m) { return m.holdSeconds(); }), 90,
                              2000);
    QCOMPARE(meter_->commandCount('I'), 1);
    QVERIFY(program.prompts.messages.isEmpty());
}

void TestEndToEnd::comparatorAndControlPanel() {
    using Model = sim::MeterModel;
    Program program(meter_->linkPath());
    QVERIFY(program.loadAndRead());
    auto control = [](QWidget* window, const QString& name) {
        return window->findChild<QWidget*>(name);
    };
    // The meter starts with lux, the point after the third digit, limits 1000 and 100.
    program.click("Comp");
    QPointer<commands::Comparator> comp;
    QTRY_VERIFY_WITH_TIMEOUT((comp = program.panel.findChild<commands::Comparator*>()), 5000);
    auto digits = [&](const char* row) {
        QString text;
        for (int i = 1; i <= 4; ++i)
            text +=
                qobject_cast<QComboBox*>(control(comp, QStringLiteral("%1(%2)").arg(row).arg(i)))
                    ->currentText();
        return text;
    };
    QCOMPARE(digits("HighO"), QStringLiteral("1000"));
    QCOMPARE(digits("LowO"), QStringLiteral("0100"));
    QVERIFY(qobject_cast<QRadioButton*>(control(comp, QStringLiteral("HODec(3)")))->isChecked());

    qobject_cast<QRadioButton*>(control(comp, QStringLiteral("LODec(4)")))->click();
    qobject_cast<QComboBox*>(control(comp, QStringLiteral("HighO(1)")))->setEditText("2");
    qobject_cast<QComboBox*>(control(comp, QStringLiteral("LowO(4)")))->setEditText("7");
    qobject_cast<QPushButton*>(control(comp, QStringLiteral("CmdUpdate")))->click();
    QTRY_COMPARE_WITH_TIMEOUT(meter_->withModel([](Model& m) { return m.highLimit(); }), 2000,
                              3000);
    QCOMPARE(meter_->withModel([](Model& m) { return m.lowLimit(); }), 107);
    QCOMPARE(meter_->withModel([](Model& m) { return m.comparatorFlags(); }), quint8(0x44));
    // "X" switched the comparator on; the display copy shows it.
    QTRY_VERIFY_WITH_TIMEOUT(program.session.display.status.CompOn, 3000);

    // The control panel presses the meter's keys: Lx/Fc switches the unit.
    program.click("Buttons");
    QWidget* keys = program.panel.findChild<QWidget*>(QStringLiteral("Btn"));
    QVERIFY(keys);
    qobject_cast<QPushButton*>(control(keys, QStringLiteral("CmdEnter")))->click();
    QTRY_VERIFY_WITH_TIMEOUT(!program.session.display.status.CompOn, 3000);
    qobject_cast<QPushButton*>(control(keys, QStringLiteral("CmdLxFc")))->click();
    QTRY_COMPARE_WITH_TIMEOUT(program.session.display.UnitText, QStringLiteral("Fc"), 3000);
    QVERIFY(program.prompts.messages.isEmpty());
}

void TestEndToEnd::calibrationAndScfWindows() {
    using Model = sim::MeterModel;
    Program program(meter_->linkPath());
    QVERIFY(program.loadAndRead());
    // Opens a modal window with a toolbar key and, while it is open, calls act now and then,
    // never inside an exchange's wait, until it returns true; the window is then closed. After
    // ten seconds it is closed anyway, so a failing step cannot leave it open for good.
    auto inModal = [&](const char* key, const std::function<bool(QDialog*)>& act) {
        QTimer watch;
        QElapsedTimer since;
        QObject::connect(&watch, &QTimer::timeout, &program.panel, [&] {
            const QPointer<QDialog> modal =
                qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!modal || program.link.exchanges().busy())
                return;
            if (act(modal) || since.hasExpired(10000)) {
                watch.stop();
                if (modal)
                    modal->close();
            }
        });
        since.start();
        watch.start(50);
        program.click(key);
    };
    // What a window shows once it has read the meter; then a value is set with "Set".
    auto setInModal = [&](const char* key, const char* entry, const QString& value,
                          const std::function<void(QDialog*)>& before) {
        QString shown;
        inModal(key, [&](QDialog* modal) {
            auto* edit = modal->findChild<QLineEdit*>(QString::fromLatin1(entry));
            // Read from the meter: "0.000" (before, "0.0" or "Text1").
            static const QRegularExpression read(QStringLiteral("^\\d\\.\\d{3}$"));
            if (!read.match(edit->text()).hasMatch())
                return false;
            shown = edit->text();
            before(modal);
            edit->setText(value);
            modal
                ->findChild<QPushButton*>(key == QByteArray("cal") ? QStringLiteral("BtnSet")
                                                                   : QStringLiteral("SetSCF_btn"))
                ->click();
            return true;
        });
        return shown;
    };
    QCOMPARE(setInModal("cal", "TxtCalValue", QStringLiteral("1.2"), [](QDialog*) {}),
             QStringLiteral("1.000"));
    QTRY_COMPARE_WITH_TIMEOUT(meter_->withModel([](Model& m) { return m.calibration(); }), 1200,
                              3000);
    QCOMPARE(setInModal("cal", "TxtCalValue", QStringLiteral("1.2"), [](QDialog*) {}),
             QStringLiteral("1.200"));

    QCOMPARE(setInModal(
                 "scf", "SCFRange_Edit", QStringLiteral("2.5"),
                 [](QDialog* modal) {
                     modal->findChild<QComboBox*>(QStringLiteral("SCFCNT_Cbx"))->setCurrentIndex(3);
                 }),
             QStringLiteral("1.000"));
    QTRY_COMPARE_WITH_TIMEOUT(meter_->withModel([](Model& m) { return m.scf(); }), 2500, 3000);
    QCOMPARE(meter_->withModel([](Model& m) { return m.scfCount(); }), 3);
    QVERIFY(program.panel.stream().running());
    QVERIFY(program.panel.Timer2().isActive());

    // The meter entering its set-up menu closes the window, and the panel says so.
    QElapsedTimer open;
    open.start();
    inModal("scf", [&](QDialog*) {
        meter_->setFlag(sim::Flag::SetUpOn, true);
        return false;
    });
    QVERIFY2(open.elapsed() < 5000, qPrintable(QString::number(open.elapsed())));
    QCOMPARE(program.caption("LblSetUp"), QStringLiteral("SET UP"));
    QVERIFY(program.panel.stream().running());
    QVERIFY(program.prompts.messages.isEmpty());
}

namespace {

QStringList gridRow(const platform::Grid& g, int row) {
    QStringList cells;
    for (int c = 0; c < g.Cols(); ++c)
        cells << g.Text(row, c);
    return cells;
}

// A click on a data row of a grid, as the user makes it.
void clickRow(platform::Grid& g, int row) {
    const QRect cell = g.visualRect(g.model()->index(row - 1, 1));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

void TestEndToEnd::loggerSetDownloadsListsAndErases() {
    using Model = sim::MeterModel;
    meter_->setFixedReading(123.4);
    meter_->withModel([](Model& m) {
        m.setClock(7, 23 * 3600 + 59 * 60 + 58, Model::Clock::now());
        m.setLoggingInterval(1s);
    });
    Program program(meter_->linkPath());
    QVERIFY(program.panel.Load());
    // A set logged on the meter, across midnight: its Memory key starts and stops the logger
    // once the third record, at midnight, is in.
    meter_->pressKey('P');
    QTRY_VERIFY_WITH_TIMEOUT(meter_->loggerEndAddress() >= 1535 + 10 + 3 * 3, 10000);
    meter_->pressKey('P');
    // "Memory" is refused while the display still shows INTV.
    QTRY_VERIFY_WITH_TIMEOUT(!program.session.display.status.IntvOn, 3000);
    const int records = int(meter_->loggerEndAddress() - 1535 - 10) / 3;
    QVERIFY(records >= 3);

    program.click("Memory");
    logger::Memory* memory = program.panel.findChild<logger::Memory*>();
    QVERIFY(memory);
    QCOMPARE(memory->GridSet().Rows(), 2);
    const QStringList set = gridRow(memory->GridSet(), 1);
    QCOMPARE(set.mid(2), (QStringList{"1", QString::number(records)}));
    QVERIFY2(set[1] == "07-23:59:58" || set[1] == "07-23:59:59", qPrintable(set[1]));
    QVERIFY(program.panel.stream().running());

    QVERIFY(QTest::qWaitForWindowExposed(memory));
    clickRow(memory->GridSet(), 1);
    QPointer<logger::DataList> list;
    QTRY_VERIFY((list = program.panel.findChild<logger::DataList*>()));
    QCOMPARE(list->GridM().Rows(), records + 1);
    // 123.4 lx kept in hundredths (range bit 2); 11.464 fc.
    QCOMPARE(gridRow(list->GridM(), 1), (QStringList{"1", set[1], "123.40"}));
    QCOMPARE(gridRow(list->GridI(), 1), (QStringList{"1", set[1], "11.464"}));
    QVERIFY(gridRow(list->GridM(), 3)[1].startsWith(QLatin1String("08-00:00:0")));

    program.prompts.confirmAnswer = true;
    memory->ClearLoggerMemory();
    QTRY_COMPARE_WITH_TIMEOUT(meter_->loggerEndAddress(), 1535u, 3000);
    QTRY_VERIFY(!program.panel.findChild<logger::Memory*>());
    QVERIFY(program.panel.stream().running());
}

void TestEndToEnd::stoppedTransferLeavesTheProgramUsable() {
    meter_->withModel([](sim::MeterModel& m) {
        m.fillLoggerMemory(100, sim::MeterModel::Clock::now());
        m.cutNextDump(2000);
    });
    Program program(meter_->linkPath());
    QVERIFY(program.panel.Load());
    QElapsedTimer took;
    took.start();
    program.click("Memory");
    QVERIFY2(took.elapsed() < 10000, qPrintable(QString::number(took.elapsed())));
    logger::Memory* memory = program.panel.findChild<logger::Memory*>();
    QVERIFY(memory);
    QCOMPARE(memory->findChild<QLabel*>(QStringLiteral("LblMessage"))->text(),
             logger::kStalledText);
    QCOMPARE(memory->GridSet().Rows(), 1);
    // Polling runs again and the display copy goes on.
    QSignalSpy shown(&program.panel, &panel::Panel::displayUpdated);
    QVERIFY(shown.wait(3000));
    QCOMPARE(program.caption("LblCOM"), QStringLiteral("COM3"));
}

QTEST_MAIN(TestEndToEnd)
#include "test_e2e.moc"
