#include "commands/toolbar_dispatch.h"

#include "fake_link.h"
#include "link/meter_link.h"
#include "session_rig.h"

#include <QTest>
#include <QTimer>

namespace {

const QStringList kKeys = {"Save", "Open", "PC",      "List", "Graph", "TimeSet", "Memory", "CD",
                           "Comp", "Hold", "Buttons", "ESC",  "scf",   "cal",     "Survey"};

struct Rig : testsupport::SessionRig {
    commands::ToolbarDispatcher dispatcher{session, link, prompts, stream, nullptr};
    QStringList ran; // keys whose action ran
    QList<bool> timerActiveDuringAction;

    Rig() {
        commands::ToolbarActions& a = dispatcher.actions();
        auto note = [this](const QString& key) {
            return [this, key] {
                ran << key;
                timerActiveDuringAction << !stream.paused();
            };
        };
        a.StartFileRecording = note("Save");
        a.StopFileRecording = note("Save:stop");
        a.OpenDataFile = note("Open");
        a.StartRealTimeList = note("List");
        a.ShowSamplingChoice = note("PC");
        a.ShowRealTimeGraph = note("Graph");
        a.ShowClockWindow = note("TimeSet");
        a.DownloadLoggerMemory = note("Memory");
        a.EnterLightDistance = note("CD");
        a.LoadComparatorWindow = note("Comp");
        a.EnterHoldTime = note("Hold");
        a.ShowControlPanel = note("Buttons");
        a.ShowScfWindow = note("scf");
        a.ShowCalibrationWindow = note("cal");
        a.ShowSurvey = note("Survey");
    }
    // Clicks one key on a fresh dispatch; returns whether its action ran.
    bool acts(const QString& key) {
        ran.clear();
        port.sent.clear();
        dispatcher.OnToolbarButton(key);
        if (key == QLatin1String("ESC"))
            return port.sent == "AH";
        return !ran.isEmpty();
    }
};

} // namespace

class TestToolbar : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void guards_data();
    void guards();
    void saveStopsARunningRecording();
    void timeSetDuringIntervalRecording();
    void timeSetStopsPolling();
    void escapePollsThenSendsH();
    void settingWindowsPollFirst_data();
    void settingWindowsPollFirst();
    void graphOpeningValues();
    void unknownKeysDoNothing();
};

void TestToolbar::guards_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("ignored");
    const QStringList normalOnly = {"Save", "List", "Graph", "scf", "cal"};
    QTest::newRow("normal") << "" << QStringList();
    for (const char* flag :
         {"RefOn", "RelOn", "UpperPercentOn", "CdOn", "LxHourOn", "FcHourOn", "SetUpOn", "CompOn"})
        QTest::newRow(flag) << flag << normalOnly;
    QTest::newRow("HoldOn") << "HoldOn" << QStringList{"Memory"};
    QTest::newRow("IntvOn") << "IntvOn" << QStringList{"Memory", "TimeSet"};
    QTest::newRow("memory window") << "memory" << QStringList{"Memory"};
    QTest::newRow("graph open") << "graph" << QStringList{"Graph"};
    QTest::newRow("list collecting") << "list" << QStringList{"List"};
}

void TestToolbar::guards() {
    QFETCH(QString, mode);
    QFETCH(QStringList, ignored);
    for (const QString& key : kKeys) {
        Rig rig;
        meterlink::MeterStatus& s = rig.session.display.status;
        const QMap<QString, bool*> flags = {{"RefOn", &s.RefOn},
                                            {"RelOn", &s.RelOn},
                                            {"UpperPercentOn", &s.UpperPercentOn},
                                            {"CdOn", &s.CdOn},
                                            {"LxHourOn", &s.LxHourOn},
                                            {"FcHourOn", &s.FcHourOn},
                                            {"SetUpOn", &s.SetUpOn},
                                            {"CompOn", &s.CompOn},
                                            {"HoldOn", &s.HoldOn},
                                            {"IntvOn", &s.IntvOn},
                                            {"memory", &rig.session.logger.MemoryWindowOpen},
                                            {"graph", &rig.session.graph.GraphOpen},
                                            {"list", &rig.session.recording.ListRecording}};
        if (!mode.isEmpty())
            *flags.value(mode) = true;
        QVERIFY2(rig.acts(key) != ignored.contains(key), qPrintable(key));
    }
}

void TestToolbar::saveStopsARunningRecording() {
    Rig rig;
    rig.session.recording.FileRecording = true;
    rig.dispatcher.OnToolbarButton("Save");
    QCOMPARE(rig.ran, QStringList{"Save:stop"});
}

void TestToolbar::timeSetDuringIntervalRecording() {
    Rig rig;
    rig.session.display.status.IntvOn = true;
    rig.dispatcher.OnToolbarButton("TimeSet");
    QVERIFY(rig.ran.isEmpty());
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].text,
             QStringLiteral("Recording mode, stop record then try again !"));
    QVERIFY(rig.prompts.messages[0].icon == platform::MessageIcon::Critical);
    QVERIFY(!rig.stream.paused());
}

void TestToolbar::timeSetStopsPolling() {
    Rig rig;
    rig.dispatcher.OnToolbarButton("TimeSet");
    QCOMPARE(rig.ran, QStringList{"TimeSet"});
    QCOMPARE(rig.timerActiveDuringAction, QList<bool>{false});
}

void TestToolbar::escapePollsThenSendsH() {
    Rig rig;
    bool activeAtPoll = true;
    auto respond = rig.port.responder;
    rig.port.responder = [&](const QByteArray& command) {
        if (command == "A")
            activeAtPoll = !rig.stream.paused();
        respond(command);
    };
    rig.dispatcher.OnToolbarButton("ESC");
    QCOMPARE(rig.port.sent, QByteArray("AH"));
    QVERIFY(!activeAtPoll);
    QVERIFY(!rig.stream.paused());
}

void TestToolbar::settingWindowsPollFirst_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("scf") << "scf";
    QTest::newRow("cal") << "cal";
}

void TestToolbar::settingWindowsPollFirst() {
    QFETCH(QString, key);
    Rig rig;
    rig.dispatcher.OnToolbarButton(key);
    QCOMPARE(rig.port.sent, QByteArray("A"));
    QCOMPARE(rig.ran, QStringList{key});
}

void TestToolbar::graphOpeningValues() {
    Rig rig;
    rig.session.display.UnitText = QStringLiteral("Fc");
    rig.session.display.MainValue = 42.5f;
    rig.session.graph.GraphSampleCount = 99;
    rig.dispatcher.OnToolbarButton("Graph");
    const graphs::GraphState& g = rig.session.graph;
    QVERIFY(g.GraphOpen);
    QVERIFY(g.GraphNeedsInit);
    QCOMPARE(g.GraphSampleCount, 0.0f);
    QCOMPARE(g.GraphUnit, QStringLiteral("Fc"));
    QCOMPARE(g.SnapshotMax, 42.5f);
    QCOMPARE(g.SnapshotMin, 42.5f);
    QCOMPARE(rig.ran, QStringList{"Graph"});
}

void TestToolbar::unknownKeysDoNothing() {
    Rig rig;
    for (const char* key : {"Alarm", "save", "esc", ""})
        rig.dispatcher.OnToolbarButton(QString::fromLatin1(key));
    QVERIFY(rig.ran.isEmpty());
    QVERIFY(rig.port.sent.isEmpty());
    QVERIFY(rig.prompts.messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestToolbar)
#include "test_toolbar.moc"
