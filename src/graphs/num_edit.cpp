#include "graphs/num_edit.h"

#include "graphs/number_format.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLineEdit>

namespace graphs {

namespace {
constexpr double kLimit = 1e12;  // far beyond any reading or reading number
constexpr int kHeldDecimals = 9; // what the edit keeps; the format decides what it shows
} // namespace

class FormattedSpinBox : public QDoubleSpinBox {
public:
    explicit FormattedSpinBox(QWidget* parent) : QDoubleSpinBox(parent) {
        setLocale(QLocale::c());
        setDecimals(kHeldDecimals);
        setRange(-kLimit, kLimit);
        setSingleStep(1.0);
        setKeyboardTracking(true);
        setAccelerated(true);
    }

    QString format = QStringLiteral("0.######");

    QString textFromValue(double v) const override { return formatNumber(v, format); }

    double valueFromText(const QString& text) const override {
        // The text the value is shown as stands for the value itself: a shorter format must
        // not round it when that text is read back (after a format change, or on Enter).
        if (text == textFromValue(value()))
            return value();
        double v = 0.0;
        return parseNumber(text, &v) ? v : value();
    }

    QValidator::State validate(QString& text, int&) const override {
        const QString t = text.trimmed();
        double v = 0.0;
        if (parseNumber(t, &v))
            return (v >= -kLimit && v <= kLimit) ? QValidator::Acceptable : QValidator::Invalid;
        // What a number looks like while it is being typed.
        if (t.isEmpty() || t == QLatin1String("-") || t == QLatin1String(".") ||
            t == QLatin1String("-."))
            return QValidator::Intermediate;
        return QValidator::Invalid;
    }

    void fixup(QString& text) const override { text = textFromValue(value()); }

    // The shown text follows a new format at once; reading it back keeps the value.
    void refreshText() { lineEdit()->setText(textFromValue(value())); }
};

NumEdit::NumEdit(QWidget* parent) : QWidget(parent), spin_(new FormattedSpinBox(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(spin_);
    setFocusProxy(spin_);
    connect(spin_, &QDoubleSpinBox::valueChanged, this, &NumEdit::valueChanged);
}

double NumEdit::value() const {
    return spin_->value();
}

void NumEdit::setValue(double value) {
    spin_->setValue(value);
}

QString NumEdit::displayFormat() const {
    return spin_->format;
}

void NumEdit::setDisplayFormat(const QString& format) {
    spin_->format = format;
    spin_->refreshText();
}

double NumEdit::arrowStep() const {
    return spin_->singleStep();
}

void NumEdit::setArrowStep(double step) {
    spin_->setSingleStep(step);
}

QDoubleSpinBox* NumEdit::spinBox() const {
    return spin_;
}

} // namespace graphs
