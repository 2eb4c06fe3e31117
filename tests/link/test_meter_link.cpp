#include "link/meter_link.h"

#include "fake_link.h"

#include <QSignalSpy>
#include <QTest>

using testsupport::FakeMeter;
using testsupport::FakePort;
using testsupport::VirtualWaiter;

namespace {

// Bytes of the display stream, each at its delay.
using Stream = QList<std::pair<double, QByteArray>>;

struct Rig {
    VirtualWaiter clock;
    FakePort port{clock};
    FakeMeter meter{port, clock};
    meterlink::LinkState state;
    meterlink::MeterLink link{port, clock, state};
    meterlink::ExchangeQueue::Exchange exchange{link.exchanges()};
    QSignalSpy linkText{&link, &meterlink::MeterLink::linkTextChanged};
    const double start = clock.now();
    // Virtual seconds from the start to "No COM" showing.
    double lostAfter = -1.0;
    Rig() {
        state.PortNumber = 3;
        state.linkName = QStringLiteral("COM3");
        meter.frame = testsupport::displayFrame(0xAA1234, {0, 0x10, 0, 0, 0x08, 0}); // 12.34 lx
        QObject::connect(&link, &meterlink::MeterLink::linkTextChanged, &link,
                         [this](const QString& text) {
                             if (text == meterlink::kNoLinkText)
                                 lostAfter = clock.now() - start;
                         });
    }
    QStringList shownTexts() const {
        QStringList texts;
        for (const QList<QVariant>& args : linkText)
            texts << args.at(0).toString();
        return texts;
    }
};
} // namespace

class TestMeterLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pollValue_data();
    void pollValue();
    void rejectedReplyStartsNewSeries_data();
    void rejectedReplyStartsNewSeries();
    void silentMeterLeadsToNoComAndBack();
    void pollReplyAfterLastAttemptIsAccepted();
    void displayReadResynchronises();
    void displayReadIgnoresBytesAfterFrame();
    void displayReadTakesOneBurst_data();
    void displayReadTakesOneBurst();
    void failedReadsBeforeReconnect_data();
    void failedReadsBeforeReconnect();
    void vanishedDeviceIsLostAtOnce();
    void shutdownEndsEveryExchange();
};

void TestMeterLink::pollValue_data() {
    QTest::addColumn<quint32>("value");
    QTest::newRow("1,2,3") << 66051u;
    QTest::newRow("empty logger") << 1535u;
    QTest::newRow("largest") << 16777215u;
    QTest::newRow("zero") << 0u;
}

void TestMeterLink::pollValue() {
    QFETCH(quint32, value);
    Rig rig;
    rig.meter.pollValue = value;
    QVERIFY(rig.link.PollReading());
    QCOMPARE(rig.state.PollValue, float(value));
    QCOMPARE(double(rig.state.PollValue), double(value)); // held exactly
    QCOMPARE(rig.port.sent, QByteArray("A"));
    // One attempt: the reply is read once 20 ms have passed after "A".
    const double took = rig.clock.now() - rig.start;
    QVERIFY2(qAbs(took - 0.02) < 0.001, qPrintable(QString::number(took)));
}

void TestMeterLink::rejectedReplyStartsNewSeries_data() {
    QTest::addColumn<QByteArray>("bad");
    QTest::newRow("wrong marker") << QByteArray::fromHex("02AB01020303");
    QTest::newRow("wrong start") << QByteArray::fromHex("00AA01020303");
    QTest::newRow("wrong end") << QByteArray::fromHex("02AA01020304");
    QTest::newRow("stream bytes") << QByteArray::fromHex("0300AA123400");
}

void TestMeterLink::rejectedReplyStartsNewSeries() {
    QFETCH(QByteArray, bad);
    Rig rig;
    rig.meter.badPollReplies = {bad};
    rig.meter.pollValue = 66051;
    QVERIFY(rig.link.PollReading());
    QCOMPARE(rig.port.sent, QByteArray("AA"));
    QCOMPARE(rig.state.PollValue, 66051.0f);
    QCOMPARE(rig.linkText.count(), 0);
}

void TestMeterLink::silentMeterLeadsToNoComAndBack() {
    Rig rig;
    rig.meter.answersPolls = false;
    int pollsWhenLost = -1;
    QObject::connect(&rig.link, &meterlink::MeterLink::linkTextChanged, &rig.link,
                     [&](const QString& text) {
                         if (text == meterlink::kNoLinkText)
                             pollsWhenLost = rig.meter.polls;
                     });
    // The meter comes back after 1500 unanswered polls.
    auto previous = rig.clock.onWait;
    rig.clock.onWait = [&](double now) {
        if (rig.meter.polls >= 1500)
            rig.meter.answersPolls = true;
        previous(now);
    };
    QVERIFY(rig.link.PollReading());
    QCOMPARE(pollsWhenLost, 1000);
    // A silent series: 1000 attempts of 20 ms each.
    QVERIFY2(qAbs(rig.lostAfter - 20.0) < 0.1, qPrintable(QString::number(rig.lostAfter)));
    QCOMPARE(rig.shownTexts(), QStringList({"No COM", "COM3"}));
    // The recovery restarts the display stream before the poll goes on with a new series.
    QVERIFY(rig.port.sent.contains('M'));
    QVERIFY(rig.port.sent.endsWith('A'));
}

void TestMeterLink::pollReplyAfterLastAttemptIsAccepted() {
    Rig rig;
    rig.meter.answersPolls = false;
    auto previous = rig.clock.onWait;
    rig.clock.onWait = [&](double now) {
        if (rig.meter.polls == 999)
            rig.meter.answersPolls = true;
        previous(now);
    };
    QVERIFY(rig.link.PollReading());
    QCOMPARE(rig.meter.polls, 1000);
    QCOMPARE(rig.linkText.count(), 0);
}

