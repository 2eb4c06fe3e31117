#include "logger/logger_windows.h"

#include "graphs/graphs.h"
#include "grid_cells.h"
#include "link/meter_link.h"
#include "lists/summary_line.h"
#include "logger/data_list.h"
#include "logger/memory_window.h"
#include "platform/grid.h"
#include "session_rig.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using logger::Memory;

namespace {

QByteArray set(const char* headerHex, const char* recordsHex) {
    return QByteArray::fromHex("0055aa00") + QByteArray::fromHex(headerHex) +
           QByteArray::fromHex(recordsHex);
}

// Five records of 1234 in the range of bit 3, then two in those of bits 5 and 6.
const QByteArray kFive = set("072359300030", "04d20804d20804d20804d20804d208");
const QByteArray kTwo = set("312359050130", "04d22004d240");

// The reply to "Q": 15 lead bytes, the memory, a trailing byte.
QByteArray reply(const QByteArray& memory) {
    return QByteArray(15, char(0xEE)) + memory + QByteArray(1, char(0xEE));
}

QStringList row(const platform::Grid& g, int r) {
    QStringList cells;
    for (int c = 0; c < g.Cols(); ++c)
        cells << g.Text(r, c);
    return cells;
}

// A meter holding a logger memory; each "Q" is answered with the chunks scripted, each at its
// delay after the "Q".
struct Rig : testsupport::SessionRig {
    graphs::Graphs graphs{session, prompts, link.exchanges()};
    logger::LoggerWindows windows{session, link, prompts, stream, graphs, nullptr};
    QList<std::pair<double, QByteArray>> chunks;
    QList<bool> pollingWhenSent; // per command
    QStringList progress;        // LblMessage as it changed during the download
    bool heldThroughout = true;  // the download held the port at every wait
    std::function<void(double now)> during;

    explicit Rig(const QByteArray& memory = kFive + kTwo) {
        meter.pollValue = 1535 + quint32(memory.size());
        chunks = {{0.1, reply(memory)}};
        stream.PollCounter = 7;
        auto meterAnswers = port.responder;
        port.responder = [this, meterAnswers](const QByteArray& bytes) {
            pollingWhenSent << !stream.paused();
            meterAnswers(bytes);
            if (bytes == "Q")
                for (const auto& [delay, chunk] : chunks)
                    port.deliver(chunk, delay);
        };
        clock.onWait = [this, meterScript = clock.onWait](double now) {
            meterScript(now);
            heldThroughout &= link.exchanges().busy();
            if (windows.memoryWindow()) {
                const QString text = message();
                if (progress.isEmpty() || progress.last() != text)
                    progress << text;
            }
            if (during)
                during(now);
        };
    }
    Memory& memory() const { return *windows.memoryWindow(); }
    QString label(const char* name) const {
        return memory().findChild<QLabel*>(QLatin1String(name))->text();
    }
    QString message() const { return label("LblMessage"); }
    void expectPollingAgain() {
        QVERIFY(!stream.paused());
        QCOMPARE(stream.PollCounter, 0);
        QVERIFY(!link.exchanges().busy());
        QVERIFY(heldThroughout);
        QVERIFY(!pollingWhenSent.contains(true));
    }
};

// Every caption the Data List takes once built, with the rows its grids hold at that moment.
class DataListCaptions : public QObject {
public:
    struct Caption {
        QString text;
        int luxRows;
        int footCandleRows;
    };
    DataListCaptions() { QCoreApplication::instance()->installEventFilter(this); }
    QList<Caption> seen;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowTitleChange)
            if (auto* list = qobject_cast<logger::DataList*>(watched))
                seen.append(
                    {list->windowTitle(), list->GridM().Rows() - 1, list->GridI().Rows() - 1});
        return false;
    }
};

void click(QWidget* window, const QString& key) {
    window->findChild<QToolBar*>(QStringLiteral("Toolbar1"))->findChild<QAction*>(key)->trigger();
}

} // namespace

class TestLoggerWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downloadListsTheSets();
    void scanEndings_data();
    void scanEndings();
    void nothingToDownload_data();
    void nothingToDownload();
    void bytesAreTakenAsTheyCome_data();
    void bytesAreTakenAsTheyCome();
    void transferStops_data();
    void transferStops();
    void cancel_data();
    void cancel();
    void shutdownEndsTheDownload();
    void erase_data();
    void erase();
    void dataList();
    void dataListCaptionFollowsTheRows_data();
    void dataListCaptionFollowsTheRows();
    void dataListSaveAndPlot();
    void setGridShowsItsCellsInFull_data();
    void setGridShowsItsCellsInFull();
};

void TestLoggerWindows::downloadListsTheSets() {
    Rig rig;
    // Half of it at once, the rest a second later; and bytes beyond the reply.
    const QByteArray all = reply(kFive + kTwo);
    rig.chunks = {{0.1, all.left(21)}, {1.1, all.mid(21) + "surplus"}};
    rig.session.logger.MemoryClearBusy = true;
    rig.windows.DownloadLoggerMemory();

    QCOMPARE(rig.port.sent, QByteArray("AAHAQ"));
    // The reply is first looked for 0.2 s after "Q".
    const double q = rig.port.writtenAt("Q");
    QCOMPARE(qRound((rig.port.firstReadAfter(q) - q) * 1000), 200);
    rig.expectPollingAgain();
    QVERIFY(!rig.session.logger.MemoryClearBusy);
    QVERIFY(rig.session.logger.MemoryWindowOpen);
    Memory& m = rig.memory();
    QVERIFY(m.isVisible());
    QCOMPARE(m.windowTitle(), QStringLiteral("Data Logger"));
    QCOMPARE(rig.label("LblSize"), QStringLiteral("128 K"));
    QCOMPARE(rig.label("LblRemain"), QStringLiteral("126.4 K"));
    QCOMPARE(rig.progress, (QStringList{"", "36.8% Completed"}));
    QCOMPARE(rig.message(), QStringLiteral("100.0% Completed"));
    QVERIFY(m.findChild<QPushButton*>("CmdCancel")->isHidden());
    const platform::Grid& g = m.GridSet();
    QCOMPARE(g.Rows(), 3);
    QCOMPARE(row(g, 0), (QStringList{"Set", "Time", "Sampling", "Records"}));
    QCOMPARE(row(g, 1), (QStringList{"1", "07-23:59:30", "30", "5"}));
    QCOMPARE(row(g, 2), (QStringList{"2", "31-23:59:05", "90", "2"}));
    QCOMPARE(rig.session.logger.LoggerSets, (std::vector<QByteArray>{kFive, kTwo}));
}

void TestLoggerWindows::scanEndings_data() {
    QTest::addColumn<QByteArray>("memory");
    QTest::addColumn<int>("sets");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("streamBytes"); // display stream bytes before the reply
    QTest::newRow("last set cut short")
        << kFive + kTwo.left(14) << 1 << logger::kCutShortText << QByteArray();
    QTest::newRow("no marker at the start")
        << "\x01" + kFive << 0 << logger::kNoSetText << QByteArray();
    QTest::newRow("stream bytes before the reply")
        << kFive + kTwo << 2 << QStringLiteral("100.0% Completed")
        << QByteArray::fromHex("0012345678000a0b0c0d0e0f03");
    // Sent before a busy meter took the "Q": a whole frame, then a late poll reply and a frame.
    QTest::newRow("a whole display frame before the reply")
        << kFive + kTwo << 2 << QStringLiteral("100.0% Completed")
        << QByteArray::fromHex("02aaa12340000000101000080203");
    QTest::newRow("a poll reply and a display frame before the reply")
        << kFive + kTwo << 2 << QStringLiteral("100.0% Completed")
        << QByteArray::fromHex("02aa00064703"
                               "02aaa12340000000101000080203");
}

