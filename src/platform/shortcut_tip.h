#pragma once

#include <QKeySequence>
#include <QString>

namespace platform {

// A button's tool tip that tells its shortcut: "Save As (Ctrl+S)".
inline QString withShortcut(const QString& tip, const QKeySequence& keys) {
    return keys.isEmpty()
               ? tip
               : QStringLiteral("%1 (%2)").arg(tip, keys.toString(QKeySequence::NativeText));
}

} // namespace platform
