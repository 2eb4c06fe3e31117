#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

// Counts the paints of one widget, for benchmarks that time "until painted". Not the widget's
// child: the widget may be deleted first, as a graph window is when it closes.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Runs events until the widget has painted once more; false after two seconds without.
inline bool waitForPaint(PaintCounter& counter) {
    const int before = counter.paints;
    QElapsedTimer t;
    t.start();
    while (counter.paints == before) {
        if (t.elapsed() > 2000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}
