#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace lists {

// A list window's summary: one line of figures parted by " · ". Where the window is too narrow
// for it, the line goes on below, broken between two figures and never inside one. Setting a
// new text repaints the line and nothing else, so it can follow a list that grows every second.
class SummaryLine : public QWidget {
    Q_OBJECT
public:
    static inline const QString kSeparator = QStringLiteral(" \u00b7 ");

    explicit SummaryLine(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    // The lines the text takes at the present width.
    QStringList lines() const;
    // The height of this many lines.
    int heightFor(int lineCount) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace lists
