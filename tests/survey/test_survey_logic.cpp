#include "survey/capture.h"
#include "survey/survey_figures.h"
#include "survey/survey_file.h"
#include "survey/survey_plan.h"

#include <QTest>
#include <QTimeZone>

#include <time.h>

using namespace survey;

namespace {

// A grid of rows x columns from its readings row by row ("" for a point not taken).
SurveyGrid gridOf(int rows, int columns, const QStringList& texts, LightUnit unit) {
    Settings s;
    s.rows = rows;
    s.columns = columns;
    SurveyGrid g(s);
    for (int i = 0; i < texts.size(); ++i)
        if (!texts[i].isEmpty())
            g.readings[size_t(i)] = Reading{texts[i], unit, {}};
    return g;
}

} // namespace

class TestSurveyLogic : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // Times carry the local offset: one hour east of UTC, all year.
        qputenv("TZ", "CET-1");
        tzset();
    }
    void figures_data();
    void figures();
    void largestSpacing_data();
    void largestSpacing();
    void proposal_data();
    void proposal();
    void serpentineWalk();
    void refusals_data();
    void refusals();
    void averageOfACapture_data();
    void averageOfACapture();
    void fileKeepsEveryValue();
    void fileLayout();
    void badFiles_data();
    void badFiles();
    void csv();
};

void TestSurveyLogic::figures_data() {
    QTest::addColumn<QStringList>("readings"); // one row of points, "" for one not taken
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("requirement"); // level, its unit, uniformity
    QTest::addColumn<QString>("figures");     // taken | average | min | max | U0 | Ud | verdict

    QTest::newRow("zero minimum")
        << QStringList{"0.0", "100.0", "200.0"} << "lx"
        << "50 lx 0.4"
        << "3 of 3|100.00 lx|0.0 lx|200.0 lx|0.00|0.00|FAIL, uniformity below 0.40";
    QTest::newRow("one point") << QStringList{"512"} << "lx"
                               << "500 lx 0.7"
                               << "1 of 1|512.0 lx|512 lx|512 lx|1.00|1.00|PASS";
    QTest::newRow("all equal") << QStringList{"300.5", "300.5", "300.5"} << "lx"
                               << "300 lx 0.6"
                               << "3 of 3|300.50 lx|300.5 lx|300.5 lx|1.00|1.00|PASS";
    QTest::newRow("all zero") << QStringList{"0", "0"} << "lx"
                              << "0 lx 0.6"
                              << "2 of 2|0.0 lx|0 lx|0 lx|-|-|FAIL, uniformity below 0.60";
    QTest::newRow("uniformity exactly met") << QStringList{"300", "700"} << "lx"
                                            << "500 lx 0.6"
                                            << "2 of 2|500.0 lx|300 lx|700 lx|0.60|0.42|PASS";
    QTest::newRow("ratio with no exact binary form")
        << QStringList{"29", "171"} << "lx"
        << "100 lx 0.29"
        << "2 of 2|100.0 lx|29 lx|171 lx|0.29|0.16|PASS";
    QTest::newRow("fc meets a level in lx") << QStringList{"46.0", "47.0"} << "fc"
                                            << "500 lx 0.6"
                                            << "2 of 2|46.50 fc|46.0 fc|47.0 fc|0.98|0.97|PASS";
    QTest::newRow("fc short of a level in lx")
        << QStringList{"46.4", "46.4"} << "fc"
        << "500 lx 0.6"
        << "2 of 2|46.40 fc|46.4 fc|46.4 fc|1.00|1.00|FAIL, average below 500 lx";
    QTest::newRow("fc exactly at a level in lx") << QStringList{"50"} << "fc"
                                                 << "538.2 lx 0.6"
                                                 << "1 of 1|50.0 fc|50 fc|50 fc|1.00|1.00|PASS";
    QTest::newRow("both short")
        << QStringList{"100", "400"} << "lx"
        << "300 lx 0.5"
        << "2 of 2|250.0 lx|100 lx|400 lx|0.40|0.25|FAIL, average below 300 lx, uniformity "
           "below 0.50";
    QTest::newRow("incomplete")
        << QStringList{"100", "", "200"} << "lx"
        << "100 lx 0.6"
        << "2 of 3|150.0 lx|100 lx|200 lx|0.66|0.50|incomplete, 2 of 3 points taken";
    QTest::newRow("none taken") << QStringList{"", ""} << "lx"
                                << "100 lx 0.6"
                                << "0 of 2|-|-|-|-|-|incomplete, 0 of 2 points taken";
}

