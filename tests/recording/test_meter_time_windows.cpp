#include "recording/sampling_choice.h"
#include "recording/setup_window.h"

#include "link/meter_link.h"
#include "session_rig.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

struct Rig : testsupport::SessionRig {
    QList<QByteArray> writes;
    QList<double> writtenAt;
    bool pollingAtY = true;
    // Replies to the first "Y"s; later ones get the whole clock frame.
    QList<QByteArray> yReplies;

    Rig() {
        auto meterAnswers = port.responder;
        port.responder = [this, meterAnswers](const QByteArray& bytes) {
            meterAnswers(bytes);
            writes << bytes;
            writtenAt << clock.now();
            if (bytes == "Y") {
                pollingAtY = !stream.paused();
                // STX, the 7th, 14:05:09, logger interval 01:00, ETX.
                port.deliver(yReplies.isEmpty() ? QByteArray::fromHex("0207140509010003")
                                                : yReplies.takeFirst(),
                             0.005);
            }
        };
    }
    // Seconds between a write and the next one.
    double gapAfter(const QByteArray& bytes) const {
        const qsizetype i = writes.indexOf(bytes);
        return i >= 0 && i + 1 < writes.size() ? writtenAt[i + 1] - writtenAt[i] : -1.0;
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
    void clickDuringAnotherExchangeWaits();
    void secondOkWhileReadingTheMeter();
    void placement();
    void clockLabels();
    void shortClockReplyIsAskedAgain();
    void setTimeReadsThePcClockAsTheBytesGoOut_data();
    void setTimeReadsThePcClockAsTheBytesGoOut();
    void clockWindowCloses_data();
    void clockWindowCloses();
};

void TestMeterTimeWindows::pcInterval_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<float>("seconds");
    QTest::addColumn<int>("tickCount");
    QTest::addColumn<int>("messages");
    // The interval starts at 5 with 3 seconds counted.
    QTest::newRow("3.5") << "3.5" << 4.0f << 0 << 0;
    QTest::newRow("empty keeps") << "" << 5.0f << 3 << 0;
    QTest::newRow("not a number keeps") << "abc" << 5.0f << 3 << 1;
}

void TestMeterTimeWindows::pcInterval() {
    QFETCH(QString, answer);
    QFETCH(float, seconds);
    QFETCH(int, tickCount);
    QFETCH(int, messages);
    Rig rig;
    rig.session.recording.SamplingSeconds = 5.0f;
    rig.session.recording.SampleTickCount = 3;
    rig.prompts.inputs = {answer};
    recording::SamplingChoice w(rig.session, rig.link, rig.prompts, rig.stream, nullptr);
    showAndWait(w);
    w.findChild<QRadioButton*>("OptPC")->setChecked(true);
    w.findChild<QPushButton*>("CmdOK")->click();

    const QStringList asked{"Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) ",
                            "Input Sampling Time", "5"};
    QCOMPARE(rig.prompts.asked, QList<QStringList>{asked});
    QCOMPARE(rig.session.recording.SamplingSeconds, seconds);
    QCOMPARE(rig.session.recording.SampleTickCount, tickCount);
    QCOMPARE(rig.prompts.messages.size(), messages);
    if (messages)
        QVERIFY(rig.prompts.messages[0].text.contains("stays at 5 s"));
    QVERIFY(rig.port.sent.isEmpty());
    QVERIFY(!w.isVisible());
}

void TestMeterTimeWindows::meterInterval_data() {
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("complaints");
    // After the clock read ("AY"): a poll, "H", a poll, "W" and the two BCD bytes.
    QTest::newRow("2:30") << QStringList{"2:30"} << QByteArray("AHAW\x02\x30", 6) << 0;
    QTest::newRow("refused, then 2:3")
        << QStringList{"2:3:0", "2:3"} << QByteArray("AHAW\x02\x03", 6) << 1;
    QTest::newRow("empty sends nothing") << QStringList{""} << QByteArray() << 0;
    QTest::newRow("refused, then empty") << QStringList{"230", ""} << QByteArray() << 1;
}

void TestMeterTimeWindows::meterInterval() {
    QFETCH(QStringList, answers);
    QFETCH(QByteArray, after);
    QFETCH(int, complaints);
    Rig rig;
    rig.prompts.inputs = answers;
    recording::SamplingChoice w(rig.session, rig.link, rig.prompts, rig.stream, nullptr);
    showAndWait(w);
    w.findChild<QPushButton*>("CmdOK")->click(); // OptMeter is chosen when the window opens

    QCOMPARE(rig.port.sent.toHex(' '), (QByteArray("AY") + after).toHex(' '));
    if (!after.isEmpty()) {
        QCOMPARE(rig.gapAfter("H"), 0.2);
        QCOMPARE(rig.gapAfter("W"), 0.05);
    }
    const QStringList asked{"Enter the SAMPLING TIME of the Meter\r\n (MM:SS) ",
                            "Input Sampling Time", "01:00"};
    QCOMPARE(rig.prompts.asked, QList<QStringList>(answers.size(), asked));
    QCOMPARE(rig.prompts.messages.size(), complaints);
    for (const auto& m : rig.prompts.messages) {
        QCOMPARE(m.text, QStringLiteral("Invalid, comply with the data format properly\r\n"));
        QCOMPARE(m.icon, platform::MessageIcon::Critical);
    }
    QVERIFY(!rig.pollingAtY);
    QVERIFY(!w.isVisible());
    QVERIFY(!rig.stream.paused());
}

