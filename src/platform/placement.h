#pragma once

#include <QWidget>

namespace platform {

// Moves a window so that its left edge meets the main window's right edge, tops level. Without a
// main window the window stays where it is.
inline void placeBeside(QWidget& window, const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    const QRect main = mainWindow->frameGeometry();
    window.move(main.x() + main.width(), main.y());
}

} // namespace platform
