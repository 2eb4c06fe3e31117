#pragma once

#include "link/display_model.h"

#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QPixmap>

#include <array>
#include <vector>

namespace panel {

// A digit field of the LCD: its text in the seven-segment face over the field's unlit "8"s.
// Each text is drawn once into a pixmap and only copied after that, and the field paints its own
// piece of glass, so a new reading repaints just the fields whose text changed, without laying
// out any text.
class SegmentField : public QLabel {
    Q_OBJECT
public:
    SegmentField(int cells, const QFont& font, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QPixmap& face(const QString& text);

    int cells_;
    QHash<QString, QPixmap> faces_;
    qreal facesRatio_ = 0.0;
};

// The copy of the meter's liquid-crystal display: digits in a seven-segment face with their
// decimal points, and the annunciators placed around them as on the meter. Every control
// carries its name as objectName.
class LcdView : public QFrame {
    Q_OBJECT
public:
    explicit LcdView(QWidget* parent = nullptr);

    struct Annunciator {
        QWidget* widget;
        bool meterlink::MeterStatus::*flag;
    };
    // Every annunciator driven by one flag, in the order the polling tick sets them.
    const std::vector<Annunciator>& annunciators() const { return annunciators_; }

    QLabel* MemoryDigit;
    std::array<QLabel*, 6> MainDigit;
    std::array<QLabel*, 4> TimeDigit;
    QLabel* LblLx;
    QLabel* LblLxh;
    QLabel* LblFc;
    QLabel* LblFch;
    QFrame* ShapeSetUp;
    QLabel* LblSetUp;
    QLabel* LblWaiting;

    // The line on the blank display while no frame has come from the meter on the named port.
    void showWaiting(const QString& linkName);
    void hideWaiting();

private:
    QLabel* addLabel(const char* name, const QString& caption, const QRect& geometry,
                     const QFont& font);
    QLabel* addDigit(const QString& name, const QRect& geometry, const QFont& font, int cells);

    std::vector<Annunciator> annunciators_;
};

} // namespace panel
