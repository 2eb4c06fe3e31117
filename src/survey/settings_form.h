#pragma once

#include "survey/survey_data.h"

#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace survey {

// The survey's settings as the user edits them: the area and the grid proposed for it, the
// grid's rows, columns and spacing, the requirement (a task preset or typed in) and the time a
// capture averages over. Edits go straight into the settings it was given; the survey window
// follows its signals.
class SettingsForm : public QWidget {
    Q_OBJECT
public:
    SettingsForm(Settings& settings, QWidget* parent);

    // The controls again from the settings, as after opening a survey.
    void load();
    // The grid keeps its shape once a point is taken, or is being measured.
    void setReshapable(bool reshapable);
    // The "Capture" group, whose first row holds the averaging time, for the window's capture
    // controls under it.
    QBoxLayout* captureGroup() const { return captureGroup_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // A setting changed that leaves the points as they are.
    void changed();
    // The grid got other rows or columns: its points start again.
    void reshaped();
    // What "Propose Grid" made of the area, or why it could not.
    void proposal(const QString& text, bool problem);

private:
    void read();
    void lengthUnitChanged();
    void levelUnitChanged();
    void taskChosen(int index);
    void gridShapeChanged();
    void ProposeGrid();

    Settings& settings_;
    bool loading_ = false; // the controls are being set from the settings, not by the user

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
    QBoxLayout* captureGroup_;
};

} // namespace survey
