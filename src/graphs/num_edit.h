#pragma once

#include <QString>
#include <QWidget>

class QDoubleSpinBox;

namespace graphs {

class FormattedSpinBox;

// A numeric entry with up/down arrows, used for the axis-range edits. Numbers are shown with
// the display format and read with "." as the decimal point, whatever the locale.
class NumEdit : public QWidget {
    Q_OBJECT
public:
    explicit NumEdit(QWidget* parent = nullptr);

    double value() const;
    void setValue(double value);
    QString displayFormat() const;
    void setDisplayFormat(const QString& format);
    double arrowStep() const;
    void setArrowStep(double step);

    // The spin box itself, for typing into it.
    QDoubleSpinBox* spinBox() const;

signals:
    // After every change of the value, typed by the user or set by the program.
    void valueChanged(double value);

private:
    FormattedSpinBox* spin_;
};

} // namespace graphs
