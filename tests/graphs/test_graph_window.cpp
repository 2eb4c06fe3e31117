#include "graph_test_util.h"
#include "graphs/graph.h"
#include "graphs/graph_window.h"
#include "graphs/graphs.h"
#include "graphs/num_edit.h"
#include "link/exchange_queue.h"
#include "link/waiter.h"
#include "shared/session.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using graphs::Graph;
using graphs::GraphWindow;
using Kind = graphs::GraphWindow::Kind;

Q_DECLARE_METATYPE(graphs::GraphWindow::Kind)

namespace {

std::vector<float> ramp(int n) {
    std::vector<float> v(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
        v[static_cast<size_t>(k)] = float(k % 20) * 0.5f;
    return v;
}

// What a user's pick in the drop-down does: the entry becomes current and is activated.
void choose(GraphWindow& w, int entry) {
    auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
    combo->setCurrentIndex(entry);
    emit combo->activated(entry);
}

QString text(const GraphWindow& w, const char* name) {
    if (auto* l = w.findChild<QLabel*>(QLatin1String(name)))
        return l->text();
    if (auto* t = w.findChild<QPlainTextEdit*>(QLatin1String(name)))
        return t->toPlainText();
    return QStringLiteral("<missing>");
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The characters a PDF shows, from the text-to-Unicode tables of its fonts.
QString printedCharacters(const QByteArray& pdf) {
    QString chars;
    const QString text = QString::fromLatin1(pdf);
    QRegularExpression block(QStringLiteral("begin(bfrange|bfchar)(.*?)end\\1"),
                             QRegularExpression::DotMatchesEverythingOption);
    for (const auto& m : block.globalMatch(text)) {
        for (const QString& line : m.captured(2).split(QLatin1Char('\n'))) {
            QStringList codes;
            for (const auto& c : QRegularExpression(QStringLiteral("<([0-9A-Fa-f]+)>"))
                                     .globalMatch(line.mid(line.indexOf(QLatin1Char('[')) + 1)))
                codes << c.captured(1);
            if (!line.contains(QLatin1Char('[')) && !codes.isEmpty())
                codes = {codes.last()};
            for (const QString& code : codes)
                if (code.toUInt(nullptr, 16) != 0)
                    chars += QChar(char16_t(code.toUInt(nullptr, 16)));
        }
    }
    return chars;
}

// The page's drawing commands, unpacked.
QByteArray pageDrawing(const QByteArray& pdf) {
    QRegularExpression contents(QStringLiteral("/Contents (\\d+) 0 R"));
    const auto ref = contents.match(QString::fromLatin1(pdf));
    if (!ref.hasMatch())
        return {};
    const QByteArray head = ref.captured(1).toLatin1() + " 0 obj";
    const qsizetype start = pdf.indexOf("stream\n", pdf.indexOf(head)) + 7;
    const qsizetype end = pdf.indexOf("endstream", start);
    QByteArray packed = QByteArray::fromHex("00100000") + pdf.mid(start, end - start);
    return qUncompress(packed);
}

} // namespace

class TestGraphWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<shared::Session> session;
    std::unique_ptr<graphtest::PdfPrompts> prompts;
    meterlink::EventLoopWaiter waiter;
    meterlink::ExchangeQueue exchanges{waiter};
    std::unique_ptr<graphs::Graphs> graphs;

    // The Plot window filled with 100 readings, 0 to 9.5, shown and settled.
    GraphWindow& filledPlot() {
        graphs->fillPlot(ramp(100), 100.0f, 0.0f, 9.5f, QStringLiteral("Lx"));
        GraphWindow& w = graphs->plotWindow();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&w)); }();
        graphtest::settle();
        return w;
    }

    GraphWindow& window(Kind kind) {
        return kind == Kind::Plot ? graphs->plotWindow() : graphs->realTimeGraphWindow();
    }

