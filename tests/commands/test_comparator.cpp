#include "commands/comparator.h"

#include "commands/meter_settings.h"
#include "link/meter_link.h"
#include "panel/panel.h"
#include "session_rig.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// A settings frame (distance 1.50) around the comparator's bytes 4..8, given in hex.
QByteArray settingsFrame(const char* comparator) {
    return QByteArray::fromHex(QByteArray("020096") + comparator + "03");
}

// A meter that answers "Z" with its settings; every write is logged with its virtual time.
struct Rig : testsupport::SessionRig {
    QByteArray settingsReply;
    QPointer<commands::Comparator> window;
    QList<std::pair<double, QByteArray>> writes;

    explicit Rig(const char* comparator) : settingsReply(settingsFrame(comparator)) {
        auto meterAnswers = port.responder;
        port.responder = [this, meterAnswers](const QByteArray& bytes) {
            writes.append({clock.now(), bytes});
            meterAnswers(bytes);
            if (bytes == "Z")
                port.deliver(settingsReply, 0.01);
        };
    }
    ~Rig() { delete window; }

    void load() { commands::LoadComparatorWindow(link, prompts, nullptr, window); }
    template <class Control> Control* control(const QString& name) {
        auto* c = window->findChild<Control*>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }
    QComboBox* box(const char* row, int k) {
        return control<QComboBox>(QStringLiteral("%1(%2)").arg(QLatin1String(row)).arg(k));
    }
    QRadioButton* option(const char* group, int k) {
        return control<QRadioButton>(QStringLiteral("%1(%2)").arg(QLatin1String(group)).arg(k));
    }
    // As a pick from the unit box's list does it.
    void chooseUnit(const QString& unit) {
        QComboBox* txtUnit = control<QComboBox>(QStringLiteral("TxtUnit"));
        const int index = txtUnit->findText(unit);
        txtUnit->setCurrentIndex(index);
        Q_EMIT txtUnit->activated(index);
    }
    // "1" / "0" per control, k = 1..6.
    QString boxesEnabled(const char* row) {
        QString s;
        for (int k = 1; k <= 6; ++k)
            s += box(row, k)->isEnabled() ? u'1' : u'0';
        return s;
    }
    QString optionsEnabled(const char* group) {
        QString s;
        for (int k = 1; k <= 6; ++k)
            s += option(group, k)->isEnabled() ? u'1' : u'0';
        return s;
    }
    QStringList texts(const char* row) {
        QStringList t;
        for (int k = 1; k <= 6; ++k)
            t += box(row, k)->currentText();
        return t;
    }
    // The selected option of a group, 0 for none.
    int selected(const char* group) {
        for (int k = 1; k <= 6; ++k)
            if (option(group, k)->isChecked())
                return k;
        return 0;
    }
};

} // namespace

class TestComparator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loads_data();
    void loads();
    void options_data();
    void options();
    void updates_data();
    void updates();
    void closedDuringUpdate();
    void unreadableSettingsOpenNothing();
    void compReplacesTheWindow();
};

void TestComparator::loads_data() {
    QTest::addColumn<QByteArray>("comparator"); // hex of bytes 4..8
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("high");
    QTest::addColumn<QStringList>("low");
    QTest::addColumn<QString>("optionsEnabled");
    QTest::addColumn<QString>("boxesEnabled");
    QTest::newRow("0x44: lux, code 4")
        << QByteArray("4404d20019") << "Lx" << 4 << QStringList{"1", "2", "3", "4", "", ""}
        << QStringList{"0", "0", "2", "5", "", ""} << "011111"
        << "111100";
    QTest::newRow("0x30: foot-candles, code 16")
        << QByteArray("300000270f") << "Fc" << 5 << QStringList{"0", "0", "0", "0", "0", ""}
        << QStringList{"9", "9", "9", "9", "0", ""} << "111110"
        << "111100";
    QTest::newRow("0x50: lux, code 16, a limit beyond 9999")
        << QByteArray("50ffff0001") << "Lx" << 6 << QStringList{"5", "5", "3", "5", "0", "0"}
        << QStringList{"0", "0", "0", "1", "0", "0"} << "011111"
        << "111100";
    QTest::newRow("0x21: foot-candles, code 1")
        << QByteArray("2100070000") << "Fc" << 1 << QStringList{"0", "0", "0", "7", "", ""}
        << QStringList{"0", "0", "0", "0", "", ""} << "111110"
        << "111100";
    QTest::newRow("0x04: no unit bit is foot-candles")
        << QByteArray("0400000000") << "Fc" << 3 << QStringList{"0", "0", "0", "0", "", ""}
        << QStringList{"0", "0", "0", "0", "", ""} << "111110"
        << "111100";
    QTest::newRow("0xcc: two codes, the higher wins, bit 7 ignored")
        << QByteArray("cc00000000") << "Lx" << 5 << QStringList{"0", "0", "0", "0", "0", ""}
        << QStringList{"0", "0", "0", "0", "0", ""} << "011111"
        << "111100";
}