void TestSurveyLogic::figures() {
    QFETCH(QStringList, readings);
    QFETCH(QString, unit);
    QFETCH(QString, requirement);
    QFETCH(QString, figures);
    SurveyGrid g = gridOf(1, int(readings.size()), readings, *lightUnitFromText(unit));
    const QStringList r = requirement.split(' ');
    g.settings.requiredLevel = r[0].toDouble();
    g.settings.levelUnit = *lightUnitFromText(r[1]);
    g.settings.requiredUniformity = r[2].toDouble();
    QStringList values;
    for (const QString& line : figureTexts(g, surveyFigures(g)).lines())
        values << line.section(QStringLiteral(": "), 1);
    QCOMPARE(values.join('|'), figures);
}

void TestSurveyLogic::largestSpacing_data() {
    QTest::addColumn<double>("side");
    QTest::addColumn<double>("spacing");
    QTest::newRow("1 m") << 1.0 << 0.2;
    QTest::newRow("5 m") << 5.0 << 0.616;
    QTest::newRow("10 m") << 10.0 << 1.0;
    QTest::newRow("50 m") << 50.0 << 3.080;
    QTest::newRow("100 m") << 100.0 << 5.0;
    QTest::newRow("1000 m, at most 10") << 1000.0 << 10.0;
}

void TestSurveyLogic::largestSpacing() {
    QFETCH(double, side);
    QFETCH(double, spacing);
    QVERIFY2(qAbs(largestSpacingMetres(side) - spacing) < 0.001,
             qPrintable(QString::number(largestSpacingMetres(side))));
}

void TestSurveyLogic::proposal_data() {
    QTest::addColumn<double>("length");
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("feet");
    QTest::addColumn<bool>("band");
    QTest::addColumn<QString>("grid"); // rows x columns, spacings, limited; "none"

    QTest::newRow("5 m square") << 5.0 << 5.0 << false << false << "9x9 0.556x0.556";
    QTest::newRow("10 x 4 m") << 10.0 << 4.0 << false << false << "4x10 1.000x1.000";
    QTest::newRow("band") << 12.0 << 2.5 << false << true << "2x11 1.000x0.750";
    QTest::newRow("long narrow bench") << 10.0 << 0.3 << false << false << "1x17 0.588x0.300";
    QTest::newRow("narrow the other way") << 0.3 << 10.0 << false << false << "17x1 0.300x0.588";
    QTest::newRow("feet") << 20.0 << 10.0 << true << false << "5x9 2.222x2.000";
    QTest::newRow("hall") << 200.0 << 100.0 << false << false << "13x25 8.000x7.692";
    QTest::newRow("beyond 40 points")
        << 1000.0 << 500.0 << false << false << "40x40 25.000x12.500 limited";
    QTest::newRow("band leaves nothing") << 1.0 << 0.9 << false << true << "none";
    QTest::newRow("no width") << 5.0 << 0.0 << false << false << "none";
}

void TestSurveyLogic::proposal() {
    QFETCH(double, length);
    QFETCH(double, width);
    QFETCH(bool, feet);
    QFETCH(bool, band);
    QFETCH(QString, grid);
    const auto g = proposeGrid(length, width, feet ? LengthUnit::Foot : LengthUnit::Metre, band);
    const QString got = !g ? QStringLiteral("none")
                           : QStringLiteral("%1x%2 %3x%4%5")
                                 .arg(g->rows)
                                 .arg(g->columns)
                                 .arg(g->spacingX, 0, 'f', 3)
                                 .arg(g->spacingY, 0, 'f', 3)
                                 .arg(g->limited ? " limited" : "");
    QCOMPARE(got, grid);
}

void TestSurveyLogic::serpentineWalk() {
    QList<QPair<int, int>> walk;
    for (int k = 0; k < 12; ++k) {
        const GridPoint p = walkPoint(k, 4);
        walk << qMakePair(p.row, p.column);
        QCOMPARE(walkIndex(p, 4), k);
    }
    QCOMPARE(walk, (QList<QPair<int, int>>{{0, 0},
                                           {0, 1},
                                           {0, 2},
                                           {0, 3},
                                           {1, 3},
                                           {1, 2},
                                           {1, 1},
                                           {1, 0},
                                           {2, 0},
                                           {2, 1},
                                           {2, 2},
                                           {2, 3}}));
    // The next point to take goes round past the end to the gaps left behind.
    SurveyGrid g = gridOf(2, 3, {"1", "", "1", "1", "1", "1"}, LightUnit::Lux);
    QCOMPARE(nextOpenPoint(g, 4), (GridPoint{0, 1}));
    g.at({0, 1}) = Reading{"1", LightUnit::Lux, {}};
    QVERIFY(!nextOpenPoint(g, 0));
}

