#include "platform/placement.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>

#include <algorithm>

namespace platform {

namespace {

// Enough to cascade every window the program opens at once.
constexpr int kMaxCascadeSteps = 16;

QMargins frameOf(const QWidget& w) {
    const QRect f = w.frameGeometry();
    const QRect g = w.geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

// Before the window manager has framed a window, the frame of another of the program's windows
// is the best guess: one window manager frames them all alike.
QMargins expectedFrame(const QWidget& window) {
    if (!frameOf(window).isNull())
        return frameOf(window);
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w != &window && w->isVisible() && !frameOf(*w).isNull())
            return frameOf(*w);
    return {};
}

QList<QPoint> takenCorners(const QWidget& window) {
    const QWidget* owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    QList<QPoint> corners;
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w != &window && w != owner && w->isVisible())
            corners << w->frameGeometry().topLeft();
    return corners;
}

void apply(QWidget& window, const FrameWish& wish, const QMargins& frame) {
    const QRect wanted = wish(frame);
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = QGuiApplication::screenAt(wanted.topLeft());
    if (!screen)
        screen = window.screen();
    window.setGeometry(
        clientGeometry(wanted, frame, screen->availableGeometry(), takenCorners(window)));
}

// Places a window again when it shows (the other windows may have come and gone since it was
// built) and once the window manager has framed it, with that frame; and brings it back within
// the screen whenever it grows past the screen's edge, as a window does whose content grows.
class FramePlacer : public QObject {
public:
    FramePlacer(QWidget& window, FrameWish wish, bool placed)
        : QObject(&window), window_(window), wish_(std::move(wish)), placed_(placed) {
        setObjectName(QStringLiteral("FramePlacer"));
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched != &window_ || applying_)
            return false;
        applying_ = true;
        if (type == QEvent::Resize && window_.isVisible())
            keepOnScreen();
        else if (type == QEvent::Show && !placed_)
            apply(window_, wish_, expectedFrame(window_));
        // The frame is known by the first paint at the latest; a frame that leaves the client
        // where it was moves nothing, so moves alone do not tell.
        else if ((type == QEvent::Move || type == QEvent::Paint) && !placed_ &&
                 !frameOf(window_).isNull()) {
            placed_ = true;
            apply(window_, wish_, frameOf(window_));
        }
        applying_ = false;
        return false;
    }

private:
    void keepOnScreen() {
        const QMargins frame = frameOf(window_);
        const QRect now = window_.geometry().marginsAdded(frame);
        QScreen* screen = window_.screen();
        const QRect fitted = clientGeometry(now, frame, screen->availableGeometry());
        if (fitted != window_.geometry())
            window_.setGeometry(fitted);
    }

    QWidget& window_;
    FrameWish wish_;
    bool placed_;
    bool applying_ = false;
};

QRect withSize(QPoint topLeft, const QWidget& window, const QMargins& frame) {
    return QRect(topLeft, window.size().grownBy(frame));
}

// A wish made from the main window's frame; should the main window go first, the window stays.
FrameWish fromMainWindow(QWidget& window, const QWidget* mainWindow,
                         std::function<QRect(const QRect& main, const QSize& own)> rule) {
    return [&window, main = QPointer<const QWidget>(mainWindow),
            rule = std::move(rule)](const QMargins& frame) {
        const QSize own = window.size().grownBy(frame);
        return main ? rule(main->frameGeometry(), own)
                    : QRect(window.frameGeometry().topLeft(), own);
    };
}

} // namespace

QRect fitOnScreen(const QRect& wanted, const QRect& available, const QList<QPoint>& taken) {
    const QSize size = wanted.size().boundedTo(available.size());
    auto inside = [&](QPoint p) {
        return QPoint(std::clamp(p.x(), available.left(), available.right() + 1 - size.width()),
                      std::clamp(p.y(), available.top(), available.bottom() + 1 - size.height()));
    };
    const QPoint at = inside(wanted.topLeft());
    if (!taken.contains(at))
        return QRect(at, size);
    for (const int direction : {1, -1}) {
        QPoint last = at;
        for (int k = 1; k <= kMaxCascadeSteps; ++k) {
            const QPoint p = inside(at + direction * k * QPoint(kCascadeStep, kCascadeStep));
            if (p == last)
                break; // the area's edge stops the steps this way
            if (!taken.contains(p))
                return QRect(p, size);
            last = p;
        }
    }
    return QRect(at, size);
}

QRect clientGeometry(const QRect& wantedFrame, const QMargins& frame, const QRect& available,
                     const QList<QPoint>& taken) {
    return fitOnScreen(wantedFrame, available, taken).marginsRemoved(frame);
}

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

void placeWindow(QWidget& window, FrameWish wish) {
    // The size the window would take when shown: placing it fixes its size.
    if (!window.testAttribute(Qt::WA_Resized))
        window.adjustSize();
    apply(window, wish, expectedFrame(window));
    // One watch a window: the last wish holds.
    delete window.findChild<QObject*>(QStringLiteral("FramePlacer"), Qt::FindDirectChildrenOnly);
    new FramePlacer(window, std::move(wish), !frameOf(window).isNull());
}

void placeAt(QWidget& window, QPoint frameTopLeft) {
    placeWindow(window, [&window, frameTopLeft](const QMargins& frame) {
        return withSize(frameTopLeft, window, frame);
    });
}

void placeBeside(QWidget& window, const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    placeWindow(window, fromMainWindow(window, mainWindow, [](const QRect& main, const QSize& own) {
                    return QRect(QPoint(main.right() + 1, main.top()), own);
                }));
}

void placeCentredOn(QWidget& window, const QWidget* mainWindow, std::optional<int> top) {
    if (!mainWindow)
        return;
    placeWindow(
        window, fromMainWindow(window, mainWindow, [top](const QRect& main, const QSize& own) {
            const int y = top ? main.y() + *top : main.y() + (main.height() - own.height()) / 2;
            return QRect(QPoint(main.x() + (main.width() - own.width()) / 2, y), own);
        }));
}

void placeUnder(QWidget& window, const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    placeWindow(window, fromMainWindow(window, mainWindow, [](const QRect& main, const QSize& own) {
                    return QRect(
                        QPoint(main.x() + (main.width() - own.width()) / 2, main.bottom() + 1),
                        own);
                }));
}

void placeBesideOnScreen(QWidget& window, const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    const QSize size = window.size();
    const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
    const QRect available = mainWindow->screen()->availableGeometry();
    placeWindow(window, [&window, main = QPointer<const QWidget>(mainWindow), size, minimum,
                         available](const QMargins& frame) {
        const QSize edges(frame.left() + frame.right(), frame.top() + frame.bottom());
        if (!main)
            return QRect(window.frameGeometry().topLeft(), window.size() + edges);
        return besideMainWindow(main->frameGeometry(), size + edges, minimum + edges, available);
    });
}

} // namespace platform
