#include "survey/survey_window.h"

#include "link/exchange_queue.h"
#include "panel/panel.h"
#include "pdf_prompts.h"
#include "platform/placement.h"
#include "session_rig.h"
#include "survey/heat_map.h"
#include "survey/survey_figures.h"
#include "survey/survey_report.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using survey::GridPoint;
using OptionalPoint = std::optional<GridPoint>;

namespace {

// A page that keeps the text drawn on it, so that a test can read what a report says.
class TextEngine : public QPaintEngine {
public:
    TextEngine() : QPaintEngine(AllFeatures) {}
    QStringList texts;
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
    Type type() const override { return User; }
};

class TextPage : public QPaintDevice {
public:
    mutable TextEngine engine;
    QPaintEngine* paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return 595;
        case PdmHeight:
            return 842;
        case PdmWidthMM:
            return 210;
        case PdmHeightMM:
            return 297;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 72; // the dots per inch
        }
    }
};

// Keeps the file types each file dialog offered.
class FilePrompts : public testsupport::PdfPrompts {
public:
    QStringList filters;
    QString saveFileName(QWidget* parent, const QString& filter,
                         const QString& proposedPath) override {
        filters << filter;
        return PdfPrompts::saveFileName(parent, filter, proposedPath);
    }
    QString openFileName(QWidget* parent, const QString& filter, const QString& folder) override {
        filters << filter;
        return PdfPrompts::openFileName(parent, filter, folder);
    }
};

struct Rig {
    testsupport::VirtualWaiter clock;
    shared::Session session;
    meterlink::ExchangeQueue exchanges{clock};
    FilePrompts prompts;
    QTemporaryDir dir;
    // On the heap: it deletes itself when closed.
    QPointer<survey::Survey> window = new survey::Survey(session, exchanges, prompts, nullptr);

    explicit Rig(int rows = 2, int columns = 3) {
        child<QSpinBox>("TxtRows")->setValue(rows);
        child<QSpinBox>("TxtColumns")->setValue(columns);
        shows("100.0");
        window->show();
        if (!QTest::qWaitForWindowActive(window))
            qFatal("the survey window did not become active");
    }
    ~Rig() { delete window; }
    template <typename T = QLabel> T* child(const char* name) {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void shows(const QString& text, const QString& unit = QStringLiteral("Lx")) {
        session.display.MainText = text;
        session.display.UnitText = unit;
    }
    void space() { QTest::keyClick(window, Qt::Key_Space); }
    void click(const char* name) { child<QPushButton>(name)->click(); }
    void clickPoint(GridPoint p) {
        QWidget* surface = window->map().findChild<QWidget*>(QStringLiteral("MapSurface"));
        QTest::mouseClick(surface, Qt::LeftButton, {},
                          surface->mapFrom(&window->map(), window->map().pixelOf(p)));
    }
    QString at(GridPoint p) const {
        const auto& r = window->grid().at(p);
        return r ? r->text : QString();
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QString status() { return child("LblStatus")->text(); }
    QStringList shown() const {
        QStringList texts;
        for (const auto& m : prompts.messages)
            texts << m.text;
        return texts;
    }
};

} // namespace

class TestSurveyWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void spaceWalksTheGridAndAClickOnlySelects();
    void captureKeys_data();
    void captureKeys();
    void refusalBoxWaitsForTheExchangeUnlessTheLinkIsLost();
    void captureAveragesThePanelsReading();
    void saveOpenExportAndTheUnsavedQuestion();
    void reportOnOnePage();
    void settingsControls();
    void toolbarOpensOneSurveyAndClosingAsksFirst();
    void placedBesideThePanelOnTheScreen_data();
    void placedBesideThePanelOnTheScreen();
};

