// The whole program below the port window, built as main() builds it, against the simulated
// meter's model in virtual time: every toolbar button, where it acts and where it must not.
#include "app/program_windows.h"

#include "link/display_model.h"
#include "link/meter_link.h"
#include "model_meter.h"
#include "panel/panel.h"
#include "scripted_prompts.h"
#include "shared/session.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using sim::Flag;

namespace {

QList<QWidget*> visibleWindows() {
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            windows << w;
    return windows;
}

// A window as the user tells it: its name and its caption, and whether any of it, title bar and
// frame included, is off the screen.
QString windowSeen(const QWidget* w) {
    const bool onScreen = w->screen()->availableGeometry().contains(w->frameGeometry());
    return QStringLiteral("window %1 \"%2\"%3")
        .arg(w->objectName(), w->windowTitle(),
             onScreen ? QString() : QStringLiteral(" off the screen"));
}

// Command letters other than the polling's own.
QByteArray commandLetters(const QByteArray& sent) {
    QByteArray letters;
    for (char c : sent)
        if (c != 'A' && c != 'M')
            letters += c;
    return letters;
}

struct Rig {
    testsupport::VirtualWaiter clock;
    testsupport::FakePort port{clock};
    testsupport::ModelMeter meter{port, clock};
    shared::Session session;
    meterlink::MeterLink link{port, clock, session.link};
    testsupport::ScriptedPrompts prompts;
    app::ProgramWindows program{session, link, prompts};

    Rig() {
        session.link.devicePath = QStringLiteral("/dev/ttyUSB0");
        session.link.linkName = QStringLiteral("ttyUSB0");
    }
    panel::Panel& panel() { return program.panel(); }
    QAction* button(const QString& key) { return panel().findChild<QAction*>(key); }

    // Clicks a toolbar button and tells what followed: windows that opened (a modal one is
    // closed as soon as it shows), boxes and dialogs, command letters sent, recordings started.
    QStringList click(const QString& key) {
        const QList<QWidget*> windowsBefore = visibleWindows();
        const qsizetype sentBefore = port.sent.size();
        const qsizetype messagesBefore = prompts.messages.size();
        const qsizetype askedBefore = prompts.asked.size();
        const qsizetype dialogsBefore = prompts.fileDialogs.size();
        const bool fileRecording = session.recording.FileRecording;
        const bool listRecording = session.recording.ListRecording;
        QStringList seen;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, &panel(), [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen << windowSeen(modal);
                modal->close();
            }
        });
        closer.start(10);
        button(key)->trigger();
        QCoreApplication::processEvents();
        closer.stop();

        for (QWidget* w : visibleWindows())
            if (!windowsBefore.contains(w))
                seen << windowSeen(w);
        for (qsizetype i = messagesBefore; i < prompts.messages.size(); ++i)
            seen << QStringLiteral("message ") + prompts.messages[i].text;
        for (qsizetype i = askedBefore; i < prompts.asked.size(); ++i)
            seen << QStringLiteral("asked ") + prompts.asked[i][1];
        for (qsizetype i = dialogsBefore; i < prompts.fileDialogs.size(); ++i)
            seen << prompts.fileDialogs[i] + QStringLiteral(" dialog");
        if (const QByteArray letters = commandLetters(port.sent.mid(sentBefore));
            !letters.isEmpty())
            seen << QStringLiteral("sent ") + QString::fromLatin1(letters);
        if (session.recording.FileRecording != fileRecording)
            seen << QStringLiteral("file recording");
        if (session.recording.ListRecording != listRecording)
            seen << QStringLiteral("list recording");
        return seen;
    }
};

} // namespace

class TestProgramWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void toolbar_data();
    void toolbar();
    void clockWindowHoldsPollingOff();
    void aboutFromThePanel();
};

