#pragma once

#include <QRect>
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

// Where a window goes beside the main window, in frame rectangles on the screen, so that it lies
// inside the screen's available area: right of the main window with the tops level, else left of
// it, else below it; then right of it or below it again, narrower or shorter but no smaller than
// its minimum; and when nothing fits, at its minimum width against the area's right edge, over
// as little of the main window as it can. A window larger than the area is cut to it.
QRect besideMainWindow(const QRect& main, const QSize& size, const QSize& minimum,
                       const QRect& available);

// Places and, if need be, shrinks a window not yet shown by besideMainWindow, on the main
// window's screen. Without a main window the window stays where it is.
void placeBesideOnScreen(QWidget& window, const QWidget* mainWindow);

} // namespace platform
