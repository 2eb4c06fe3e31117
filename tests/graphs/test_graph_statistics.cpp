#include "analysis/readings.h"
#include "graph_test_util.h"
#include "graphs/graph.h"
#include "graphs/graph_window.h"
#include "graphs/graphs.h"
#include "graphs/statistics_panel.h"
#include "link/exchange_queue.h"
#include "link/waiter.h"
#include "shared/session.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using graphs::GraphWindow;
using graphs::StatisticsPanel;

namespace {

// Ten readings, 100 to 1000 lx, ten seconds apart, as a file's list holds them.
std::shared_ptr<const analysis::Readings> tenReadings() {
    std::vector<QString> stamps;
    std::vector<QString> readings;
    for (int k = 0; k < 10; ++k) {
        stamps.push_back(QStringLiteral("01-") +
                         QTime(10, 0).addSecs(k * 10).toString(QStringLiteral("HH:mm:ss")));
        readings.push_back(QString::number((k + 1) * 100));
    }
    return std::make_shared<const analysis::Readings>(analysis::Readings::fromRows(
        std::move(stamps), std::move(readings), QStringLiteral("Lx"),
        analysis::Calendar::FileModified, QDateTime(QDate(2026, 12, 8), QTime(12, 0))));
}

std::vector<float> tenValues() {
    std::vector<float> v;
    for (int k = 1; k <= 10; ++k)
        v.push_back(float(k * 100));
    return v;
}

// The panel's lines that start with one of the names.
QStringList linesNamed(const StatisticsPanel& panel, const QStringList& names) {
    QStringList out;
    for (const QString& line : panel.shownLines())
        for (const QString& name : names)
            if (line.startsWith(name + QLatin1Char(':')) || line == name)
                out << line;
    return out;
}

QLineEdit* edit(const StatisticsPanel& panel, const char* name) {
    return panel.findChild<QLineEdit*>(QLatin1String(name));
}

} // namespace

class TestGraphStatistics : public QObject {
    Q_OBJECT

    std::unique_ptr<shared::Session> session;
    std::unique_ptr<graphtest::PdfPrompts> prompts;
    meterlink::EventLoopWaiter waiter;
    meterlink::ExchangeQueue exchanges{waiter};
    std::unique_ptr<graphs::Graphs> graphs;

    // The Plot window with the ten readings, shown and settled.
    GraphWindow& filledPlot() {
        graphs->fillPlot(tenValues(), 10.0f, 100.0f, 1000.0f, QStringLiteral("Lx"), tenReadings());
        GraphWindow& w = graphs->plotWindow();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&w)); }();
        graphtest::settle();
        return w;
    }

    // The normal width and more, as far as the screen has room: a window never grows past it.
    static int widerBy(const GraphWindow& w, int more) {
        const int frame = w.frameGeometry().width() - w.width();
        return std::min(GraphWindow::kNormalWidth + more,
                        w.screen()->availableGeometry().width() - frame);
    }

    static QAction* toggle(GraphWindow& w) {
        return w.findChild<QAction*>(QStringLiteral("Statistics"));
    }

