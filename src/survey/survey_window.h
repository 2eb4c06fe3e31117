#pragma once

#include "shared/session.h"
#include "survey/survey_data.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLayout;
class QPushButton;

namespace meterlink {
class ExchangeQueue;
}
namespace platform {
class Prompts;
}

namespace survey {

class HeatMap;
class MapPanel;
class PointCapture;
class SettingsForm;

inline const QString kSurveyCaption = QStringLiteral("Lighting Survey");
// The survey file is tab-separated text; surveys saved as .txt still open.
inline const QString kSurveyFilter =
    QStringLiteral("Lighting surveys (*.tsv);;Text files (*.txt);;All Files (*)");
inline const QString kCsvFilter = QStringLiteral("CSV files (*.csv);;All Files (*)");
inline const QString kCaptureKeysText =
    QStringLiteral("Space captures the next point, Ctrl+Space also while you type a name. A click "
                   "on the map selects a point.");
inline const QString kUnsavedQuestion =
    QStringLiteral("The points taken are not saved. Discard them?");

// The lighting survey: a grid of points walked with the meter, each captured from the reading
// the panel shows, the heat map and the figures kept up to date, saved, exported and printed.
// Modeless, deleted on close. It reads the display model that the panel's polling keeps up to
// date and never talks to the meter.
class Survey : public QWidget {
    Q_OBJECT
public:
    Survey(shared::Session& session, meterlink::ExchangeQueue& exchanges,
           platform::Prompts& prompts, QWidget* mainWindow);
    ~Survey() override;

    const SurveyGrid& grid() const { return grid_; }
    GridPoint current() const { return current_; }
    bool capturing() const;
    HeatMap& map() const;

    // Space, Ctrl+Space and "Capture": the current point from the panel's reading.
    void Capture();
    // "Measure Selected": a point out of turn, measured again if it was taken.
    void CapturePoint(GridPoint p);

Q_SIGNALS:
    void closed();
    // A point has been stored.
    void captured(survey::GridPoint p);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildCaptureControls(QWidget* parent);
    QLayout* buildFiles(QWidget* parent);
    // A click on the map: the point to measure with "Measure Selected". It never measures by
    // itself, so that a click meant to bring the window forward changes no point.
    void selectPoint(GridPoint p);
    bool complete() const;
    // What comes next: the next point, or that the survey is complete.
    QString nextText() const;
    void measured(GridPoint p, const QString& text, LightUnit unit);
    void refuse(const QString& text, const QString& detail);
    void refresh();
    // Runs a step that opens a dialog between the meter exchanges, so that it never holds up
    // polling; at once while the link is lost, as there is no polling then to hold up and the
    // reconnection would otherwise hold the dialog back for as long as the meter is away.
    void whenFree(const QString& key, std::function<void()> step);
    bool canAskNow() const;
    bool mayDiscard();
    void New();
    void Open();
    void Save();
    void Export();
    void Print();
    // What Save (".tsv"), Export (".csv") and Print (".pdf") propose: the survey's file, the
    // export named after it; before the survey has a file, its area and the first point's time.
    QString proposedFileName(const QString& extension) const;

    shared::Session& session_;
    meterlink::ExchangeQueue& exchanges_;
    platform::Prompts& prompts_;
    SurveyGrid grid_;
    GridPoint current_;
    std::optional<GridPoint> selected_;
    bool unsaved_ = false;
    // Where the survey was last saved or opened from; empty for a new one.
    QString filePath_;

    PointCapture* capture_;
    SettingsForm* form_;
    QPushButton* CmdCapture_;
    QPushButton* CmdMeasureSelected_;
    MapPanel* view_;
};

} // namespace survey
