#include "survey/survey_file.h"

#include "analysis/reading_series.h"
#include "graphs/number_format.h"
#include "text/time_stamp.h"

#include <QStringList>

#include <cmath>

namespace survey {

namespace {

const QString kColumnTitles = QStringLiteral("Row\tColumn\tValue\tUnit\tTime");
constexpr qsizetype kMaxFieldChars = 32;

// A TAB or a line end in the area's name would break the line it is written on.
QString oneLine(QString text) {
    for (QChar& c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return text;
}

QString number(double v) {
    return graphs::plainNumber(v);
}

// A month ahead is as far as a survey's day of the month can point.
constexpr int kMaxDaysFromDate = 31;

QString timeText(const QDateTime& t) {
    return t.isValid() ? textrules::isoTimeText(t) : QString();
}

// Empty gives a null time; nothing when the text is not a time.
std::optional<QDateTime> pointTime(const QString& text, const QDate& date) {
    if (text.isEmpty())
        return QDateTime();
    const QDateTime iso = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (iso.isValid())
        return iso;
    const std::optional<textrules::Stamp> stamp = textrules::parseStamp(text);
    if (!stamp || !date.isValid())
        return std::nullopt;
    for (QDate d = date; d <= date.addDays(kMaxDaysFromDate); d = d.addDays(1))
        if (d.day() == stamp->day)
            return QDateTime(d, QTime(0, 0).addSecs(stamp->secondOfDay));
    return std::nullopt;
}

struct Reader {
    SurveyGrid grid;
    bool rowsSeen = false;
    bool columnsSeen = false;
    int line = 0;
    QString error;

    bool fail(const QString& why) {
        error = QStringLiteral("Line %1: %2").arg(line).arg(why);
        return false;
    }
    bool number(const QString& text, double min, double max, double* v) {
        return graphs::parseNumber(text, v) && std::isfinite(*v) && *v >= min && *v <= max;
    }
    bool side(const QStringList& f, int* out, bool* seen) {
        bool ok = false;
        const int n = f.size() == 2 ? f[1].toInt(&ok) : 0;
        if (!ok || n < 1 || n > kMaxGridSide)
            return fail(QStringLiteral("%1 must be 1 to %2.").arg(f[0]).arg(kMaxGridSide));
        *out = n;
        *seen = true;
        return true;
    }
    bool header(const QStringList& f) {
        Settings& s = grid.settings;
        const QString& key = f[0];
        if (key == QLatin1String("Area")) {
            s.area = f.mid(1).join(QLatin1Char(' '));
        } else if (key == QLatin1String("Date")) {
            grid.date = f.size() == 2 ? QDate::fromString(f[1], Qt::ISODate) : QDate();
            if (f.size() != 2 || (!f[1].isEmpty() && !grid.date.isValid()))
                return fail(QStringLiteral("the date is not a date (YYYY-MM-DD)."));
        } else if (key == QLatin1String("Rows")) {
            return side(f, &s.rows, &rowsSeen);
        } else if (key == QLatin1String("Columns")) {
            return side(f, &s.columns, &columnsSeen);
        } else if (key == QLatin1String("Spacing")) {
            const auto unit = f.size() == 4 ? lengthUnitFromText(f[3]) : std::nullopt;
            if (!unit || !number(f[1], 0.0, kMaxSpacing, &s.spacingX) ||
                !number(f[2], 0.0, kMaxSpacing, &s.spacingY) || s.spacingX <= 0.0 ||
                s.spacingY <= 0.0)
                return fail(QStringLiteral("the spacing is not two lengths and \"m\" or \"ft\"."));
            s.lengthUnit = *unit;
        } else if (key == QLatin1String("Required level")) {
            const auto unit = f.size() == 3 ? lightUnitFromText(f[2]) : std::nullopt;
            if (!unit || !number(f[1], 0.0, kMaxLevel, &s.requiredLevel))
                return fail(QStringLiteral("the required level is not a level and a unit."));
            s.levelUnit = *unit;
        } else if (key == QLatin1String("Required uniformity")) {
            if (f.size() != 2 || !number(f[1], 0.0, 1.0, &s.requiredUniformity))
                return fail(QStringLiteral("the required uniformity is not 0 to 1."));
        } else if (key == QLatin1String("Averaging")) {
            if (f.size() != 3 || f[2] != QLatin1String("s") ||
                !number(f[1], 0.0, kMaxAveragingSeconds, &s.averagingSeconds))
                return fail(QStringLiteral("the averaging time is not 0 to 5 s."));
        }
        // Settings this program does not know are skipped.
        return true;
    }
    bool point(const QStringList& f) {
        if (f.size() != 5)
            return fail(QStringLiteral("a point needs row, column, value, unit and time."));
        bool rowOk = false;
        bool columnOk = false;
        const GridPoint p{f[0].toInt(&rowOk) - 1, f[1].toInt(&columnOk) - 1};
        if (!rowOk || !columnOk || !grid.contains(p))
            return fail(QStringLiteral("point %1, %2 is not in the grid of %3 x %4.")
                            .arg(f[0], f[1])
                            .arg(grid.settings.rows)
                            .arg(grid.settings.columns));
        double v = 0.0;
        if (f[2].size() > kMaxFieldChars || !number(f[2], 0.0, kMaxLevel, &v))
            return fail(QStringLiteral("\"%1\" is not a reading.").arg(f[2].left(kMaxFieldChars)));
        const auto unit = lightUnitFromText(f[3]);
        if (!unit)
            return fail(QStringLiteral("the unit must be lx or fc."));
        if (grid.unit() && grid.unit() != unit)
            return fail(QStringLiteral("the points mix lx and fc."));
        if (f[4].size() > kMaxFieldChars)
            return fail(QStringLiteral("the time is too long."));
        const std::optional<QDateTime> taken = pointTime(f[4], grid.date);
        if (!taken)
            return fail(QStringLiteral("\"%1\" is not a time of the survey.").arg(f[4]));
        if (grid.at(p))
            return fail(QStringLiteral("point %1, %2 is given twice.").arg(f[0], f[1]));
        grid.at(p) = Reading{f[2], *unit, *taken};
        return true;
    }
};

} // namespace

QByteArray surveyFileText(const SurveyGrid& grid) {
    const Settings& s = grid.settings;
    QStringList lines{
        kSurveyFileTitle,
        QStringLiteral("Area\t") + oneLine(s.area),
        QStringLiteral("Date\t") + grid.date.toString(Qt::ISODate),
        QStringLiteral("Rows\t%1").arg(s.rows),
        QStringLiteral("Columns\t%1").arg(s.columns),
        QStringLiteral("Spacing\t%1\t%2\t%3")
            .arg(number(s.spacingX), number(s.spacingY), unitText(s.lengthUnit)),
        QStringLiteral("Required level\t%1\t%2")
            .arg(number(s.requiredLevel), unitText(s.levelUnit)),
        QStringLiteral("Required uniformity\t") + number(s.requiredUniformity),
        QStringLiteral("Averaging\t%1\ts").arg(number(s.averagingSeconds)),
        kColumnTitles,
    };
    for (int row = 0; row < s.rows; ++row)
        for (int column = 0; column < s.columns; ++column)
            if (const auto& r = grid.at({row, column}))
                lines << QStringLiteral("%1\t%2\t%3\t%4\t%5")
                             .arg(row + 1)
                             .arg(column + 1)
                             .arg(r->text, unitText(r->unit), timeText(r->taken));
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

OpenedSurvey readSurveyFile(const QByteArray& bytes) {
    const QString notSurvey = QStringLiteral("This is not a LuxPanel survey file.");
    if (bytes.size() > kMaxSurveyFileBytes)
        return {std::nullopt, notSurvey};
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    if (lines.isEmpty() || lines[0] != kSurveyFileTitle)
        return {std::nullopt, notSurvey};
    Reader reader;
    bool inPoints = false;
    for (int i = 1; i < lines.size(); ++i) {
        reader.line = i + 1;
        const QString& text = lines[i];
        if (text.isEmpty())
            continue;
        const QStringList fields = text.split(QLatin1Char('\t'));
        if (!inPoints && text == kColumnTitles) {
            if (!reader.rowsSeen || !reader.columnsSeen)
                return {std::nullopt, QStringLiteral("The file does not give the grid's rows "
                                                     "and columns.")};
            reader.grid.clearReadings();
            inPoints = true;
        } else if (!(inPoints ? reader.point(fields) : reader.header(fields))) {
            return {std::nullopt, reader.error};
        }
    }
    if (!inPoints)
        return {std::nullopt, QStringLiteral("The file ends before its points.")};
    return {std::move(reader.grid), QString()};
}

QByteArray surveyCsv(const SurveyGrid& grid) {
    const Settings& s = grid.settings;
    const QString length = unitText(s.lengthUnit);
    QStringList lines{QStringLiteral("Row,Column,X (%1),Y (%1),Value,Unit,Time").arg(length)};
    auto place = [](double v) { return graphs::formatNumber(v, QStringLiteral("0.###")); };
    for (int row = 0; row < s.rows; ++row)
        for (int column = 0; column < s.columns; ++column)
            if (const auto& r = grid.at({row, column}))
                lines << QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                             .arg(row + 1)
                             .arg(column + 1)
                             .arg(place(pointX(s, column)), place(pointY(s, row)), r->text,
                                  unitText(r->unit), timeText(r->taken));
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

} // namespace survey
