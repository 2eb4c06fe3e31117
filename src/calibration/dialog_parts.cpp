#include "calibration/dialog_parts.h"

#include "calibration/factor_values.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QWidget>

namespace calibration {

TypedKeyFilter::TypedKeyFilter(QWidget* control, QAbstractButton* onEnter)
    : QObject(control), onEnter_(onEnter) {
    control->installEventFilter(this);
}

bool TypedKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString typed = key->text();
    // Escape is the window's Cancel.
    if (typed.isEmpty() || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Escape)
        return false;
    if (!onEnter_)
        return true;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        onEnter_->click();
        return true;
    }
    return typed.size() != 1 || !acceptsEntryChar(typed[0]);
}

} // namespace calibration
