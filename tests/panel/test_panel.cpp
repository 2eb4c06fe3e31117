#include "panel/panel.h"

#include "fake_link.h"
#include "link/meter_link.h"
#include "scripted_prompts.h"
#include "session_rig.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using testsupport::FakePort;
using testsupport::VirtualWaiter;

namespace {

using testsupport::displayFrame;

const QByteArray kLux1234 = displayFrame(0xAA1234, {0x00, 0x10, 0x00, 0x00, 0x08, 0x00});
// The same with INTV (byte 11, bit 2) on.
const QByteArray kIntvLux1234 = displayFrame(0xAA1234, {0x00, 0x10, 0x00, 0x04, 0x08, 0x00});

struct Rig : testsupport::SessionRig {
    panel::Panel panel{session, link, prompts};

    Rig() {
        session.link.PortNumber = 3;
        session.link.devicePath = QStringLiteral("/dev/ttyS2");
        session.link.linkName = QStringLiteral("COM3");
        meter.frame = kLux1234;
    }
    template <typename T = QLabel> T* child(const QString& name) {
        T* w = panel.findChild<T*>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    bool shown(const QString& name) { return !child<QWidget>(name)->isHidden(); }
    void click(const char* key) { child<QAction>(QString::fromLatin1(key))->trigger(); }
    // Runs f once, inside the first wait of whatever exchange waits next.
    void duringNextWait(std::function<void()> f) {
        clock.onWait = [this, f = std::move(f), meterScript = clock.onWait](double now) mutable {
            meterScript(now);
            if (auto once = std::exchange(f, nullptr))
                once();
        };
    }
    QString caption(const QString& name) { return child(name)->text(); }
    // One tick with the given frame streaming; returns what the tick sent.
    QByteArray tick(const QByteArray& f) {
        meter.frame = f;
        const qsizetype before = port.sent.size();
        panel.stream().Timer1Tick();
        return port.sent.mid(before);
    }
};

} // namespace

class TestPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadOpensPortAndStartsPolling();
    void loadFailureSaysNoDevice();
    void captionToggle();
    void toolbarButtons();
    void pollOnEveryFifteenthTick();
    void digitsAndBlanks_data();
    void digitsAndBlanks();
    void annunciatorFollowsItsFlag_data();
    void annunciatorFollowsItsFlag();
    void banner_data();
    void banner();
    void unitRule_data();
    void unitRule();
    void onlyChangedDigitsRepaint();
    void shortDigitsEndTheTickEarly();
    void tickDoesNotReenter();
    void clicksDuringATickWaitStartAfterIt();
    void shutdownDropsQueuedClicks();
    void closingEndsATickStuckInRecovery();
    void holdKeyPollsOnWhileItsBoxIsOpen();
};

void TestPanel::loadOpensPortAndStartsPolling() {
    Rig rig;
    rig.session.recording.FileRecording = true;
    rig.session.recording.SamplingSeconds = 10;
    rig.session.graph.GraphOpen = true;
    QVERIFY(rig.panel.Load());
    QCOMPARE(rig.port.openedDevice, QStringLiteral("/dev/ttyS2"));
    QCOMPARE(rig.caption("LblCOM"), QStringLiteral("COM3"));
    QVERIFY(rig.panel.findChild<QTimer*>("Timer1")->isActive());
    QCOMPARE(rig.panel.findChild<QTimer*>("Timer1")->interval(), 250);
    QVERIFY(rig.panel.findChild<QTimer*>("Timer2")->isActive());
    QCOMPARE(rig.panel.findChild<QTimer*>("Timer2")->interval(), 1000);
    QVERIFY(!rig.session.recording.FileRecording);
    QCOMPARE(rig.session.recording.SamplingSeconds, 2.0f);
    QCOMPARE(rig.session.recording.SampleTickCount, 0);
    QVERIFY(!rig.session.recording.ListRecording);
    QVERIFY(!rig.session.graph.GraphOpen);
    QVERIFY(rig.prompts.messages.isEmpty());
    QCOMPARE(rig.panel.windowTitle(), QStringLiteral("Panel  V10.04"));
    // Blank until the meter's first frame, but for a line that tells what it waits for.
    QVERIFY(rig.shown("LblWaiting"));
    QCOMPARE(rig.caption("LblWaiting"), QStringLiteral("Waiting for the meter on COM3 ..."));
    rig.tick(kLux1234);
    QVERIFY(!rig.shown("LblWaiting"));
}