void TestSurveyLogic::refusals_data() {
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("lost");
    QTest::addColumn<QString>("surveyUnit"); // "" before the first point
    QTest::addColumn<QString>("refusal");    // "" for a capture

    const QString mode = "Not captured: the meter is not showing a plain reading.";
    QTest::newRow("plain") << ""
                           << "Lx"
                           << "512.3" << false << "lx"
                           << "";
    QTest::newRow("first in fc") << ""
                                 << "Fc"
                                 << "47.6" << false << ""
                                 << "";
    QTest::newRow("hold is a plain reading") << "HoldOn"
                                             << "Lx"
                                             << "512.3" << false << "lx"
                                             << "";
    for (const char* f :
         {"RelOn", "CompOn", "RefOn", "UpperPercentOn", "CdOn", "FcHourOn", "LxHourOn", "SetUpOn"})
        QTest::newRow(f) << f << "Lx"
                         << "512.3" << false << "lx" << mode;
    QTest::newRow("over range") << ""
                                << "Lx"
                                << "OL" << false << "lx"
                                << "Not captured: the meter is over range (OL).";
    QTest::newRow("other unit")
        << ""
        << "Fc"
        << "47.6" << false << "lx"
        << "Not captured: the meter reads in fc, the points already taken are in lx.";
    QTest::newRow("link lost, over range too")
        << ""
        << "Lx"
        << "OL" << true << "lx"
        << "Not captured: the link to the meter is lost (No COM).";
    QTest::newRow("nothing shown yet") << ""
                                       << ""
                                       << "" << false << ""
                                       << "Not captured: the meter has not sent a reading yet.";
}

void TestSurveyLogic::refusals() {
    QFETCH(QString, flag);
    QFETCH(QString, unit);
    QFETCH(QString, text);
    QFETCH(bool, lost);
    QFETCH(QString, surveyUnit);
    QFETCH(QString, refusal);
    meterlink::DisplayModel d;
    d.UnitText = unit;
    d.MainText = text;
    for (const meterlink::StatusBit& b : meterlink::kStatusBits)
        if (flag == QLatin1String(b.name))
            d.status.*(b.flag) = true;
    const auto why = captureRefusal(d, lost, lightUnitFromText(surveyUnit));
    QCOMPARE(why ? why->text : QString(), refusal);
}

void TestSurveyLogic::averageOfACapture_data() {
    QTest::addColumn<QStringList>("samples");
    QTest::addColumn<QString>("reading");
    QTest::newRow("one") << QStringList{"512.30"} << "512.30";
    QTest::newRow("alike") << QStringList{"100.0", "100.0", "100.0"} << "100.0";
    QTest::newRow("mean") << QStringList{"100.0", "101.0"} << "100.5";
    QTest::newRow("most decimals") << QStringList{"12", "13.6"} << "12.8";
    QTest::newRow("range changed") << QStringList{"99.80", "100.20"} << "100.00";
    QTest::newRow("small") << QStringList{"0.05", "0.06", "0.07"} << "0.06";
}

void TestSurveyLogic::averageOfACapture() {
    QFETCH(QStringList, samples);
    QFETCH(QString, reading);
    QCOMPARE(averageReadingText(samples), reading);
}

void TestSurveyLogic::fileKeepsEveryValue() {
    Settings s;
    s.area = QStringLiteral("Hall B, east side: Ünterführung");
    s.rows = 3;
    s.columns = 2;
    s.spacingX = 0.1 + 0.2; // no short decimal form
    s.spacingY = 1.0 / 3.0;
    s.lengthUnit = LengthUnit::Foot;
    s.requiredLevel = 46.45;
    s.levelUnit = LightUnit::FootCandle;
    s.requiredUniformity = 0.7;
    s.averagingSeconds = 2.5;
    SurveyGrid g(s);
    g.date = QDate(2024, 12, 31);
    const QStringList texts = {"0", "0.05", "12.30", "", "99999", "1234.5"};
    for (int i = 0; i < texts.size(); ++i)
        if (!texts[i].isEmpty())
            g.readings[size_t(i)] =
                Reading{texts[i], LightUnit::FootCandle, QDateTime(g.date, QTime(23, 59, i))};
    const OpenedSurvey back = readSurveyFile(surveyFileText(g));
    QVERIFY2(back.grid, qPrintable(back.error));
    QVERIFY(*back.grid == g);
}

void TestSurveyLogic::fileLayout() {
    Settings s;
    s.area = QStringLiteral("Desk\t4");
    s.rows = 1;
    s.columns = 2;
    s.spacingX = s.spacingY = 0.6;
    SurveyGrid g(s);
    g.date = QDate(2024, 5, 7);
    g.at({0, 1}) =
        Reading{"512.30", LightUnit::Lux, QDateTime(g.date, QTime(10, 22, 5), QTimeZone(7200))};
    QCOMPARE(surveyFileText(g), QByteArray("LuxPanel lighting survey\r\n"
                                           "Area\tDesk 4\r\n"
                                           "Date\t2024-05-07\r\n"
                                           "Rows\t1\r\n"
                                           "Columns\t2\r\n"
                                           "Spacing\t0.6\t0.6\tm\r\n"
                                           "Required level\t500\tlx\r\n"
                                           "Required uniformity\t0.6\r\n"
                                           "Averaging\t0\ts\r\n"
                                           "Row\tColumn\tValue\tUnit\tTime\r\n"
                                           "1\t2\t512.30\tlx\t2024-05-07T10:22:05+02:00\r\n"));
}

