#include "commands/comparator.h"

#include "commands/meter_settings.h"
#include "link/meter_link.h"
#include "panel/panel.h"
#include "session_rig.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// A meter that answers "Z" with a settings frame (distance 1.50) around the comparator bytes
// 4..8 given in hex; every write is logged with its virtual time.
struct Rig : testsupport::SessionRig {
    QByteArray settingsReply;
    QPointer<commands::Comparator> window;
    QList<double> writtenAt;

    explicit Rig(const QByteArray& comparator)
        : settingsReply(QByteArray::fromHex("020096" + comparator + "03")) {
        port.responder = [this, meterAnswers = port.responder](const QByteArray& bytes) {
            writtenAt.append(clock.now());
            meterAnswers(bytes);
            if (bytes == "Z")
                port.deliver(settingsReply, 0.01);
        };
    }
    ~Rig() { delete window; }

    void load() { commands::LoadComparatorWindow(link, prompts, nullptr, window); }
    template <class Control = QWidget> Control* control(const QString& name) {
        auto* c = window->findChild<Control*>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }
    QComboBox* box(const char* row, int k) { return control<QComboBox>(indexed(row, k)); }
    static QString indexed(const char* name, int k) {
        return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(k);
    }
    // As a pick from the unit box's list does it.
    void chooseUnit(const QString& unit) {
        auto* txtUnit = control<QComboBox>(QStringLiteral("TxtUnit"));
        txtUnit->setCurrentIndex(txtUnit->findText(unit));
        Q_EMIT txtUnit->activated(txtUnit->currentIndex());
    }
    // One character per control 1..6 of a row: 1/0 for enabled when asked, otherwise x/. for a
    // selected option, or a box's text with _ for empty.
    QString row(const char* name, bool enabled = false) {
        QString s;
        for (int k = 1; k <= 6; ++k) {
            QWidget* c = control(indexed(name, k));
            const auto* option = qobject_cast<QRadioButton*>(c);
            const QString text = option ? QString() : static_cast<QComboBox*>(c)->currentText();
            s += enabled  ? (c->isEnabled() ? u'1' : u'0')
                 : option ? (option->isChecked() ? u'x' : u'.')
                          : (text.isEmpty() ? u'_' : text.at(0));
        }
        return s;
    }
};

} // namespace

class TestComparator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowStates_data();
    void windowStates();
    void updates_data();
    void updates();
    void closedDuringUpdate();
    void unreadableSettingsOpenNothing();
    void compReplacesTheWindow();
};

void TestComparator::windowStates_data() {
    QTest::addColumn<QByteArray>("comparator");
    QTest::addColumn<QString>("action"); // after the load: an option clicked, or a unit chosen
    // Unit, selected option, high and low boxes, options enabled, boxes enabled.
    QTest::addColumn<QString>("state");
    auto row = [](const char* name, const char* comparator, const char* action, const char* state) {
        QTest::newRow(name) << QByteArray(comparator) << QString(action) << QString(state);
    };
    row("0x44: lux, code 4", "4404d20019", "", "Lx ...x.. 1234__ 0025__ 011111 111100");
    row("0x30: foot-candles, code 16", "300000270f", "", "Fc ....x. 00000_ 99990_ 111110 111100");
    row("0x50: lux, code 16, a limit beyond 9999", "50ffff0001", "",
        "Lx .....x 553500 000100 011111 111100");
    row("0x04: no unit bit is foot-candles", "0400000000", "",
        "Fc ..x... 0000__ 0000__ 111110 111100");
    row("0xcc: two codes, the higher wins", "cc00000000", "",
        "Lx ....x. 00000_ 00000_ 011111 111100");
    row("LODec(3) selects HODec(3) too", "3000000000", "LODec(3)",
        "Fc ..x... 0000__ 0000__ 111110 111100");
    row("HODec(6) selects LODec(6) too", "4400000000", "HODec(6)",
        "Lx .....x 000000 000000 011111 111100");
    row("Fc clears option 6", "5000000000", "Fc", "Fc ...... 00000_ 00000_ 111110 111100");
    row("Lx keeps option 1", "2100000000", "Lx", "Lx x..... 0000__ 0000__ 011111 111100");
}

