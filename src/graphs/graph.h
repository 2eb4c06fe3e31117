#pragma once

#include <QColor>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <optional>
#include <span>
#include <utility>
#include <vector>

class QCustomPlot;
class QCPGraph;
class QCPItemRect;
class QCPItemTracer;
class QCPAxis;
class QMouseEvent;

namespace graphs {

// How a graph is set up when its window is built: the names of its plot and axes, and how many
// crosshair cursors it carries.
struct GraphDesign {
    QString plotName = QStringLiteral("Plot-1");
    QString axis1Name = QStringLiteral("X-Axis");
    QString axis2Name = QStringLiteral("Y-Axis");
    QString axis1Caption;
    int cursorCount = 2;
};

// The graph control every graph window draws with. Axis 1 is the reading number (x), axis 2
// the value (y); cursors are numbered 1 and 2. The plotting library stays behind this class:
// nothing else in the program sees it.
class Graph : public QWidget {
    Q_OBJECT
public:
    // The track modes the windows write, 1 to 8.
    enum TrackModeValue {
        Normal = 1,
        CursorCoordinates = 2,
        PanXY = 3,
        PanX = 4,
        PanY = 5,
        ZoomXY = 6,
        ZoomX = 7,
        ZoomY = 8,
    };
    // Cursor mode 0 leaves a dragged cursor where the mouse is; mode 1 (what the windows write)
    // snaps it to the nearest reading of the plot, so the readout gives that reading's value.
    enum CursorModeValue { FreeCursor = 0, SnapToPlot = 1 };

    explicit Graph(const GraphDesign& design, QWidget* parent = nullptr);
    ~Graph() override;

    void setTrackMode(int mode);
    int trackMode() const { return trackMode_; }

    double axisMin(int axis) const;
    double axisMax(int axis) const;
    // Both ends at once. Reversed ends show the same span the right way round; equal ends are
    // widened around the value so that a lone reading still shows.
    void setAxisRange(int axis, double min, double max);
    void setAxisCaption(int axis, const QString& caption);
    QString axisCaption(int axis) const;

    double cursorX(int cursor) const;
    double cursorY(int cursor) const;
    void setCursorX(int cursor, double x);
    void setCursorY(int cursor, double y);
    void setCursorVisible(int cursor, bool visible);
    bool cursorVisible(int cursor) const;
    void setCursorMode(int cursor, int mode);
    int cursorMode(int cursor) const;

    // Replaces the plot: value k (from 0) is drawn at firstX + k * step.
    void plotYArray(std::span<const float> values, double firstX, double step);
    // Chart mode: one more point after the last; the chart keeps the last chartLength() points
    // in view and scrolls, so its cost does not grow with the run.
    void appendValue(double value);
    void setChartLength(int points);
    int chartLength() const { return chartLength_; }

    QColor colour() const;
    void setColour(const QColor& colour);

    // A shaded band across the whole width between two values of axis 2; none hides it.
    void setBand(std::optional<std::pair<double, double>> values);
    // The band as drawn, lower value first; none while hidden.
    std::optional<std::pair<double, double>> band() const;

    // Writes the graph as a picture: PDF for a ".pdf" name, otherwise a raster image in the
    // format of the suffix (PNG when there is none). False when the file cannot be written.
    bool saveImage(const QString& path);

    // For inspection (tests, benchmarks): the points in the plot, and where a graph coordinate
    // lies on the widget.
    int plotPointCount() const;
    QPointF plotPoint(int index) const;
    QPoint pixelOf(double x, double y) const;
    QWidget* surface() const;

signals:
    // A cursor was moved by the program or dragged by the user; tracking is true while the
    // mouse is still down.
    void cursorChanged(int cursor, double x, double y, bool tracking);
    // A left click on the graph without dragging.
    void clicked();
    // Axis 1 shows another range: zoomed, panned, reset or set by the program.
    void xRangeChanged(double min, double max);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Cursor {
        QCPItemTracer* tracer = nullptr;
        int mode = FreeCursor;
    };
    QCPAxis* axis(int axis) const;
    Cursor* cursor(int cursor);
    const Cursor* cursor(int cursor) const;
    void onMousePress(QMouseEvent* event);
    void onMouseMove(QMouseEvent* event);
    void onMouseRelease(QMouseEvent* event);
    void dragCursorTo(const QPointF& pixel, bool tracking);
    void replotSoon();

    QCustomPlot* plot_ = nullptr;
    QCPGraph* graph_ = nullptr;
    QCPItemRect* band_ = nullptr;
    std::vector<Cursor> cursors_;
    int trackMode_ = Normal;
    int draggedCursor_ = 0; // 0: none
    QPointF pressPos_;
    bool pressed_ = false;
    QColor colour_;
    int chartLength_ = 240;
    double chartLastX_ = 0.0;
    // The keys plotYArray last laid out, while the data still holds exactly them.
    struct EvenKeys {
        double firstX;
        double step;
        qsizetype count;
    };
    std::optional<EvenKeys> evenKeys_;
};

} // namespace graphs
