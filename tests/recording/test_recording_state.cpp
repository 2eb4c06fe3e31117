#include "recording/recording_state.h"

#include <QTest>

class TestRecordingState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void panelLoadResets();
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

QTEST_GUILESS_MAIN(TestRecordingState)
#include "test_recording_state.moc"
