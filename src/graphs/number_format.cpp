#include "graphs/number_format.h"

#include <QLocale>

#include <cmath>

namespace graphs {

namespace {

struct Pattern {
    int minIntegerDigits = 1;
    int minDecimals = 0;
    int maxDecimals = 0;
};

bool readPattern(const QString& pattern, Pattern* out) {
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const QString integerPart = point < 0 ? pattern : pattern.left(point);
    const QString decimalPart = point < 0 ? QString() : pattern.mid(point + 1);
    Pattern p;
    p.minIntegerDigits = 0;
    for (QChar c : integerPart) {
        if (c == QLatin1Char('0'))
            ++p.minIntegerDigits;
        else if (c != QLatin1Char('#'))
            return false;
    }
    bool optionalSeen = false;
    for (QChar c : decimalPart) {
        if (c == QLatin1Char('0') && !optionalSeen)
            ++p.minDecimals;
        else if (c == QLatin1Char('#'))
            optionalSeen = true;
        else
            return false;
        ++p.maxDecimals;
    }
    *out = p;
    return true;
}

// "-0.0" reads as a sign error to the user; a value that rounds to zero shows without it.
QString dropNegativeZero(QString text) {
    if (text.startsWith(QLatin1Char('-'))) {
        bool allZero = true;
        for (qsizetype i = 1; i < text.size(); ++i)
            if (text[i] != QLatin1Char('0') && text[i] != QLatin1Char('.'))
                allZero = false;
        if (allZero)
            text.remove(0, 1);
    }
    return text;
}

} // namespace

QString formatNumber(double v, const QString& pattern) {
    Pattern p;
    if (!std::isfinite(v) || !readPattern(pattern, &p))
        return plainNumber(v);
    QString text = QString::number(v, 'f', p.maxDecimals);
    if (p.maxDecimals > p.minDecimals) {
        // Trim the optional decimals that are zero, then the point if nothing follows it.
        const qsizetype point = text.indexOf(QLatin1Char('.'));
        qsizetype keep = text.size();
        while (keep > point + 1 + p.minDecimals && text[keep - 1] == QLatin1Char('0'))
            --keep;
        if (keep == point + 1)
            keep = point;
        text.truncate(keep);
    }
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text.remove(0, 1);
    qsizetype integerDigits = text.indexOf(QLatin1Char('.'));
    if (integerDigits < 0)
        integerDigits = text.size();
    if (integerDigits < p.minIntegerDigits)
        text.prepend(QString(p.minIntegerDigits - integerDigits, QLatin1Char('0')));
    else if (p.minIntegerDigits == 0 && integerDigits == 1 && text.startsWith(QLatin1Char('0')) &&
             text.size() > 1)
        text.remove(0, 1); // "#.##" shows 0.5 as ".5"
    if (negative)
        text.prepend(QLatin1Char('-'));
    return dropNegativeZero(text);
}

QString plainNumber(double v) {
    if (!std::isfinite(v))
        return QString::number(v);
    return dropNegativeZero(QString::number(v, 'f', QLocale::FloatingPointShortest));
}

bool parseNumber(const QString& text, double* value) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.contains(QLatin1Char(',')))
        return false;
    for (QChar c : t)
        if (c.isLetter())
            return false; // no "inf", "nan" or exponents from a range edit
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

} // namespace graphs