private slots:
    void initTestCase() {
        // The edits and the readout keep "." as the decimal point under a comma locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
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

    void opensInNormalModeAtTopLeft() {
        GraphWindow& w = graphs->plotWindow();
        QCOMPARE(w.windowTitle(), QStringLiteral("Plot"));
        QCOMPARE(graphs->realTimeGraphWindow().windowTitle(), QStringLiteral("Real Time Graph"));
        QCOMPARE(w.pos(), QPoint(0, 0));
        auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
        QCOMPARE(combo->count(), 8);
        QCOMPARE(combo->currentText(), QStringLiteral("Normal"));
        QCOMPARE(text(w, "txtDescription"), QStringLiteral("Normal mode"));
        QCOMPARE(text(w, "LblUnit"), QStringLiteral("KW1"));
        QCOMPARE(w.Graph1()->trackMode(), 1);
        QVERIFY(!w.Graph1()->cursorVisible(1));
        QVERIFY(!w.Graph1()->cursorVisible(2));
    }

    void trackModes_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("help");
        QTest::addColumn<bool>("cursorShown");
        QTest::newRow("0") << 0 << "Normal"
                           << "Normal mode" << false;
        QTest::newRow("1") << 1 << "Cursor Coordinates"
                           << "Drag the cursor with your mouse to get X (Count) and Y (Value) "
                              "position."
                           << true;
        QTest::newRow("2") << 2 << "PanXY"
                           << "Click anywhere on the plot area and drag to pan the graph both "
                              "horizontally and vertically."
                           << false;
        QTest::newRow("3") << 3 << "PanX"
                           << "Click anywhere on the plot area and drag to pan the graph "
                              "horizontally."
                           << false;
        QTest::newRow("4") << 4 << "PanY"
                           << "Click anywhere on the plot area and drag to pan the graph "
                              "vertically."
                           << false;
        QTest::newRow("5") << 5 << "ZoomXY"
                           << "Select a region on the graph to zoom both horizontally and "
                              "vertically."
                           << false;
        QTest::newRow("6") << 6 << "ZoomX"
                           << "Select a region on the graph to zoom horizontally." << false;
        QTest::newRow("7") << 7 << "ZoomY"
                           << "Select a region on the graph to zoom vertically." << false;
    }
    void trackModes() {
        QFETCH(int, entry);
        QFETCH(bool, cursorShown);
        GraphWindow& w = filledPlot();
        // Start from the cursor mode, so every row has cursors to hide or show.
        choose(w, 1);
        w.Graph1()->setAxisRange(1, 20.0, 40.0);
        w.Graph1()->setAxisRange(2, 2.0, 3.0);
        choose(w, entry);
        auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
        QTEST(combo->itemText(entry), "caption");
        QCOMPARE(w.Graph1()->trackMode(), entry + 1);
        QTEST(text(w, "txtDescription"), "help");
        QCOMPARE(w.Graph1()->cursorVisible(1), cursorShown);
        QVERIFY(!w.Graph1()->cursorVisible(2));
        if (cursorShown) {
            QCOMPARE(w.Graph1()->cursorMode(1), 1);
            QCOMPARE(w.Graph1()->cursorMode(2), 1);
            QCOMPARE(w.Graph1()->cursorX(1), 30.0);
            QCOMPARE(w.Graph1()->cursorY(1), 2.5);
            QCOMPARE(text(w, "XPosition"), QStringLiteral("30"));
        }
    }

    void cursorCentresOnTheZoomedArea() {
        GraphWindow& w = filledPlot();
        Graph* g = w.Graph1();
        choose(w, 5); // ZoomXY
        graphtest::drag(g, g->pixelOf(20, 8), g->pixelOf(60, 2));
        const double x0 = g->axisMin(1), x1 = g->axisMax(1);
        const double y0 = g->axisMin(2), y1 = g->axisMax(2);
        QVERIFY(x1 - x0 < 60);
        QVERIFY(y1 - y0 < 9.5);
        choose(w, 1);
        QCOMPARE(g->cursorX(1), (x0 + x1) / 2);
        QCOMPARE(g->cursorY(1), (y0 + y1) / 2);
        QVERIFY(qAbs(g->cursorX(1) - 50.5) > 1.0); // not the centre of the whole series
    }

    void mouseActions_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("xChange"); // 0 none, 1 moved, 2 narrowed
        QTest::addColumn<int>("yChange");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("Normal") << 0 << 0 << 0 << Qt::LeftButton;
        QTest::newRow("Cursor Coordinates") << 1 << 0 << 0 << Qt::LeftButton;
        QTest::newRow("PanXY") << 2 << 1 << 1 << Qt::LeftButton;
        QTest::newRow("PanX") << 3 << 1 << 0 << Qt::LeftButton;
        QTest::newRow("PanY") << 4 << 0 << 1 << Qt::LeftButton;
        QTest::newRow("ZoomXY") << 5 << 2 << 2 << Qt::LeftButton;
        QTest::newRow("ZoomX") << 6 << 2 << 0 << Qt::LeftButton;
        QTest::newRow("ZoomY") << 7 << 0 << 2 << Qt::LeftButton;
        QTest::newRow("ZoomXY right button") << 5 << 0 << 0 << Qt::RightButton;
        QTest::newRow("PanXY right button") << 2 << 0 << 0 << Qt::RightButton;
    }
    void mouseActions() {
        QFETCH(int, entry);
        QFETCH(int, xChange);
        QFETCH(int, yChange);
        QFETCH(Qt::MouseButton, button);
        GraphWindow& w = filledPlot();
        Graph* g = w.Graph1();
        choose(w, entry);
        const QPointF x(g->axisMin(1), g->axisMax(1));
        const QPointF y(g->axisMin(2), g->axisMax(2));
        graphtest::drag(g, g->pixelOf(30, 7), g->pixelOf(60, 3), button);
        const QPointF nx(g->axisMin(1), g->axisMax(1));
        const QPointF ny(g->axisMin(2), g->axisMax(2));
        auto check = [](int change, QPointF before, QPointF after) {
            const double span = before.y() - before.x(), newSpan = after.y() - after.x();
            switch (change) {
            case 0:
                return after == before;
            case 1: // panned: the same span, elsewhere
                return qAbs(newSpan - span) < span * 1e-9 && after.x() != before.x();
            default: // zoomed to the dragged region
                return newSpan < span * 0.5;
            }
        };
        QVERIFY2(check(xChange, x, nx), "axis 1");
        QVERIFY2(check(yChange, y, ny), "axis 2");
        // The range edits keep the numbers of the fill.
        QCOMPARE(w.AxisMax(1)->value(), 100.0);
        QCOMPARE(w.AxisMax(2)->value(), 9.5);
        if (entry == 1) {
            // The cursor follows the drag and lands on the reading nearest to the mouse.
            QCOMPARE(g->cursorX(1), 60.0);
            QCOMPARE(g->cursorY(1), double(ramp(100)[59]));
            QCOMPARE(text(w, "XPosition"), QStringLiteral("60"));
        }
    }

    void readout_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Plot") << Kind::Plot << 12.345f << "12.3";
        QTest::newRow("Real Time Graph") << Kind::RealTimeGraph << 12.345f << "12.345";
        QTest::newRow("Plot over-range") << Kind::Plot << 1000000.0f << "1000000.0";
        QTest::newRow("Real Time Graph small") << Kind::RealTimeGraph << 0.5f << "0.500";
    }
    void readout() {
        QFETCH(Kind, kind);
        QFETCH(float, value);
        std::vector<float> values = ramp(50);
        values[24] = value; // reading number 25
        GraphWindow& w = window(kind);
        if (kind == Kind::Plot)
            graphs->fillPlot(values, 50.0f, 0.0f, value, QStringLiteral("Lx"));
        else
            w.fill(values, 50.0f, 0.0f, value, QStringLiteral("Lx"));
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        graphtest::settle();
        choose(w, 1);
        Graph* g = w.Graph1();
        graphtest::drag(g, g->pixelOf(g->cursorX(1), g->cursorY(1)), g->pixelOf(25.2, 0.0));
        QCOMPARE(text(w, "XPosition"), QStringLiteral("25"));
        QTEST(text(w, "YPosition"), "expected");
        // Cursor 2 has no readout.
        g->setCursorY(2, 3.0);
        QTEST(text(w, "YPosition"), "expected");
    }

    void rangeEditsSetBothAxes_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QRectF>("ranges"); // x: axis 1 min, width: its span; y, height: axis 2
        QTest::newRow("AxisMax(2)") << "AxisMax(2)"
                                    << "50" << QRectF(1, 0, 99, 50);
        QTest::newRow("AxisMin(2)") << "AxisMin(2)"
                                    << "-2.5" << QRectF(1, -2.5, 99, 12);
        QTest::newRow("AxisMax(1)") << "AxisMax(1)"
                                    << "40" << QRectF(1, 0, 39, 9.5);
        QTest::newRow("AxisMin(1)") << "AxisMin(1)"
                                    << "10" << QRectF(10, 0, 90, 9.5);
    }
    void rangeEditsSetBothAxes() {
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(QRectF, ranges);
        GraphWindow& w = filledPlot();
        Graph* g = w.Graph1();
        choose(w, 2); // PanXY, to move both axes away from the edits first
        graphtest::drag(g, g->pixelOf(30, 7), g->pixelOf(60, 3));
        QVERIFY(g->axisMin(1) != 1.0);
        QDoubleSpinBox* spin = w.findChild<graphs::NumEdit*>(edit)->spinBox();
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, typed);
        QCOMPARE(g->axisMin(1), ranges.x());
        QCOMPARE(g->axisMax(1), ranges.x() + ranges.width());
        QCOMPARE(g->axisMin(2), ranges.y());
        QCOMPARE(g->axisMax(2), ranges.y() + ranges.height());
    }

    void numEditKeepsItsValueAcrossFormats_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("shown");
        QTest::newRow("fewer decimals") << 1.23456 << "0.#"
                                        << "1.2";
        QTest::newRow("no decimals") << 0.4 << "0"
                                     << "0";
        QTest::newRow("negative") << -7.0625 << "0.###"
                                  << "-7.063";
        QTest::newRow("fixed decimals") << 2.5 << "0.000"
                                        << "2.500";
    }
    void numEditKeepsItsValueAcrossFormats() {
        QFETCH(double, value);
        QFETCH(QString, format);
        graphs::NumEdit edit;
        edit.setValue(value);
        QSignalSpy changed(&edit, &graphs::NumEdit::valueChanged);
        edit.setDisplayFormat(format);
        QTEST(edit.spinBox()->text(), "shown");
        QCOMPARE(edit.value(), value);
        QCOMPARE(changed.count(), 0);
        // Confirming the shown text is no edit either.
        QTest::keyClick(edit.spinBox(), Qt::Key_Return);
        QCOMPARE(edit.value(), value);
    }

    void resetScaleReadsTheSharedValuesWhenPressed_data() {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("Plot") << Kind::Plot;
        QTest::newRow("Real Time Graph") << Kind::RealTimeGraph;
    }
    void resetScaleReadsTheSharedValuesWhenPressed() {
        QFETCH(Kind, kind);
        GraphWindow& w = window(kind);
        if (kind == Kind::Plot)
            graphs->fillPlot(ramp(100), 100.0f, 0.0f, 9.5f, QStringLiteral("Lx"));
        else
            w.fill(ramp(100), 100.0f, 0.0f, 9.5f, QStringLiteral("Lx"));
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        graphtest::settle();
        Graph* g = w.Graph1();
        choose(w, 2);
        graphtest::drag(g, g->pixelOf(30, 7), g->pixelOf(60, 3));
        // The shared values change after the fill; the press reads them as they are now.
        if (kind == Kind::Plot) {
            session->graph.plot.PlotCount = 60.0f;
            session->graph.plot.PlotMin = -1.0f;
            session->graph.plot.PlotMax = 20.0f;
        } else {
            session->graph.SnapshotLast = 59.0f;
            session->graph.SnapshotMin = -1.0f;
            session->graph.SnapshotMax = 20.0f;
        }
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdReset")), Qt::LeftButton);
        QCOMPARE(w.AxisMin(1)->value(), 1.0);
        QCOMPARE(w.AxisMax(1)->value(), 60.0);
        QCOMPARE(w.AxisMin(2)->value(), -1.0);
        QCOMPARE(w.AxisMax(2)->value(), 20.0);
        QCOMPARE(g->axisMin(1), 1.0);
        QCOMPARE(g->axisMax(1), 60.0);
        QCOMPARE(g->axisMin(2), -1.0);
        QCOMPARE(g->axisMax(2), 20.0);
        QCOMPARE(g->trackMode(), 3);
    }

    void closedWindowLoadsFresh_data() {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("Plot") << Kind::Plot;
        QTest::newRow("Real Time Graph") << Kind::RealTimeGraph;
    }
    void closedWindowLoadsFresh() {
        QFETCH(Kind, kind);
        QPointer<GraphWindow> old = &window(kind);
        old->fill(ramp(100), 100.0f, 0.0f, 9.5f, QStringLiteral("Lx"));
        QVERIFY(QTest::qWaitForWindowExposed(old));
        old->move(120, 80);
        choose(*old, 1);
        QVERIFY(!text(*old, "YPosition").isEmpty());
        old->close();
        // Used again while the closed window still waits for its deferred delete.
        QVERIFY(old);
        GraphWindow& w = window(kind);
        QVERIFY(&w != old);
        QCOMPARE(w.pos(), QPoint(0, 0));
        QCOMPARE(w.findChild<QComboBox*>(QStringLiteral("Combo1"))->currentIndex(), 0);
        QVERIFY(!w.Graph1()->cursorVisible(1));
        QCOMPARE(text(w, "YPosition"), QString());
        QTRY_VERIFY(old.isNull());
    }

    void fillSequence_data() {
        QTest::addColumn<QList<float>>("values");
        QTest::addColumn<float>("min");
        QTest::addColumn<float>("max");
        QTest::addColumn<QString>("unit");
        QTest::newRow("one value") << QList<float>{7.5f} << 7.5f << 7.5f << "Lx";
        QTest::newRow("several") << QList<float>{3.0f, 1.25f, 8.0f} << 1.25f << 8.0f << "Fc";
        QTest::newRow("over-range") << QList<float>{2.0f, 1000000.0f} << 2.0f << 1000000.0f << "Lx";
    }
    void fillSequence() {
        QFETCH(QList<float>, values);
        QFETCH(float, min);
        QFETCH(float, max);
        QFETCH(QString, unit);
        const std::vector<float> v(values.begin(), values.end());
        const float count = float(v.size());
        graphs->fillPlot(v, count, min, max, unit);
        GraphWindow& w = graphs->plotWindow();
        QVERIFY(w.isVisible());
        QCOMPARE(w.AxisMin(1)->value(), 1.0);
        QCOMPARE(w.AxisMax(1)->value(), double(count));
        QCOMPARE(w.AxisMin(2)->value(), double(min));
        QCOMPARE(w.AxisMax(2)->value(), double(max));
        for (auto* e : {w.AxisMin(2), w.AxisMax(2)}) {
            QCOMPARE(e->displayFormat(), QStringLiteral("0.###"));
            QCOMPARE(e->arrowStep(), 0.001);
        }
        Graph* g = w.Graph1();
        QCOMPARE(g->plotPointCount(), int(v.size()));
        for (int k = 0; k < int(v.size()); ++k)
            QCOMPARE(g->plotPoint(k), QPointF(k + 1, v[size_t(k)]));
        // Every reading lies within the visible area, a lone one included.
        QVERIFY(g->axisMin(1) <= 1.0 && g->axisMax(1) >= count);
        QVERIFY(g->axisMin(2) <= min && g->axisMax(2) >= max);
        if (count > 1)
            QCOMPARE(g->axisMax(1), double(count));
        QCOMPARE(g->axisCaption(1), unit);
        QCOMPARE(text(w, "LblUnit"), unit);
        const graphs::PlotHandOver& h = session->graph.plot;
        QCOMPARE(h.PlotValues, v);
        QCOMPARE(h.PlotCount, count);
    }

    void refillReplacesTheSeries_data() {
        QTest::addColumn<QList<float>>("first");
        QTest::addColumn<QList<float>>("second");
        QTest::newRow("shorter") << QList<float>{1, 2, 3, 4, 5} << QList<float>{9, 8};
        QTest::newRow("longer") << QList<float>{1, 2} << QList<float>{7, 6, 5, 4};
        QTest::newRow("as long") << QList<float>{1, 2, 3} << QList<float>{3, 2, 1};
        QTest::newRow("to one") << QList<float>{1, 2, 3} << QList<float>{4};
    }
    void refillReplacesTheSeries() {
        QFETCH(QList<float>, first);
        QFETCH(QList<float>, second);
        graphs->fillPlot({first.begin(), first.end()}, float(first.size()), 0.0f, 9.0f,
                         QStringLiteral("Lx"));
        graphs->fillPlot({second.begin(), second.end()}, float(second.size()), 0.0f, 9.0f,
                         QStringLiteral("Fc"));
        GraphWindow& w = graphs->plotWindow();
        Graph* g = w.Graph1();
        QCOMPARE(g->plotPointCount(), int(second.size()));
        for (int k = 0; k < int(second.size()); ++k)
            QCOMPARE(g->plotPoint(k), QPointF(k + 1, second[k]));
        QCOMPARE(text(w, "LblUnit"), QStringLiteral("Fc"));
    }

    void printsTheGraphAloneOnOnePage() {
        QTemporaryDir dir;
        prompts->pdfPath = dir.filePath(QStringLiteral("graph.pdf"));
        GraphWindow& w = filledPlot();
        const QColor colour = w.Graph1()->colour();
        QVERIFY(colour != QColor(Qt::white));
        auto* frame = w.findChild<QGroupBox*>(QStringLiteral("FrmGraphic"));
        bool lookChecked = false;
        connect(&w, &GraphWindow::aboutToPrint, this, [&] {
            QVERIFY(!frame->isVisible());
            QCOMPARE(w.Graph1()->colour(), QColor(Qt::white));
            QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));
            QCOMPARE(w.width(), GraphWindow::kPrintWidth);
            QCOMPARE(w.Graph1()->pos(), QPoint(48, 48));
            lookChecked = true;
        });
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdPrint")), Qt::LeftButton);
        QVERIFY(lookChecked);
        QCOMPARE(prompts->printerDialogs, 1);

        const QByteArray pdf = readFile(prompts->pdfPath);
        QVERIFY(pdf.startsWith("%PDF"));
        const QString body = QString::fromLatin1(pdf);
        QCOMPARE(body.count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b(?!s)"))), 1);
        // The graph is there: its unit caption and tick numbers are the only text, and its
        // line of 100 readings is drawn.
        const QString printed = printedCharacters(pdf);
        QVERIFY2(printed.contains(QLatin1Char('L')) && printed.contains(QLatin1Char('x')),
                 qPrintable(printed));
        for (QChar c : printed)
            QVERIFY2(QStringLiteral("0123456789.-Lx").contains(c), qPrintable(printed));
        QVERIFY(pageDrawing(pdf).count(" l\n") >= 99);

        QVERIFY(frame->isVisible());
        QCOMPARE(w.Graph1()->colour(), colour);
        QCOMPARE(w.size(), QSize(GraphWindow::kNormalWidth, GraphWindow::kNormalHeight));
        QCOMPARE(w.Graph1()->pos(), QPoint(8, 8));
        QVERIFY(w.palette().color(QPalette::Window) != QColor(Qt::white));
    }

    void cancelledPrintChangesNothing() {
        QTemporaryDir dir;
        prompts->pdfPath = dir.filePath(QStringLiteral("graph.pdf"));
        prompts->printerAccepted = false;
        GraphWindow& w = filledPlot();
        QSignalSpy printing(&w, &GraphWindow::aboutToPrint);
        const QSize size = w.size();
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmdPrint")), Qt::LeftButton);
        QCOMPARE(printing.count(), 0);
        QVERIFY(!QFile::exists(prompts->pdfPath));
        QCOMPARE(w.size(), size);
    }

    void savesTheGraphAsImage_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("PNG") << "graph.png" << QByteArray("\x89PNG");
        QTest::newRow("PDF") << "graph.pdf" << QByteArray("%PDF");
    }
    void savesTheGraphAsImage() {
        QFETCH(QString, name);
        QFETCH(QByteArray, magic);
        QTemporaryDir dir;
        prompts->nextSavePath = dir.filePath(name);
        GraphWindow& w = filledPlot();
        auto* action = w.findChild<QAction*>(QStringLiteral("SaveImage"));
        QCOMPARE(action->text(), QStringLiteral("Save Image\u2026"));
        action->trigger();
        QVERIFY(readFile(prompts->nextSavePath).startsWith(magic));
        if (name.endsWith(QLatin1String(".png")))
            QCOMPARE(QImage(prompts->nextSavePath).size(), w.Graph1()->surface()->size());
        QVERIFY(prompts->messages.isEmpty());
    }

    void unwritableImageIsReported() {
        prompts->nextSavePath = QStringLiteral("/nonexistent-dir/graph.png");
        GraphWindow& w = filledPlot();
        w.findChild<QAction*>(QStringLiteral("SaveImage"))->trigger();
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages[0].icon, platform::MessageIcon::Critical);
        QCOMPARE(prompts->messages[0].text, QStringLiteral("The image could not be saved."));
    }
};

QTEST_MAIN(TestGraphWindow)
#include "test_graph_window.moc"