void TestPanel::loadFailureSaysNoDevice() {
    Rig rig;
    rig.port.openSucceeds = false;
    QVERIFY(!rig.panel.Load());
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].text, QStringLiteral("No device found, try again!"));
    QVERIFY(rig.prompts.messages[0].icon == platform::MessageIcon::Critical);
    QVERIFY(rig.prompts.messages[0].detail.contains("/dev/ttyS2"));
    QVERIFY(!rig.panel.findChild<QTimer*>("Timer1")->isActive());
}

void TestPanel::captionToggle() {
    Rig rig;
    QLabel* com = rig.child("LblCOM");
    QTest::mouseClick(com, Qt::LeftButton);
    QCOMPARE(rig.panel.windowTitle(), QStringLiteral("Panel  V10.04   170508"));
    QTest::mouseClick(com, Qt::LeftButton);
    QCOMPARE(rig.panel.windowTitle(), QStringLiteral("Panel  V10.04"));
}

void TestPanel::toolbarButtons() {
    Rig rig;
    auto* bar = rig.panel.findChild<QToolBar*>("Toolbar1");
    QVERIFY(bar);
    QStringList keys, tips, shortcuts;
    for (QAction* a : bar->actions()) {
        keys << a->data().toString();
        tips << a->toolTip();
        shortcuts << a->shortcut().toString();
        QVERIFY2(!a->icon().isNull(), qPrintable(a->data().toString()));
    }
    QCOMPARE(keys, QStringList({"Save", "Open", "PC", "List", "Graph", "TimeSet", "Memory", "CD",
                                "Comp", "Hold", "Buttons", "ESC", "scf", "cal", "Survey"}));
    QCOMPARE(tips,
             QStringList(
                 {"Save As (Ctrl+S)", "Open File to Read (Ctrl+O)", "PC Sampling Rate (Ctrl+R)",
                  "List Display (Ctrl+L)", "Graphic Display (Ctrl+G)",
                  "Set Meter Time to PC System Time (Ctrl+T)", "Data Logger (Ctrl+D)",
                  "Luminous Intensity (Ctrl+I)", "Comparator (Ctrl+K)", "Set Time to Hold (Ctrl+H)",
                  "Control Panel (Ctrl+B)", "Back to Normal Mode (Esc)", "Set SCF (Ctrl+Shift+F)",
                  "Set Cal (Ctrl+Shift+C)", "Lighting Survey (Ctrl+U)"}));
    QCOMPARE(shortcuts, QStringList({"Ctrl+S", "Ctrl+O", "Ctrl+R", "Ctrl+L", "Ctrl+G", "Ctrl+T",
                                     "Ctrl+D", "Ctrl+I", "Ctrl+K", "Ctrl+H", "Ctrl+B", "Esc",
                                     "Ctrl+Shift+F", "Ctrl+Shift+C", "Ctrl+U"}));
    // Escape returns the meter to normal: one poll, then "H".
    bar->actions().at(11)->trigger();
    QCOMPARE(rig.port.sent, QByteArray("AH"));
}

void TestPanel::pollOnEveryFifteenthTick() {
    Rig rig;
    QCOMPARE(rig.tick(kLux1234), QByteArray("AM"));
    for (int i = 0; i < 14; ++i)
        QCOMPARE(rig.tick(kLux1234), QByteArray());
    QCOMPARE(rig.tick(kLux1234), QByteArray("AM"));
    QCOMPARE(rig.panel.stream().PollCounter, 1);
}

void TestPanel::digitsAndBlanks_data() {
    QTest::addColumn<quint32>("main");
    QTest::addColumn<QStringList>("digits"); // "" marks a hidden digit
    QTest::addColumn<QString>("mainText");
    QTest::newRow("two leading blanks")
        << 0xAA1234u << QStringList{"", "", "1", "2", "3", "4"} << "12.34";
    QTest::newRow("overload") << 0x12FF34u << QStringList{"1", "2", "O", "L", "3", "4"} << "OL";
    QTest::newRow("blank inside") << 0x1A2345u << QStringList{"1", "", "2", "3", "4", "5"}
                                  << "123.45";
}

