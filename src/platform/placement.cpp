#include "platform/placement.h"

#include <QScreen>

#include <algorithm>

namespace platform {

QRect besideMainWindow(const QRect& main, const QSize& size, const QSize& minimum,
                       const QRect& available) {
    const QSize whole = size.boundedTo(available.size());
    const QSize least = minimum.boundedTo(whole);
    const int top =
        std::clamp(main.top(), available.top(), available.bottom() + 1 - whole.height());
    const int left =
        std::clamp(main.left(), available.left(), available.right() + 1 - whole.width());
    const QRect rightOf(QPoint(main.right() + 1, top), whole);
    const QRect leftOf(QPoint(main.left() - whole.width(), top), whole);
    const QRect below(QPoint(left, main.bottom() + 1), whole);
    for (const QRect& r : {rightOf, leftOf, below}) {
        if (available.contains(r))
            return r;
    }
    const int roomRight = available.right() - main.right();
    if (roomRight >= least.width())
        return QRect(rightOf.topLeft(), QSize(roomRight, whole.height()));
    const int roomBelow = available.bottom() - main.bottom();
    if (roomBelow >= least.height())
        return QRect(below.topLeft(), QSize(whole.width(), roomBelow));
    // At its least width against the area's right edge, it covers as little of the main window
    // as it can.
    return QRect(available.right() + 1 - least.width(), top, least.width(), whole.height());
}

void placeBesideOnScreen(QWidget& window, const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    // Not shown yet, the window has no frame: it will get one like the main window's.
    const QSize frame = mainWindow->frameGeometry().size() - mainWindow->size();
    const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
    const QRect at = besideMainWindow(mainWindow->frameGeometry(), window.size() + frame,
                                      minimum + frame, mainWindow->screen()->availableGeometry());
    window.resize(at.size() - frame);
    window.move(at.topLeft());
}

} // namespace platform
