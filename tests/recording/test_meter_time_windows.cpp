#include "recording/meter_time_windows.h"
#include "recording/sampling_choice.h"
#include "recording/setup_window.h"

#include "link/meter_link.h"
#include "session_rig.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

using testsupport::ScriptedPrompts;

// Remembers what each input box asked.
struct AskingPrompts : ScriptedPrompts {
    struct Asked {
        QString prompt, title, defaultText;
    };
    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) override {
        asked.append({prompt, title, defaultText});
        return ScriptedPrompts::input(parent, prompt, title, defaultText);
    }
    QList<Asked> asked;
};

struct Rig : testsupport::SessionRig {
    AskingPrompts asking;
    QTimer panelTimer1;
    // STX, day 07, 14:05:09, logger interval 01:00, ETX.
    QByteArray clockFrame = QByteArray::fromHex("0207140509010003");
    // Each write with the virtual time it went out at.
    QList<QPair<QByteArray, double>> writes;
    bool panelTimerRanAtY = true;

    Rig() {
        panelTimer1.start(250);
        auto meterAnswers = port.responder;
        port.responder = [this, meterAnswers](const QByteArray& bytes) {
            meterAnswers(bytes);
            writes.append({bytes, clock.now()});
            if (bytes == "Y") {
                panelTimerRanAtY = panelTimer1.isActive();
                port.deliver(clockFrame, 0.005);
            }
        };
    }
    double sentAt(const QByteArray& bytes, int from = 0) const {
        for (int i = from; i < writes.size(); ++i)
            if (writes[i].first == bytes)
                return writes[i].second;
        return -1.0;
    }
};

template <class Window> void showAndWait(Window& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

} // namespace

class TestMeterTimeWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pcInterval_data();
    void pcInterval();
    void meterInterval_data();
    void meterInterval();
    void meterIntervalWaits();
    void clickDuringAnotherExchangeWaits();
    void secondOkWhileReadingTheMeter();
    void placement();
    void clockLabels();
    void setTimeReadsThePcClockAsTheBytesGoOut_data();
    void setTimeReadsThePcClockAsTheBytesGoOut();
    void clockWindowCloses_data();
    void clockWindowCloses();
    void toolbarWindowsAreModalAndGoAway();
};

void TestMeterTimeWindows::pcInterval_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<float>("seconds");
    QTest::addColumn<int>("tickCount");
    QTest::addColumn<bool>("complains");
    // The interval starts at 5 with 3 seconds counted.
    QTest::newRow("3.5") << "3.5" << 4.0f << 0 << false;
    QTest::newRow("negative") << "-1" << 1.0f << 0 << false;
    QTest::newRow("too long") << "100000" << 86400.0f << 0 << false;
    QTest::newRow("empty keeps") << "" << 5.0f << 3 << false;
    QTest::newRow("not a number keeps") << "abc" << 5.0f << 3 << true;
}

void TestMeterTimeWindows::pcInterval() {
    QFETCH(QString, answer);
    QFETCH(float, seconds);
    QFETCH(int, tickCount);
    QFETCH(bool, complains);
    Rig rig;
    rig.session.recording.SamplingSeconds = 5.0f;
    rig.session.recording.SampleTickCount = 3;
    rig.asking.inputs = {answer};
    recording::SamplingChoice w(rig.session, rig.link, rig.asking, rig.panelTimer1, nullptr);
    showAndWait(w);
    w.findChild<QRadioButton*>("OptPC")->setChecked(true);
    w.findChild<QPushButton*>("CmdOK")->click();

    QCOMPARE(rig.asking.asked.size(), 1);
    QCOMPARE(rig.asking.asked[0].prompt,
             QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) "));
    QCOMPARE(rig.asking.asked[0].title, QStringLiteral("Input Sampling Time"));
    QCOMPARE(rig.asking.asked[0].defaultText, QStringLiteral("5"));
    QCOMPARE(rig.session.recording.SamplingSeconds, seconds);
    QCOMPARE(rig.session.recording.SampleTickCount, tickCount);
    QCOMPARE(rig.asking.messages.size(), complains ? 1 : 0);
    if (complains) {
        QCOMPARE(rig.asking.messages[0].icon, platform::MessageIcon::Critical);
        QVERIFY(rig.asking.messages[0].text.contains(QStringLiteral("stays at 5 s")));
    }
    QVERIFY(rig.port.sent.isEmpty());
    QVERIFY(!w.isVisible());
}

void TestMeterTimeWindows::meterInterval_data() {
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("complaints");
    // After the clock read ("AY"): a poll, "H", a poll, "W" and the two BCD bytes.
    QTest::newRow("2:30") << QStringList{"2:30"} << QByteArray("AHAW\x02\x30", 6) << 0;
    QTest::newRow("3:01") << QStringList{"3:01"} << QByteArray("AHAW\x03\x00", 6) << 0;
    QTest::newRow("0:90") << QStringList{"0:90"} << QByteArray("AHAW\x00\x30", 6) << 0;
    QTest::newRow("refused until 2:3") << QStringList{"230", ":30", "2:", "2:3:0", "1:", "2:3"}
                                       << QByteArray("AHAW\x02\x03", 6) << 5;
    QTest::newRow("empty sends nothing") << QStringList{""} << QByteArray() << 0;
    QTest::newRow("refused, then empty") << QStringList{"230", ""} << QByteArray() << 1;
}

