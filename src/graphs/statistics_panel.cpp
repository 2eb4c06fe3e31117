#include "graphs/statistics_panel.h"

#include "analysis/figure_text.h"
#include "analysis/readings.h"
#include "graphs/number_format.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace graphs {

namespace {

// The entries around the presets: nothing chosen, and a value of the user's own.
constexpr int kNone = -1;
constexpr int kOwnValue = -2;

std::optional<double> entered(const QLineEdit* edit) {
    double v = 0.0;
    if (!edit->isEnabled() || !parseNumber(edit->text().trimmed(), &v))
        return std::nullopt;
    return v;
}

QLineEdit* numberEdit(const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setClearButtonEnabled(true);
    return e;
}

} // namespace

StatisticsPanel::StatisticsPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Statistics"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);

    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("StatisticsRange"));
    caption_->setWordWrap(true);
    column->addWidget(caption_);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("Figures"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* figures = new QWidget(scroll);
    auto* figureColumn = new QVBoxLayout(figures);
    figureGrid_ = new QGridLayout;
    figureGrid_->setColumnStretch(1, 1);
    figureGrid_->setVerticalSpacing(2);
    figureColumn->addLayout(figureGrid_);
    figureColumn->addStretch();
    scroll->setWidget(figures);
    column->addWidget(scroll, 1);

    buildChoices();
    setMinimumWidth(kWidth);
    setMaximumWidth(kWidth);
}

StatisticsPanel::~StatisticsPanel() = default;

void StatisticsPanel::buildChoices() {
    auto* form = new QGridLayout;
    form->setColumnStretch(1, 1);
    auto addRow = [&](const QString& name, QWidget* field) {
        const int row = form->rowCount();
        auto* label = new QLabel(name, this);
        label->setBuddy(field);
        form->addWidget(label, row, 0);
        form->addWidget(field, row, 1);
    };

    source_ = new QComboBox(this);
    source_->setObjectName(QStringLiteral("LightSource"));
    source_->addItem(QStringLiteral("None"), kNone);
    for (const analysis::LightSource& s : analysis::kLightSources)
        source_->addItem(QString::fromUtf8(s.label), s.ppfdPerLux);
    source_->addItem(QStringLiteral("Other lamp"), kOwnValue);
    factor_ = numberEdit(QStringLiteral("PpfdFactor"), this);
    // Two lines of their own: a wrapped label would need a width before the panel has one.
    auto* note = new QLabel(QStringLiteral("The factor depends on the lamp's spectrum:\n"
                                           "for white LEDs and other lamps, enter your own."),
                            this);
    note->setObjectName(QStringLiteral("FactorNote"));
    addRow(QStringLiteral("Light source:"), source_);
    addRow(QStringLiteral("\u00b5mol/m\u00b2/s per lx:"), factor_);
    form->addWidget(note, form->rowCount(), 0, 1, 2);

    budget_ = new QComboBox(this);
    budget_->setObjectName(QStringLiteral("DoseBudget"));
    budget_->addItem(QStringLiteral("None"), kNone);
    for (const analysis::DoseBudget& b : analysis::kDoseBudgets)
        budget_->addItem(QStringLiteral("%1, %2 lx\u00b7h")
                             .arg(QString::fromUtf8(b.label), analysis::figureNumber(b.luxHours)),
                         b.luxHours);
    budget_->addItem(QStringLiteral("Other budget"), kOwnValue);
    budgetEntry_ = numberEdit(QStringLiteral("BudgetEntry"), this);
    addRow(QStringLiteral("Dose budget:"), budget_);
    addRow(QStringLiteral("lx\u00b7h a year:"), budgetEntry_);

    low_ = numberEdit(QStringLiteral("BandLow"), this);
    high_ = numberEdit(QStringLiteral("BandHigh"), this);
    auto* band = new QHBoxLayout;
    band->addWidget(low_);
    band->addWidget(new QLabel(QStringLiteral("to"), this));
    band->addWidget(high_);
    auto* bandLabel = new QLabel(QStringLiteral("Band:"), this);
    bandLabel->setBuddy(low_);
    const int bandRow = form->rowCount();
    form->addWidget(bandLabel, bandRow, 0);
    form->addLayout(band, bandRow, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(form);

    // A preset shows its value, read-only; "Other" takes the user's own and keeps it.
    auto follow = [](QComboBox* combo, QLineEdit* edit) {
        const QSignalBlocker quiet(edit);
        const double data = combo->currentData().toDouble();
        edit->setEnabled(data != kNone);
        edit->setReadOnly(data != kOwnValue);
        if (data == kNone)
            edit->clear();
        else if (data != kOwnValue)
            edit->setText(analysis::figureNumber(data));
    };
    connect(source_, &QComboBox::currentIndexChanged, this, [this, follow] {
        follow(source_, factor_);
        choicesChanged();
    });
    connect(budget_, &QComboBox::currentIndexChanged, this, [this, follow] {
        follow(budget_, budgetEntry_);
        choicesChanged();
    });
    follow(source_, factor_);
    follow(budget_, budgetEntry_);
    for (QLineEdit* e : {factor_, budgetEntry_})
        connect(e, &QLineEdit::textChanged, this, &StatisticsPanel::choicesChanged);
    for (QLineEdit* e : {low_, high_})
        connect(e, &QLineEdit::textChanged, this, [this] {
            emit bandChanged();
            choicesChanged();
        });
}

void StatisticsPanel::showReadings(std::shared_ptr<const analysis::Readings> readings,
                                   qsizetype from, qsizetype to, const QString& caption) {
    caption_->setText(caption);
    if (readings == readings_ && from == from_ && to == to_ && !stale_)
        return;
    readings_ = std::move(readings);
    from_ = from;
    to_ = to;
    refresh();
}

analysis::FigureOptions StatisticsPanel::options() const {
    analysis::FigureOptions o;
    if (const auto factor = entered(factor_); factor && *factor > 0.0)
        o.ppfdPerLux = factor;
    if (const auto budget = entered(budgetEntry_); budget && *budget > 0.0)
        o.budgetLuxHours = budget;
    if (const auto band = bandLimits()) {
        o.low = band->first;
        o.high = band->second;
    }
    return o;
}

std::optional<std::pair<double, double>> StatisticsPanel::bandLimits() const {
    const auto low = entered(low_);
    const auto high = entered(high_);
    if (!low || !high)
        return std::nullopt;
    return std::minmax(*low, *high);
}

QStringList StatisticsPanel::shownLines() const {
    QStringList lines;
    for (int i = 0; i < linesShown_; ++i) {
        const auto& [name, value] = figureLabels_[size_t(i)];
        lines << (value->text().isEmpty() ? name->text()
                                          : name->text() + QStringLiteral(": ") + value->text());
    }
    return lines;
}

void StatisticsPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_)
        refresh();
}