void TestLoggerWindows::scanEndings() {
    QFETCH(QByteArray, memory);
    QFETCH(int, sets);
    QFETCH(QString, message);
    QFETCH(QByteArray, streamBytes);
    Rig rig(memory);
    rig.chunks.front().second.prepend(streamBytes);
    rig.windows.DownloadLoggerMemory();
    rig.expectPollingAgain();
    QCOMPARE(rig.memory().GridSet().Rows(), sets + 1);
    QCOMPARE(int(rig.session.logger.LoggerSets.size()), sets);
    QCOMPARE(rig.message(), message);
}

void TestLoggerWindows::nothingToDownload_data() {
    QTest::addColumn<quint32>("end");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << 1535u << QByteArray("A") << logger::kNoDataText;
    QTest::newRow("beyond the memory")
        << 131072u << QByteArray("AAHA") << logger::kImpossibleEndText.arg(131072);
}

void TestLoggerWindows::nothingToDownload() {
    QFETCH(quint32, end);
    QFETCH(QByteArray, sent);
    QFETCH(QString, message);
    Rig rig;
    rig.meter.pollValue = end;
    rig.windows.DownloadLoggerMemory();
    QCOMPARE(rig.port.sent, sent);
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].text, message);
    QCOMPARE(rig.prompts.messages[0].icon, platform::MessageIcon::Critical);
    QVERIFY(!rig.windows.memoryWindow());
    QVERIFY(!rig.session.logger.MemoryWindowOpen);
    rig.expectPollingAgain();
    // A second click tries again.
    rig.windows.DownloadLoggerMemory();
    QCOMPARE(rig.port.sent, sent + sent);
}

void TestLoggerWindows::bytesAreTakenAsTheyCome_data() {
    QTest::addColumn<QList<double>>("delays"); // after "Q", of the reply's parts
    QTest::addColumn<double>("end");           // of the transfer, after "Q"
    QTest::newRow("last part just after a read") << QList<double>{0.1, 0.251} << 0.251;
    QTest::newRow("three parts between reads") << QList<double>{0.1, 0.449, 0.97} << 0.97;
    QTest::newRow("whole reply before the first read") << QList<double>{0.1} << 0.2;
}

// A pass of the receive loop ends as bytes come: the reply is taken when its last part comes,
// not at the end of a pass.
void TestLoggerWindows::bytesAreTakenAsTheyCome() {
    QFETCH(QList<double>, delays);
    QFETCH(double, end);
    Rig rig;
    const QByteArray all = reply(kFive + kTwo);
    rig.chunks.clear();
    const qsizetype part = all.size() / delays.size() + 1;
    for (qsizetype i = 0; i < delays.size(); ++i)
        rig.chunks << std::pair{delays[i], all.mid(i * part, part)};
    double queried = -1.0;
    auto meterAnswers = rig.port.responder;
    rig.port.responder = [&](const QByteArray& bytes) {
        if (bytes == "Q")
            queried = rig.clock.now();
        meterAnswers(bytes);
    };
    rig.windows.DownloadLoggerMemory();
    QCOMPARE(rig.session.logger.LoggerSets, (std::vector<QByteArray>{kFive, kTwo}));
    QVERIFY(queried > 0);
    const double took = rig.clock.now() - queried;
    QVERIFY2(qAbs(took - end) < 0.001, QByteArray::number(took));
}

void TestLoggerWindows::transferStops_data() {
    QTest::addColumn<int>("bytes"); // of the reply that come
    QTest::addColumn<bool>("askedAgain");
    QTest::newRow("after 20 bytes") << 20 << false;
    QTest::newRow("no answer to Q: asked again until the time-out") << 0 << true;
}

