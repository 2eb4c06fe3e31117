#include "recording/recording_state.h"

#include <QTest>

class TestRecordingState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void panelLoadResets();
    void timeStamp_data();
    void timeStamp();
};

void TestRecordingState::panelLoadResets() {
    recording::RecordingState r;
    r.FileRecording = true;
    r.SamplingSeconds = 60;
    r.ListRecording = true;
    r.resetForPanelLoad();
    QVERIFY(!r.FileRecording);
    QCOMPARE(r.SamplingSeconds, 2.0f);
    QVERIFY(r.ListRecording); // the list window owns its own flag
}

void TestRecordingState::timeStamp_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("morning") << QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)) << "07-14:05:09";
    QTest::newRow("midnight") << QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0)) << "31-00:00:00";
    QTest::newRow("last second") << QDateTime(QDate(2026, 1, 1), QTime(23, 59, 59))
                                 << "01-23:59:59";
}

void TestRecordingState::timeStamp() {
    QFETCH(QDateTime, when);
    QFETCH(QString, stamp);
    QCOMPARE(recording::sampleTimeStamp(when), stamp);
}

QTEST_GUILESS_MAIN(TestRecordingState)
#include "test_recording_state.moc"
