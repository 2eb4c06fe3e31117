#pragma once

#include <QObject>
#include <QPointer>

namespace platform {

// Holds a window that deletes itself on close. A closed window lingers until its deferred
// delete runs; forgetting it as it closes makes the next use load a fresh window rather than
// hand out the closing one. Window has a closed() signal sent from its close event.
template <class Window> Window& keepUntilClosed(QPointer<Window>& slot, Window* window) {
    slot = window;
    QObject::connect(window, &Window::closed, window, [&slot, window] {
        if (slot == window)
            slot.clear();
    });
    return *window;
}

} // namespace platform
