#include "calibration/calibration_window.h"
#include "calibration/scf_window.h"

#include "link/meter_link.h"
#include "panel/panel.h"
#include "session_rig.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kUnread = QStringLiteral("The meter did not send its calibration factor.");
const QString kCalibrationRange = QStringLiteral("Calibration Range: 0.800 ~ 1.500 !!!!");
const QString kScfRange = QStringLiteral("SCF Range Error : 0.200 ~ 5.000");
const QString kNoCount =
    QStringLiteral("Choose the Cnt entry (L0 ... U9) first; nothing was sent.");

// A meter that also answers "h" (from its hAnsweredFrom-th request on, never when 0) and "a",
// beside the main window whose timers and banner the windows use.
struct Rig : testsupport::SessionRig {
    panel::Panel panel{session, link, prompts};
    QTimer& polling = *panel.findChild<QTimer*>("Timer1");
    QByteArray hReply = QByteArray::fromHex("0204d203"); // 1.234
    int hAnsweredFrom = 1;
    int hRequests = 0;
    QByteArray aReply = QByteArray::fromHex("020c03e8"); // U2, 1.000
    // Display stream bytes around the first answer to "h" or "a" (a frame before it, or its head
    // after it): what the meter streamed meanwhile.
    QByteArray streamBefore;
    QByteArray streamAfter;
    bool pollingDuringExchange = false;
    bool recordingDuringExchange = false;

    Rig() {
        auto meterAnswers = port.responder;
        port.responder = [this, meterAnswers](const QByteArray& bytes) {
            meterAnswers(bytes);
            if (bytes == "h" && ++hRequests >= hAnsweredFrom && hAnsweredFrom > 0)
                port.deliver(withStream(hReply), 0.01);
            if (bytes == "a")
                port.deliver(withStream(aReply), 0.005);
        };
        clock.onWait = [this, meterScript = clock.onWait](double now) {
            meterScript(now);
            pollingDuringExchange |= !panel.stream().paused();
            recordingDuringExchange |= panel.Timer2().isActive();
        };
        // Running, but never due within a test.
        polling.setInterval(3600 * 1000);
        panel.stream().start();
        panel.Timer2().start(3600 * 1000);
    }
    calibration::MainWindowParts parts() { return {nullptr, panel.stream(), panel.Timer2()}; }
    bool mainTimersRun() { return !panel.stream().paused() && panel.Timer2().isActive(); }
    QByteArray withStream(const QByteArray& reply) {
        return std::exchange(streamBefore, {}) + reply + std::exchange(streamAfter, {});
    }
};

// A display frame whose bytes would pass for a reply: memory number 5, main bytes 12 03 e8.
const QByteArray kLookAlikeFrame = QByteArray::fromHex("02051203e80000001010000802"
                                                       "03");

template <class T> T* child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

template <class Window> void showAndLoad(Window& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Load();
}

QByteArray bytes(const char* letters, const char* hex = "") {
    return QByteArray(letters) + QByteArray::fromHex(hex);
}

} // namespace

class TestFactorWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void setEntries_data();
    void setEntries();
    void calibrationRead_data();
    void calibrationRead();
    void typedKeys();
    void scfLoadAndClose_data();
    void scfLoadAndClose();
    void toolbarOpensTheWindows_data();
    void toolbarOpensTheWindows();
};

