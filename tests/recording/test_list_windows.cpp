#include "analysis/readings.h"
#include "fake_link.h"
#include "graphs/graphs.h"
#include "graphs/statistics_panel.h"
#include "grid_cells.h"
#include "link/display_stream.h"
#include "link/exchange_queue.h"
#include "link/meter_link.h"
#include "link/waiter.h"
#include "lists/summary_line.h"
#include "pdf_prompts.h"
#include "platform/grid.h"
#include "recording/list_windows.h"
#include "shared/session.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <memory>

#include <time.h>

using recording::FileList;
using recording::ListWindows;
using recording::RealTimeList;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QWidget* plotWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Plot") && w->isVisible())
            return w;
    return nullptr;
}

QStringList row(const platform::Grid& g, int r) {
    return {g.Text(r, 0), g.Text(r, 1), g.Text(r, 2)};
}

void click(QWidget* window, const QString& key) {
    window->findChild<QToolBar*>(QStringLiteral("Toolbar1"))->findChild<QAction*>(key)->trigger();
}

QStringList toolbarKeys(QWidget* window) {
    QStringList keys;
    for (QAction* a : window->findChild<QToolBar*>(QStringLiteral("Toolbar1"))->actions())
        keys << a->objectName();
    return keys;
}

// The panel's lines that start with one of the names.
QStringList linesNamed(const QWidget& dialog, const QStringList& names) {
    QStringList out;
    for (const QString& line : dialog.findChild<graphs::StatisticsPanel*>()->shownLines())
        for (const QString& name : names)
            if (line.startsWith(name + QLatin1Char(':')))
                out << line;
    return out;
}

// Lets deferred deletes of closed windows run.
void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

class TestListWindows : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<shared::Session> session;
    std::unique_ptr<testsupport::PdfPrompts> prompts;
    // The main window's polling, which printing pauses: never started, its meter never talks.
    testsupport::VirtualWaiter clock;
    testsupport::FakePort port{clock};
    meterlink::LinkState linkState;
    meterlink::MeterLink link{port, clock, linkState};
    std::unique_ptr<meterlink::DisplayStream> stream;
    std::unique_ptr<meterlink::EventLoopWaiter> waiter;
    std::unique_ptr<meterlink::ExchangeQueue> exchanges;
    std::unique_ptr<graphs::Graphs> graphs;
    std::unique_ptr<ListWindows> windows;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    FileList& open(const QByteArray& bytes) {
        const QString file = path("data.txt");
        writeFile(file, bytes);
        prompts->nextOpenPath = file;
        windows->OpenDataFile(nullptr);
        return *windows->fileList();
    }