void TestProgramWindows::toolbar_data() {
    QTest::addColumn<QString>("key");
    // The meter's annunciator that is on, or what the program is doing; empty: the meter in
    // its plain lux reading, nothing recording.
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("seen");
    // Where each button acts.
    QTest::newRow("Save") << "Save"
                          << "" << QStringList{"save dialog", "file recording"};
    QTest::newRow("Open") << "Open"
                          << "" << QStringList{"window FileList \"readings.txt\"", "open dialog"};
    QTest::newRow("PC") << "PC"
                        << "" << QStringList{"window SamplingChoice \"Sampling Rate\""};
    QTest::newRow("List") << "List"
                          << ""
                          << QStringList{"window RealTimeList \"Real Time List\"",
                                         "list recording"};
    QTest::newRow("Graph") << "Graph"
                           << "" << QStringList{"window RealTimeAll \"Real Time Graph\""};
    QTest::newRow("TimeSet") << "TimeSet"
                             << "" << QStringList{"window Setup \"Setup\""};
    QTest::newRow("Memory") << "Memory"
                            << "a set logged"
                            << QStringList{"window Memory \"Data Logger\"", "sent HQ"};
    QTest::newRow("CD") << "CD"
                        << "" << QStringList{"asked Input the distance", "sent HZ"};
    QTest::newRow("Comp") << "Comp"
                          << "" << QStringList{"window Comparator \"Comparator\"", "sent HZ"};
    QTest::newRow("Hold") << "Hold"
                          << "" << QStringList{"asked Input Hold Time", "sent H"};
    QTest::newRow("Buttons") << "Buttons"
                             << "" << QStringList{"window Btn \"Control Panel\""};
    QTest::newRow("ESC") << "ESC"
                         << "RefOn" << QStringList{"sent H"};
    QTest::newRow("scf") << "scf"
                         << "" << QStringList{"window SCF_frm \"Form1\"", "sent a"};
    QTest::newRow("cal") << "cal"
                         << "" << QStringList{"window Calibrationfrm \"Calibration\"", "sent h"};
    QTest::newRow("Survey") << "Survey"
                            << "" << QStringList{"window Survey \"Lighting Survey\""};
    // Where they must not.
    const QStringList nothing;
    QTest::newRow("Save, relative") << "Save"
                                    << "RelOn" << nothing;
    QTest::newRow("List, comparator on") << "List"
                                         << "CompOn" << nothing;
    QTest::newRow("List, already collecting") << "List"
                                              << "listing" << nothing;
    QTest::newRow("Graph, percent") << "Graph"
                                    << "UpperPercentOn" << nothing;
    QTest::newRow("scf, cd") << "scf"
                             << "CdOn" << nothing;
    QTest::newRow("cal, set-up") << "cal"
                                 << "SetUpOn" << nothing;
    QTest::newRow("Memory, INTV") << "Memory"
                                  << "IntvOn" << nothing;
    QTest::newRow("Memory, hold") << "Memory"
                                  << "HoldOn" << nothing;
    QTest::newRow("TimeSet, INTV")
        << "TimeSet"
        << "IntvOn" << QStringList{"message Recording mode, stop record then try again !"};
    QTest::newRow("Open, recording")
        << "Open"
        << "recording" << QStringList{"message Recording Mode!\n\rPlease stop recording!"};
}

void TestProgramWindows::toolbar() {
    QFETCH(QString, key);
    QFETCH(QString, state);
    QFETCH(QStringList, seen);
    QTemporaryDir folder;
    Rig rig;
    const std::optional<Flag> flag = sim::flagFromName(state.toLatin1());
    if (flag)
        rig.meter.model.setFlag(*flag, true);
    if (state == QLatin1String("a set logged"))
        rig.meter.model.loadLoggerMemory(QByteArray::fromHex("0055aa00071405000001"
                                                             "04d208"
                                                             "04d308"));
    QVERIFY(rig.program.start());
    QVERIFY(rig.panel().isVisible());
    // The display copy shows the meter's state before the click.
    if (!flag) {
        QTRY_COMPARE(rig.session.display.UnitText, QStringLiteral("Lx"));
    } else {
        const auto bit = std::find_if(
            meterlink::kStatusBits.begin(), meterlink::kStatusBits.end(),
            [&](const meterlink::StatusBit& b) { return state == QLatin1String(b.name); });
        QTRY_VERIFY(rig.session.display.status.*(bit->flag));
    }
    if (state == QLatin1String("listing"))
        QCOMPARE(rig.click("List"),
                 (QStringList{"window RealTimeList \"Real Time List\"", "list recording"}));
    if (state == QLatin1String("recording"))
        rig.session.recording.FileRecording = true;
    rig.prompts.nextSavePath = folder.filePath(QStringLiteral("saved.txt"));
    rig.prompts.nextOpenPath = QFINDTESTDATA("data/readings.txt");

    QCOMPARE(rig.click(key), seen);
}

void TestProgramWindows::clockWindowHoldsPollingOff() {
    Rig rig;
    QVERIFY(rig.program.start());
    bool pollingWhileOpen = true;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &rig.panel(), [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            pollingWhileOpen = rig.panel().stream().running();
            modal->close();
        }
    });
    closer.start(10);
    rig.button("TimeSet")->trigger();
    QVERIFY(!pollingWhileOpen);
    QVERIFY(rig.panel().stream().running());
}

void TestProgramWindows::aboutFromThePanel() {
    Rig rig;
    QVERIFY(rig.program.start());
    QVERIFY(QTest::qWaitForWindowActive(&rig.panel()));
    QTest::keyClick(&rig.panel(), Qt::Key_F1, Qt::ShiftModifier);
    QTRY_VERIFY(QApplication::activeModalWidget());
    QWidget* about = QApplication::activeModalWidget();
    QCOMPARE(windowSeen(about), QStringLiteral("window About \"About LuxPanel\""));
    const QStringList lines = about->findChild<QLabel*>("LblAbout")->text().split('\n');
    QCOMPARE(
        lines.mid(0, 4),
        (QStringList{"LuxPanel 10.04", "A desktop companion for a handheld digital light meter.",
                     "Licence: GNU General Public License, version 3 or later.",
                     "Data files: saved where you choose; the next save dialog opens in " +
                         QDir::currentPath() + "."}));
    QVERIFY2(lines.value(4).startsWith("Manual page: \"man luxpanel-cli\" (/") &&
                 lines.value(4).endsWith("/man1/luxpanel-cli.1.gz)."),
             qPrintable(lines.value(4)));
    about->close();
    // Beside the toolbar, whose fifteen buttons stay as they are.
    QCOMPARE(rig.panel().findChild<QToolBar*>("Toolbar1")->actions().size(), 15);
}

QTEST_MAIN(TestProgramWindows)
#include "test_program_windows.moc"
