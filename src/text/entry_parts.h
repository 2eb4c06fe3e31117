#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <optional>

namespace textrules {

// What every two-part entry box says when its form is wrong.
inline const QString kInvalidFormatText =
    QStringLiteral("Invalid, comply with the data format properly\r\n");

// The two sides of a "12:34" or "1.50" entry, or nothing when its form is wrong: no separator,
// the separator first or last, fewer than three characters, or a second separator.
struct EntryParts {
    QStringView before;
    QStringView after;
};
std::optional<EntryParts> splitEntry(QStringView entry, QChar separator);

} // namespace textrules