private slots:
    void initTestCase() {
        // Exported times carry the local offset: one hour east of UTC, all year.
        qputenv("TZ", "CET-1");
        tzset();
    }
    void init() {
        session = std::make_unique<shared::Session>();
        prompts = std::make_unique<testsupport::PdfPrompts>();
        stream = std::make_unique<meterlink::DisplayStream>(
            link, session->display, nullptr, meterlink::DisplayStream::Cadence::Panel);
        waiter = std::make_unique<meterlink::EventLoopWaiter>();
        exchanges = std::make_unique<meterlink::ExchangeQueue>(*waiter);
        graphs = std::make_unique<graphs::Graphs>(*session, *prompts, *exchanges);
        windows = std::make_unique<ListWindows>(*session, *prompts, *stream, *exchanges, *graphs);
    }
    void cleanup() {
        windows.reset();
        graphs.reset();
        settle();
    }

    void gridAddItemFillsThreeColumns_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("three parts") << "1\ta\tb" << QStringList{"1", "a", "b"};
        QTest::newRow("parts beyond the third dropped")
            << "1\ta\tb\tc\t" << QStringList{"1", "a", "b"};
        QTest::newRow("missing parts empty") << "1" << QStringList{"1", "", ""};
        QTest::newRow("empty leading parts") << "\t\tb" << QStringList{"", "", "b"};
        QTest::newRow("empty line") << "" << QStringList{"", "", ""};
    }
    void gridAddItemFillsThreeColumns() {
        QFETCH(QString, line);
        QFETCH(QStringList, cells);
        platform::Grid g(3);
        g.AddItem(line);
        QCOMPARE(g.Rows(), 2);
        QCOMPARE(row(g, 1), cells);
        QCOMPARE(g.Text(2, 0), QString());
        QCOMPARE(g.Text(1, 3), QString());
    }

    void realTimeListHeaderShowsTheUnit() {
        session->display.UnitText = QStringLiteral("Fc");
        RealTimeList& list = windows->showRealTimeList(nullptr);
        QCOMPARE(session->recording.ListUnit, QStringLiteral("Fc"));
        QCOMPARE(row(list.grid(), 0), (QStringList{"Fc", "Time", "Value"}));
        QCOMPARE(list.grid().Rows(), 1);
        QCOMPARE(list.windowTitle(), QStringLiteral("Real Time List"));
        QCOMPARE(list.findChild<QAction*>("Save")->toolTip(), QStringLiteral("Save As"));
        QCOMPARE(list.findChild<QAction*>("Print")->toolTip(), QStringLiteral("Print"));
        QCOMPARE(toolbarKeys(&list), (QStringList{"Save", "Print", "Statistics", "ExportCsv"}));
        QCOMPARE(list.findChild<QAction*>("Statistics")->text(),
                 QStringLiteral("Statistics\u2026"));
        QCOMPARE(list.findChild<QAction*>("ExportCsv")->toolTip(),
                 QStringLiteral("Export CSV\u2026"));
    }

    void summaryFollowsAppendedRows() {
        // Before any row, then after each: held ten seconds each, the over-range row's slot
        // left out, and the row after the pause held ten seconds; 4000 lx·s, then 10000.
        const QStringList summaries{
            "0 rows \u00b7 No valid reading.",
            "1 row \u00b7 min 100 \u00b7 max 100 \u00b7 mean 100 Lx \u00b7 0 lx\u00b7h",
            "2 rows \u00b7 min 100 \u00b7 max 300 \u00b7 mean 200 Lx \u00b7 1.111 lx\u00b7h",
            "3 rows \u00b7 min 100 \u00b7 max 300 \u00b7 mean 200 Lx \u00b7 1.111 lx\u00b7h",
            "4 rows \u00b7 min 100 \u00b7 max 600 \u00b7 mean 333.3 Lx \u00b7 2.778 lx\u00b7h"};
        session->display.UnitText = QStringLiteral("Lx");
        RealTimeList& list = windows->showRealTimeList(nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QStringList rows{"1\t08-10:00:00\t100", "2\t08-10:00:10\t300", "3\t08-10:00:20\tOL",
                               "4\t08-10:05:00\t600"};
        QCOMPARE(list.summary()->text(), summaries[0]);
        for (int i = 0; i < rows.size(); ++i) {
            list.appendSample(rows[i]);
            QTRY_COMPARE(list.summary()->text(), summaries[i + 1]);
        }
        // Under the grid, and all of it in view: broken between two figures, where the grid
        // is narrower than the line, onto a second line that the window has room for.
        const lists::SummaryLine& line = *list.summary();
        QVERIFY(line.geometry().top() >= list.grid().geometry().bottom());
        QCOMPARE(line.lines().join(lists::SummaryLine::kSeparator), line.text());
        QCOMPARE(line.lines().size(), 2);
        QCOMPARE(line.height(), line.heightFor(2));
        for (const QString& part : line.lines())
            QVERIFY(line.fontMetrics().horizontalAdvance(part) <= line.contentsRect().width());
    }

    void fileListSummaryOfTheWholeFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("summary");
        QTest::newRow("with its unit")
            << QByteArray("Lx\tTime\tValue\r\n1\t30-23:59:50\t5\r\n2\t01-00:00:05\t7\r\n")
            << "2 rows \u00b7 min 5 \u00b7 max 7 \u00b7 mean 6 Lx \u00b7 0.05 lx\u00b7h";
        QTest::newRow("a header without a unit")
            << QByteArray("x\tTime\tValue\r\n1\t30-23:59:50\t5\r\n2\t01-00:00:05\t7\r\n")
            << "2 rows \u00b7 min 5 \u00b7 max 7 \u00b7 mean 6 \u00b7 0.05 lx\u00b7h";
    }
    void fileListSummaryOfTheWholeFile() {
        QFETCH(QByteArray, file);
        QFETCH(QString, summary);
        FileList& list = open(file);
        QTRY_COMPARE(list.summary()->text(), summary);
    }

    void exportGivesTheRowsWithTheirDates_data() {
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QByteArray>("csv");
        // The live list's rows were recorded up to now, 2026-12-08 12:00.
        QTest::newRow("live list") << false << "CSV files (*.csv)"
                                   << "Real Time List 2026-12-07 23-59-50.csv"
                                   << QByteArray("time,reading,value,unit\r\n"
                                                 "2026-12-07T23:59:50+01:00,12.34,12.34,Lx\r\n"
                                                 "2026-12-08T00:00:05+01:00,OL,,Lx\r\n"
                                                 "2026-12-08T00:00:10+01:00,\"1,5\",1,Lx\r\n");
        // A file modified on 2026-12-01 at 08:00: its 30th is November's.
        QTest::newRow("file")
            << true << "CSV files, year and month from the file's modification time (*.csv)"
            << "data.csv"
            << QByteArray("time,reading,value,unit\r\n"
                          "2026-11-30T23:59:50+01:00,5,5,Lx\r\n"
                          "2026-12-01T00:00:05+01:00,OL,,Lx\r\n");
    }
    void exportGivesTheRowsWithTheirDates() {
        QFETCH(bool, fromFile);
        QFETCH(QByteArray, csv);
        lists::ListWindow* list = nullptr;
        if (fromFile) {
            const QString file = path("data.txt");
            writeFile(file, "Lx\tTime\tValue\r\n1\t30-23:59:50\t5\r\n2\t01-00:00:05\tOL\r\n");
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime(QDate(2026, 12, 1), QTime(8, 0)),
                                  QFileDevice::FileModificationTime));
            f.close();
            prompts->nextOpenPath = file;
            windows->OpenDataFile(nullptr);
            list = windows->fileList();
        } else {
            session->display.UnitText = QStringLiteral("Lx");
            RealTimeList& live = windows->showRealTimeList(nullptr);
            for (const char* r :
                 {"1\t07-23:59:50\t12.34", "2\t08-00:00:05\tOL", "3\t08-00:00:10\t1,5"})
                live.appendSample(QString::fromLatin1(r));
            list = &live;
        }
        list->setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(12, 0)); });
        // A name without a suffix gets ".csv".
        QFile::remove(path("export.csv"));
        prompts->nextSavePath = path("export");
        click(list, "ExportCsv");
        QTEST(prompts->saveFilters.value(0), "filter");
        QTEST(QFileInfo(prompts->proposedPaths.value(0)).fileName(), "proposed");
        QCOMPARE(readFile(path("export.csv")), csv);
        QVERIFY(prompts->messages.isEmpty());
    }

    void exportFailureIsReported() {
        RealTimeList& list = windows->showRealTimeList(nullptr);
        list.appendSample(QStringLiteral("1\t08-10:00:00\t100"));
        prompts->nextSavePath = QStringLiteral("/no/such/folder/list.csv");
        click(&list, "ExportCsv");
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages[0].text, QStringLiteral("The CSV file could not be written."));
        QVERIFY(prompts->messages[0].detail.startsWith(prompts->nextSavePath + ": "));
    }

    void statisticsOpensTheFiguresOfTheList() {
        session->display.UnitText = QStringLiteral("Lx");
        RealTimeList& list = windows->showRealTimeList(nullptr);
        list.setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(12, 0)); });
        for (const char* r : {"1\t07-23:59:50\t100", "2\t08-00:00:00\tOL", "3\t08-00:00:10\t300"})
            list.appendSample(QString::fromLatin1(r));
        click(&list, "Statistics");
        QDialog* dialog = list.statisticsWindow();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Statistics \u2013 Real Time List"));
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("StatisticsRange"))->text(),
                 QStringLiteral("All 3 rows of the list"));
        // Dated up to now; 100 lx and 300 lx held ten seconds each.
        QCOMPARE(linesNamed(*dialog, {"Rows", "Over range", "First", "Last", "Mean", "Exposure"}),
                 (QStringList{"Rows: 3", "Over range: 1", "First: 2026-12-07 23:59:50",
                              "Last: 2026-12-08 00:00:10", "Mean: 200 Lx",
                              "Exposure: 1.111 lx\u00b7h"}));
        // The list goes on; a second click brings the same window up to date.
        list.appendSample(QStringLiteral("4\t08-00:00:20\t500"));
        click(&list, "Statistics");
        QCOMPARE(list.statisticsWindow(), dialog);
        QCOMPARE(linesNamed(*dialog, {"Rows", "Mean"}), (QStringList{"Rows: 4", "Mean: 300 Lx"}));
    }

    void listOpensBesideThePanel() {
        QWidget panel;
        panel.setGeometry(40, 30, 300, 200);
        panel.show();
        const QRect main = panel.frameGeometry();
        RealTimeList& list = windows->showRealTimeList(&panel);
        QCOMPARE(list.frameGeometry().topLeft(), QPoint(main.x() + main.width(), main.y()));
        // The file list, placed there too, keeps off the live list's title bar.
        prompts->nextOpenPath = path("data.txt");
        writeFile(prompts->nextOpenPath, "Lx\tTime\tValue\r\n");
        windows->OpenDataFile(&panel);
        QCOMPARE(windows->fileList()->frameGeometry().topLeft(),
                 list.frameGeometry().topLeft() + QPoint(32, 32));
        list.close();
    }

    void newestSampleStaysInView() {
        RealTimeList& list = windows->showRealTimeList(nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        for (int n = 1; n <= 40; ++n)
            list.appendSample(QStringLiteral("%1\t07-14:05:09\t12.5").arg(n));
        platform::Grid& g = list.grid();
        QCOMPARE(g.Rows(), 41);
        QCOMPARE(g.Row(), 40);
        QCOMPARE(g.TopRow(), 26);
        const QRect newest = g.visualRect(g.model()->index(39, 0));
        QVERIFY(g.viewport()->rect().contains(newest));
        QCOMPARE(row(g, 40), (QStringList{"40", "07-14:05:09", "12.5"}));
        // The grid places its cells itself; they stand where the table's rows and columns are,
        // also when the view rests between two rows.
        for (int offset : {0, 7}) {
            g.verticalScrollBar()->setValue(g.verticalScrollBar()->value() - offset);
            for (int r = 20; r < 40; ++r)
                for (int c = 0; c < 3; ++c)
                    QCOMPARE(g.visualRect(g.model()->index(r, c)),
                             QRect(g.columnViewportPosition(c), g.rowViewportPosition(r),
                                   g.columnWidth(c) - 1, g.rowHeight(r) - 1));
        }
    }

    void listShowsItsCellsInFull_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        // The widest a reading's row gets: the live list's last row, a time late on a long
        // day, a full-scale reading.
        QTest::newRow("number") << 0 << "100000";
        QTest::newRow("time") << 1 << "28-23:58:08";
        QTest::newRow("value") << 2 << "999999";
    }
    void listShowsItsCellsInFull() {
        QFETCH(int, col);
        QFETCH(QString, text);
        RealTimeList& list = windows->showRealTimeList(nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.appendSample(QStringLiteral("100000\t28-23:58:08\t999999"));
        const platform::Grid& g = list.grid();
        QCOMPARE(g.Text(1, col), text);
        QVERIFY2(testsupport::cellSlack(g, 1, col) >= 0,
                 qPrintable(QString::number(testsupport::cellSlack(g, 1, col))));
    }

    void closingTheLiveListEndsItAndReopeningStartsEmpty() {
        session->recording.ListRecording = true;
        session->recording.ListSampleCount = 2;
        windows->showRealTimeList(nullptr).appendSample(QStringLiteral("1\ta\tb"));
        windows->unloadRealTimeList();
        QVERIFY(!windows->realTimeList());
        QVERIFY(!session->recording.ListRecording);
        QCOMPARE(session->recording.ListSampleCount, 0);
        settle();
        QCOMPARE(windows->showRealTimeList(nullptr).grid().Rows(), 1);
    }

    void saveRefusedDuringFileRecording() {
        session->recording.FileRecording = true;
        session->recording.ListRecording = true;
        prompts->nextSavePath = path("list.txt");
        RealTimeList& list = windows->showRealTimeList(nullptr);
        list.appendSample(QStringLiteral("1\ta\tb"));
        {
            // Clicked while the panel talks to the meter: the box waits until it is done.
            meterlink::ExchangeQueue::Exchange talking(*exchanges);
            click(&list, "Save");
            QCoreApplication::processEvents();
            QVERIFY(prompts->messages.isEmpty());
        }
        QTRY_COMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages[0].text,
                 QStringLiteral("Aready in recording mode, close it and try again !"));
        QCOMPARE(prompts->messages[0].icon, platform::MessageIcon::Critical);
        QVERIFY(!QFile::exists(prompts->nextSavePath));
        QVERIFY(session->recording.ListRecording);
    }

    // Saved in the grid form and opened again: the same rows, the unit in the header.
    void savedListOpensAgain() {
        session->display.UnitText = QStringLiteral("Lx");
        RealTimeList& list = windows->showRealTimeList(nullptr);
        list.appendSample(QStringLiteral("1\t07-14:05:09\t12.34"));
        list.appendSample(QStringLiteral("2\t07-14:05:11\tOL"));
        list.setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(12, 0)); });
        // Proposed after its first row; the name typed gets ".txt".
        prompts->nextSavePath = path("list");
        click(&list, "Save");
        QCOMPARE(QFileInfo(prompts->proposedPaths.value(0)).fileName(),
                 QStringLiteral("Real Time List 2026-12-07 14-05-09.txt"));
        QVERIFY(prompts->messages.isEmpty());
        QVERIFY(!session->recording.SavePathChosen);
        prompts->nextSavePath = path("list.txt");
        QCOMPARE(readFile(prompts->nextSavePath),
                 QByteArray("Lx\tTime\tValue\t\r\n1\t07-14:05:09\t12.34\t\r\n"
                            "2\t07-14:05:11\tOL\t\r\n"));
        prompts->nextOpenPath = prompts->nextSavePath;
        windows->OpenDataFile(nullptr);
        const platform::Grid& g = windows->fileList()->grid();
        QCOMPARE(g.Rows(), 3);
        QCOMPARE(row(g, 0), (QStringList{"Lx", "Time", "Value"}));
        QCOMPARE(row(g, 2), (QStringList{"2", "07-14:05:11", "OL"}));
        QCOMPARE(windows->fileList()->windowTitle(), QStringLiteral("list.txt"));
    }

    // The busy pointer from the save dialog to the end of the write; a failure is told with the
    // normal pointer.
    void saveShowsTheBusyPointer_data() {
        QTest::addColumn<QString>("saveTo"); // empty: the dialog is cancelled
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("failure");
        QTest::newRow("file chosen") << path("list.txt") << true << QString();
        QTest::newRow("dialog cancelled") << QString() << false << QString();
        QTest::newRow("write fails")
            << QStringLiteral("/dev/full") << false
            << QStringLiteral("The file is incomplete: writing it failed.");
    }
    void saveShowsTheBusyPointer() {
        QFETCH(QString, saveTo);
        QFETCH(bool, written);
        QFETCH(QString, failure);
        if (saveTo.startsWith(QLatin1String("/dev/")) && !QFile::exists(saveTo))
            QSKIP("no /dev/full to fail a write");
        QFile::remove(path("list.txt"));
        RealTimeList& list = windows->showRealTimeList(nullptr);
        list.appendSample(QStringLiteral("1\ta\tb"));
        prompts->nextSavePath = saveTo;
        QList<int> pointers; // each one seen in the dialog, in a progress caption, in a message
        auto pointer = [] {
            const QCursor* c = QApplication::overrideCursor();
            return c ? int(c->shape()) : -1;
        };
        prompts->whileSaveFileShown = [&] { pointers << pointer(); };
        prompts->whileMessageShown = [&] { pointers << pointer(); };
        connect(&list, &QWidget::windowTitleChanged, this, [&] { pointers << pointer(); });
        click(&list, "Save");
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!session->recording.SavePathChosen);
        QCOMPARE(QFile::exists(path("list.txt")), written);
        QCOMPARE(list.windowTitle(), QStringLiteral("Real Time List"));
        QList<int> expected{Qt::WaitCursor};
        if (!saveTo.isEmpty())
            expected << Qt::WaitCursor << Qt::WaitCursor; // progress, caption back
        QStringList texts;
        for (const auto& shown : std::as_const(prompts->messages))
            texts << shown.text;
        if (failure.isEmpty()) {
            QCOMPARE(texts, QStringList());
        } else {
            QCOMPARE(texts, QStringList{failure});
            expected << -1;
        }
        QCOMPARE(pointers, expected);
    }

    void saveFailurePartWayIsReported() {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full to fail a write");
        RealTimeList& list = windows->showRealTimeList(nullptr);
        list.appendSample(QStringLiteral("1\ta\tb"));
        prompts->nextSavePath = QStringLiteral("/dev/full");
        click(&list, "Save");
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages[0].text,
                 QStringLiteral("The file is incomplete: writing it failed."));
        QCOMPARE(list.windowTitle(), QStringLiteral("Real Time List"));
        QVERIFY(!session->recording.SavePathChosen);
    }

    void openRefusedDuringFileRecording() {
        session->recording.FileRecording = true;
        prompts->nextOpenPath = path("data.txt");
        writeFile(prompts->nextOpenPath, "Lx\r\n");
        windows->OpenDataFile(nullptr);
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages[0].text,
                 QStringLiteral("Recording Mode!\n\rPlease stop recording!"));
        QVERIFY(!windows->fileList());
    }

    void openEndsSilently_data() {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("cancelled") << QString();
        QTest::newRow("missing file") << "/no/such/file";
        QTest::newRow("a folder") << "/";
        QTest::newRow("a device without end") << "/dev/zero";
    }
    void openEndsSilently() {
        QFETCH(QString, chosen);
        prompts->nextOpenPath = chosen;
        windows->OpenDataFile(nullptr);
        QVERIFY(!windows->fileList());
        QVERIFY(prompts->messages.isEmpty());
    }

    void openingAnotherFileReplacesTheList() {
        QPointer<FileList> first = &open("Lx\r\n1\ta\tb\r\n2\tc\td\r\n");
        QCOMPARE(first->grid().Rows(), 3);
        FileList& second = open("Fc\r\n7\te\tf\r\n");
        QVERIFY(first != &second);
        settle();
        QVERIFY(!first);
        QCOMPARE(second.grid().Rows(), 2);
        QCOMPARE(row(second.grid(), 0), (QStringList{"Fc", "Time", "Value"}));
    }

    void emptyFileShowsHeaderAndTitle() {
        FileList& list = open({});
        QCOMPARE(list.grid().Rows(), 1);
        QCOMPARE(row(list.grid(), 0), (QStringList{"No.s", "Time", "Value"}));
        QCOMPARE(list.windowTitle(), QStringLiteral("data.txt"));
        QCOMPARE(list.findChild<QAction*>("Plot")->toolTip(), QStringLiteral("Plot"));
    }

    // The range starts at the first value, so an over-range first value keeps the top at
    // 1000000 even though the other values are smaller.
    void plotStartsTheRangeAtTheFirstValue() {
        FileList& list = open("Lx\tTime\tValue\r\n1\ta\tOL\r\n2\tb\t5\r\n3\tc\t12.5x\r\n");
        click(&list, "Plot");
        const graphs::PlotHandOver& h = session->graph.plot;
        QCOMPARE(h.PlotValues, (std::vector<float>{1000000.0f, 5.0f, 12.5f}));
        QCOMPARE(h.PlotCount, 3.0f);
        QCOMPARE(h.PlotMin, 5.0f);
        QCOMPARE(h.PlotMax, 1000000.0f);
        QCOMPARE(h.PlotUnit, QStringLiteral("Lx"));
        QVERIFY(plotWindow());
        // The rows go along for the window's statistics and export, dated from the file.
        QVERIFY(h.PlotReadings);
        QCOMPARE(h.PlotReadings->readings(), (std::vector<QString>{"OL", "5", "12.5x"}));
        QCOMPARE(h.PlotReadings->size(), 3);
        QVERIFY(h.PlotReadings->datesFromFileTime());
    }

    void plotIgnoredWithoutDataRows() {
        FileList& list = open("Lx\tTime\tValue\r\n");
        click(&list, "Plot");
        QCOMPARE(session->graph.plot.PlotUnit, QString());
        QVERIFY(!plotWindow());
    }

    // A cell wider than its column no longer ends the printout: all 300 rows are printed.
    void printsEveryRowPastALongCell() {
        FileList& list = open("Lx\r\n1234567890123\ta\tb\r\n" +
                              QByteArray("2\t07-14:05:09\t12.34\r\n").repeated(299));
        prompts->pdfPath = path("list.pdf");
        click(&list, "Print");
        QVERIFY(prompts->messages.isEmpty());
        const QByteArray pdf = readFile(prompts->pdfPath);
        QVERIFY(pdf.startsWith("%PDF"));
        // Far more lines than one page holds.
        QVERIFY2(pdf.count("/Type /Page\n") >= 4, QByteArray::number(pdf.count("/Type /Page\n")));
        QCOMPARE(list.windowTitle(), QStringLiteral("data.txt"));
        QVERIFY(!stream->paused());
    }

    void printFailureIsReported() {
        FileList& list = open("Lx\r\n1\ta\tb\r\n");
        prompts->pdfPath = QStringLiteral("/no/such/folder/list.pdf");
        bool pausedAtMessage = false;
        prompts->whileMessageShown = [&] { pausedAtMessage = stream->paused(); };
        click(&list, "Print");
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages[0].text, QStringLiteral("The list could not be printed."));
        QCOMPARE(list.windowTitle(), QStringLiteral("data.txt"));
        // Polling runs again before the box opens.
        QVERIFY(!pausedAtMessage);
        QVERIFY(!stream->paused());
    }
};

QTEST_MAIN(TestListWindows)
#include "test_list_windows.moc"