void TestSurveyWindow::spaceWalksTheGridAndAClickOnlySelects() {
    Rig rig;
    const QList<GridPoint> walk = {{0, 0}, {0, 1}, {0, 2}, {1, 2}};
    for (int k = 0; k < walk.size(); ++k) {
        QCOMPARE(rig.window->current(), walk[k]);
        rig.shows(QStringLiteral("10%1.0").arg(k));
        rig.space();
    }
    for (int k = 0; k < walk.size(); ++k)
        QCOMPARE(rig.at(walk[k]), QStringLiteral("10%1.0").arg(k));
    QCOMPARE(rig.window->current(), (GridPoint{1, 1}));
    QCOMPARE(rig.child("LblTaken")->text(), QStringLiteral("Points: 4 of 6"));
    QVERIFY(!rig.child<QSpinBox>("TxtRows")->isEnabled());
    QVERIFY(!rig.child<QPushButton>("CmdMeasureSelected")->isEnabled());

    // A click, as one that brings the window forward, measures nothing and leaves the walk.
    rig.shows("200.0");
    QTRY_VERIFY(rig.window->map().labelsDrawn() == 4);
    rig.clickPoint({0, 0});
    QCOMPARE(rig.at({0, 0}), QStringLiteral("100.0"));
    QCOMPARE(rig.window->grid().taken(), 4);
    QCOMPARE(rig.window->current(), (GridPoint{1, 1}));
    QCOMPARE(rig.window->map().framedSelection(), OptionalPoint(GridPoint{0, 0}));
    QCOMPARE(rig.window->map().framedCurrent(), OptionalPoint(GridPoint{1, 1}));
    QCOMPARE(rig.status(), QStringLiteral("Selected row 1, column 1 (100.0 lx): \"Measure "
                                          "Selected\" measures it again. Next: row 2, column 2."));
    rig.click("CmdCapture");
    QCOMPARE(rig.at({1, 1}), QStringLiteral("200.0"));
    QCOMPARE(rig.at({0, 0}), QStringLiteral("100.0"));
    QCOMPARE(rig.window->current(), (GridPoint{1, 0}));

    // Measured again on purpose; the walk stays where it had got to.
    rig.shows("300.0");
    rig.click("CmdMeasureSelected");
    QCOMPARE(rig.at({0, 0}), QStringLiteral("300.0"));
    QCOMPARE(rig.window->grid().taken(), 5);
    QCOMPARE(rig.window->current(), (GridPoint{1, 0}));
    QCOMPARE(rig.window->map().framedSelection(), OptionalPoint());
    QVERIFY(!rig.child<QPushButton>("CmdMeasureSelected")->isEnabled());
    QCOMPARE(rig.status(), QStringLiteral("Row 1, column 1: 300.0 lx. Next: row 2, column 1."));

    // An open point selected is measured out of turn too.
    rig.clickPoint({1, 0});
    rig.shows("400.0");
    rig.click("CmdMeasureSelected");
    QCOMPARE(rig.at({1, 0}), QStringLiteral("400.0"));
    QVERIFY(rig.prompts.messages.isEmpty());
}

void TestSurveyWindow::captureKeys_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers"); // with Space
    QTest::addColumn<bool>("captures");
    QTest::addColumn<QString>("text"); // the focused control's afterwards
    const Qt::KeyboardModifiers plain = Qt::NoModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    QTest::newRow("Space in a spacing") << "TxtSpacingX" << plain << true << "1.000";
    QTest::newRow("Space in the rows") << "TxtRows" << plain << true << "2";
    QTest::newRow("Space in the averaging") << "TxtAveraging" << plain << true << "0.0 s";
    QTest::newRow("Space in the name types") << "TxtArea" << plain << false << "Lab ";
    QTest::newRow("Ctrl+Space in the name") << "TxtArea" << ctrl << true << "Lab";
    QTest::newRow("Ctrl+Space in the level") << "TxtLevel" << ctrl << true << "500.00";
    QTest::newRow("Space on a file button") << "CmdNew" << plain << true << "New";
    QTest::newRow("Space on the map") << "Map" << plain << true << "";
}

void TestSurveyWindow::captureKeys() {
    QFETCH(QString, focus);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, captures);
    QFETCH(QString, text);
    Rig rig;
    rig.child<QLineEdit>("TxtArea")->setText("Lab");
    QWidget* control = rig.child<QWidget>(qPrintable(focus));
    control->setFocus();
    QTRY_VERIFY(control->hasFocus());
    QTest::keyClick(control, Qt::Key_Space, modifiers);
    QCOMPARE(rig.window->grid().taken(), captures ? 1 : 0);
    QCOMPARE(control->property("text").toString(), text);
    // The window says which keys capture.
    const QString hint = rig.child("LblCaptureKeys")->text();
    QVERIFY2(hint.contains("Space captures") && hint.contains("Ctrl+Space"), qPrintable(hint));
}