void TestFactorWindows::setEntries_data() {
    QTest::addColumn<bool>("scf");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("message");
    QTest::newRow("1.2345") << false << "1.2345" << 0 << bytes("Ai", "04d2") << "";
    QTest::newRow("1.2355") << false << "1.2355" << 0 << bytes("Ai", "04d4") << "";
    QTest::newRow("1.0625") << false << "1.0625" << 0 << bytes("Ai", "0426") << "";
    QTest::newRow("1.06250001 past the half")
        << false << "1.06250001" << 0 << bytes("Ai", "0427") << "";
    QTest::newRow("0.8") << false << "0.8" << 0 << bytes("Ai", "0320") << "";
    QTest::newRow("1.5") << false << "1.5" << 0 << bytes("Ai", "05dc") << "";
    QTest::newRow("1..5") << false << "1..5" << 0 << bytes("Ai", "03e8") << "";
    QTest::newRow("0.799") << false << "0.799" << 0 << QByteArray() << kCalibrationRange;
    QTest::newRow("0.7996, refused before rounding")
        << false << "0.7996" << 0 << QByteArray() << kCalibrationRange;
    QTest::newRow("1.501") << false << "1.501" << 0 << QByteArray() << kCalibrationRange;
    QTest::newRow("empty") << false << "" << 0 << QByteArray() << kCalibrationRange;
    QTest::newRow("scf 2.5, L3") << true << "2.5" << 3 << bytes("Ac", "0309c4") << "";
    QTest::newRow("scf 0.2, U9") << true << "0.2" << 19 << bytes("Ac", "1300c8") << "";
    QTest::newRow("scf 5, L0") << true << "5" << 0 << bytes("Ac", "001388") << "";
    QTest::newRow("scf 1.2345, half away from zero")
        << true << "1.2345" << 3 << bytes("Ac", "0304d3") << "";
    QTest::newRow("scf 0.199") << true << "0.199" << 3 << QByteArray() << kScfRange;
    QTest::newRow("scf 5.001") << true << "5.001" << 3 << QByteArray() << kScfRange;
    QTest::newRow("scf empty") << true << "" << 3 << QByteArray() << kScfRange;
    QTest::newRow("scf, no count chosen") << true << "2.5" << -1 << QByteArray() << kNoCount;
}

void TestFactorWindows::setEntries() {
    QFETCH(bool, scf);
    QFETCH(QString, entry);
    QFETCH(int, count);
    QFETCH(QByteArray, sent);
    QFETCH(QString, message);
    Rig rig;
    calibration::Calibrationfrm calWindow(rig.link, rig.prompts, rig.panel.stream(), nullptr);
    calibration::SCF_frm scfWindow(rig.session, rig.link, rig.prompts, rig.parts());
    QDialog& w = scf ? static_cast<QDialog&>(scfWindow) : calWindow;
    if (scf) {
        showAndLoad(scfWindow);
        child<QComboBox>(w, "SCFCNT_Cbx")->setCurrentIndex(count);
    } else {
        showAndLoad(calWindow);
        QVERIFY(rig.pollingDuringExchange); // the calibration window's load leaves polling alone
    }
    rig.port.sent.clear();
    rig.pollingDuringExchange = false;
    child<QLineEdit>(w, scf ? "SCFRange_Edit" : "TxtCalValue")->setText(entry);
    child<QPushButton>(w, scf ? "SetSCF_btn" : "BtnSet")->click();

    QCOMPARE(rig.port.sent.toHex(' '), sent.toHex(' '));
    QCOMPARE(rig.prompts.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(rig.prompts.messages[0].text, message);
        QVERIFY(rig.prompts.messages[0].icon == platform::MessageIcon::Critical);
    }
    QVERIFY(!rig.pollingDuringExchange);
    // Only the calibration window closes after a write; the SCF window holds polling off, its
    // ticks watching the meter's status.
    QCOMPARE(w.isVisible(), scf || !message.isEmpty());
    QCOMPARE(rig.panel.stream().paused(), scf);
    QVERIFY(rig.polling.isActive());
}

void TestFactorWindows::calibrationRead_data() {
    QTest::addColumn<bool>("initial");
    QTest::addColumn<int>("hAnsweredFrom");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("hRequests");
    QTest::addColumn<QByteArray>("streamBefore");
    QTest::addColumn<QByteArray>("streamAfter");
    const QByteArray none;
    QTest::newRow("load") << false << 1 << "1.234" << 1 << none << none;
    QTest::newRow("load, answered at the third request")
        << false << 3 << "1.234" << 3 << none << none;
    QTest::newRow("load, never answered") << false << 0 << "" << -1 << none << none;
    QTest::newRow("initial") << true << 1 << "1.234" << 1 << none << none;
    QTest::newRow("initial, never answered") << true << 0 << "" << -1 << none << none;
    QTest::newRow("a display frame before the reply")
        << false << 1 << "1.234" << 1 << kLookAlikeFrame << none;
    QTest::newRow("a frame begun after the reply")
        << false << 1 << "1.234" << 1 << none << kLookAlikeFrame.left(5);
    // The reply is taken from the meter's answer to the next request.
    QTest::newRow("the rest of a frame before the reply")
        << false << 1 << "1.234" << 2 << kLookAlikeFrame.mid(9) << none;
}