void TestComparator::loads() {
    QFETCH(QByteArray, comparator);
    QFETCH(QString, unit);
    QFETCH(int, option);
    QFETCH(QStringList, high);
    QFETCH(QStringList, low);
    QFETCH(QString, optionsEnabled);
    QFETCH(QString, boxesEnabled);
    Rig rig(comparator.constData());
    rig.load();

    QCOMPARE(rig.port.sent, QByteArray("AHAZ"));
    QVERIFY(rig.prompts.messages.isEmpty());
    QVERIFY(rig.window);
    QVERIFY(rig.window->isVisible());
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("Comparator"));
    QCOMPARE(rig.control<QComboBox>(QStringLiteral("TxtUnit"))->currentText(), unit);
    QCOMPARE(rig.selected("HODec"), option);
    QCOMPARE(rig.selected("LODec"), option);
    QCOMPARE(rig.texts("HighO"), high);
    QCOMPARE(rig.texts("LowO"), low);
    QCOMPARE(rig.optionsEnabled("HODec"), optionsEnabled);
    QCOMPARE(rig.optionsEnabled("LODec"), optionsEnabled);
    QCOMPARE(rig.boxesEnabled("HighO"), boxesEnabled);
    QCOMPARE(rig.boxesEnabled("LowO"), boxesEnabled);
}

void TestComparator::options_data() {
    QTest::addColumn<QByteArray>("comparator");
    QTest::addColumn<QString>("action"); // an option clicked, or a unit chosen
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("optionsEnabled");
    QTest::addColumn<QStringList>("zeroBoxes"); // boxes 5 and 6 of both rows
    QTest::addColumn<QString>("boxesEnabled");
    QTest::newRow("LODec(3) selects HODec(3) too") << QByteArray("3000000000") << "LODec(3)" << 3
                                                   << "111110" << QStringList{"", ""} << "111100";
    QTest::newRow("HODec(5) selects LODec(5) too") << QByteArray("2100000000") << "HODec(5)" << 5
                                                   << "111110" << QStringList{"0", ""} << "111100";
    QTest::newRow("HODec(6) with lux") << QByteArray("4400000000") << "HODec(6)" << 6 << "011111"
                                       << QStringList{"0", "0"} << "111100";
    QTest::newRow("Fc clears option 6")
        << QByteArray("5000000000") << "Fc" << 0 << "111110" << QStringList{"0", ""} << "111100";
    QTest::newRow("Lx keeps option 1")
        << QByteArray("2100000000") << "Lx" << 1 << "011111" << QStringList{"", ""} << "111100";
}

void TestComparator::options() {
    QFETCH(QByteArray, comparator);
    QFETCH(QString, action);
    QFETCH(int, option);
    QFETCH(QString, optionsEnabled);
    QFETCH(QStringList, zeroBoxes);
    QFETCH(QString, boxesEnabled);
    Rig rig(comparator.constData());
    rig.load();
    if (action.contains(u'('))
        rig.control<QRadioButton>(action)->click();
    else
        rig.chooseUnit(action);

    for (const char* group : {"HODec", "LODec"}) {
        QCOMPARE(rig.selected(group), option);
        QCOMPARE(rig.optionsEnabled(group), optionsEnabled);
    }
    for (const char* row : {"HighO", "LowO"}) {
        QCOMPARE(rig.texts(row).mid(4), zeroBoxes);
        QCOMPARE(rig.boxesEnabled(row), boxesEnabled);
    }
}