private slots:
    void init() {
        session = std::make_unique<shared::Session>();
        prompts = std::make_unique<graphtest::PdfPrompts>();
        graphs = std::make_unique<graphs::Graphs>(*session, *prompts, exchanges);
    }
    void cleanup() {
        graphs.reset();
        prompts.reset();
        session.reset();
    }

    void toggleShowsAndHidesThePanel() {
        GraphWindow& w = filledPlot();
        StatisticsPanel* panel = w.statisticsPanel();
        QAction* action = toggle(w);
        QVERIFY(action->isCheckable());
        QCOMPARE(action->text(), QStringLiteral("Statistics"));
        QVERIFY(!action->isChecked());
        QVERIFY(!panel->isVisible());
        const int graphWidth = w.Graph1()->width();

        action->trigger();
        QVERIFY(panel->isVisible());
        // The window grows by the panel; the graph keeps its width, beside it, but for what the
        // screen has no room for.
        const int wider = widerBy(w, StatisticsPanel::kWidth + 8);
        QCOMPARE(w.width(), wider);
        QCOMPARE(w.Graph1()->width(),
                 graphWidth - (GraphWindow::kNormalWidth + StatisticsPanel::kWidth + 8 - wider));
        QVERIFY(panel->geometry().left() > w.Graph1()->geometry().right());
        QCOMPARE(panel->findChild<QLabel*>(QStringLiteral("StatisticsRange"))->text(),
                 QStringLiteral("Readings 1 to 10 of 10 in view"));

        action->trigger();
        QVERIFY(!panel->isVisible());
        QCOMPARE(w.width(), GraphWindow::kNormalWidth);
        QCOMPARE(w.Graph1()->width(), graphWidth);
    }

    void panelFollowsTheVisibleRange_data() {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("lines");
        const QStringList none{"Rows: 0", "No valid reading."};
        QTest::newRow("all") << 1.0 << 10.0 << "Readings 1 to 10 of 10 in view"
                             << QStringList{"Rows: 10", "Minimum: 100 Lx at 01-10:00:00",
                                            "Maximum: 1000 Lx at 01-10:01:30", "Mean: 550 Lx",
                                            "Exposure: 15.28 lx\u00b7h"};
        // Readings 3, 4 and 5, each held ten seconds: 12000 lx·s.
        QTest::newRow("zoomed between readings")
            << 2.5 << 5.2 << "Readings 3 to 5 of 10 in view"
            << QStringList{"Rows: 3", "Minimum: 300 Lx at 01-10:00:20",
                           "Maximum: 500 Lx at 01-10:00:40", "Mean: 400 Lx",
                           "Exposure: 3.333 lx\u00b7h"};
        // Alone, a reading has no interval to hold for.
        QTest::newRow("one reading") << 6.6 << 7.4 << "Readings 7 to 7 of 10 in view"
                                     << QStringList{"Rows: 1", "Minimum: 700 Lx at 01-10:01:00",
                                                    "Maximum: 700 Lx at 01-10:01:00",
                                                    "Mean: 700 Lx", "Exposure: 0 lx\u00b7h"};
        QTest::newRow("past the last reading") << 11.0 << 20.0 << "No reading in view" << none;
        QTest::newRow("before the first reading") << -5.0 << 0.9 << "No reading in view" << none;
    }
    void panelFollowsTheVisibleRange() {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(QStringList, lines);
        GraphWindow& w = filledPlot();
        toggle(w)->trigger();
        // Another range first, so that every row has something to change.
        w.Graph1()->setAxisRange(1, 4.0, 6.0);
        w.Graph1()->setAxisRange(1, from, to);
        StatisticsPanel* panel = w.statisticsPanel();
        // Once the range has stopped moving, before the next frame.
        QFETCH(QString, caption);
        QTRY_COMPARE(panel->findChild<QLabel*>(QStringLiteral("StatisticsRange"))->text(), caption);
        QCOMPARE(linesNamed(*panel, {"Rows", "Minimum", "Maximum", "Mean", "Exposure",
                                     "No valid reading."}),
                 lines);
    }

    // A zoom with the mouse, as the user makes it: the figures are those of the readings now in
    // view, also after a zoom made while the panel was hidden.
    void panelFollowsAMouseZoom() {
        GraphWindow& w = filledPlot();
        graphs::Graph* g = w.Graph1();
        auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
        combo->setCurrentIndex(6); // ZoomX
        graphtest::drag(g, g->pixelOf(1.5, 500), g->pixelOf(4.5, 500));
        QVERIFY(g->axisMin(1) > 1.0 && g->axisMin(1) < 2.0);
        QVERIFY(g->axisMax(1) > 4.0 && g->axisMax(1) < 5.0);
        toggle(w)->trigger();
        StatisticsPanel* panel = w.statisticsPanel();
        QCOMPARE(linesNamed(*panel, {"Rows", "Mean"}), (QStringList{"Rows: 3", "Mean: 300 Lx"}));
        graphtest::drag(g, g->pixelOf(2.5, 500), g->pixelOf(3.5, 500));
        QCOMPARE(linesNamed(*panel, {"Rows", "Mean"}), (QStringList{"Rows: 1", "Mean: 300 Lx"}));
        combo->setCurrentIndex(3); // PanX, to the right
        graphtest::drag(g, g->pixelOf(3.2, 500), g->pixelOf(2.2, 500));
        QVERIFY(g->axisMin(1) > 3.0 && g->axisMax(1) < 5.0);
        QCOMPARE(linesNamed(*panel, {"Rows", "Mean"}), (QStringList{"Rows: 1", "Mean: 400 Lx"}));
    }

    // A refill over the same range: the graph does not announce the range again, yet the
    // panel shows the new readings.
    void refillWhileShownShowsTheNewReadings() {
        GraphWindow& w = filledPlot();
        toggle(w)->trigger();
        std::vector<QString> stamps;
        for (int k = 0; k < 10; ++k)
            stamps.push_back(QStringLiteral("02-08:00:0%1").arg(k));
        auto doubled = std::make_shared<const analysis::Readings>(analysis::Readings::fromRows(
            stamps, std::vector<QString>(10, QStringLiteral("20")), QStringLiteral("Fc"),
            analysis::Calendar::FileModified, QDateTime(QDate(2026, 12, 8), QTime(12, 0))));
        graphs->fillPlot(std::vector<float>(10, 20.0f), 10.0f, 100.0f, 1000.0f,
                         QStringLiteral("Fc"), doubled);
        QTRY_COMPARE(linesNamed(*w.statisticsPanel(), {"First", "Mean"}),
                     (QStringList{"First: 02-08:00:00", "Mean: 20 Fc"}));
    }

    void bandIsDrawnWithTheLimits_data() {
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::addColumn<bool>("drawn");
        QTest::addColumn<double>("bottom");
        QTest::addColumn<double>("top");
        QTest::newRow("both limits") << "250"
                                     << "400.5" << true << 250.0 << 400.5;
        QTest::newRow("either way round") << "400.5"
                                          << "250" << true << 250.0 << 400.5;
        QTest::newRow("one limit") << "250"
                                   << "" << false << 0.0 << 0.0;
        QTest::newRow("not a number") << "250"
                                      << "4OO" << false << 0.0 << 0.0;
    }
    void bandIsDrawnWithTheLimits() {
        QFETCH(QString, low);
        QFETCH(QString, high);
        QFETCH(bool, drawn);
        GraphWindow& w = filledPlot();
        StatisticsPanel* panel = w.statisticsPanel();
        toggle(w)->trigger();
        QVERIFY(!w.Graph1()->band());
        QTest::keyClicks(edit(*panel, "BandLow"), low);
        QTest::keyClicks(edit(*panel, "BandHigh"), high);
        QCOMPARE(w.Graph1()->band().has_value(), drawn);
        if (!drawn)
            return;
        QTEST(w.Graph1()->band()->first, "bottom");
        QTEST(w.Graph1()->band()->second, "top");
        // 100 and 200 lx below, 300 and 400 within, the rest above; ten seconds each.
        QCOMPARE(linesNamed(*panel, {"Below 250 Lx", "250 to 400.5 Lx", "Above 400.5 Lx"}),
                 (QStringList{"Below 250 Lx: 00:00:20 (20 %)", "250 to 400.5 Lx: 00:00:20 (20 %)",
                              "Above 400.5 Lx: 00:01:00 (60 %)"}));
        // The band goes with the panel and comes back with it.
        toggle(w)->trigger();
        QVERIFY(!w.Graph1()->band());
        toggle(w)->trigger();
        QVERIFY(w.Graph1()->band());
    }

    void choicesAddTheirFigures() {
        GraphWindow& w = filledPlot();
        StatisticsPanel* panel = w.statisticsPanel();
        toggle(w)->trigger();
        auto* source = panel->findChild<QComboBox*>(QStringLiteral("LightSource"));
        auto* budget = panel->findChild<QComboBox*>(QStringLiteral("DoseBudget"));
        QCOMPARE(source->currentText(), QStringLiteral("None"));
        QVERIFY(!edit(*panel, "PpfdFactor")->isEnabled());
        QVERIFY(panel->findChild<QLabel*>(QStringLiteral("FactorNote"))
                    ->text()
                    .contains(QStringLiteral("depends on the lamp's spectrum")));
        QCOMPARE(linesNamed(*panel, {"DLI, day 01", "Budget share"}), QStringList());

        // 55000 lx·s on the 1st, 0.0122 µmol/m²/s per lx.
        source->setCurrentIndex(source->findText(QStringLiteral("High-pressure sodium")));
        QCOMPARE(edit(*panel, "PpfdFactor")->text(), QStringLiteral("0.0122"));
        QVERIFY(edit(*panel, "PpfdFactor")->isReadOnly());
        QCOMPARE(linesNamed(*panel, {"DLI, day 01"}),
                 QStringList{"DLI, day 01: 0.000671 mol/m\u00b2/d"});
        // A lamp of the user's own keeps the factor typed.
        source->setCurrentIndex(source->findText(QStringLiteral("Other lamp")));
        QVERIFY(!edit(*panel, "PpfdFactor")->isReadOnly());
        edit(*panel, "PpfdFactor")->clear();
        QTest::keyClicks(edit(*panel, "PpfdFactor"), QStringLiteral("0.02"));
        QCOMPARE(linesNamed(*panel, {"DLI, day 01"}),
                 QStringList{"DLI, day 01: 0.0011 mol/m\u00b2/d"});

        budget->setCurrentIndex(
            budget->findText(QStringLiteral("High responsivity, 15000 lx\u00b7h")));
        QCOMPARE(linesNamed(*panel, {"Budget share"}),
                 QStringList{"Budget share: 0.1019 % of 15000 lx\u00b7h"});
    }

    void printingShowsTheGraphAlone() {
        QTemporaryDir dir;
        prompts->pdfPath = dir.filePath(QStringLiteral("graph.pdf"));
        GraphWindow& w = filledPlot();
        toggle(w)->trigger();
        QTest::keyClicks(edit(*w.statisticsPanel(), "BandLow"), QStringLiteral("250"));
        QTest::keyClicks(edit(*w.statisticsPanel(), "BandHigh"), QStringLiteral("400"));
        bool checked = false;
        connect(&w, &GraphWindow::aboutToPrint, this, [&] {
            QVERIFY(!w.statisticsPanel()->isVisible());
            QCOMPARE(w.width(), GraphWindow::kPrintWidth);
            checked = true;
        });
        w.printGraph();
        QVERIFY(checked);
        QVERIFY(QFile::exists(prompts->pdfPath));
        QVERIFY(w.statisticsPanel()->isVisible());
        QCOMPARE(w.width(), widerBy(w, StatisticsPanel::kWidth + 8));
        QVERIFY(w.Graph1()->band());
    }

    void exportWritesTheRecord() {
        QTemporaryDir dir;
        prompts->nextSavePath = dir.filePath(QStringLiteral("plot"));
        GraphWindow& w = filledPlot();
        w.findChild<QAction*>(QStringLiteral("ExportCsv"))->trigger();
        QCOMPARE(prompts->fileDialogs, QStringList{"save"});
        QCOMPARE(QFileInfo(prompts->proposedPaths.value(0)).fileName(),
                 QStringLiteral("Plot 2026-12-01 10-00-00.csv"));
        // Dated back from the file's modification time, which the dialog says.
        QCOMPARE(prompts->saveFilters,
                 QStringList{"CSV files, year and month from the file's modification time "
                             "(*.csv)"});
        QFile f(prompts->nextSavePath + QStringLiteral(".csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines[0], QByteArray("time,reading,value,unit\r"));
        QVERIFY2(lines[1].startsWith("2026-12-01T10:00:00") && lines[1].endsWith(",100,100,Lx\r"),
                 lines[1].constData());
        QVERIFY(prompts->messages.isEmpty());
    }
};

QTEST_MAIN(TestGraphStatistics)
#include "test_graph_statistics.moc"
