#include "commands/comparator.h"

#include "commands/meter_settings.h"
#include "link/meter_link.h"
#include "link/setting_exchanges.h"
#include "platform/keep_until_closed.h"
#include "platform/placement.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace commands {

namespace {

constexpr int kClientWidth = 424;
constexpr int kClientHeight = 272;
constexpr int kFrameWidth = 409;
constexpr int kFrameHeight = 113;
constexpr int kDigitTop = 40;
constexpr int kDigitWidth = 49;
constexpr int kDigitPitch = 64;
constexpr int kOptionTop = 88;
constexpr int kOptionSize = 17;
constexpr double kAfterLimitsWait = 0.2;
// Boxes 5 and 6 only show the zeros implied by the last two decimal positions.
constexpr int kZeroBoxTens = 5;
constexpr int kZeroBoxHundreds = 6;
constexpr int kFootCandleOnlyOption = 1;
constexpr int kLuxOnlyOption = 6;

QComboBox* digitBox(QWidget* parent, const QString& name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (char digit = '0'; digit <= '9'; ++digit)
        box->addItem(QString(QLatin1Char(digit)));
    box->setEditText(QStringLiteral("0"));
    return box;
}

// Sends the limits and presses the meter's Comp key. Uses nothing of the window, which may close
// during the waits.
void sendComparatorLimits(meterlink::MeterLink& link, const QByteArray& block) {
    meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
    if (!meterlink::ReturnToNormalDisplay(link) ||
        !meterlink::SendSettingBlock(link, 'V', [&block] { return block; }) ||
        !link.WaitSeconds(kAfterLimitsWait) || !link.PollReading())
        return;
    link.send(QByteArrayLiteral("X"));
}

} // namespace

Comparator::Comparator(meterlink::MeterLink& link, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), link_(link) {
    setObjectName(QStringLiteral("Comparator"));
    setWindowTitle(kComparatorCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kClientWidth, kClientHeight);

    TxtUnit = new QComboBox(this);
    TxtUnit->setObjectName(QStringLiteral("TxtUnit"));
    TxtUnit->setEditable(true);
    TxtUnit->setInsertPolicy(QComboBox::NoInsert);
    TxtUnit->addItems({QStringLiteral("Lx"), QStringLiteral("Fc")});
    TxtUnit->setCurrentIndex(-1);
    TxtUnit->setEditText(QString());
    TxtUnit->setGeometry(8, 8, 65, TxtUnit->sizeHint().height());
    QObject::connect(TxtUnit, &QComboBox::activated, this,
                     [this](int index) { TxtUnitClick(TxtUnit->itemText(index)); });

    CmdUpdate = new QPushButton(QStringLiteral("Update"), this);
    CmdUpdate->setObjectName(QStringLiteral("CmdUpdate"));
    CmdUpdate->setGeometry(352, 8, 65, 25);
    // A click during another exchange's wait starts once that exchange has returned.
    QObject::connect(CmdUpdate, &QPushButton::clicked, this, [this] {
        link_.exchanges().request(QStringLiteral("Comparator.CmdUpdate"), this,
                                  [this] { WriteComparatorLimits(); });
    });

    // A button without an action: it keeps its name but is not shown.
    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->hide();

    high_ = buildRow("SSFrame1", QStringLiteral("HIGH"), "HighO", "HODec", 32);
    low_ = buildRow("SSFrame2", QStringLiteral("LOW"), "LowO", "LODec", 152);

    platform::placeBeside(*this, mainWindow);
}

Comparator::LimitRow Comparator::buildRow(const char* frameName, const QString& caption,
                                          const char* digitName, const char* optionName, int top) {
    LimitRow row;
    row.frame = new QGroupBox(caption, this);
    row.frame->setObjectName(QLatin1String(frameName));
    row.frame->setGeometry(8, top, kFrameWidth, kFrameHeight);
    row.group = new QButtonGroup(row.frame);
    for (int k = 1; k <= kComparatorOptions; ++k) {
        QComboBox* digit =
            digitBox(row.frame, QStringLiteral("%1(%2)").arg(QLatin1String(digitName)).arg(k));
        digit->setGeometry(16 + kDigitPitch * (k - 1), kDigitTop, kDigitWidth,
                           digit->sizeHint().height());
        row.digits[k - 1] = digit;

        auto* option = new QRadioButton(row.frame);
        option->setObjectName(QStringLiteral("%1(%2)").arg(QLatin1String(optionName)).arg(k));
        option->setGeometry(kDigitPitch * k, kOptionTop, kOptionSize, kOptionSize);
        row.group->addButton(option, k);
        row.options[k - 1] = option;
    }
    QObject::connect(row.group, &QButtonGroup::idClicked, this, &Comparator::selectOption);
    return row;
}

