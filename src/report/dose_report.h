#pragma once

#include <QDate>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace report {

// What the light dose report shows of a record, as `luxpanel-cli stats --combine --json` gives
// its figures.
struct DoseReport {
    QString name;        // the meter
    QString first, last; // the period, ISO 8601
    double luxHours = 0.0;
    std::optional<double> budgetLuxHours;
    std::optional<double> projectedLuxHours;
    int projectionDays = 0;
    struct Day {
        QDate date;
        double luxHours = 0.0;
    };
    std::vector<Day> days;
    struct Month {
        QString month; // YYYY-MM
        double luxHours = 0.0;
        std::optional<double> meanLux;
        double litHours = 0.0;
        int days = 0;
        std::optional<double> dli;
    };
    std::vector<Month> months;
};

// The report of the figures, or why they do not make one.
std::optional<DoseReport> doseReportFrom(const QJsonObject& figures, QString* why);

// Writes the report as a PDF: one A4 page (more only for a long table of months) with the
// period, the meter, the dose against the budget, a chart of the daily dose with the budget's
// daily share as a line, the months and the largest days. False, with why, when it cannot.
bool writeDoseReport(const DoseReport& report, const QString& path, QString* why);

} // namespace report