void TestMeterLink::displayReadResynchronises() {
    Rig rig;
    const QByteArray frame = rig.meter.frame;
    // The stream is joined in the middle of a frame: the first 14 bytes fail the check.
    rig.port.deliver(frame.mid(5) + frame.left(9));
    rig.port.responder = nullptr;
    int waits = 0;
    rig.clock.onWait = [&](double) {
        if (++waits == 1)
            rig.port.deliver(frame.mid(3) + frame.left(11)); // misaligned after the drain
        else
            rig.port.deliver(frame);
    };
    const std::optional<QByteArray> got = rig.link.ReadDisplayFrame();
    QVERIFY(got.has_value());
    QCOMPARE(*got, frame);
    QCOMPARE(rig.linkText.count(), 0);
}

void TestMeterLink::displayReadIgnoresBytesAfterFrame() {
    Rig rig;
    rig.port.responder = nullptr;
    const QByteArray frame = rig.meter.frame;
    rig.clock.onWait = [&](double) { rig.port.deliver(frame + frame.left(7)); };
    const std::optional<QByteArray> got = rig.link.ReadDisplayFrame();
    QVERIFY(got.has_value());
    QCOMPARE(got->left(14), frame);
}

void TestMeterLink::displayReadTakesOneBurst_data() {
    // Time digits 0302: the tail of this frame after byte 6, and its first 8 bytes, each pass
    // the STX and ETX test when the next frame's head makes them up to 14 bytes.
    const QByteArray f =
        testsupport::displayFrame(0xAA1234, {0, 0x10, 0, 0, 0x08, 0}, 0x12, 0x0302);
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<Stream>("stream");
    QTest::newRow("the tail of a burst, then a frame") << f << Stream{{0.001, f.mid(6)}, {0.1, f}};
    QTest::newRow("a frame cut short, then a frame") << f << Stream{{0.01, f.left(8)}, {0.11, f}};
    QTest::newRow("one frame in two pieces") << f << Stream{{0.001, f.left(5)}, {0.021, f.mid(5)}};
}

void TestMeterLink::displayReadTakesOneBurst() {
    QFETCH(QByteArray, frame);
    QFETCH(Stream, stream);
    Rig rig;
    rig.port.responder = nullptr;
    for (const auto& [delay, bytes] : stream)
        rig.port.deliver(bytes, delay);
    const std::optional<QByteArray> got = rig.link.ReadDisplayFrame();
    QVERIFY(got.has_value());
    QCOMPARE(got->left(14).toHex(' '), frame.toHex(' '));
    QCOMPARE(rig.linkText.count(), 0);
}

void TestMeterLink::failedReadsBeforeReconnect_data() {
    // Each read collects for 2 s: the meter comes back during the sixth read, or after it.
    QTest::addColumn<double>("backAfter");
    QTest::addColumn<bool>("frameReturned");
    QTest::newRow("five failed reads, then a frame") << 11.5 << true;
    QTest::newRow("six failed reads") << 12.5 << false;
}

void TestMeterLink::failedReadsBeforeReconnect() {
    QFETCH(double, backAfter);
    QFETCH(bool, frameReturned);
    Rig rig;
    rig.meter.streaming = true;
    rig.meter.answersPolls = false;
    const double backAt = rig.start + backAfter;
    auto previous = rig.clock.onWait;
    rig.clock.onWait = [&](double now) {
        if (now >= backAt)
            rig.meter.answersPolls = true;
        previous(now);
    };
    const std::optional<QByteArray> got = rig.link.ReadDisplayFrame();
    QCOMPARE(got.has_value(), frameReturned);
    if (frameReturned) {
        QCOMPARE(rig.linkText.count(), 0);
        QCOMPARE(*got, rig.meter.frame);
    } else {
        QCOMPARE(rig.shownTexts(), QStringList({"No COM", "COM3"}));
        // Six reads, each ending at the first 20 ms check past its 2 s.
        QVERIFY2(rig.lostAfter >= 12.0 && rig.lostAfter <= 12.15,
                 qPrintable(QString::number(rig.lostAfter)));
    }
}

void TestMeterLink::vanishedDeviceIsLostAtOnce() {
    Rig rig;
    rig.port.connected = false;
    rig.meter.answersPolls = false;
    auto previous = rig.clock.onWait;
    const double start = rig.clock.now();
    rig.clock.onWait = [&](double now) {
        if (now - start > 1.0) {
            rig.port.connected = true;
            rig.meter.answersPolls = true;
        }
        previous(now);
    };
    QVERIFY(!rig.link.ReadDisplayFrame().has_value());
    QCOMPARE(rig.shownTexts(), QStringList({"No COM", "COM3"}));
    // "No COM" shows as soon as the device has gone, not after six 2-second windows.
    QVERIFY(rig.clock.now() - start < 2.0);
}

void TestMeterLink::shutdownEndsEveryExchange() {
    Rig rig;
    rig.meter.answersPolls = false;
    auto previous = rig.clock.onWait;
    rig.clock.onWait = [&](double now) {
        if (rig.meter.polls == 1200) // inside the recovery
            rig.clock.shutDown();
        previous(now);
    };
    QVERIFY(!rig.link.PollReading());
    QCOMPARE(rig.meter.polls, 1200);
    QVERIFY(!rig.link.ReadDisplayFrame().has_value());
    QVERIFY(!rig.link.ReconnectMeter());
    QCOMPARE(rig.meter.polls, 1200); // nothing more was sent
}

QTEST_GUILESS_MAIN(TestMeterLink)
#include "test_meter_link.moc"
