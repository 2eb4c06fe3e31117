#include "recording/sampling_choice.h"

#include "link/meter_link.h"
#include "session_rig.h"

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
    void placement();
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

void TestMeterTimeWindows::placement() {
    Rig rig;
    QWidget panel;
    panel.setGeometry(100, 200, 600, 400);
    recording::SamplingChoice choice(rig.session, rig.link, rig.asking, rig.panelTimer1, &panel);
    QCOMPARE(choice.pos(), QPoint(100 + 8, 200 + 56)); // 120 and 840 twips
}

QTEST_MAIN(TestMeterTimeWindows)
#include "test_meter_time_windows.moc"