void TestFactorWindows::calibrationRead() {
    QFETCH(bool, initial);
    QFETCH(int, hAnsweredFrom);
    QFETCH(QString, shown);
    QFETCH(int, hRequests);
    QFETCH(QByteArray, streamBefore);
    QFETCH(QByteArray, streamAfter);
    Rig rig;
    calibration::Calibrationfrm w(rig.link, rig.prompts, rig.panel.stream(), nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    rig.hAnsweredFrom = hAnsweredFrom;
    rig.streamBefore = streamBefore;
    rig.streamAfter = streamAfter;
    const double start = rig.clock.now();
    if (initial)
        child<QPushButton>(w, "BtnInitial")->click();
    else
        w.Load();

    auto* value = child<QLineEdit>(w, "TxtCalValue");
    QVERIFY(rig.port.sent.startsWith(initial ? "AjA" : "A"));
    if (!shown.isEmpty()) {
        QCOMPARE(value->text(), shown);
        QCOMPARE(rig.hRequests, hRequests);
        QVERIFY(rig.prompts.messages.isEmpty());
    } else {
        QCOMPARE(value->text(), QStringLiteral("0.0"));
        QCOMPARE(rig.prompts.messages.size(), 1);
        QCOMPARE(rig.prompts.messages[0].text, kUnread);
        const double took = rig.clock.now() - start;
        QVERIFY2(took >= 10.0 && took < 10.5, qPrintable(QString::number(took)));
        QVERIFY(rig.port.sent.endsWith('h'));
    }
    QCOMPARE(rig.pollingDuringExchange, !initial);
    QVERIFY(!rig.panel.stream().paused());
    QVERIFY(w.isVisible());
}

void TestFactorWindows::typedKeys() {
    Rig rig;
    calibration::Calibrationfrm cal(rig.link, rig.prompts, rig.panel.stream(), nullptr);
    showAndLoad(cal);
    auto* entry = child<QLineEdit>(cal, "TxtCalValue");
    entry->clear();
    QTest::keyClicks(entry, "x1,.2-5 ");
    QCOMPARE(entry->text(), QStringLiteral("1.25"));
    QTest::keyClick(entry, Qt::Key_Backspace);
    QTest::keyClicks(entry, "6");
    rig.port.sent.clear();
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(rig.port.sent.toHex(' '), bytes("Ai", "04ec").toHex(' ')); // 1.26
    QVERIFY(!cal.isVisible());

    calibration::SCF_frm scf(rig.session, rig.link, rig.prompts, rig.parts());
    showAndLoad(scf);
    auto* count = child<QComboBox>(scf, "SCFCNT_Cbx");
    QTest::keyClicks(count, "L");
    QCOMPARE(count->currentText(), QStringLiteral("U2"));
}

void TestFactorWindows::scfLoadAndClose_data() {
    QTest::addColumn<QByteArray>("aReply");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("byte13"); // of the frame streaming meanwhile
    QTest::addColumn<QString>("banner");
    QTest::addColumn<QByteArray>("streamBefore");
    QTest::addColumn<QByteArray>("streamAfter");
    QTest::addColumn<int>("requests");
    const QByteArray u2 = QByteArray::fromHex("020c03e8");
    const QByteArray none;
    QTest::newRow("SET UP") << u2 << "tick" << 0x08 << "SET UP" << none << none << 1;
    QTest::newRow("CLEAR") << u2 << "tick" << 0x20 << "CLEAR" << none << none << 1;
    QTest::newRow("Cancel") << u2 << "Cancel_btn" << 0 << "" << none << none << 1;
    QTest::newRow("Escape in the factor box") << u2 << "Escape" << 0 << "" << none << none << 1;
    QTest::newRow("Initial SCF") << u2 << "SCF_init_btn" << 0 << "" << none << none << 1;
    QTest::newRow("close box") << u2 << "close" << 0 << "" << none << none << 1;
    QTest::newRow("count out of the list")
        << QByteArray::fromHex("021403e8") << "close" << 0 << "" << none << none << 1;
    QTest::newRow("never 4 bytes")
        << QByteArray::fromHex("020c03") << "close" << 0 << "" << none << none << 1000;
    QTest::newRow("a display frame before the reply")
        << u2 << "tick" << 0x08 << "SET UP" << kLookAlikeFrame << none << 1;
    QTest::newRow("a frame begun after the reply")
        << u2 << "tick" << 0x08 << "SET UP" << none << kLookAlikeFrame.left(5) << 1;
    QTest::newRow("the rest of a frame before the reply: asked again")
        << u2 << "tick" << 0x08 << "SET UP" << kLookAlikeFrame.mid(9) << none << 2;
}

void TestFactorWindows::scfLoadAndClose() {
    QFETCH(QByteArray, aReply);
    QFETCH(QString, how);
    QFETCH(int, byte13);
    QFETCH(QString, banner);
    QFETCH(QByteArray, streamBefore);
    QFETCH(QByteArray, streamAfter);
    QFETCH(int, requests);
    Rig rig;
    rig.aReply = aReply;
    rig.streamBefore = streamBefore;
    rig.streamAfter = streamAfter;
    calibration::SCF_frm w(rig.session, rig.link, rig.prompts, rig.parts());
    showAndLoad(w);
    const bool loaded = aReply.size() == 4 && aReply[1] < 20;
    QCOMPARE(rig.port.sent, QByteArray(requests, 'a'));
    QCOMPARE(child<QComboBox>(w, "SCFCNT_Cbx")->currentText(), loaded ? "U2" : "");
    QCOMPARE(child<QLineEdit>(w, "SCFRange_Edit")->text(), loaded ? "1.000" : "Text1");
    QCOMPARE(rig.polling.isActive(), loaded); // the watch of the meter's status
    QVERIFY(!rig.pollingDuringExchange && !rig.recordingDuringExchange && !rig.mainTimersRun());
    {
        meterlink::ExchangeQueue::Exchange exchange(rig.link.exchanges());
        rig.link.send("M"); // the display stream the main window started
    }
    rig.meter.frame = testsupport::displayFrame(0x123456, {0x00, 0x10, 0x00, 0x00, 0x08, 0x00});
    rig.panel.stream().Timer1Tick();
    QVERIFY(w.isVisible());
    rig.port.sent.clear();
    rig.meter.frame[12] = char(byte13);
    double closedAt = 0.0;
    QObject::connect(&w, &QDialog::finished, &w, [&] { closedAt = rig.clock.now(); });

    if (how == "tick")
        rig.panel.stream().Timer1Tick();
    else if (how == "close")
        w.close();
    else if (how == "Escape")
        QTest::keyClick(child<QLineEdit>(w, "SCFRange_Edit"), Qt::Key_Escape);
    else
        child<QPushButton>(w, qPrintable(how))->click();

    QVERIFY(!w.isVisible());
    QVERIFY(rig.mainTimersRun());
    QCOMPARE(rig.port.sent, how == "SCF_init_btn" ? QByteArray("Ae") : QByteArray());
    // The meter is given half a second to restore its initial factor.
    if (how == "SCF_init_btn")
        QCOMPARE(qRound((closedAt - rig.port.writtenAt("e")) * 1000), 500);
    auto* label = child<QLabel>(rig.panel, "LblSetUp");
    QCOMPARE(!label->isHidden(), !banner.isEmpty());
    QCOMPARE(!child<QWidget>(rig.panel, "ShapeSetUp")->isHidden(), !banner.isEmpty());
    if (!banner.isEmpty())
        QCOMPARE(label->text(), banner);
    QVERIFY(rig.prompts.messages.isEmpty());
}

void TestFactorWindows::toolbarOpensTheWindows_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("cal") << "cal"
                         << "Calibrationfrm"
                         << "TxtCalValue"
                         << "1.234" << QByteArray("AAh");
    QTest::newRow("scf") << "scf"
                         << "SCF_frm"
                         << "SCFRange_Edit"
                         << "1.000" << QByteArray("Aa");
}

void TestFactorWindows::toolbarOpensTheWindows() {
    QFETCH(QString, key);
    QFETCH(QString, window);
    QFETCH(QString, entry);
    QFETCH(QString, shown);
    QFETCH(QByteArray, sent);
    Rig rig;
    rig.panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.panel));
    QString name;
    QString text;
    QByteArray sentWhileOpen;
    QTimer::singleShot(100, &rig.panel, [&] {
        auto* modal = rig.panel.findChild<QDialog*>();
        if (modal == QApplication::activeModalWidget())
            name = modal->objectName();
        text = modal->findChild<QLineEdit*>(entry)->text();
        sentWhileOpen = rig.port.sent;
        modal->close();
    });
    rig.panel.findChild<QAction*>(key)->trigger();

    QCOMPARE(name, window);
    QCOMPARE(text, shown);
    QCOMPARE(sentWhileOpen, sent);
    QVERIFY(!rig.panel.findChild<QDialog*>()); // deleted once closed
}

QTEST_MAIN(TestFactorWindows)
#include "test_factor_windows.moc"
