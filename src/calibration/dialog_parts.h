#pragma once

#include <QObject>

class QAbstractButton;
class QWidget;

namespace calibration {

// Keeps typed characters out of a control: a factor box takes only digits, the point and
// backspace, and Enter clicks the given button; with no button, every typed character is
// dropped (a list that can only be picked from). Keys that type nothing (arrows, Home, Delete)
// pass.
class TypedKeyFilter : public QObject {
    Q_OBJECT
public:
    TypedKeyFilter(QWidget* control, QAbstractButton* onEnter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractButton* onEnter_;
};

} // namespace calibration