void StatisticsPanel::choicesChanged() {
    refresh();
}

void StatisticsPanel::refresh() {
    // Hidden, the figures would be worked out for nobody: the chart's zoom and pan call here on
    // every step.
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    QList<analysis::FigureLine> lines;
    if (readings_) {
        const analysis::FigureOptions o = options();
        lines = analysis::figureLines(analysis::computeFigures(readings_->series(), from_, to_, o),
                                      *readings_, o);
    } else {
        lines << analysis::FigureLine{analysis::kNoValidReading, QString()};
    }
    QWidget* figures = figureGrid_->parentWidget();
    while (figureLabels_.size() < size_t(lines.size())) {
        const int row = int(figureLabels_.size());
        auto* name = new QLabel(figures);
        auto* value = new QLabel(figures);
        name->setObjectName(QStringLiteral("FigureName%1").arg(row));
        value->setObjectName(QStringLiteral("FigureValue%1").arg(row));
        name->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figureGrid_->addWidget(name, row, 0);
        figureGrid_->addWidget(value, row, 1);
        figureLabels_.emplace_back(name, value);
    }
    for (size_t i = 0; i < figureLabels_.size(); ++i) {
        auto [name, value] = figureLabels_[i];
        const bool used = i < size_t(lines.size());
        if (used) {
            name->setText(lines[qsizetype(i)].name);
            value->setText(lines[qsizetype(i)].value);
        }
        name->setVisible(used);
        value->setVisible(used);
    }
    linesShown_ = int(lines.size());
}

} // namespace graphs
