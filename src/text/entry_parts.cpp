#include "text/entry_parts.h"

namespace textrules {

std::optional<EntryParts> splitEntry(QStringView entry, QChar separator) {
    const qsizetype at = entry.indexOf(separator);
    if (entry.size() < 3 || at <= 0 || at == entry.size() - 1 ||
        entry.indexOf(separator, at + 1) >= 0)
        return std::nullopt;
    return EntryParts{entry.left(at), entry.mid(at + 1)};
}

} // namespace textrules