void TestSurveyWindow::refusalBoxWaitsForTheExchangeUnlessTheLinkIsLost() {
    Rig rig;
    rig.session.display.status.CdOn = true;
    {
        // A polling tick is inside one of its waits.
        meterlink::ExchangeQueue::Exchange tick(rig.exchanges);
        rig.space();
        QVERIFY(rig.prompts.messages.isEmpty());
        QCOMPARE(rig.child("LblStatus")->text(),
                 QStringLiteral("Not captured: the meter is not showing a plain reading."));
    }
    QTRY_COMPARE(rig.shown(),
                 QStringList{"Not captured: the meter is not showing a plain reading."});
    QVERIFY(rig.prompts.messages[0].icon == platform::MessageIcon::Critical);

    rig.session.display.status.CdOn = false;
    rig.session.link.LinkLost = true;
    // The reconnection would hold the box back for as long as the meter is away.
    meterlink::ExchangeQueue::Exchange reconnecting(rig.exchanges);
    rig.space();
    QCOMPARE(rig.prompts.messages.size(), 2);
    QCOMPARE(rig.window->grid().taken(), 0);
    QCOMPARE(rig.window->current(), (GridPoint{0, 0}));
}

void TestSurveyWindow::captureAveragesThePanelsReading() {
    Rig rig;
    rig.child<QDoubleSpinBox>("TxtAveraging")->setValue(0.5);
    QTimer::singleShot(250, rig.window, [&] { rig.shows("200.0"); });
    QElapsedTimer took;
    took.start();
    rig.space();
    QVERIFY(rig.window->capturing());
    QVERIFY(!rig.child<QSpinBox>("TxtRows")->isEnabled()); // the point must stay in the grid
    rig.space();                                           // ignored while measuring
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->capturing(), 3000);
    QVERIFY(took.elapsed() >= 500);
    const QString value = rig.at({0, 0});
    QVERIFY2(value.size() == 5 && value > "100.0" && value < "200.0", qPrintable(value));
    QCOMPARE(rig.window->grid().taken(), 1);

    // A mode the meter enters while the reading is averaged spoils the point.
    QTimer::singleShot(200, rig.window, [&] { rig.session.display.status.CompOn = true; });
    rig.space();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->capturing(), 3000);
    QCOMPARE(rig.shown(), QStringList{"Not captured: the meter is not showing a plain reading."});
    QCOMPARE(rig.window->grid().taken(), 1);
    QCOMPARE(rig.window->current(), (GridPoint{0, 1}));
}

void TestSurveyWindow::saveOpenExportAndTheUnsavedQuestion() {
    Rig rig;
    rig.child<QLineEdit>("TxtArea")->setText("Lab 3");
    rig.space();
    rig.shows("0.05");
    rig.space();
    const survey::SurveyGrid taken = rig.window->grid();

    rig.prompts.confirmAnswer = false;
    rig.window->close();
    QCOMPARE(rig.prompts.messages.last().text, survey::kUnsavedQuestion);
    QVERIFY(rig.window && rig.window->isVisible());

    // Proposed after the area and the first point; the bare name typed gets ".tsv", and the
    // export, proposed after the survey's file, ".csv": the survey stays.
    auto proposed = [&rig](int dialog) {
        return QFileInfo(rig.prompts.proposedPaths.value(dialog)).fileName();
    };
    rig.prompts.nextSavePath = rig.path("lab3");
    rig.click("CmdSave");
    QCOMPARE(proposed(0), rig.window->grid().at({0, 0})->taken.toString(
                              QStringLiteral("'Lab 3 'yyyy-MM-dd HH-mm-ss'.tsv'")));
    rig.click("CmdExport");
    QCOMPARE(proposed(1), QStringLiteral("lab3.csv"));
    QVERIFY(!QFile::exists(rig.path("lab3")));
    const qsizetype asked = rig.prompts.messages.size();
    rig.click("CmdNew"); // saved: no question
    QCOMPARE(rig.prompts.messages.size(), asked);
    QCOMPARE(rig.window->grid().taken(), 0);

    rig.prompts.nextOpenPath = rig.path("lab3.tsv");
    rig.click("CmdOpen");
    QVERIFY(rig.window->grid() == taken);
    QCOMPARE(rig.child<QLineEdit>("TxtArea")->text(), QStringLiteral("Lab 3"));
    QCOMPARE(rig.window->current(), (GridPoint{0, 2}));
    // The survey's own file type first, then the plain text the first surveys were saved as.
    QCOMPARE(rig.prompts.filters,
             QStringList({"Lighting surveys (*.tsv);;Text files (*.txt);;All Files (*)",
                          "CSV files (*.csv);;All Files (*)",
                          "Lighting surveys (*.tsv);;Text files (*.txt);;All Files (*)"}));
    QFile csv(rig.path("lab3.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QVERIFY(QRegularExpression(QStringLiteral("^Row,Column,X \\(m\\),Y \\(m\\),Value,Unit,Time\r\n"
                                              "1,1,0.5,0.5,100.0,lx,\\d{4}-\\d\\d-\\d\\dT\\d\\d:"
                                              "\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d\r\n"))
                .match(QString::fromUtf8(csv.readAll()))
                .hasMatch());

    QFile foreign(rig.path("foreign.txt"));
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.write("LuxPanel lighting survey\r\nRows\t99\r\n");
    foreign.close();
    rig.prompts.nextOpenPath = foreign.fileName();
    rig.click("CmdOpen");
    QCOMPARE(rig.prompts.messages.last().text, QStringLiteral("The survey could not be opened."));
    QVERIFY(rig.prompts.messages.last().detail.endsWith("Line 2: Rows must be 1 to 40."));
    QVERIFY(rig.window->grid() == taken);
}