void TestLoggerWindows::transferStops() {
    QFETCH(int, bytes);
    QFETCH(bool, askedAgain);
    Rig rig;
    rig.chunks = {{0.1, reply(kFive).left(bytes)}};
    rig.session.logger.LoggerSets = {kTwo};
    const double start = rig.clock.now();
    rig.windows.DownloadLoggerMemory();
    QCOMPARE(rig.port.sent.count('Q') > 1, askedAgain);
    QVERIFY(rig.clock.now() - start < logger::kDownloadStallSeconds + 1.0);
    rig.expectPollingAgain();
    QCOMPARE(rig.message(), logger::kStalledText);
    QCOMPARE(rig.memory().GridSet().Rows(), 1);
    QVERIFY(rig.session.logger.LoggerSets.empty());
    QVERIFY(rig.memory().findChild<QPushButton*>("CmdCancel")->isHidden());
    QVERIFY(rig.session.logger.MemoryWindowOpen);
}

void TestLoggerWindows::cancel_data() {
    QTest::addColumn<bool>("closeWindow"); // rather than "Cancel"
    QTest::newRow("Cancel") << false;
    QTest::newRow("window closed") << true;
}

void TestLoggerWindows::cancel() {
    QFETCH(bool, closeWindow);
    Rig rig;
    rig.chunks = {{0.1, reply(kFive).left(20)}, {2.0, reply(kFive).mid(20)}};
    rig.during = [&](double) {
        if (rig.progress.size() < 2 || !rig.windows.memoryWindow())
            return;
        if (closeWindow)
            rig.memory().close();
        else
            rig.memory().findChild<QPushButton*>("CmdCancel")->click();
    };
    rig.windows.DownloadLoggerMemory();
    rig.expectPollingAgain();
    QVERIFY(rig.prompts.messages.isEmpty());
    QCOMPARE(rig.session.logger.MemoryWindowOpen, !closeWindow);
    if (!closeWindow)
        QCOMPARE(rig.message(), logger::kCancelledText);
    QVERIFY(rig.session.logger.LoggerSets.empty());
}

void TestLoggerWindows::shutdownEndsTheDownload() {
    Rig rig;
    rig.chunks = {{0.1, reply(kFive).left(20)}};
    rig.during = [&](double) {
        if (rig.progress.size() > 1)
            rig.clock.shutDown();
    };
    rig.windows.DownloadLoggerMemory();
    QCOMPARE(rig.port.sent, QByteArray("AAHAQ"));
    QVERIFY(rig.prompts.messages.isEmpty());
    QVERIFY(!rig.link.exchanges().busy());
}

void TestLoggerWindows::erase_data() {
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("OK") << true << QByteArray("AE");
    QTest::newRow("Cancel") << false << QByteArray();
}

void TestLoggerWindows::erase() {
    QFETCH(bool, ok);
    QFETCH(QByteArray, sent);
    Rig rig;
    rig.windows.DownloadLoggerMemory();
    const QPointer<Memory> window = &rig.memory();
    rig.port.sent.clear();
    rig.prompts.confirmAnswer = ok;
    int questions = 0;
    rig.prompts.whileMessageShown = [&] {
        // A second click meanwhile asks nothing more; polling waits for the answer.
        window->ClearLoggerMemory();
        QVERIFY(rig.stream.paused());
        QVERIFY(!rig.link.exchanges().busy());
        ++questions;
    };
    QTest::mouseClick(window->findChild<QLabel*>("LblRemain"), Qt::LeftButton);

    QCOMPARE(questions, 1);
    const auto& asked = rig.prompts.messages.last();
    QCOMPARE(asked.text, QStringLiteral("All the data in memory will be deleted!"));
    QCOMPARE(asked.title, QStringLiteral("Warning"));
    QCOMPARE(asked.icon, platform::MessageIcon::Exclamation);
    QCOMPARE(rig.port.sent, sent);
    if (ok) {
        // "E" goes out 0.02 s after the poll's reply was read.
        const double e = rig.port.writtenAt("E");
        QCOMPARE(qRound((e - rig.port.lastReadBefore(e)) * 1000), 20);
    }
    QCOMPARE(window && window->isVisible(), !ok);
    QCOMPARE(rig.session.logger.MemoryWindowOpen, !ok);
    QVERIFY(!rig.session.logger.MemoryClearBusy);
    QVERIFY(!rig.stream.paused());
    // The sets stay until the next download.
    QCOMPARE(rig.session.logger.LoggerSets.size(), size_t(2));
}