void TestMeterTimeWindows::meterInterval() {
    QFETCH(QStringList, answers);
    QFETCH(QByteArray, after);
    QFETCH(int, complaints);
    Rig rig;
    rig.asking.inputs = answers;
    recording::SamplingChoice w(rig.session, rig.link, rig.asking, rig.panelTimer1, nullptr);
    showAndWait(w);
    w.findChild<QPushButton*>("CmdOK")->click(); // OptMeter is chosen when the window opens

    QCOMPARE(rig.port.sent.toHex(' '), (QByteArray("AY") + after).toHex(' '));
    QCOMPARE(rig.asking.asked.size(), answers.size());
    for (const AskingPrompts::Asked& a : rig.asking.asked) {
        QCOMPARE(a.prompt, QStringLiteral("Enter the SAMPLING TIME of the Meter\r\n (MM:SS) "));
        QCOMPARE(a.title, QStringLiteral("Input Sampling Time"));
        QCOMPARE(a.defaultText, QStringLiteral("01:00"));
    }
    QCOMPARE(rig.asking.messages.size(), complaints);
    for (const ScriptedPrompts::Shown& m : rig.asking.messages) {
        QCOMPARE(m.text, QStringLiteral("Invalid, comply with the data format properly\r\n"));
        QCOMPARE(m.icon, platform::MessageIcon::Critical);
    }
    QVERIFY(!rig.panelTimerRanAtY);
    QVERIFY(!w.isVisible());
    QVERIFY(rig.panelTimer1.isActive());
}

void TestMeterTimeWindows::meterIntervalWaits() {
    Rig rig;
    rig.asking.inputs = {"1:30"};
    recording::SamplingChoice w(rig.session, rig.link, rig.asking, rig.panelTimer1, nullptr);
    showAndWait(w);
    w.findChild<QPushButton*>("CmdOK")->click();
    const double h = rig.sentAt("H");
    QVERIFY(h > 0);
    QCOMPARE(rig.sentAt("A", 3) - h, 0.2); // the poll after "H"
    const double letter = rig.sentAt("W");
    QCOMPARE(rig.sentAt(QByteArray("\x01\x30", 2)) - letter, 0.05);
}

void TestMeterTimeWindows::clickDuringAnotherExchangeWaits() {
    Rig rig;
    rig.asking.inputs = {"7"};
    recording::SamplingChoice w(rig.session, rig.link, rig.asking, rig.panelTimer1, nullptr);
    showAndWait(w);
    w.findChild<QRadioButton*>("OptPC")->setChecked(true);
    {
        meterlink::ExchangeQueue::Exchange other(rig.link.exchanges());
        w.findChild<QPushButton*>("CmdOK")->click();
        QCoreApplication::processEvents();
        QVERIFY(rig.asking.asked.isEmpty());
    }
    QTRY_COMPARE(rig.session.recording.SamplingSeconds, 7.0f);
}

void TestMeterTimeWindows::secondOkWhileReadingTheMeter() {
    Rig rig;
    rig.asking.inputs = {"1:00", "2:00"};
    recording::SamplingChoice w(rig.session, rig.link, rig.asking, rig.panelTimer1, nullptr);
    showAndWait(w);
    auto* ok = w.findChild<QPushButton*>("CmdOK");
    rig.clock.onWait = [&, meterTime = rig.clock.onWait](double now) {
        meterTime(now);
        ok->click();
    };
    ok->click();
    QTest::qWait(50);
    QCOMPARE(rig.asking.asked.size(), 1);
    QCOMPARE(rig.port.sent.count('Y'), 1);
}

void TestMeterTimeWindows::placement() {
    Rig rig;
    QWidget panel;
    panel.setGeometry(100, 200, 600, 400);
    recording::SamplingChoice choice(rig.session, rig.link, rig.asking, rig.panelTimer1, &panel);
    QCOMPARE(choice.pos(), QPoint(100 + 8, 200 + 56)); // 120 and 840 twips
    recording::Setup setup(rig.session, rig.link, rig.panelTimer1, &panel);
    QCOMPARE(setup.y(), 200 + 66); // 1000 twips
    QVERIFY(qAbs(setup.x() + setup.frameGeometry().width() / 2 - (100 + 300)) <= 1);
}