void TestComparator::windowStates() {
    QFETCH(QByteArray, comparator);
    QFETCH(QString, action);
    QFETCH(QString, state);
    Rig rig(comparator);
    rig.load();
    if (action.contains(u'('))
        rig.control<QRadioButton>(action)->click();
    else if (!action.isEmpty())
        rig.chooseUnit(action);

    QCOMPARE(rig.port.sent, QByteArray("AHAZ"));
    QVERIFY(rig.prompts.messages.isEmpty());
    QVERIFY(rig.window && rig.window->isVisible());
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("Comparator"));
    // Each row of digits sits in the frame that names its limit.
    auto frameOf = [&](const char* digit) {
        return qobject_cast<QGroupBox*>(rig.control<QComboBox>(digit)->parentWidget())->title();
    };
    QCOMPARE(frameOf("HighO(1)"), QStringLiteral("HIGH"));
    QCOMPARE(frameOf("LowO(1)"), QStringLiteral("LOW"));
    // The low group and row follow the high ones.
    QCOMPARE(rig.row("LODec"), rig.row("HODec"));
    QCOMPARE(rig.row("LODec", true), rig.row("HODec", true));
    QCOMPARE(rig.row("LowO", true), rig.row("HighO", true));
    const QString unit = rig.control<QComboBox>(QStringLiteral("TxtUnit"))->currentText();
    const QStringList shown = {unit,
                               rig.row("HODec"),
                               rig.row("HighO"),
                               rig.row("LowO"),
                               rig.row("HODec", true),
                               rig.row("HighO", true)};
    QCOMPARE(shown.join(u' '), state);
}

void TestComparator::updates_data() {
    QTest::addColumn<QByteArray>("comparator");
    QTest::addColumn<QString>("unit"); // picked from the list; "=" + text: typed instead
    QTest::addColumn<QString>("click");
    QTest::addColumn<QString>("high"); // boxes 1..4 as typed, "|" between; empty: as loaded
    QTest::addColumn<QString>("low");
    QTest::addColumn<QByteArray>("block"); // hex of the five bytes after "V"
    auto row = [](const char* name, const char* comparator, const char* unit, const char* click,
                  const char* high, const char* low, const char* block) {
        QTest::newRow(name) << QByteArray(comparator) << QString(unit) << QString(click)
                            << QString(high) << QString(low) << QByteArray(block);
    };
    row("Fc, option 2, 0150 / 0099", "2100000000", "", "HODec(2)", "0|1|5|0", "0|0|9|9",
        "2200960063");
    row("Lx, no option", "4004d20019", "", "", "", "", "5004d20019");
    row("Lx, option 1 still selected", "2104d20019", "Lx", "", "", "", "5004d20019");
    row("Lx, option 2", "4404d20019", "", "LODec(2)", "", "", "4104d20019");
    row("Lx, option 6", "4404d20019", "", "HODec(6)", "", "", "5004d20019");
    row("Fc, option 4", "2104d20019", "", "HODec(4)", "", "", "2804d20019");
    row("empty unit", "4404d20019", "=", "", "", "", "2804d20019");
    row("one digit per box", "4404d20019", "", "", "12|x|3|", "99999|9|-9|9 ", "44000d03e7");
}

