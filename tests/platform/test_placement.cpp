#include "platform/placement.h"

#include <QTest>

namespace {
// What window managers add: none (or a window without decoration), Openbox's default theme, and
// a thick frame with a tall title bar.
const QMargins kNoFrame;
const QMargins kOpenbox(1, 20, 1, 5);
const QMargins kThick(4, 30, 4, 4);
const QSize kPanel(578, 356);
const QSize kList(300, 500);
const QSize kControlPanel(200, 168);
} // namespace

class TestPlacement : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clientGeometry_data();
    void clientGeometry();
};

void TestPlacement::clientGeometry_data() {
    // The screen's available area, the frame, where the frame's corner is asked to go with the
    // client's size, the corners of other open windows, and the client's geometry that results.
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QPoint>("corner");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QList<QPoint>>("taken");
    QTest::addColumn<QRect>("placed");
    const QRect hd(0, 0, 1280, 720);
    QTest::newRow("1280 x 720, Openbox: the panel at the corner, its title bar on the screen")
        << hd << kOpenbox << QPoint(0, 0) << kPanel << QList<QPoint>{} << QRect(1, 20, 578, 356);
    QTest::newRow("1280 x 720, no frame: the corner as asked")
        << hd << kNoFrame << QPoint(0, 0) << kPanel << QList<QPoint>{} << QRect(0, 0, 578, 356);
    QTest::newRow("1280 x 720 under a top bar, thick frame: the panel below the bar")
        << QRect(0, 27, 1280, 693) << kThick << QPoint(0, 0) << kPanel << QList<QPoint>{}
        << QRect(4, 57, 578, 356);
    QTest::newRow("1280 x 720, Openbox: the control panel left of the screen comes in")
        << hd << kOpenbox << QPoint(-97, 381) << kControlPanel << QList<QPoint>{}
        << QRect(1, 401, 200, 168);
    QTest::newRow("1280 x 720, Openbox: a list beside a wide panel comes in from the right")
        << hd << kOpenbox << QPoint(1100, 0) << kList << QList<QPoint>{}
        << QRect(979, 20, 300, 500);
    QTest::newRow("1280 x 720, Openbox: a window under a tall panel moves up")
        << hd << kOpenbox << QPoint(100, 600) << kControlPanel << QList<QPoint>{}
        << QRect(101, 547, 200, 168);
    QTest::newRow("1280 x 720, thick frame: a window taller than the screen is cut to it")
        << hd << kThick << QPoint(0, 0) << QSize(710, 700) << QList<QPoint>{}
        << QRect(4, 30, 710, 686);
    QTest::newRow("1366 x 768, Openbox: the graph window as asked")
        << QRect(0, 0, 1366, 768) << kOpenbox << QPoint(0, 0) << QSize(710, 591) << QList<QPoint>{}
        << QRect(1, 20, 710, 591);
    QTest::newRow("1600 x 1000, Openbox: a list over another list's corner steps on")
        << QRect(0, 0, 1600, 1000) << kOpenbox << QPoint(580, 0) << kList << QList<QPoint>{{580, 0}}
        << QRect(613, 52, 300, 500);
    QTest::newRow("1600 x 1000, Openbox: over two lists, two steps")
        << QRect(0, 0, 1600, 1000) << kOpenbox << QPoint(580, 0) << kList
        << QList<QPoint>{{580, 0}, {612, 32}} << QRect(645, 84, 300, 500);
    QTest::newRow("1280 x 720, Openbox: in the screen's corner the step goes up and left")
        << hd << kOpenbox << QPoint(978, 195) << kList << QList<QPoint>{{978, 195}}
        << QRect(947, 183, 300, 500);
    QTest::newRow("1920 x 1080, thick frame: past the bottom right corner, in on both axes")
        << QRect(0, 0, 1920, 1080) << kThick << QPoint(1800, 900) << kList << QList<QPoint>{}
        << QRect(1616, 576, 300, 500);
    QTest::newRow("a second screen left of the first: in from its right edge")
        << QRect(-1280, 0, 1280, 1024) << kOpenbox << QPoint(-100, 0) << kList << QList<QPoint>{}
        << QRect(-301, 20, 300, 500);
}

void TestPlacement::clientGeometry() {
    QFETCH(QRect, available);
    QFETCH(QMargins, frame);
    QFETCH(QPoint, corner);
    QFETCH(QSize, client);
    QFETCH(QList<QPoint>, taken);
    QFETCH(QRect, placed);
    const QRect got =
        platform::clientGeometry(QRect(corner, client.grownBy(frame)), frame, available, taken);
    QCOMPARE(got, placed);
    // Title bar and borders included, wholly on the screen.
    QVERIFY(available.contains(got.marginsAdded(frame)));
}

QTEST_MAIN(TestPlacement)
#include "test_placement.moc"