void TestPanel::digitsAndBlanks() {
    QFETCH(quint32, main);
    QFETCH(QStringList, digits);
    QFETCH(QString, mainText);
    Rig rig;
    rig.tick(displayFrame(0x888888, {0x00, 0x10, 0x00, 0x00, 0x08, 0x00}));
    rig.tick(displayFrame(main, {0x00, 0x10, 0x00, 0x00, 0x08, 0x00}, 0xA7, 0x0930));
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("MainDigit(%1)").arg(i);
        QCOMPARE(rig.caption(name), digits[i]);
        QCOMPARE(rig.shown(name), !digits[i].isEmpty());
    }
    QCOMPARE(rig.session.display.MainText, mainText);
    QCOMPARE(rig.caption("MemoryDigit"), QStringLiteral("7"));
    QStringList time;
    for (int i = 0; i < 4; ++i)
        time << rig.caption(QStringLiteral("TimeDigit(%1)").arg(i));
    QCOMPARE(time, QStringList({"0", "9", "3", "0"}));
}

void TestPanel::annunciatorFollowsItsFlag_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("frameByte"); // 1..14 as on the wire
    QTest::addColumn<int>("mask");
    struct Row {
        const char* control;
        int frameByte;
        int mask;
    };
    const Row rows[] = {
        {"ImgRel", 8, 0x01},          // RelOn
        {"LblComp", 8, 0x02},         // CompOn
        {"LblCal", 8, 0x04},          // CalOn
        {"LblZero", 8, 0x08},         // ZeroOn
        {"LblUAvg", 8, 0x10},         // UpperAvgOn
        {"LblHold", 8, 0x20},         // HoldOn
        {"LblRef", 8, 0x40},          // RefOn
        {"LblUpPercent", 8, 0x80},    // UpperPercentOn
        {"LblCD", 9, 0x04},           // CdOn
        {"LblLight", 9, 0x20},        // LightOn
        {"LblSmallPlus", 9, 0x40},    // SmallPlusOn
        {"LblStray", 9, 0x80},        // StrayOn
        {"LblComma", 10, 0x01},       // CommaOn
        {"ImgBt", 10, 0x02},          // BatteryOn
        {"LblBigPlus", 10, 0x04},     // BigPlusOn
        {"LblNeg", 10, 0x08},         // NegativeOn
        {"ImgAuto", 10, 0x10},        // AutoRangeOn
        {"LblCycle", 10, 0x20},       // CycleOn
        {"LblRead", 10, 0x40},        // ReadOn
        {"LblDAvg", 10, 0x80},        // LowerAvgOn
        {"LblNo", 11, 0x01},          // NoOn
        {"LblStart", 11, 0x02},       // StartOn
        {"LblIntv", 11, 0x04},        // IntvOn
        {"LblStop", 11, 0x08},        // StopOn
        {"LblDH", 11, 0x10},          // DayHourOn
        {"Lblms", 11, 0x20},          // MinSecOn
        {"LblTH", 11, 0x40},          // TimeHoldOn
        {"LblDownPercent", 11, 0x80}, // LowerPercentOn
        {"LblSCF", 13, 0x40},         // ScfOn
        {"Lblft", 12, 0x01},          // FtOn
        {"Lblm", 12, 0x02},           // MetreOn
        {"LblBP1", 12, 0x04},         // MainPoint1On
        {"LblBP2", 12, 0x08},         // MainPoint2On
        {"LblBP3", 12, 0x10},         // MainPoint3On
        {"LblSP1", 12, 0x20},         // SubPoint1On
        {"LblSP2", 12, 0x40},         // SubPoint2On
        {"LblSP3", 12, 0x80},         // SubPoint3On
        {"LblDateDot", 13, 0x01},     // DateDotOn
        {"LblTimeDot", 13, 0x02},     // TimeDotOn
        {"LblMem", 13, 0x04},         // MemOn
    };
    for (const Row& r : rows)
        QTest::newRow(r.control) << r.control << r.frameByte << r.mask;
}

void TestPanel::annunciatorFollowsItsFlag() {
    QFETCH(QString, control);
    QFETCH(int, frameByte);
    QFETCH(int, mask);
    std::array<unsigned char, 6> status{};
    status[size_t(frameByte - 8)] = (unsigned char)mask;
    Rig rig;
    rig.tick(displayFrame(0x123456, status));
    QVERIFY(rig.shown(control));
    rig.tick(displayFrame(0x123456, {}));
    QVERIFY(!rig.shown(control));
}