void TestSurveyLogic::badFiles_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    const QByteArray head = "LuxPanel lighting survey\nRows\t2\nColumns\t2\n"
                            "Row\tColumn\tValue\tUnit\tTime\n";
    QTest::newRow("LF line ends") << head + "1\t1\t5\tlx\t\n"
                                  << "";
    QTest::newRow("a data file") << QByteArray("Lx\tTime\tValue\r\n1\t07-10:22:05\t5\r\n")
                                 << "This is not a LuxPanel survey file.";
    QTest::newRow("outside the grid") << head + "3\t1\t5\tlx\t\n"
                                      << "Line 5: point 3, 1 is not in the grid of 2 x 2.";
    QTest::newRow("over range") << head + "1\t1\tOL\tlx\t\n"
                                << "Line 5: \"OL\" is not a reading.";
    QTest::newRow("mixed units") << head + "1\t1\t5\tlx\t\n1\t2\t5\tfc\t\n"
                                 << "Line 6: the points mix lx and fc.";
    QTest::newRow("twice") << head + "1\t1\t5\tlx\t\n1\t1\t6\tlx\t\n"
                           << "Line 6: point 1, 1 is given twice.";
    QTest::newRow("not a time") << head + "1\t1\t5\tlx\t10:22\n"
                                << "Line 5: \"10:22\" is not a time of the survey.";
    QTest::newRow("a stamp without the survey's date")
        << head + "1\t1\t5\tlx\t07-10:22:05\n"
        << "Line 5: \"07-10:22:05\" is not a time of the survey.";
    QTest::newRow("short line") << head + "1\t1\t5\n"
                                << "Line 5: a point needs row, column, value, unit and time.";
    QTest::newRow("41 rows") << QByteArray("LuxPanel lighting survey\nRows\t41\n")
                             << "Line 2: Rows must be 1 to 40.";
    QTest::newRow("no grid") << QByteArray("LuxPanel lighting survey\nLamps\tLED\n"
                                           "Row\tColumn\tValue\tUnit\tTime\n")
                             << "The file does not give the grid's rows and columns.";
    QTest::newRow("no points line")
        << QByteArray("LuxPanel lighting survey\nRows\t2\n") << "The file ends before its points.";
}

void TestSurveyLogic::badFiles() {
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    const OpenedSurvey opened = readSurveyFile(body);
    QCOMPARE(opened.error, error);
    QCOMPARE(opened.grid.has_value(), error.isEmpty());
}

void TestSurveyLogic::csv() {
    Settings s;
    s.rows = 2;
    s.columns = 2;
    s.spacingX = 1.5;
    s.spacingY = 1.2;
    SurveyGrid g(s);
    g.at({0, 1}) = Reading{"512.3", LightUnit::Lux,
                           QDateTime(QDate(2024, 5, 7), QTime(10, 22, 5), QTimeZone(7200))};
    g.at({1, 0}) = Reading{"498.0", LightUnit::Lux, {}};
    QCOMPARE(surveyCsv(g), QByteArray("Row,Column,X (m),Y (m),Value,Unit,Time\r\n"
                                      "1,2,2.25,0.6,512.3,lx,2024-05-07T10:22:05+02:00\r\n"
                                      "2,1,0.75,1.8,498.0,lx,\r\n"));
    // A survey saved with DD-hh:nn:ss stamps: its points dated from its day, past midnight too.
    const OpenedSurvey old = readSurveyFile("LuxPanel lighting survey\r\nDate\t2024-05-31\r\n"
                                            "Rows\t1\r\nColumns\t2\r\n"
                                            "Row\tColumn\tValue\tUnit\tTime\r\n"
                                            "1\t1\t512.3\tlx\t31-23:59:50\r\n"
                                            "1\t2\t498.0\tlx\t01-00:00:10\r\n");
    QVERIFY2(old.grid, qPrintable(old.error));
    QCOMPARE(surveyCsv(*old.grid),
             QByteArray("Row,Column,X (m),Y (m),Value,Unit,Time\r\n"
                        "1,1,0.5,0.5,512.3,lx,2024-05-31T23:59:50+01:00\r\n"
                        "1,2,1.5,0.5,498.0,lx,2024-06-01T00:00:10+01:00\r\n"));
}

QTEST_GUILESS_MAIN(TestSurveyLogic)
#include "test_survey_logic.moc"
