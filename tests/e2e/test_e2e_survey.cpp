// A lighting survey walked against the simulated meter, through the real serial port.
#include "link/meter_link.h"
#include "link/qt_serial_port.h"
#include "link/waiter.h"
#include "panel/panel.h"
#include "pdf_prompts.h"
#include "shared/session.h"
#include "sim/simulated_meter.h"
#include "survey/survey_file.h"
#include "survey/survey_window.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

class TestEndToEndSurvey : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fiveByFourWalkedSavedOpenedAndPrinted();
};

void TestEndToEndSurvey::fiveByFourWalkedSavedOpenedAndPrinted() {
    QTemporaryDir folder;
    sim::SimulatedMeter meter(folder.filePath(QStringLiteral("ttySIM")));
    QString why;
    QVERIFY2(meter.start(&why), qPrintable(why));
    shared::Session session;
    session.link.devicePath = meter.linkPath();
    session.link.linkName = QStringLiteral("ttySIM");
    meterlink::QtSerialPort port;
    meterlink::EventLoopWaiter waiter;
    meterlink::MeterLink link(port, waiter, session.link);
    testsupport::PdfPrompts prompts;
    panel::Panel panel(session, link, prompts);
    QVERIFY(panel.Load());

    panel.findChild<QAction*>(QStringLiteral("Survey"))->trigger();
    auto* window = panel.findChild<survey::Survey*>();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    // 5 columns and 4 rows over the simulated room of 9.6 m x 7.2 m.
    window->findChild<QSpinBox*>(QStringLiteral("TxtRows"))->setValue(4);
    window->findChild<QSpinBox*>(QStringLiteral("TxtColumns"))->setValue(5);
    window->findChild<QDoubleSpinBox*>(QStringLiteral("TxtSpacingX"))->setValue(1.92);
    window->findChild<QDoubleSpinBox*>(QStringLiteral("TxtSpacingY"))->setValue(1.8);

    for (int k = 0; k < 20; ++k) {
        const survey::GridPoint p = window->current();
        QCOMPARE(p, survey::walkPoint(k, 5));
        const double x = (p.column + 0.5) * 1.92;
        const double y = (p.row + 0.5) * 1.8;
        const double lux = sim::roomLight(x, y);
        meter.setSurveyPosition(x, y);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(session.display.MainValue - lux) < 0.06, 5000);
        QTest::keyClick(window, Qt::Key_Space);
        const auto& taken = window->grid().at(p);
        QVERIFY(taken);
        QVERIFY2(qAbs(survey::readingNumber(taken->text) - lux) < 0.06, qPrintable(taken->text));
    }
    QCOMPARE(window->grid().taken(), 20);
    QVERIFY(prompts.messages.isEmpty());
    const survey::SurveyGrid walked = window->grid();

    prompts.nextSavePath = folder.filePath(QStringLiteral("room.txt"));
    window->findChild<QPushButton*>(QStringLiteral("CmdSave"))->click();
    window->findChild<QPushButton*>(QStringLiteral("CmdNew"))->click();
    QCOMPARE(window->grid().taken(), 0);
    prompts.nextOpenPath = prompts.nextSavePath;
    window->findChild<QPushButton*>(QStringLiteral("CmdOpen"))->click();
    QVERIFY(window->grid() == walked);

    prompts.pdfPath = folder.filePath(QStringLiteral("room.pdf"));
    window->findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
    QVERIFY(prompts.messages.isEmpty());
    QFile pdf(prompts.pdfPath);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Type /Page\n"), 1);

    panel.close();
    waiter.requestShutdown();
}

QTEST_MAIN(TestEndToEndSurvey)
#include "test_e2e_survey.moc"
