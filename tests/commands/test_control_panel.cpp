#include "commands/control_panel.h"

#include "commands/meter_settings.h"
#include "commands/toolbar_dispatch.h"
#include "link/meter_link.h"
#include "panel/panel.h"
#include "session_rig.h"

#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray kSettings = QByteArray::fromHex("020096410bb801f403"); // distance 1.50

// A meter that answers "Z" with its settings and, after "O", ignores a few polls while it
// powers up again.
struct Rig : testsupport::SessionRig {
    commands::ToolbarDispatcher toolbar{session, link, prompts, stream, nullptr};
    // On the heap: it deletes itself when closed.
    QPointer<commands::Btn> window =
        new commands::Btn(session, link, toolbar, stream, prompts, nullptr);
    QByteArray settingsReply = kSettings;
    QList<bool> pollingWhenSent; // per byte
    int unansweredPolls = 0;

    Rig() {
        meter.frame = testsupport::displayFrame(0xAA1234, {0x00, 0x10, 0x00, 0x00, 0x08, 0x00});
        auto meterAnswers = port.responder;
        port.responder = [this, meterAnswers](const QByteArray& bytes) {
            pollingWhenSent += QList<bool>(bytes.size(), !stream.paused());
            if (bytes == "O")
                unansweredPolls = 3;
            if (bytes == "A")
                meter.answersPolls = unansweredPolls-- <= 0;
            meterAnswers(bytes);
            if (bytes == "Z")
                port.deliver(settingsReply, 0.01);
        };
    }
    ~Rig() { delete window; }
    void click(const QString& name) {
        QPushButton* button = window->findChild<QPushButton*>(name);
        if (!button)
            qFatal("no button %s", qPrintable(name));
        button->click();
    }
};

} // namespace

class TestControlPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keys_data();
    void keys();
    void cdClosedDuringAnUnansweredRead();
    void buttonsBringsTheOneWindowForward();
};

void TestControlPanel::keys_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("intv");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("pollingPaused"); // polling paused while the key's bytes go out

    const QList<std::pair<const char*, char>> plain = {
        {"CmdTime", 'B'}, {"CmdLxFc", 'F'}, {"CmdH", 'C'},     {"CmdRead", 'L'},
        {"CmdMem", 'P'},  {"CmdMMM", 'J'},  {"CmdAVG", 'D'},   {"CmdComp", 'X'},
        {"CmdUp", 'K'},   {"CmdDown", 'N'}, {"CmdEnter", 'H'}, {"CmdPercent", 'G'}};
    for (const auto& [name, letter] : plain)
        QTest::newRow(name) << name << false << (QByteArray("A") + letter) << true;
    QTest::newRow("CmdPower reconnects") << "CmdPower" << false << QByteArray("AOAAAAM") << true;
    QTest::newRow("CmdCD re-sends 1.50")
        << "CmdCD" << false << QByteArray("AHAZAI") + QByteArray::fromHex("0096") << false;
    QTest::newRow("CmdSet") << "CmdSet" << false << QByteArray() << false;

    // During the meter's interval recording only Time, Enter and Pwr get through.
    QTest::newRow("INTV CmdTime") << "CmdTime" << true << QByteArray("AB") << true;
    QTest::newRow("INTV CmdEnter") << "CmdEnter" << true << QByteArray("AH") << true;
    QTest::newRow("INTV CmdPower") << "CmdPower" << true << QByteArray("AOAAAAM") << true;
    for (const char* name : {"CmdLxFc", "CmdH", "CmdRead", "CmdCD", "CmdMem", "CmdMMM",
                             "CmdPercent", "CmdAVG", "CmdComp", "CmdUp", "CmdDown"})
        QTest::newRow(qPrintable(QStringLiteral("INTV %1").arg(QLatin1String(name))))
            << name << true << QByteArray() << false;
}

void TestControlPanel::keys() {
    QFETCH(QString, button);
    QFETCH(bool, intv);
    QFETCH(QByteArray, sent);
    QFETCH(bool, pollingPaused);
    Rig rig;
    rig.session.display.status.IntvOn = intv;
    rig.click(button);

    QCOMPARE(rig.port.sent, sent);
    QCOMPARE(rig.pollingWhenSent, QList<bool>(sent.size(), !pollingPaused));
    QVERIFY(!rig.stream.paused());
    QVERIFY(rig.prompts.messages.isEmpty());
    QVERIFY(!rig.link.exchanges().busy());
}

void TestControlPanel::cdClosedDuringAnUnansweredRead() {
    Rig rig;
    rig.settingsReply = kSettings.left(8);
    rig.clock.onWait = [&rig, meterScript = rig.clock.onWait](double now) {
        meterScript(now);
        if (rig.window)
            rig.window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    rig.click(QStringLiteral("CmdCD"));

    QVERIFY(rig.window.isNull());
    QVERIFY(rig.port.sent.endsWith("AZ"));
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].text, commands::kSettingsUnreadText);
}

void TestControlPanel::buttonsBringsTheOneWindowForward() {
    testsupport::SessionRig rig;
    panel::Panel panel(rig.session, rig.link, rig.prompts);
    panel.setGeometry(100, 120, 400, 300);
    auto opened = [&panel] { return panel.findChildren<commands::Btn*>(); };

    panel.toolbar().OnToolbarButton(QStringLiteral("Buttons"));
    QCOMPARE(opened().size(), 1);
    commands::Btn* first = opened().first();
    QVERIFY(first->isVisible());
    // The main window's frame, known once it has a window of its own.
    const QRect main = panel.frameGeometry();
    QCOMPARE(first->windowTitle(), QStringLiteral("Control Panel"));
    // Under the main window, centred, frames and all.
    QTRY_COMPARE(
        first->frameGeometry().topLeft(),
        QPoint(main.x() + (main.width() - first->frameGeometry().width()) / 2, main.bottom() + 1));

    panel.toolbar().OnToolbarButton(QStringLiteral("Buttons"));
    QCOMPARE(opened(), QList<commands::Btn*>{first});

    // Once closed, it is forgotten: the next "Buttons" loads a fresh window.
    const QPointer<commands::Btn> closing = first;
    first->close();
    panel.toolbar().OnToolbarButton(QStringLiteral("Buttons"));
    QTRY_VERIFY(closing.isNull());
    QCOMPARE(opened().size(), 1);
    QVERIFY(opened().first()->isVisible());
}

QTEST_MAIN(TestControlPanel)
#include "test_control_panel.moc"