void TestSurveyWindow::reportOnOnePage() {
    Rig rig(3, 3);
    rig.child<QLineEdit>("TxtArea")->setText("Office 2.14");
    rig.child<QDoubleSpinBox>("TxtLevel")->setValue(100.0);
    for (int k = 0; k < 9; ++k) {
        rig.shows(QStringLiteral("10%1.0").arg(k));
        rig.space();
    }
    QCOMPARE(rig.status(), QStringLiteral("Row 3, column 3: 108.0 lx. The survey is complete: all "
                                          "9 points are taken."));
    QCOMPARE(rig.window->map().framedCurrent(), OptionalPoint());
    // Nothing is left for the capture key: it measures no point again by itself.
    rig.shows("999.0");
    rig.space();
    QCOMPARE(rig.at({2, 2}), QStringLiteral("108.0"));
    QCOMPARE(rig.status(), QStringLiteral("The survey is complete: all 9 points are taken. To "
                                          "measure a point again, select it on the map."));

    rig.prompts.pdfPath = rig.path("report.pdf");
    rig.click("CmdPrint");
    QVERIFY(rig.prompts.messages.isEmpty());
    QCOMPARE(rig.status(), QStringLiteral("The report is saved in %1.")
                               .arg(QDir::toNativeSeparators(rig.prompts.pdfPath)));
    QFile pdf(rig.prompts.pdfPath);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Type /Page\n"), 1);

    TextPage page;
    {
        QPainter painter(&page);
        survey::paintReport(painter, QRectF(36, 36, 523, 770), rig.window->grid(),
                            QDate(2024, 5, 7),
                            [&](const QSize& size) { return rig.window->map().picture(size); });
    }
    const QStringList& texts = page.engine.texts;
    for (const char* line :
         {"Lighting Survey", "Area: Office 2.14", "Date: 2024-05-07",
          "Grid: 3 rows x 3 columns, 1 m between columns, 1 m between rows",
          "Required: 100 lx maintained, uniformity 0.60", "Points: 9 of 9", "Average: 104.00 lx",
          "Minimum: 100.0 lx", "Maximum: 108.0 lx", "Uniformity (min/avg): 0.96",
          "Diversity (min/max): 0.92", "Verdict: PASS"})
        QVERIFY2(texts.contains(QLatin1String(line)), line);
    // Every reading twice: in its cell of the map and in the table.
    for (int k = 0; k < 9; ++k)
        QCOMPARE(texts.count(QStringLiteral("10%1.0").arg(k)), 2);
}

void TestSurveyWindow::settingsControls() {
    Rig rig;
    rig.child<QDoubleSpinBox>("TxtLength")->setValue(10.0);
    rig.child<QDoubleSpinBox>("TxtWidth")->setValue(4.0);
    rig.click("CmdPropose");
    QCOMPARE(rig.window->grid().settings.rows, 4);
    QCOMPARE(rig.window->grid().settings.columns, 10);
    QCOMPARE(rig.window->grid().pointCount(), 40);
    QCOMPARE(rig.child<QDoubleSpinBox>("TxtSpacingX")->value(), 1.0);

    rig.child<QComboBox>("ComboLengthUnit")->setCurrentIndex(1); // ft
    QCOMPARE(rig.window->grid().settings.spacingY, 3.281);
    QCOMPARE(rig.child<QDoubleSpinBox>("TxtLength")->value(), 32.81);

    auto* task = rig.child<QComboBox>("ComboTask");
    const int corridors = task->findText("Corridors", Qt::MatchStartsWith);
    task->setCurrentIndex(corridors);
    emit task->activated(corridors);
    QCOMPARE(rig.window->grid().settings.requiredLevel, 100.0);
    QCOMPARE(rig.window->grid().settings.requiredUniformity, 0.4);
    rig.child<QComboBox>("ComboLevelUnit")->setCurrentIndex(1); // fc
    QCOMPARE(rig.child("LblRequired")->text(),
             QStringLiteral("Required: 9.29 fc maintained, uniformity 0.40"));
    QCOMPARE(task->currentIndex(), corridors);
    rig.child<QDoubleSpinBox>("TxtUniformity")->setValue(0.5);
    QCOMPARE(task->currentIndex(), 0); // free entry
}

