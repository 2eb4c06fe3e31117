// The PC recording as the panel runs it: the once-a-second tick, its two sinks and the data file.
#include "panel/panel.h"

#include "session_rig.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Rig : testsupport::SessionRig {
    panel::Panel panel{session, link, prompts};
    QTemporaryDir dir;
    QStringList listRows;
    int listUnloads = 0;

    Rig() {
        session.display.UnitText = QStringLiteral("Lx");
        session.display.MainText = QStringLiteral("12.34");
        panel.listSink.append = [this](const QString& row) { listRows << row; };
        panel.listSink.unload = [this] { ++listUnloads; };
    }
    QString path() const { return dir.filePath(QStringLiteral("run.txt")); }
    void startRecording() {
        prompts.nextSavePath = path();
        panel.StartFileRecording();
    }
    QByteArray file() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
    }
    QString label(const char* name) {
        return panel.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    QString saveTip() { return panel.findChild<QAction*>(QStringLiteral("Save"))->toolTip(); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            panel.Timer2Tick();
    }
};

bool* flag(meterlink::MeterStatus& s, const QString& name) {
    const QMap<QString, bool*> flags = {
        {"RelOn", &s.RelOn},     {"RefOn", &s.RefOn},       {"UpperPercentOn", &s.UpperPercentOn},
        {"CdOn", &s.CdOn},       {"FcHourOn", &s.FcHourOn}, {"LxHourOn", &s.LxHourOn},
        {"SetUpOn", &s.SetUpOn}, {"CompOn", &s.CompOn},     {"HoldOn", &s.HoldOn}};
    return flags.value(name);
}

} // namespace

class TestRecording : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void samplesAtTheInterval_data();
    void samplesAtTheInterval();
    void recordingWritesTheDataFile();
    void stopConditions_data();
    void stopConditions();
    void stopsAfterTheHundredThousandthLine();
    void liveListEndsWithItsHundredThousandthRow();
    void cancelledSaveDialogCreatesNothing();
    void failedWriteStopsAndSaysSo();
    void listRowIsAddedBeforeTheTest();
};

void TestRecording::samplesAtTheInterval_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("samples");
    QTest::newRow("1 s") << 1 << 5 << 5;
    QTest::newRow("2 s") << 2 << 5 << 3; // ticks 1, 3 and 5
    QTest::newRow("a day") << 86400 << 86401 << 2;
}

void TestRecording::samplesAtTheInterval() {
    QFETCH(int, seconds);
    QFETCH(int, ticks);
    QFETCH(int, samples);
    Rig rig;
    rig.session.recording.SamplingSeconds = float(seconds);
    rig.session.recording.ListRecording = true;
    rig.session.recording.ListUnit = QStringLiteral("Lx");
    rig.ticks(ticks);
    QCOMPARE(rig.listRows.size(), samples);
    // A new interval samples on the very next tick.
    recording::SetPcSamplingInterval(rig.session.recording, 5);
    rig.ticks(1);
    QCOMPARE(rig.listRows.size(), samples + 1);
}

void TestRecording::recordingWritesTheDataFile() {
    Rig rig;
    auto named = [](const QDateTime& t) {
        return t.toString(QStringLiteral("'Recording 'yyyy-MM-dd HH-mm-ss'.txt'"));
    };
    const QString before = named(QDateTime::currentDateTime());
    rig.startRecording();
    // A data file named after the moment the recording starts.
    const QString proposed = QFileInfo(rig.prompts.proposedPaths.value(0)).fileName();
    QVERIFY2(proposed == before || proposed == named(QDateTime::currentDateTime()),
             qPrintable(proposed));
    QCOMPARE(rig.prompts.saveFilters, QStringList{"Data files (*.txt);;All Files (*)"});
    QVERIFY(rig.session.recording.FileRecording);
    QCOMPARE(rig.label("LblFileName"), QStringLiteral("run.txt"));
    QCOMPARE(rig.saveTip(), QStringLiteral("Stop Recording (Ctrl+S)"));
    rig.session.recording.SamplingSeconds = 1;
    rig.ticks(2);
    rig.session.display.MainText = QStringLiteral("OL");
    rig.ticks(1);
    QCOMPARE(rig.label("LblCount"), QStringLiteral("3"));
    QCOMPARE(rig.label("LblRec"), QStringLiteral("Rec"));
    // Every line is on disk before the tick returns, not when the file closes.
    const QString stamp = rig.session.recording.SampleTime;
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d:\\d\\d:\\d\\d$"))
                .match(stamp)
                .hasMatch());
    QCOMPARE(rig.file().count("\r\n"), 4);
    QVERIFY(rig.file().startsWith("Lx\tTime\tValue\r\n1\t"));
    QVERIFY(rig.file().endsWith("3\t" + stamp.toLatin1() + "\tOL\r\n"));
    rig.panel.StopFileRecording();
    QVERIFY(!rig.session.recording.FileRecording);
    QCOMPARE(rig.saveTip(), QStringLiteral("Save As (Ctrl+S)"));
    QCOMPARE(rig.label("LblFileName"), QString());
    QVERIFY(rig.panel.findChild<QLabel*>(QStringLiteral("LblRec"))->isHidden());
}

void TestRecording::stopConditions_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("stops");
    for (const char* f :
         {"RelOn", "RefOn", "UpperPercentOn", "CdOn", "FcHourOn", "LxHourOn", "SetUpOn"})
        QTest::newRow(f) << f << true;
    QTest::newRow("unit") << "Fc" << true;
    QTest::newRow("comparator") << "CompOn" << false;
    QTest::newRow("hold") << "HoldOn" << false;
}

