#pragma once

#include "shared/session.h"
#include "survey/survey_data.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace meterlink {
class ExchangeQueue;
}
namespace platform {
class Prompts;
}

namespace survey {

class HeatMap;

inline const QString kSurveyCaption = QStringLiteral("Lighting Survey");
inline const QString kSurveyFilter = QStringLiteral("Lighting surveys (*.txt);;All Files (*)");
inline const QString kCsvFilter = QStringLiteral("CSV files (*.csv);;All Files (*)");
inline const QString kUnsavedQuestion =
    QStringLiteral("The points taken are not saved. Discard them?");
// How often a capture samples the panel's reading while it averages.
inline constexpr int kSampleIntervalMs = 100;

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
    bool capturing() const { return capturing_; }
    HeatMap& map() const { return *map_; }

    // Space and "Capture": the current point from the panel's reading.
    void Capture();
    // A click on the map: that point, measured again if it was taken.
    void CapturePoint(GridPoint p);

Q_SIGNALS:
    void closed();
    // A point has been stored.
    void captured(survey::GridPoint p);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QWidget* buildSettings();
    QWidget* buildFigures();
    void loadControls();
    void readControls();
    void lengthUnitChanged();
    void levelUnitChanged();
    void taskChosen(int index);
    void gridShapeChanged();
    void ProposeGrid();
    void sample();
    void store();
    void stopCapture();
    void refuse(const QString& text, const QString& detail);
    void refresh();
    void showStatus(const QString& text, bool problem = false);
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

    shared::Session& session_;
    meterlink::ExchangeQueue& exchanges_;
    platform::Prompts& prompts_;
    SurveyGrid grid_;
    GridPoint current_;
    bool unsaved_ = false;
    bool loading_ = false; // the controls are being set from the survey, not by the user

    bool capturing_ = false;
    GridPoint target_;
    LightUnit captureUnit_ = LightUnit::Lux;
    QStringList samples_;
    QElapsedTimer captureClock_;
    QTimer* sampler_;

    QLineEdit* TxtArea_;
    QSpinBox* TxtRows_;
    QSpinBox* TxtColumns_;
    QDoubleSpinBox* TxtSpacingX_;
    QDoubleSpinBox* TxtSpacingY_;
    QComboBox* ComboLengthUnit_;
    QDoubleSpinBox* TxtLength_;
    QDoubleSpinBox* TxtWidth_;
    QCheckBox* ChkWallBand_;
    QPushButton* CmdPropose_;
    QComboBox* ComboTask_;
    QDoubleSpinBox* TxtLevel_;
    QComboBox* ComboLevelUnit_;
    QDoubleSpinBox* TxtUniformity_;
    QDoubleSpinBox* TxtAveraging_;
    QPushButton* CmdCapture_;
    HeatMap* map_;
    QLabel* LblTaken_;
    QLabel* LblAverage_;
    QLabel* LblMinimum_;
    QLabel* LblMaximum_;
    QLabel* LblUniformity_;
    QLabel* LblDiversity_;
    QLabel* LblRequired_;
    QLabel* LblVerdict_;
    QLabel* LblStatus_;
};

} // namespace survey