void TestLoggerWindows::dataList() {
    Rig rig;
    rig.session.display.status.FcOn = true;
    rig.windows.DownloadLoggerMemory();
    platform::Grid& sets = rig.memory().GridSet();
    // Beside a main window, off the corner the list goes to.
    rig.memory().move(300, 0);
    rig.memory().show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.memory()));
    QTest::mouseClick(sets.viewport(), Qt::LeftButton, {},
                      sets.visualRect(sets.model()->index(1, 2)).center());

    logger::DataList* list = rig.windows.dataList();
    QVERIFY(list);
    QCOMPARE(list->windowTitle(), QStringLiteral("Data List"));
    QCOMPARE(list->pos(), QPoint(0, 0));
    QCOMPARE(row(list->GridM(), 0), (QStringList{"Lx", "Time", "Value"}));
    QCOMPARE(row(list->GridI(), 0), (QStringList{"Fc", "Time", "Value"}));
    QCOMPARE(row(list->GridM(), 1), (QStringList{"1", "31-23:59:05", "12340"}));
    QCOMPARE(row(list->GridI(), 2), (QStringList{"2", "01-00:00:35", "11463.86"}));
    QCOMPARE(list->GridM().Rows(), 3);
    // The meter displays foot-candles: that table first; "Unit" switches, and the summary
    // line goes with the table shown. The 31st to the 1st is one day on: 90 s a row.
    QVERIFY(list->GridM().isHidden() && !list->GridI().isHidden());
    QTRY_COMPARE(
        list->summary()->text(),
        QStringLiteral("2 rows \u00b7 min 1146 \u00b7 max 11464 \u00b7 mean 6305 Fc \u00b7 "
                       "3393 lx\u00b7h"));
    click(list, "Unit");
    QVERIFY(!list->GridM().isHidden() && list->GridI().isHidden());
    QCOMPARE(list->summary()->text(),
             QStringLiteral("2 rows \u00b7 min 12340 \u00b7 max 123400 \u00b7 mean 67870 Lx \u00b7 "
                            "3394 lx\u00b7h"));
    QVERIFY(rig.session.logger.LuxGridShown);

    // Another set replaces the list; the meter now shows lux, and the new list that table.
    const QPointer<logger::DataList> first = list;
    rig.session.display.status.FcOn = false;
    rig.windows.ShowLoggerSet(1);
    QVERIFY(rig.windows.dataList() != first);
    QVERIFY(!rig.windows.dataList()->GridM().isHidden());
    QVERIFY(rig.windows.dataList()->GridI().isHidden());
    QCOMPARE(rig.windows.dataList()->GridM().Rows(), 6);
    QCOMPARE(row(rig.windows.dataList()->GridM(), 3), (QStringList{"3", "08-00:00:30", "123.4"}));
    QCOMPARE(row(rig.windows.dataList()->GridI(), 3), (QStringList{"3", "08-00:00:30", "11.46"}));
}

void TestLoggerWindows::dataListCaptionFollowsTheRows_data() {
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("atLeast"); // progress captions before the last
    QTest::newRow("one record") << 1 << 0;
    QTest::newRow("1000 records") << 1000 << 3;
    QTest::newRow("10000 records") << 10000 << 30;
}