void TestPanel::banner_data() {
    QTest::addColumn<int>("byte13");
    QTest::addColumn<QString>("caption");
    QTest::newRow("set up") << 0x08 << "SET UP";
    QTest::newRow("clear") << 0x20 << "CLEAR";
}

void TestPanel::banner() {
    QFETCH(int, byte13);
    QFETCH(QString, caption);
    Rig rig;
    rig.tick(kLux1234);
    QCOMPARE(rig.panel.stream().PollCounter, 1);
    // Another reading with the comparator on, under the banner: nothing of it shows.
    rig.tick(displayFrame(0x987654, {0x02, 0x08, 0x00, 0x00, 0x00, (unsigned char)byte13}));
    QVERIFY(rig.shown("ShapeSetUp"));
    QVERIFY(rig.shown("LblSetUp"));
    QCOMPARE(rig.caption("LblSetUp"), caption);
    QCOMPARE(rig.caption("MainDigit(2)"), QStringLiteral("1"));
    QVERIFY(!rig.shown("LblComp"));
    QVERIFY(rig.shown("LblLx"));
    QCOMPARE(rig.panel.stream().PollCounter, 1);
    rig.tick(displayFrame(0x987654, {0x02, 0x08, 0x00, 0x00, 0x00, 0x00}));
    QVERIFY(!rig.shown("ShapeSetUp"));
    QVERIFY(!rig.shown("LblSetUp"));
    QCOMPARE(rig.caption("MainDigit(0)"), QStringLiteral("9"));
    QVERIFY(rig.shown("LblComp"));
    QVERIFY(rig.shown("LblFc"));
    QVERIFY(!rig.shown("LblLx"));
}

void TestPanel::unitRule_data() {
    QTest::addColumn<int>("firstByte9");
    QTest::addColumn<int>("secondByte9");
    QTest::addColumn<QString>("shown");              // of lx, lx-h, fc, fc-h, as 0/1
    QTest::newRow("fc-h") << 0x10 << 0x01 << "1011"; // lx stays as it was
    QTest::newRow("lx-h") << 0x08 << 0x02 << "1110"; // fc stays as it was
    QTest::newRow("fc-h then lux") << 0x01 << 0x10 << "1000";
    QTest::newRow("lx-h then fc") << 0x02 << 0x08 << "0010";
    QTest::newRow("lx-h then fc-h") << 0x02 << 0x01 << "1011"; // one "-h" only
    QTest::newRow("fc-h wins over lx-h") << 0x00 << 0x03 << "0011";
}

void TestPanel::unitRule() {
    QFETCH(int, firstByte9);
    QFETCH(int, secondByte9);
    QFETCH(QString, shown);
    Rig rig;
    rig.tick(displayFrame(0x123456, {0, (unsigned char)firstByte9, 0, 0, 0, 0}));
    rig.tick(displayFrame(0x123456, {0, (unsigned char)secondByte9, 0, 0, 0, 0}));
    QString got;
    for (const char* name : {"LblLx", "LblLxh", "LblFc", "LblFch"})
        got += rig.shown(QString::fromLatin1(name)) ? '1' : '0';
    QCOMPARE(got, shown);
}

void TestPanel::onlyChangedDigitsRepaint() {
    struct PaintLog : QObject {
        QStringList painted;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                painted << watched->objectName();
            return false;
        }
    } log;
    Rig rig;
    QWidget* lcd = rig.panel.findChild<QWidget*>(QStringLiteral("Lcd"));
    for (QWidget* w : lcd->findChildren<QWidget*>())
        w->installEventFilter(&log);
    lcd->installEventFilter(&log);
    rig.tick(displayFrame(0xAA1234, {0x00, 0x10, 0x00, 0x00, 0x08, 0x00}));
    rig.panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.panel));
    QTRY_VERIFY(log.painted.contains(QStringLiteral("MainDigit(5)")));
    log.painted.clear();

    // 1234 becomes 1239: that one field repaints, and nothing under it.
    rig.tick(displayFrame(0xAA1239, {0x00, 0x10, 0x00, 0x00, 0x08, 0x00}));
    QTRY_VERIFY(!log.painted.isEmpty());
    QCOMPARE(log.painted, QStringList{"MainDigit(5)"});
}