void TestRecording::stopConditions() {
    QFETCH(QString, change);
    QFETCH(bool, stops);
    Rig rig;
    rig.session.recording.SamplingSeconds = 1;
    rig.session.recording.ListRecording = true;
    rig.session.recording.ListUnit = QStringLiteral("Lx");
    rig.startRecording();
    rig.ticks(1);
    if (change == QLatin1String("Fc"))
        rig.session.display.UnitText = change;
    else
        *flag(rig.session.display.status, change) = true;
    rig.ticks(1);
    QCOMPARE(rig.session.recording.FileRecording, !stops);
    QCOMPARE(rig.session.recording.ListRecording, !stops);
    QCOMPARE(rig.listUnloads, stops ? 1 : 0);
    // The file keeps only the samples taken before the change.
    QCOMPARE(rig.file().count("\r\n"), stops ? 2 : 3);
    QCOMPARE(rig.saveTip(), stops ? QStringLiteral("Save As (Ctrl+S)")
                                  : QStringLiteral("Stop Recording (Ctrl+S)"));
}

void TestRecording::stopsAfterTheHundredThousandthLine() {
    Rig rig;
    rig.session.recording.SamplingSeconds = 1;
    rig.startRecording();
    rig.session.recording.FileSampleCount = 99998; // as if that many were written
    rig.ticks(2);
    QVERIFY(rig.session.recording.FileRecording);
    QVERIFY(rig.file().contains("\r\n100000\t"));
    rig.ticks(1);
    QVERIFY(!rig.session.recording.FileRecording);
    QVERIFY(!rig.file().contains("\r\n100001\t"));
}

void TestRecording::liveListEndsWithItsHundredThousandthRow() {
    // The list counts its own rows: no file records meanwhile.
    Rig rig;
    rig.session.recording.SamplingSeconds = 1;
    rig.session.recording.ListRecording = true;
    rig.session.recording.ListUnit = QStringLiteral("Lx");
    rig.session.recording.ListSampleCount = 99998;
    rig.ticks(1);
    QVERIFY(rig.session.recording.ListRecording);
    rig.ticks(1);
    QVERIFY(!rig.session.recording.ListRecording);
    QCOMPARE(rig.listUnloads, 1);
    QCOMPARE(rig.listRows.size(), 2);
    QVERIFY(rig.listRows[1].startsWith(QStringLiteral("100000\t")));
}

void TestRecording::cancelledSaveDialogCreatesNothing() {
    Rig rig;
    rig.prompts.nextSavePath.clear();
    rig.panel.StartFileRecording();
    QVERIFY(!rig.session.recording.FileRecording);
    QVERIFY(QDir(rig.dir.path()).isEmpty());
    QCOMPARE(rig.saveTip(), QStringLiteral("Save As (Ctrl+S)"));
}

void TestRecording::failedWriteStopsAndSaysSo() {
    Rig rig;
    rig.session.recording.SamplingSeconds = 1;
    // A file that cannot be created: said at once, nothing looks as if it records.
    rig.prompts.nextSavePath = rig.dir.filePath(QStringLiteral("no/such/folder/run.txt"));
    rig.panel.StartFileRecording();
    QVERIFY(!rig.session.recording.FileRecording);
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].text, QStringLiteral("The data file could not be created."));
    QCOMPARE(rig.saveTip(), QStringLiteral("Save As (Ctrl+S)"));

    // A disk that fills up during the recording.
    rig.startRecording();
    rig.ticks(2);
    auto full = std::make_unique<QFile>(QStringLiteral("/dev/full"));
    QVERIFY(full->open(QIODevice::WriteOnly));
    rig.session.recording.DataFileNumber = std::move(full);
    rig.ticks(1);
    QVERIFY(!rig.session.recording.FileRecording);
    QCOMPARE(rig.saveTip(), QStringLiteral("Save As (Ctrl+S)"));
    QCOMPARE(rig.prompts.messages.size(), 1); // not from inside the tick
    QTRY_COMPARE(rig.prompts.messages.size(), 2);
    QCOMPARE(rig.prompts.messages[1].text,
             QStringLiteral("Recording stopped: the data file could not be written."));
    QVERIFY(rig.prompts.messages[1].detail.contains(QStringLiteral("2 samples")));
    QCOMPARE(rig.file().count("\r\n"), 3);
}

void TestRecording::listRowIsAddedBeforeTheTest() {
    Rig rig;
    rig.session.recording.SamplingSeconds = 1;
    rig.session.recording.ListRecording = true;
    rig.session.recording.ListUnit = QStringLiteral("Lx");
    rig.ticks(1);
    rig.session.display.UnitText = QStringLiteral("Fc");
    rig.ticks(1);
    QCOMPARE(rig.listRows.size(), 2);
    QVERIFY(rig.listRows[1].startsWith(QStringLiteral("2\t")));
    QVERIFY(rig.listRows[1].endsWith(QStringLiteral("\t12.34")));
    QCOMPARE(rig.listUnloads, 1);
    QCOMPARE(rig.session.recording.ListSampleCount, 0);
    // While nothing records to a file, every sample time blanks the file labels.
    QCOMPARE(rig.label("LblCount"), QString());
}

QTEST_MAIN(TestRecording)
#include "test_recording.moc"