void TestSurveyWindow::toolbarOpensOneSurveyAndClosingAsksFirst() {
    testsupport::SessionRig rig;
    panel::Panel panel(rig.session, rig.link, rig.prompts);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto opened = [&panel] { return panel.findChildren<survey::Survey*>(); };
    panel.toolbar().OnToolbarButton(QStringLiteral("Survey"));
    panel.toolbar().OnToolbarButton(QStringLiteral("Survey"));
    QCOMPARE(opened().size(), 1);
    survey::Survey* window = opened().first();
    QVERIFY(window->isVisible());
    QVERIFY(window->screen()->availableGeometry().contains(window->frameGeometry()));
    QCOMPARE(window->windowTitle(), QStringLiteral("Lighting Survey"));

    rig.session.display.MainText = QStringLiteral("512.3");
    rig.session.display.UnitText = QStringLiteral("Lx");
    window->Capture();
    QSignalSpy ending(&panel, &panel::Panel::closing);
    rig.prompts.confirmAnswer = false;
    panel.close();
    QCOMPARE(rig.prompts.messages.size(), 1);
    QVERIFY(ending.isEmpty());
    QVERIFY(window->isVisible());
    rig.prompts.confirmAnswer = true;
    panel.close();
    QCOMPARE(ending.size(), 1);
    QTRY_VERIFY(opened().isEmpty());
}

void TestSurveyWindow::placedBesideThePanelOnTheScreen_data() {
    // Frame rectangles: the panel's, the survey's size and least size, the screen's available
    // area and where the survey goes.
    QTest::addColumn<QRect>("panel");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("least");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("placed");
    const QRect panel(0, 0, 578, 330);
    const QSize size(980, 630);
    const QSize least(690, 560);
    QTest::newRow("1920 x 1080: right of the panel")
        << panel << size << least << QRect(0, 0, 1920, 1080) << QRect(578, 0, 980, 630);
    QTest::newRow("1400 x 1000: below the panel")
        << panel << size << least << QRect(0, 0, 1400, 1000) << QRect(0, 330, 980, 630);
    QTest::newRow("a bar on top: below, to the last row")
        << QRect(0, 40, 578, 330) << size << least << QRect(0, 40, 1400, 960)
        << QRect(0, 370, 980, 630);
    QTest::newRow("1280 x 800: right of the panel, narrower")
        << panel << size << least << QRect(0, 0, 1280, 800) << QRect(578, 0, 702, 630);
    QTest::newRow("too narrow for that: below, shorter")
        << panel << size << QSize(750, 560) << QRect(0, 0, 1280, 900) << QRect(0, 330, 980, 570);
    QTest::newRow("panel at the right: left of it")
        << QRect(1300, 100, 578, 330) << size << least << QRect(0, 0, 1920, 1080)
        << QRect(320, 100, 980, 630);
    QTest::newRow("panel low on the screen: tops as level as the screen allows")
        << QRect(0, 500, 578, 330) << size << least << QRect(0, 0, 1920, 1080)
        << QRect(578, 450, 980, 630);
    QTest::newRow("1280 x 800, a little too narrow: least width, just over the panel")
        << QRect(0, 0, 582, 335) << QSize(984, 634) << QSize(709, 576) << QRect(0, 0, 1280, 800)
        << QRect(571, 0, 709, 634);
    QTest::newRow("1024 x 600: least width, over the panel's right part")
        << panel << size << least << QRect(0, 0, 1024, 600) << QRect(334, 0, 690, 600);
    QTest::newRow("second screen to the left")
        << QRect(-1280, 0, 578, 330) << size << least << QRect(-1280, 0, 1280, 800)
        << QRect(-702, 0, 702, 630);
}

void TestSurveyWindow::placedBesideThePanelOnTheScreen() {
    QFETCH(QRect, panel);
    QFETCH(QSize, size);
    QFETCH(QSize, least);
    QFETCH(QRect, screen);
    QFETCH(QRect, placed);
    QCOMPARE(platform::besideMainWindow(panel, size, least, screen), placed);
}

QTEST_MAIN(TestSurveyWindow)
#include "test_survey_window.moc"