void TestPanel::shortDigitsEndTheTickEarly() {
    Rig rig;
    rig.tick(kLux1234);
    // Two digits with three decimals and the battery flag: no text can be formed.
    rig.tick(displayFrame(0xAAAA12, {0x00, 0x10, 0x02, 0x00, 0x04, 0x00}, 0x12, 0x5678));
    QCOMPARE(rig.caption("MainDigit(4)"), QStringLiteral("1"));
    QCOMPARE(rig.session.display.MainText, QStringLiteral("12.34"));
    QCOMPARE(rig.caption("TimeDigit(0)"), QStringLiteral("1")); // not updated
    QVERIFY(!rig.shown("ImgBt"));
    QCOMPARE(rig.panel.stream().PollCounter, 1);
}

void TestPanel::tickDoesNotReenter() {
    Rig rig;
    int nested = 0;
    auto previous = rig.clock.onWait;
    rig.clock.onWait = [&](double now) {
        if (nested++ == 0)
            rig.panel.stream().Timer1Tick(); // a timer event delivered inside the tick's wait
        previous(now);
    };
    QCOMPARE(rig.tick(kLux1234), QByteArray("AM"));
    QCOMPARE(rig.panel.stream().PollCounter, 1);
}

void TestPanel::clicksDuringATickWaitStartAfterIt() {
    Rig rig;
    QVERIFY(rig.panel.Load());
    QSignalSpy updates(&rig.panel, &panel::Panel::displayUpdated);
    qsizetype sentWhenBoxOpened = -1;
    int updatesWhileBoxOpen = 0;
    rig.prompts.whileMessageShown = [&] {
        sentWhenBoxOpened = rig.port.sent.size();
        const qsizetype before = updates.size();
        // The refusal box stays open until Timer1 has ticked on four times.
        (void)QTest::qWaitFor([&] { return updates.size() - before >= 4; }, 10000);
        updatesWhileBoxOpen = int(updates.size() - before);
    };
    rig.duringNextWait([&] {
        rig.click("TimeSet");
        rig.click("ESC");
    });
    QCOMPARE(rig.tick(kIntvLux1234), QByteArray("AM"));
    QTRY_COMPARE(rig.port.sent, QByteArray("AMAH"));
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].text,
             QStringLiteral("Recording mode, stop record then try again !"));
    QCOMPARE(sentWhenBoxOpened, 2);
    QVERIFY2(updatesWhileBoxOpen >= 4, qPrintable(QString::number(updatesWhileBoxOpen)));
}

void TestPanel::shutdownDropsQueuedClicks() {
    Rig rig;
    rig.session.display.status.IntvOn = true;
    rig.duringNextWait([&] {
        rig.click("TimeSet");
        rig.click("ESC");
        rig.clock.shutDown();
    });
    QCOMPARE(rig.tick(kIntvLux1234), QByteArray("A"));
    QCoreApplication::processEvents(); // where the queued clicks would start
    QCOMPARE(rig.port.sent, QByteArray("A"));
    QVERIFY(rig.prompts.messages.isEmpty());
}

void TestPanel::closingEndsATickStuckInRecovery() {
    VirtualWaiter unused;
    FakePort silent(unused);
    meterlink::EventLoopWaiter waiter;
    shared::Session session;
    meterlink::MeterLink link(silent, waiter, session.link);
    testsupport::ScriptedPrompts prompts;
    panel::Panel panel(session, link, prompts);
    QObject::connect(&panel, &panel::Panel::closing, &panel, [&] { waiter.requestShutdown(); });
    QTimer::singleShot(300, &panel, [&] { panel.close(); });
    QElapsedTimer elapsed;
    elapsed.start();
    panel.stream().Timer1Tick(); // polls a meter that never answers
    // Closed after 0.3 s, it returns then rather than polling on for good.
    QVERIFY2(elapsed.elapsed() < 3000, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(silent.sent.count('A') > 3);
}

void TestPanel::holdKeyPollsOnWhileItsBoxIsOpen() {
    Rig rig;
    QByteArray tickDuringBox;
    rig.prompts.whileInputShown = [&] { tickDuringBox = rig.tick(kLux1234); };
    rig.prompts.inputs = {"12:34"};
    rig.click("Hold");
    QCOMPARE(tickDuringBox, QByteArray("AM"));
    QCOMPARE(rig.port.sent, QByteArray("AHAMAS\x12\x34"));
}

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
