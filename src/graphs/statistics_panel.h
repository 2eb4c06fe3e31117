#pragma once

#include "analysis/figures.h"

#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QGridLayout;

namespace analysis {
class Readings;
}

namespace graphs {

// The figures of a stretch of readings, beside a chart or in a list's statistics dialog, with
// the choices they depend on: the light source of the daily light integral, the annual dose
// budget and the limits of a threshold band. Works only while shown: a hidden panel notes what
// changed and catches up when it shows.
class StatisticsPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 340;

    explicit StatisticsPanel(QWidget* parent = nullptr);
    ~StatisticsPanel() override;

    // The record, and the rows [from, to) of it whose figures are shown under the caption; the
    // figures are worked out again only when one of them changed.
    void showReadings(std::shared_ptr<const analysis::Readings> readings, qsizetype from,
                      qsizetype to, const QString& caption);

    analysis::FigureOptions options() const;
    // The band's limits, when both are given.
    std::optional<std::pair<double, double>> bandLimits() const;
    // The figures as shown, "name: value" a line.
    QStringList shownLines() const;

signals:
    // A limit of the band was entered or cleared.
    void bandChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildChoices();
    void choicesChanged();
    void refresh();

    std::shared_ptr<const analysis::Readings> readings_;
    qsizetype from_ = 0;
    qsizetype to_ = 0;
    bool stale_ = true;

    QLabel* caption_ = nullptr;
    QGridLayout* figureGrid_ = nullptr;
    std::vector<std::pair<QLabel*, QLabel*>> figureLabels_;
    int linesShown_ = 0;
    QComboBox* source_ = nullptr;
    QLineEdit* factor_ = nullptr;
    QComboBox* budget_ = nullptr;
    QLineEdit* budgetEntry_ = nullptr;
    QLineEdit* low_ = nullptr;
    QLineEdit* high_ = nullptr;
};

} // namespace graphs
