#include "report/dose_report.h"

#include "analysis/figure_text.h"
#include "graphs/graph.h"

#include <QApplication>
#include <QJsonArray>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>

#include <algorithm>

namespace report {

namespace {

constexpr int kLargestDays = 5;
constexpr double kDaysPerYear = 365.0;
// The chart is laid out at this size on the screen's scale, then drawn to the page's width.
constexpr QSize kChartPixels(900, 320);

std::optional<double> number(const QJsonValue& v) {
    return v.isDouble() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

QString lxh(double v) {
    return analysis::figureNumber(v) + QStringLiteral(" lx\u00b7h");
}

// Lines of text down the page, onto a new page where one is full.
class Writer {
public:
    Writer(QPdfWriter& pdf, QPainter& painter) : pdf_(pdf), p_(painter) {}

    int width() const { return p_.viewport().width(); }
    int spaceLeft() const { return p_.viewport().height() - y_; }

    void line(const QString& text, int pointSize = 10, bool bold = false) {
        QFont font(QStringLiteral("DejaVu Sans"), pointSize);
        font.setBold(bold);
        p_.setFont(font);
        const int height = QFontMetrics(font, &pdf_).lineSpacing();
        room(height);
        p_.drawText(QRect(0, y_, width(), height), Qt::AlignLeft | Qt::AlignVCenter, text);
        y_ += height;
    }
    // A row of cells in columns of the given shares of the width, numbers to the right.
    void row(const QStringList& cells, const std::vector<double>& shares, bool bold = false) {
        QFont font(QStringLiteral("DejaVu Sans"), 9);
        font.setBold(bold);
        p_.setFont(font);
        const int height = QFontMetrics(font, &pdf_).lineSpacing();
        room(height);
        double x = 0.0;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const double w = shares[size_t(c)] * width();
            p_.drawText(QRectF(x, y_, w - 20.0, height),
                        (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, cells[c]);
            x += w;
        }
        y_ += height;
    }
    void gap(int lines = 1) { y_ += lines * QFontMetrics(p_.font(), &pdf_).lineSpacing() / 2; }
    // A block of this height, on this page if it fits.
    QRect block(int height) {
        room(height);
        const QRect r(0, y_, width(), height);
        y_ += height;
        return r;
    }

private:
    void room(int height) {
        if (y_ + height > p_.viewport().height() && y_ > 0) {
            pdf_.newPage();
            y_ = 0;
        }
    }
    QPdfWriter& pdf_;
    QPainter& p_;
    int y_ = 0;
};

// The daily dose as the program's graph draws it, with the budget's daily share as a line.
void drawChart(QPainter& p, const QRect& into, const DoseReport& r) {
    graphs::GraphDesign design;
    design.plotName = QStringLiteral("Daily dose");
    design.axis1Caption = QStringLiteral("Day of the period, from ") + r.first;
    design.cursorCount = 0;
    graphs::Graph graph(design);
    graph.setAttribute(Qt::WA_DontShowOnScreen);
    graph.resize(kChartPixels);
    std::vector<float> doses;
    double most = 0.0;
    for (const DoseReport::Day& d : r.days) {
        doses.push_back(float(d.luxHours));
        most = std::max(most, d.luxHours);
    }
    // The budget's daily share, where there is a budget.
    const double share = r.budgetLuxHours ? *r.budgetLuxHours / kDaysPerYear : 0.0;
    graph.plotYArray(doses, 1.0, 1.0);
    graph.setAxisCaption(2, QStringLiteral("lx\u00b7h a day"));
    graph.setAxisRange(1, 0.5, double(doses.size()) + 0.5);
    graph.setAxisRange(2, 0.0, std::max(most, share) * 1.1 + 1e-9);
    // Recorded as drawing commands, so that the page gets lines and text rather than a bitmap.
    QPicture picture;
    QPainter recorder(&picture);
    graph.render(&recorder, QPoint(), QRegion(), QWidget::DrawChildren);
    recorder.end();
    p.save();
    p.translate(into.topLeft());
    p.scale(double(into.width()) / graph.width(), double(into.width()) / graph.width());
    {
        // The picture is played at the page's resolution: undo that, as it is scaled already.
        const double resolution = double(picture.logicalDpiX()) / p.device()->logicalDpiX();
        p.save();
        p.scale(resolution, resolution);
        p.drawPicture(0, 0, picture);
        p.restore();
    }
    if (r.budgetLuxHours) {
        p.setPen(QPen(QColor(200, 0, 0), 1.5, Qt::DashLine));
        p.drawLine(graph.pixelOf(0.5, share), graph.pixelOf(double(doses.size()) + 0.5, share));
    }
    p.restore();
}

} // namespace

std::optional<DoseReport> doseReportFrom(const QJsonObject& o, QString* why) {
    DoseReport r;
    r.name = o.value(QLatin1String("name")).toString();
    r.first = o.value(QLatin1String("first_time")).toString().left(10);
    r.last = o.value(QLatin1String("last_time")).toString().left(10);
    r.luxHours = o.value(QLatin1String("exposure_lxh")).toDouble();
    r.budgetLuxHours = number(o.value(QLatin1String("budget_lxh")));
    r.projectedLuxHours = number(o.value(QLatin1String("projected_year_lxh")));
    r.projectionDays = o.value(QLatin1String("projected_days")).toInt();
    for (const QJsonValue& v : o.value(QLatin1String("days")).toArray()) {
        const QJsonObject d = v.toObject();
        r.days.push_back({QDate::fromString(d.value(QLatin1String("date")).toString(), Qt::ISODate),
                          d.value(QLatin1String("dose_lxh")).toDouble()});
    }
    for (const QJsonValue& v : o.value(QLatin1String("months")).toArray()) {
        const QJsonObject m = v.toObject();
        r.months.push_back(
            {m.value(QLatin1String("month")).toString(),
             m.value(QLatin1String("dose_lxh")).toDouble(),
             number(m.value(QLatin1String("mean_lx"))), m.value(QLatin1String("lit_h")).toDouble(),
             m.value(QLatin1String("days")).toInt(), number(m.value(QLatin1String("dli_mol_m2")))});
    }
    if (r.days.empty() || r.first.isEmpty()) {
        *why = QStringLiteral("the figures hold no day of readings");
        return std::nullopt;
    }
    return r;
}

bool writeDoseReport(const DoseReport& r, const QString& path, QString* why) {
    QPdfWriter pdf(path);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(300);
    pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    pdf.setTitle(QStringLiteral("Light dose report ") + r.name);
    pdf.setCreator(QStringLiteral("LuxPanel"));
    QPainter p;
    if (!p.begin(&pdf)) {
        *why = QStringLiteral("the file cannot be written");
        return false;
    }
    Writer w(pdf, p);
    w.line(r.name.isEmpty() ? QStringLiteral("Light dose report")
                            : QStringLiteral("Light dose report: ") + r.name,
           16, true);
    w.gap();
    const int withReadings = int(std::count_if(r.days.begin(), r.days.end(),
                                               [](const auto& d) { return d.luxHours > 0.0; }));
    w.line(QStringLiteral("Period: %1 to %2, %3 days, %4 of them with light")
               .arg(r.first, r.last)
               .arg(r.days.size())
               .arg(withReadings));
    QString dose = QStringLiteral("Dose: ") + lxh(r.luxHours);
    if (r.budgetLuxHours)
        dose += QStringLiteral(", %1 % of the annual budget of %2")
                    .arg(analysis::figureNumber(100.0 * r.luxHours / *r.budgetLuxHours),
                         lxh(*r.budgetLuxHours));
    w.line(dose, 11, true);
    QString year = QStringLiteral("A year at this rate: ");
    if (r.projectedLuxHours) {
        year += lxh(*r.projectedLuxHours);
        if (r.budgetLuxHours)
            year +=
                QStringLiteral(" (%1 % of the budget)")
                    .arg(analysis::figureNumber(100.0 * *r.projectedLuxHours / *r.budgetLuxHours));
        year += QStringLiteral(", from %1 whole days").arg(r.projectionDays);
    } else {
        year += analysis::kNeedsAWholeDay;
    }
    w.line(year);
    w.gap();
    const QRect chart = w.block(w.width() * kChartPixels.height() / kChartPixels.width());
    drawChart(p, chart, r);
    w.line(r.budgetLuxHours
               ? QStringLiteral("The dose of each day; dashed, the budget's daily share, ") +
                     lxh(*r.budgetLuxHours / kDaysPerYear)
               : QStringLiteral("The dose of each day"),
           8);
    w.gap(2);

    w.line(QStringLiteral("Months"), 11, true);
    const bool dli = std::any_of(r.months.begin(), r.months.end(),
                                 [](const auto& m) { return m.dli.has_value(); });
    const std::vector<double> shares{0.2, 0.2, 0.2, 0.2, 0.2};
    QStringList head{QStringLiteral("Month"), QStringLiteral("Dose, lx\u00b7h"),
                     QStringLiteral("Mean, lx"), QStringLiteral("Hours with light")};
    if (dli)
        head << QStringLiteral("DLI, mol/m\u00b2/d");
    w.row(head, shares, true);
    for (const DoseReport::Month& m : r.months) {
        QStringList cells{m.month, analysis::figureNumber(m.luxHours),
                          m.meanLux ? analysis::figureNumber(*m.meanLux) : QStringLiteral("-"),
                          analysis::figureNumber(m.litHours)};
        if (dli)
            cells << (m.dli ? analysis::figureNumber(*m.dli) : QStringLiteral("-"));
        w.row(cells, shares);
    }
    w.gap(2);

    w.line(QStringLiteral("Largest days"), 11, true);
    std::vector<DoseReport::Day> largest = r.days;
    std::stable_sort(largest.begin(), largest.end(),
                     [](const auto& a, const auto& b) { return a.luxHours > b.luxHours; });
    largest.resize(std::min<size_t>(largest.size(), kLargestDays));
    for (const DoseReport::Day& d : largest)
        w.row({d.date.toString(Qt::ISODate), lxh(d.luxHours)}, {0.2, 0.2});
    if (!p.end()) {
        *why = QStringLiteral("the file cannot be written");
        return false;
    }
    return true;
}

} // namespace report