// While a set is listed the caption gives the share of rows already in the grids, moving on
// many times in a long set, and ends on "Data List".
void TestLoggerWindows::dataListCaptionFollowsTheRows() {
    QFETCH(int, records);
    QFETCH(int, atLeast);
    Rig rig;
    rig.session.logger.LoggerSets = {QByteArray::fromHex("0055aa00072359300030") +
                                     QByteArray::fromHex("04d208").repeated(records)};
    DataListCaptions captions;
    rig.windows.ShowLoggerSet(1);
    const QList<DataListCaptions::Caption>& seen = captions.seen;
    QVERIFY(seen.size() >= 2);
    QCOMPARE(seen.last().text, QStringLiteral("Data List"));
    QCOMPARE(seen.last().luxRows, records);
    const DataListCaptions::Caption& full = seen[seen.size() - 2];
    QCOMPARE(full.text, QStringLiteral("100.0 % completed"));
    QCOMPARE(full.luxRows, records);
    int before = 0;
    for (qsizetype i = 0; i + 1 < seen.size(); ++i) {
        const DataListCaptions::Caption& c = seen[i];
        QCOMPARE(c.footCandleRows, c.luxRows);
        QVERIFY2(c.luxRows > before, qPrintable(c.text));
        before = c.luxRows;
        QCOMPARE(c.text, QString::number(100.0 * c.luxRows / records, 'f', 1) +
                             QStringLiteral(" % completed"));
    }
    QVERIFY2(seen.size() - 2 >= atLeast, qPrintable(QString::number(seen.size())));
}

void TestLoggerWindows::dataListSaveAndPlot() {
    QTemporaryDir dir;
    Rig rig;
    rig.session.display.status.FcOn = true;
    rig.windows.DownloadLoggerMemory();
    rig.windows.ShowLoggerSet(2);
    logger::DataList& list = *rig.windows.dataList();
    rig.prompts.nextSavePath = dir.filePath(QStringLiteral("fc.txt"));

    rig.session.recording.FileRecording = true;
    click(&list, "Save");
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].text,
             QStringLiteral("Aready in recording mode, close it and try again !"));
    QVERIFY(!QFile::exists(rig.prompts.nextSavePath));

    rig.session.recording.FileRecording = false;
    // The busy pointer shows from the save dialog on, and goes with the write.
    QList<Qt::CursorShape> inDialog;
    rig.prompts.whileSaveFileShown = [&] {
        if (const QCursor* pointer = QApplication::overrideCursor())
            inDialog << pointer->shape();
    };
    click(&list, "Save");
    QCOMPARE(inDialog, QList<Qt::CursorShape>{Qt::WaitCursor});
    QVERIFY(!QApplication::overrideCursor());
    QFile saved(rig.prompts.nextSavePath);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("Fc\tTime\tValue\t\r\n1\t31-23:59:05\t1146\t\r\n"
                                         "2\t01-00:00:35\t11463.86\t\r\n"));

    click(&list, "Plot");
    const graphs::PlotHandOver& plot = rig.session.graph.plot;
    QCOMPARE(plot.PlotValues, (std::vector<float>{1146.0f, 11463.86f}));
    QCOMPARE(plot.PlotUnit, QStringLiteral("Fc"));
    QCOMPARE(plot.PlotMin, 1146.0f);
    QCOMPARE(plot.PlotMax, 11463.86f);
}

void TestLoggerWindows::setGridShowsItsCellsInFull_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("text");
    QTest::newRow("set") << 0 << "99";
    QTest::newRow("start") << 1 << "28-23:58:08";
    QTest::newRow("sampling") << 2 << "3599";
    QTest::newRow("records") << 3 << "43000";
}

void TestLoggerWindows::setGridShowsItsCellsInFull() {
    QFETCH(int, col);
    QFETCH(QString, text);
    Rig rig;
    Memory window(rig.session, rig.link, rig.prompts, rig.stream, nullptr);
    // The widest a set's row gets: a start late in the day, an hour's interval, a full memory.
    std::vector<QByteArray> sets(99, set("282358085959", ""));
    sets.back() += QByteArray(43000 * 3, '\x01');
    window.listSets(sets);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const platform::Grid& g = window.GridSet();
    QCOMPARE(g.Text(99, col), text);
    QVERIFY2(testsupport::cellSlack(g, 99, col) >= 0,
             qPrintable(QString::number(testsupport::cellSlack(g, 99, col))));
}

QTEST_MAIN(TestLoggerWindows)
#include "test_logger_windows.moc"
