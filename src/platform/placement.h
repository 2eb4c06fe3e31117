#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <functional>
#include <optional>

namespace platform {

// The step a window moves on when its corner would fall on another window's: about a title bar.
inline constexpr int kCascadeStep = 32;

// The one placement rule of every window, on frame rectangles (title bar and borders included)
// in screen coordinates. A window keeps the place and size it asks for where they fit in the
// screen's available area; one larger than the area is cut to it, and one that sticks out is
// moved in until it lies wholly on it. A window whose top-left corner would fall on the corner of
// another open window (in `taken`), hiding that one's title bar, moves on a step right and down,
// or left and up where the area ends, until it falls on none.
QRect fitOnScreen(const QRect& wanted, const QRect& available, const QList<QPoint>& taken = {});

// The same rule for a window whose window manager adds the given frame: the geometry its client
// area (what the toolkit places) gets for the frame it asks for.
QRect clientGeometry(const QRect& wantedFrame, const QMargins& frame, const QRect& available,
                     const QList<QPoint>& taken = {});

// Where a window asks to go beside the main window, in frame rectangles on the screen, so that
// it lies inside the screen's available area: right of the main window with the tops level, else
// left of it, else below it; then right of it or below it again, narrower or shorter but no
// smaller than its minimum; and when nothing fits, at its minimum width against the area's right
// edge, over as little of the main window as it can. A window larger than the area is cut to it.
QRect besideMainWindow(const QRect& main, const QSize& size, const QSize& minimum,
                       const QRect& available);

// Where a window asks to go, as a frame rectangle, given the frame its window manager adds.
using FrameWish = std::function<QRect(const QMargins& frame)>;

// Places a top-level window, before it is shown, by fitOnScreen on the screen its wish lands on.
// Until the window manager has framed it, its frame is taken to be like that of the program's
// other windows; when it shows, and once the real frame is known, it is placed again, so that
// its title bar is on the screen whatever the window manager adds. A window that grows past the
// screen's edge later (its content grew) is brought back onto it. The other open windows of the
// program, but for the one that owns it, are the corners it keeps off.
void placeWindow(QWidget& window, FrameWish wish);

// The common wishes, each with the window's present size.
// The frame's top-left corner at a point of the screen.
void placeAt(QWidget& window, QPoint frameTopLeft);
// The left edge at the main window's right edge, the tops level.
void placeBeside(QWidget& window, const QWidget* mainWindow);
// Centred on the main window, the top `top` pixels below the main window's, or centred on
// both axes when top is not given.
void placeCentredOn(QWidget& window, const QWidget* mainWindow, std::optional<int> top = {});
// Centred under the main window.
void placeUnder(QWidget& window, const QWidget* mainWindow);
// By besideMainWindow, narrower or shorter if need be; on the main window's screen.
void placeBesideOnScreen(QWidget& window, const QWidget* mainWindow);

} // namespace platform
