#pragma once

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

// What every benchmark prints: one "name: value unit" line a figure. A figure that could not be
// measured fails the run, naming the figure, rather than printing a number that means nothing.

inline bool fail(const char* figure, const QString& why) {
    std::fprintf(stderr, "%s: %s\n", figure, qPrintable(why));
    return false;
}

inline bool report(const char* name, std::optional<double> value, const char* unit) {
    if (!value)
        return fail(name, QStringLiteral("nothing was measured"));
    std::printf("%s: %.3f %s\n", name, *value, unit);
    std::fflush(stdout);
    return true;
}

inline std::optional<double> median(std::vector<double> v) {
    if (v.empty())
        return std::nullopt;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}