void TestComparator::updates() {
    QFETCH(QByteArray, comparator);
    QFETCH(QString, unit);
    QFETCH(QString, click);
    QFETCH(QString, high);
    QFETCH(QString, low);
    QFETCH(QByteArray, block);
    Rig rig(comparator);
    rig.load();
    if (unit.startsWith(u'='))
        rig.control<QComboBox>(QStringLiteral("TxtUnit"))->setEditText(unit.mid(1));
    else if (!unit.isEmpty())
        rig.chooseUnit(unit);
    if (!click.isEmpty())
        rig.control<QRadioButton>(click)->click();
    for (int i = 0; !high.isEmpty() && i < 4; ++i) {
        rig.box("HighO", i + 1)->setEditText(high.split(u'|')[i]);
        rig.box("LowO", i + 1)->setEditText(low.split(u'|')[i]);
    }
    rig.port.sent.clear();
    rig.writtenAt.clear();
    rig.control<QPushButton>(QStringLiteral("CmdUpdate"))->click();

    QCOMPARE(rig.port.sent, "AHAV" + QByteArray::fromHex(block) + "AX");
    // The pauses: 0.2 s after "H", 0.05 s between "V" and its bytes, 0.2 s before the Comp key.
    const QList<double>& t = rig.writtenAt;
    QCOMPARE(t.size(), 7);
    QVERIFY(t[2] - t[1] >= 0.2 && t[5] - t[4] >= 0.2);
    QCOMPARE(t[4] - t[3], 0.05);
    QVERIFY(rig.window && rig.window->isVisible());
    QVERIFY(!rig.link.exchanges().busy());
}

void TestComparator::closedDuringUpdate() {
    Rig rig("4404d20019");
    rig.load();
    rig.port.sent.clear();
    rig.clock.onWait = [&rig, meterScript = rig.clock.onWait](double now) {
        meterScript(now);
        if (rig.window)
            rig.window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    rig.control<QPushButton>(QStringLiteral("CmdUpdate"))->click();

    QVERIFY(rig.window.isNull());
    QCOMPARE(rig.port.sent, "AHAV" + QByteArray::fromHex("4404d20019") + "AX");
}

void TestComparator::unreadableSettingsOpenNothing() {
    Rig rig("4404d20019");
    rig.settingsReply.chop(1); // one byte short, for good
    rig.load();

    QVERIFY(rig.window.isNull());
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].icon, platform::MessageIcon::Critical);
    QCOMPARE(rig.prompts.messages[0].text, commands::kSettingsUnreadText);
    QVERIFY(rig.port.sent.startsWith("AHAZ") && rig.port.sent.endsWith("AZ"));
    QVERIFY(!rig.port.sent.contains('V') && !rig.port.sent.contains('X'));
    QVERIFY(!rig.link.exchanges().busy());
}

void TestComparator::compReplacesTheWindow() {
    Rig rig("4404d20019");
    panel::Panel panel(rig.session, rig.link, rig.prompts);
    panel.setGeometry(20, 120, 300, 200);
    auto opened = [&panel] { return panel.findChildren<commands::Comparator*>(); };
    auto highO1 = [](QWidget* w) { return w->findChild<QComboBox*>(QStringLiteral("HighO(1)")); };

    panel.toolbar().OnToolbarButton(QStringLiteral("Comp"));
    QCOMPARE(opened().size(), 1);
    const QPointer<commands::Comparator> first = opened().first();
    QVERIFY(first->isVisible());
    // The main window's frame, known once it has a window of its own.
    const QRect main = panel.frameGeometry();
    QTRY_COMPARE(first->frameGeometry().topLeft(), QPoint(main.x() + main.width(), main.y()));
    highO1(first)->setEditText(QStringLiteral("7"));

    // An edit not sent is lost: the fresh window shows the meter's limits again.
    panel.toolbar().OnToolbarButton(QStringLiteral("Comp"));
    QTRY_VERIFY(first.isNull());
    QCOMPARE(opened().size(), 1);
    QVERIFY(opened().first()->isVisible());
    QCOMPARE(highO1(opened().first())->currentText(), QStringLiteral("1"));
    QCOMPARE(rig.port.sent, QByteArray("AHAZAHAZ"));
    // A unit typed, not picked, counts as chosen when the box loses the focus: here as the
    // window goes with the main window.
    opened()
        .first()
        ->findChild<QComboBox*>(QStringLiteral("TxtUnit"))
        ->setEditText(QStringLiteral("Fc"));
}

QTEST_MAIN(TestComparator)
#include "test_comparator.moc"