Comparator::~Comparator() {
    // The unit box reports a typed unit as chosen when it loses the focus, which it does while
    // the window's children are torn down; this window must not hear it then.
    QObject::disconnect(TxtUnit, nullptr, this, nullptr);
}

void Comparator::closeEvent(QCloseEvent* event) {
    Q_EMIT closed();
    QWidget::closeEvent(event);
}

void Comparator::fill(const ComparatorSettings& settings) {
    for (int i = 0; i < kLimitDigits; ++i) {
        high_.digits[i]->setEditText(settings.high.mid(i, 1));
        low_.digits[i]->setEditText(settings.low.mid(i, 1));
    }
    TxtUnit->setCurrentIndex(TxtUnit->findText(settings.unitText));
    // On a fresh window no option is selected yet, so the unit rule leaves exactly the
    // positions of that unit, as a choice of the unit in the box would.
    TxtUnitClick(settings.unitText);
    if (settings.option != 0)
        selectOption(settings.option);
}

void Comparator::TxtUnitClick(const QString& unit) {
    if (unit == QLatin1String("Lx")) {
        // A selected option 1 stays selected; "Update" then sends the last position.
        setOptionEnabled(kFootCandleOnlyOption, false);
        setOptionEnabled(kLuxOnlyOption, true);
        return;
    }
    setOptionEnabled(kFootCandleOnlyOption, true);
    clearOption(kLuxOnlyOption);
    setOptionEnabled(kLuxOnlyOption, false);
    setImpliedDigit(kZeroBoxHundreds, QString());
}

void Comparator::selectOption(int k) {
    high_.options[k - 1]->setChecked(true);
    low_.options[k - 1]->setChecked(true);
    // Options 5 and 6 put the point after boxes 5 and 6, which then show the implied zeros.
    const QString zero = QStringLiteral("0");
    setImpliedDigit(kZeroBoxTens, k >= kZeroBoxTens ? zero : QString());
    setImpliedDigit(kZeroBoxHundreds, k >= kZeroBoxHundreds ? zero : QString());
}

void Comparator::clearOption(int k) {
    for (LimitRow* row : {&high_, &low_}) {
        // An exclusive group keeps its selected button checked; let go of it for a moment.
        row->group->setExclusive(false);
        row->options[k - 1]->setChecked(false);
        row->group->setExclusive(true);
    }
}

void Comparator::setOptionEnabled(int k, bool enabled) {
    high_.options[k - 1]->setEnabled(enabled);
    low_.options[k - 1]->setEnabled(enabled);
}

void Comparator::setImpliedDigit(int k, const QString& text) {
    for (LimitRow* row : {&high_, &low_}) {
        row->digits[k - 1]->setEditText(text);
        row->digits[k - 1]->setEnabled(false);
    }
}

ComparatorEntry Comparator::entry() const {
    ComparatorEntry e;
    e.unitText = TxtUnit->currentText();
    e.option = std::max(0, high_.group->checkedId());
    for (int i = 0; i < kLimitDigits; ++i) {
        e.high[i] = high_.digits[i]->currentText();
        e.low[i] = low_.digits[i]->currentText();
    }
    return e;
}

void Comparator::WriteComparatorLimits() {
    sendComparatorLimits(link_, comparatorLimitsBlock(entry()));
}

void LoadComparatorWindow(meterlink::MeterLink& link, platform::Prompts& prompts,
                          QWidget* mainWindow, QPointer<Comparator>& window) {
    const std::optional<QByteArray> frame = ReadSettingsOrSay(link, prompts, mainWindow);
    if (!frame)
        return;
    // Edits not sent with "Update" go with the old window: the new one shows the meter's state.
    if (window)
        window->close();
    Comparator& fresh = platform::keepUntilClosed(window, new Comparator(link, mainWindow));
    fresh.fill(decodeComparatorSettings(*frame));
    fresh.show();
}

} // namespace commands