void TestMeterTimeWindows::clickDuringAnotherExchangeWaits() {
    Rig rig;
    rig.prompts.inputs = {"7"};
    recording::SamplingChoice w(rig.session, rig.link, rig.prompts, rig.stream, nullptr);
    showAndWait(w);
    w.findChild<QRadioButton*>("OptPC")->setChecked(true);
    {
        meterlink::ExchangeQueue::Exchange other(rig.link.exchanges());
        w.findChild<QPushButton*>("CmdOK")->click();
        QCoreApplication::processEvents();
        QVERIFY(rig.prompts.asked.isEmpty());
    }
    QTRY_COMPARE(rig.session.recording.SamplingSeconds, 7.0f);
}

void TestMeterTimeWindows::secondOkWhileReadingTheMeter() {
    Rig rig;
    rig.prompts.inputs = {"1:00", "2:00"};
    recording::SamplingChoice w(rig.session, rig.link, rig.prompts, rig.stream, nullptr);
    showAndWait(w);
    auto* ok = w.findChild<QPushButton*>("CmdOK");
    rig.clock.onWait = [&, meterTime = rig.clock.onWait](double now) {
        meterTime(now);
        ok->click();
    };
    ok->click();
    QCoreApplication::processEvents(); // where a queued second click would start
    QCOMPARE(rig.prompts.asked.size(), 1);
    QCOMPARE(rig.port.sent.count('Y'), 1);
}

void TestMeterTimeWindows::placement() {
    Rig rig;
    QWidget panel;
    panel.setGeometry(100, 200, 600, 400);
    recording::SamplingChoice choice(rig.session, rig.link, rig.prompts, rig.stream, &panel);
    QCOMPARE(choice.pos(), QPoint(100 + 8, 200 + 56)); // 120 and 840 twips
    recording::Setup setup(rig.session, rig.link, rig.stream, &panel);
    QCOMPARE(setup.y(), 200 + 66); // 1000 twips
    QVERIFY(qAbs(setup.x() + setup.frameGeometry().width() / 2 - (100 + 300)) <= 1);
}

void TestMeterTimeWindows::clockLabels() {
    Rig rig;
    const QDateTime pcTime(QDate(2026, 5, 9), QTime(8, 7, 6));
    recording::Setup w(rig.session, rig.link, rig.stream, nullptr, [&] { return pcTime; });
    showAndWait(w);
    auto* meter = w.findChild<QLabel*>("LblMeterTime");
    auto* pc = w.findChild<QLabel*>("LblPCTime");
    auto tick = [&] {
        w.Timer1Tick();
        return QStringList{meter->text(), pc->text()};
    };
    auto clickBoth = [&] {
        QTest::mouseClick(meter, Qt::LeftButton);
        QTest::mouseClick(pc, Qt::LeftButton);
    };
    QCOMPARE(tick(), (QStringList{"Meter Time", "PC System Time"}));
    QVERIFY(rig.port.sent.isEmpty());
    QVERIFY(!rig.stream.paused()); // nothing read from the meter yet

    clickBoth();
    QCOMPARE(tick(), (QStringList{"07 14:05:09", "09 08:07:06"}));
    QCOMPARE(rig.port.sent, QByteArray("AY"));
    QVERIFY(rig.stream.paused());

    clickBoth();
    QCOMPARE(tick(), (QStringList{"Meter Time", "PC System Time"}));
    QCOMPARE(rig.port.sent, QByteArray("AY"));
    QVERIFY(rig.stream.paused()); // until the window closes
}

void TestMeterTimeWindows::shortClockReplyIsAskedAgain() {
    Rig rig;
    rig.yReplies = {QByteArray::fromHex("02071405090100")};
    recording::Setup w(rig.session, rig.link, rig.stream, nullptr);
    showAndWait(w);
    auto* meter = w.findChild<QLabel*>("LblMeterTime");
    QTest::mouseClick(meter, Qt::LeftButton);
    w.Timer1Tick();
    QCOMPARE(rig.port.sent, QByteArray("AYAY"));
    QCOMPARE(meter->text(), QStringLiteral("07 14:05:09"));
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
    recording::Setup w(rig.session, rig.link, rig.stream, nullptr, pcClock);
    showAndWait(w);
    auto* timer1 = w.findChild<QTimer*>("Timer1");
    bool tickingDuringExchange = false;
    rig.clock.onWait = [&, meterTime = rig.clock.onWait](double now) {
        meterTime(now);
        tickingDuringExchange = tickingDuringExchange || timer1->isActive();
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
    recording::Setup w(rig.session, rig.link, rig.stream, nullptr);
    showAndWait(w);
    auto* timer1 = w.findChild<QTimer*>("Timer1");
    QCOMPARE(timer1->interval(), 350);
    QVERIFY(timer1->isActive());
    w.Timer1Tick();
    QVERIFY(w.isVisible());
    rig.session.display.status.IntvOn = how == "intv";
    if (how == "exit")
        w.findChild<QPushButton*>("CmdExit")->click();
    else if (how == "close")
        w.close();
    w.Timer1Tick();
    QVERIFY(!w.isVisible());
    QVERIFY(!timer1->isActive());
    QVERIFY(!rig.stream.paused());
}

QTEST_MAIN(TestMeterTimeWindows)
#include "test_meter_time_windows.moc"
