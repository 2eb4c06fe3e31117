#include "lists/summary_line.h"

#include <QPainter>

namespace lists {

namespace {
constexpr int kMargin = 4;
}

SummaryLine::SummaryLine(QWidget* parent) : QWidget(parent) {
    setContentsMargins(kMargin, 2, kMargin, 2);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void SummaryLine::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    update();
}

QStringList SummaryLine::lines() const {
    const int width = contentsRect().width();
    const QFontMetrics metrics = fontMetrics();
    QStringList out;
    QString line;
    for (const QString& figure : text_.split(kSeparator)) {
        const QString longer = line.isEmpty() ? figure : line + kSeparator + figure;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            out << line;
            line = figure;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty())
        out << line;
    return out;
}

int SummaryLine::heightFor(int lineCount) const {
    const QMargins m = contentsMargins();
    return m.top() + m.bottom() + lineCount * fontMetrics().lineSpacing();
}

void SummaryLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    int y = area.top() + fontMetrics().ascent();
    for (const QString& line : lines()) {
        painter.drawText(area.left(), y, line);
        y += fontMetrics().lineSpacing();
    }
}

} // namespace lists