void TestComparator::updates_data() {
    QTest::addColumn<QByteArray>("comparator");
    QTest::addColumn<QString>("unit"); // chosen from the list; "typed:" + text is typed instead
    QTest::addColumn<QString>("click");
    QTest::addColumn<QStringList>("high"); // boxes 1..4, as typed; empty: as loaded
    QTest::addColumn<QStringList>("low");
    QTest::addColumn<QByteArray>("block"); // hex of the five bytes after "V"
    QTest::newRow("Fc, option 2, 0150 / 0099")
        << QByteArray("2100000000") << ""
        << "HODec(2)" << QStringList{"0", "1", "5", "0"} << QStringList{"0", "0", "9", "9"}
        << QByteArray("2200960063");
    QTest::newRow("Lx, no option")
        << QByteArray("4004d20019") << ""
        << "" << QStringList{} << QStringList{} << QByteArray("5004d20019");
    QTest::newRow("Lx, option 1 still selected")
        << QByteArray("2104d20019") << "Lx"
        << "" << QStringList{} << QStringList{} << QByteArray("5004d20019");
    QTest::newRow("Lx, option 2") << QByteArray("4404d20019") << ""
                                  << "LODec(2)" << QStringList{} << QStringList{}
                                  << QByteArray("4104d20019");
    QTest::newRow("Lx, option 6") << QByteArray("4404d20019") << ""
                                  << "HODec(6)" << QStringList{} << QStringList{}
                                  << QByteArray("5004d20019");
    QTest::newRow("Fc, option 4") << QByteArray("2104d20019") << ""
                                  << "HODec(4)" << QStringList{} << QStringList{}
                                  << QByteArray("2804d20019");
    QTest::newRow("empty unit") << QByteArray("4404d20019") << "typed:"
                                << "" << QStringList{} << QStringList{} << QByteArray("2804d20019");
    QTest::newRow("one digit per box")
        << QByteArray("4404d20019") << ""
        << "" << QStringList{"12", "x", "3", ""} << QStringList{"99999", "9", "-9", "9 "}
        << QByteArray("44000d03e7");
}

void TestComparator::updates() {
    QFETCH(QByteArray, comparator);
    QFETCH(QString, unit);
    QFETCH(QString, click);
    QFETCH(QStringList, high);
    QFETCH(QStringList, low);
    QFETCH(QByteArray, block);
    Rig rig(comparator.constData());
    rig.load();
    if (unit.startsWith(QLatin1String("typed:")))
        rig.control<QComboBox>(QStringLiteral("TxtUnit"))->setEditText(unit.mid(6));
    else if (!unit.isEmpty())
        rig.chooseUnit(unit);
    if (!click.isEmpty())
        rig.control<QRadioButton>(click)->click();
    for (int i = 0; i < high.size(); ++i) {
        rig.box("HighO", i + 1)->setEditText(high[i]);
        rig.box("LowO", i + 1)->setEditText(low[i]);
    }
    rig.port.sent.clear();
    rig.writes.clear();
    rig.control<QPushButton>(QStringLiteral("CmdUpdate"))->click();

    QCOMPARE(rig.port.sent, QByteArray("AHAV") + QByteArray::fromHex(block) + "AX");
    // The pauses: 0.2 s after "H", 0.05 s between "V" and its bytes, 0.2 s before the Comp key.
    QCOMPARE(rig.writes.size(), 7);
    QVERIFY(rig.writes[2].first - rig.writes[1].first >= 0.2);
    QCOMPARE(rig.writes[4].first - rig.writes[3].first, 0.05);
    QVERIFY(rig.writes[5].first - rig.writes[4].first >= 0.2);
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
    QCOMPARE(rig.port.sent, QByteArray("AHAV") + QByteArray::fromHex("4404d20019") + "AX");
}

void TestComparator::unreadableSettingsOpenNothing() {
    Rig rig("4404d20019");
    rig.settingsReply.chop(1); // one byte short, for good
    rig.load();

    QVERIFY(rig.window.isNull());
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].icon, platform::MessageIcon::Critical);
    QCOMPARE(rig.prompts.messages[0].text, commands::kSettingsUnreadText);
    QVERIFY(rig.port.sent.startsWith("AHAZ"));
    QVERIFY(rig.port.sent.endsWith("AZ"));
    QVERIFY(!rig.port.sent.contains('V'));
    QVERIFY(!rig.port.sent.contains('X'));
    QVERIFY(!rig.link.exchanges().busy());
}

void TestComparator::compReplacesTheWindow() {
    Rig rig("4404d20019");
    panel::Panel panel(rig.session, rig.link, rig.prompts);
    panel.setGeometry(100, 120, 640, 480);
    const QRect main = panel.frameGeometry();
    auto opened = [&panel] { return panel.findChildren<commands::Comparator*>(); };

    panel.toolbar().OnToolbarButton(QStringLiteral("Comp"));
    QCOMPARE(opened().size(), 1);
    const QPointer<commands::Comparator> first = opened().first();
    QVERIFY(first->isVisible());
    QCOMPARE(first->pos(), QPoint(main.x() + main.width(), main.y()));
    first->findChild<QComboBox*>(QStringLiteral("HighO(1)"))->setEditText(QStringLiteral("7"));

    // An edit not sent is lost: the fresh window shows the meter's limits again.
    panel.toolbar().OnToolbarButton(QStringLiteral("Comp"));
    QTRY_VERIFY(first.isNull());
    QCOMPARE(opened().size(), 1);
    QVERIFY(opened().first()->isVisible());
    QCOMPARE(opened().first()->findChild<QComboBox*>(QStringLiteral("HighO(1)"))->currentText(),
             QStringLiteral("1"));
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
