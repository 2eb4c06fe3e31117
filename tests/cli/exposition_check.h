#pragma once

// A strict reader of the Prometheus text exposition format (0.0.4): what it refuses, a scraper
// would refuse or a linter would flag. Gives the first fault found, or nothing.

#include <QByteArray>
#include <QRegularExpression>
#include <QSet>
#include <QString>

#include <cmath>
#include <optional>

namespace exposition {

inline bool isNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^([+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?|[+-]?Inf|NaN)$"));
    return number.match(text).hasMatch();
}

// Samples end up in `samples` as "name{labels} value" with their labels as written.
inline std::optional<QString> check(const QByteArray& page, QStringList* samples = nullptr) {
    static const QRegularExpression comment(
        QStringLiteral("^# (HELP|TYPE) ([a-zA-Z_:][a-zA-Z0-9_:]*) (.*)$"));
    static const QRegularExpression sample(
        QStringLiteral("^([a-zA-Z_:][a-zA-Z0-9_:]*)(\\{(.*)\\})? ([^ ]+)( -?\\d+)?$"));
    static const QRegularExpression label(
        QStringLiteral("^([a-zA-Z_][a-zA-Z0-9_]*)=\"((?:[^\"\\\\\\n]|\\\\[\\\\\"n])*)\"(,|$)"));
    if (!page.endsWith('\n'))
        return QStringLiteral("the page does not end with a line feed");
    QSet<QString> helped, typed, finished, series;
    QMap<QString, QString> types;
    QString current; // the family whose samples are being read
    const QStringList lines = QString::fromUtf8(page).split(u'\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QString& line = lines[i];
        const QString where = QStringLiteral("line %1 \"%2\": ").arg(i + 1).arg(line);
        if (line.startsWith(u'#')) {
            const auto m = comment.match(line);
            if (!m.hasMatch())
                continue; // a plain comment
            const QString name = m.captured(2);
            QSet<QString>& seen = m.captured(1) == QLatin1String("HELP") ? helped : typed;
            if (seen.contains(name))
                return where + QStringLiteral("a second %1 for %2").arg(m.captured(1), name);
            seen.insert(name);
            if (m.captured(1) == QLatin1String("TYPE")) {
                static const QSet<QString> kinds{"counter", "gauge", "histogram", "summary",
                                                 "untyped"};
                if (!kinds.contains(m.captured(3)))
                    return where + QStringLiteral("unknown type");
                if (finished.contains(name) || current == name)
                    return where + QStringLiteral("TYPE after the family's samples");
                types[name] = m.captured(3);
            } else if (m.captured(3).trimmed().isEmpty()) {
                return where + QStringLiteral("empty help");
            }
            continue;
        }
        const auto m = sample.match(line);
        if (!m.hasMatch())
            return where + QStringLiteral("not a sample");
        const QString name = m.captured(1);
        if (name != current) {
            if (finished.contains(name))
                return where + QStringLiteral("the family's samples are not together");
            if (!current.isEmpty())
                finished.insert(current);
            current = name;
        }
        QString labels = m.captured(3);
        QSet<QString> labelNames;
        while (!labels.isEmpty()) {
            const auto l = label.match(labels);
            if (!l.hasMatch())
                return where + QStringLiteral("a malformed label");
            if (labelNames.contains(l.captured(1)))
                return where + QStringLiteral("a label given twice");
            labelNames.insert(l.captured(1));
            labels = labels.mid(l.capturedLength());
        }
        if (!isNumber(m.captured(4)))
            return where + QStringLiteral("not a number");
        if (series.contains(name + m.captured(2)))
            return where + QStringLiteral("a series given twice");
        series.insert(name + m.captured(2));
        if (!typed.contains(name) || !helped.contains(name))
            return where + QStringLiteral("a sample without HELP and TYPE before it");
        if (types[name] == QLatin1String("counter") &&
            (!name.endsWith(QLatin1String("_total")) || m.captured(4).toDouble() < 0.0))
            return where + QStringLiteral("a counter must end in _total and not be negative");
        if (samples)
            samples->append(name + m.captured(2) + u' ' + m.captured(4));
    }
    return std::nullopt;
}

} // namespace exposition
