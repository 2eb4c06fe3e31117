#pragma once

#include "graphs/graph.h"
#include "pdf_prompts.h"

#include <QApplication>
#include <QMouseEvent>

namespace graphtest {

// Runs the queued replots, so pixel positions follow the latest ranges.
inline void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

inline void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                  Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Presses at from, moves in steps to to and lets go, on the graph's drawing surface.
inline void drag(graphs::Graph* graph, QPoint from, QPoint to,
                 Qt::MouseButton button = Qt::LeftButton) {
    QWidget* s = graph->surface();
    from = s->mapFrom(graph, from);
    to = s->mapFrom(graph, to);
    mouse(s, QEvent::MouseButtonPress, from, button, button);
    for (int i = 1; i <= 4; ++i)
        mouse(s, QEvent::MouseMove, from + (to - from) * i / 4, Qt::NoButton, button);
    mouse(s, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
    settle();
}

inline void click(graphs::Graph* graph, QPoint at) {
    drag(graph, at, at);
}

using testsupport::PdfPrompts;

} // namespace graphtest