void TestMeterTimeWindows::clockLabels() {
    Rig rig;
    const QDateTime pcTime(QDate(2026, 5, 9), QTime(8, 7, 6));
    recording::Setup w(rig.session, rig.link, rig.panelTimer1, nullptr, [&] { return pcTime; });
    showAndWait(w);
    auto* meter = w.findChild<QLabel*>("LblMeterTime");
    auto* pc = w.findChild<QLabel*>("LblPCTime");
    rig.panelTimer1.stop(); // as "TimeSet" leaves it

    w.Timer1Tick();
    QCOMPARE(meter->text(), QStringLiteral("Meter Time"));
    QCOMPARE(pc->text(), QStringLiteral("PC System Time"));
    QVERIFY(rig.port.sent.isEmpty());

    QTest::mouseClick(meter, Qt::LeftButton);
    QTest::mouseClick(pc, Qt::LeftButton);
    rig.panelTimer1.start(); // a tick that reads the meter stops polling again
    w.Timer1Tick();
    QCOMPARE(meter->text(), QStringLiteral("07 14:05:09"));
    QCOMPARE(pc->text(), QStringLiteral("09 08:07:06"));
    QCOMPARE(rig.port.sent, QByteArray("AY"));
    QVERIFY(!rig.panelTimer1.isActive());

    QTest::mouseClick(meter, Qt::LeftButton);
    QTest::mouseClick(pc, Qt::LeftButton);
    w.Timer1Tick();
    QCOMPARE(meter->text(), QStringLiteral("Meter Time"));
    QCOMPARE(pc->text(), QStringLiteral("PC System Time"));
    QCOMPARE(rig.port.sent, QByteArray("AY"));
    QVERIFY(!rig.panelTimer1.isActive());
}

void TestMeterTimeWindows::setTimeReadsThePcClockAsTheBytesGoOut_data() {
    QTest::addColumn<QTime>("clickedAt");
    QTest::addColumn<QByteArray>("bytes");
    // The exchange takes 0.29 s: a poll, "H", 0.2 s, a poll, "T", 0.05 s.
    QTest::newRow("still the 7th") << QTime(23, 59, 59, 500) << QByteArray::fromHex("07235959");
    QTest::newRow("midnight passes meanwhile")
        << QTime(23, 59, 59, 800) << QByteArray::fromHex("08000000");
}

void TestMeterTimeWindows::setTimeReadsThePcClockAsTheBytesGoOut() {
    QFETCH(QTime, clickedAt);
    QFETCH(QByteArray, bytes);
    Rig rig;
    const QDateTime click(QDate(2026, 3, 7), clickedAt);
    const double start = rig.clock.now();
    auto pcClock = [&] { return click.addMSecs(qRound64((rig.clock.now() - start) * 1000)); };
    recording::Setup w(rig.session, rig.link, rig.panelTimer1, nullptr, pcClock);
    showAndWait(w);
    auto* timer1 = w.findChild<QTimer*>("Timer1");
    bool tickingDuringExchange = true;
    rig.clock.onWait = [&, meterTime = rig.clock.onWait](double now) {
        meterTime(now);
        tickingDuringExchange = tickingDuringExchange && timer1->isActive();
    };
    w.findChild<QPushButton*>("CmdSetTime")->click();
    QCOMPARE(rig.port.sent.toHex(' '), (QByteArray("AHAT") + bytes).toHex(' '));
    QVERIFY(!tickingDuringExchange);
    QVERIFY(timer1->isActive());
}

void TestMeterTimeWindows::clockWindowCloses_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("INTV at a tick") << "intv";
    QTest::newRow("Exit") << "exit";
    QTest::newRow("close box") << "close";
}

void TestMeterTimeWindows::clockWindowCloses() {
    QFETCH(QString, how);
    Rig rig;
    rig.panelTimer1.stop();
    recording::Setup w(rig.session, rig.link, rig.panelTimer1, nullptr);
    showAndWait(w);
    auto* timer1 = w.findChild<QTimer*>("Timer1");
    QVERIFY(timer1->isActive());
    QCOMPARE(timer1->interval(), 350);
    if (how == "intv") {
        w.Timer1Tick();
        QVERIFY(w.isVisible());
        rig.session.display.status.IntvOn = true;
        w.Timer1Tick();
    } else if (how == "exit") {
        w.findChild<QPushButton*>("CmdExit")->click();
    } else {
        w.close();
    }
    QVERIFY(!w.isVisible());
    QVERIFY(!timer1->isActive());
    QVERIFY(rig.panelTimer1.isActive());
    QVERIFY(rig.port.sent.isEmpty());
}

void TestMeterTimeWindows::toolbarWindowsAreModalAndGoAway() {
    Rig rig;
    recording::MeterTimeWindows windows(rig.session, rig.link, rig.asking, rig.panelTimer1);
    QWidget panel;
    panel.show();
    for (const char* name : {"SamplingChoice", "Setup"}) {
        rig.panelTimer1.stop();
        QString shown;
        QTimer::singleShot(0, &panel, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            shown = modal ? modal->objectName() : QString();
            if (modal)
                modal->close();
        });
        if (QByteArray(name) == "Setup")
            windows.showClockWindow(&panel);
        else
            windows.showSamplingChoice(&panel);
        QCOMPARE(shown, QString(name));
        QVERIFY(rig.panelTimer1.isActive());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!panel.findChild<QDialog*>());
    }
}

QTEST_MAIN(TestMeterTimeWindows)
#include "test_meter_time_windows.moc"
