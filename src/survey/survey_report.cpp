#include "survey/survey_report.h"

#include "survey/survey_figures.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace survey {

namespace {

constexpr double kTitlePoints = 16.0;
constexpr double kTextPoints = 10.0;
constexpr double kTableMostPoints = 9.0;
constexpr double kTableLeastPoints = 3.0;
constexpr double kWidestColumnPoints = 60.0;
constexpr double kGapPoints = 10.0;
constexpr double kMapShare = 0.35;  // of the height left under the figures, at least
constexpr double kMapToWidth = 0.6; // the map is at most this high for its width
constexpr int kHeadingLines = 4;    // area, date, grid, requirement; the figures follow

QFont reportFont(double points, bool bold = false) {
    QFont font;
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

class Page {
public:
    Page(QPainter& painter, const QRectF& area)
        : p(painter), area(area), pt(painter.device()->logicalDpiY() / 72.0), y(area.top()) {}

    // One line across the page, cut short with "..." if it is too long.
    void line(const QString& text, const QFont& font, double x = 0.0) {
        p.setFont(font);
        const QFontMetricsF m(font, p.device());
        const QString shown = m.elidedText(text, Qt::ElideRight, area.width() - x);
        p.drawText(QPointF(area.left() + x, y + m.ascent()), shown);
        y += m.lineSpacing();
    }
    void gap() { y += kGapPoints * pt; }

    QPainter& p;
    QRectF area;
    double pt; // device pixels to the point
    double y;
};

struct Table {
    QFont font;
    QFont headerFont;
    double columnWidth = 0.0;
    double rowHeight = 0.0;
};

// The largest type, up to 9 points, whose widest text fits the columns and whose rows fit the
// height; never below 3 points.
Table tableFor(const Page& page, const SurveyGrid& grid, double height) {
    const Settings& s = grid.settings;
    QString widest = QString::number(std::max(s.rows, s.columns));
    for (const auto& r : grid.readings)
        if (r && r->text.size() > widest.size())
            widest = r->text;
    Table t;
    t.columnWidth = std::min(page.area.width() / (s.columns + 1), kWidestColumnPoints * page.pt);
    auto measure = [&](double points) {
        t.font = reportFont(points);
        t.headerFont = reportFont(points, true);
        const QFontMetricsF m(t.headerFont, page.p.device());
        t.rowHeight = m.height() * 1.3;
        return m.horizontalAdvance(widest) + m.averageCharWidth();
    };
    double points = kTableMostPoints;
    points = std::min(points, points * t.columnWidth / measure(points));
    measure(std::max(points, kTableLeastPoints));
    const double rowsHeight = t.rowHeight * (s.rows + 1);
    if (rowsHeight > height)
        measure(std::max(points * height / rowsHeight, kTableLeastPoints));
    return t;
}

void drawTable(Page& page, const SurveyGrid& grid, const Table& t) {
    QPainter& p = page.p;
    const Settings& s = grid.settings;
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 0.5 * page.pt));
    for (int row = 0; row <= s.rows + 1; ++row) {
        const double y = page.y + row * t.rowHeight;
        p.drawLine(QPointF(page.area.left(), y),
                   QPointF(page.area.left() + t.columnWidth * (s.columns + 1), y));
    }
    for (int column = 0; column <= s.columns + 1; ++column) {
        const double x = page.area.left() + column * t.columnWidth;
        p.drawLine(QPointF(x, page.y), QPointF(x, page.y + t.rowHeight * (s.rows + 1)));
    }
    p.setPen(Qt::black);
    auto cell = [&](int row, int column, const QString& text) {
        const QRectF r(page.area.left() + column * t.columnWidth, page.y + row * t.rowHeight,
                       t.columnWidth, t.rowHeight);
        p.drawText(r, Qt::AlignCenter, text);
    };
    p.setFont(t.headerFont);
    for (int column = 1; column <= s.columns; ++column)
        cell(0, column, QString::number(column));
    for (int row = 1; row <= s.rows; ++row)
        cell(row, 0, QString::number(row));
    p.setFont(t.font);
    for (int row = 0; row < s.rows; ++row)
        for (int column = 0; column < s.columns; ++column)
            if (const auto& r = grid.at({row, column}))
                cell(row + 1, column + 1, r->text);
    page.y += t.rowHeight * (s.rows + 1);
}

} // namespace

void paintReport(QPainter& painter, const QRectF& area, const SurveyGrid& grid, const QDate& date,
                 const MapPicture& map) {
    Page page(painter, area);
    painter.setPen(Qt::black);
    page.line(QStringLiteral("Lighting Survey"), reportFont(kTitlePoints, true));
    page.gap();
    const QStringList lines = reportLines(grid, date);
    const QFont text = reportFont(kTextPoints);
    for (int i = 0; i < kHeadingLines; ++i)
        page.line(lines[i], text);
    page.gap();
    // The figures in two columns, the verdict under them.
    const int figures = int(lines.size()) - kHeadingLines - 1;
    const int perColumn = (figures + 1) / 2;
    const double top = page.y;
    for (int i = 0; i < figures; ++i) {
        if (i == perColumn)
            page.y = top;
        page.line(lines[kHeadingLines + i], text, i < perColumn ? 0.0 : area.width() / 2);
    }
    page.y = top + perColumn * QFontMetricsF(text, painter.device()).lineSpacing();
    const Verdict verdict = surveyFigures(grid).verdict;
    painter.setPen(verdict == Verdict::Pass   ? QColor(0x1b, 0x5e, 0x20)
                   : verdict == Verdict::Fail ? QColor(0xb7, 0x1c, 0x1c)
                                              : QColor(Qt::black));
    page.line(lines.last(), reportFont(kTextPoints + 1.0, true));
    painter.setPen(Qt::black);
    page.gap();

    const double left = area.bottom() - page.y - page.pt * kGapPoints;
    const Table table = tableFor(page, grid, left * (1.0 - kMapShare));
    const double tableHeight = table.rowHeight * (grid.settings.rows + 1);
    const double mapHeight = std::min(left - tableHeight, area.width() * kMapToWidth);
    // A picture is drawn at its own resolution, whatever the device's.
    const double toMap = painter.device()->logicalDpiX() / double(QPicture().logicalDpiX());
    const QSizeF mapSize(area.width() / toMap, mapHeight / toMap);
    painter.drawPicture(QPointF(area.left(), page.y), map(mapSize.toSize()));
    page.y += mapHeight;
    page.gap();
    drawTable(page, grid, table);
}

bool printReport(QPrinter& printer, const SurveyGrid& grid, const QDate& date,
                 const MapPicture& map) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRectF page(QPointF(0, 0),
                      printer.pageLayout().paintRectPixels(printer.resolution()).size());
    paintReport(painter, page, grid, date, map);
    return painter.end();
}

} // namespace survey
