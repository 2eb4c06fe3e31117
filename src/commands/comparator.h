#pragma once

#include "commands/comparator_limits.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace meterlink {
class MeterLink;
}
namespace platform {
class Prompts;
}

namespace commands {

inline const QString kComparatorCaption = QStringLiteral("Comparator");

// The meter's comparator limits: four digits each and one decimal position for both, in lux or
// foot-candles. "Update" sends what the boxes hold and switches the meter's comparator on.
// Modeless, deleted on close, placed at the main window's right edge; polling goes on.
class Comparator : public QWidget {
    Q_OBJECT
public:
    Comparator(meterlink::MeterLink& link, QWidget* mainWindow);
    ~Comparator() override;

    // Shows the settings the meter holds; for a freshly built window.
    void fill(const ComparatorSettings& settings);

    // "Update": the limits, then the meter's Comp key. One exchange, run as the click's turn in
    // the exchange queue.
    void WriteComparatorLimits();

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // One frame of digit boxes with its decimal options; index 0 holds box / option 1.
    struct LimitRow {
        QGroupBox* frame;
        std::array<QComboBox*, kComparatorOptions> digits;
        std::array<QRadioButton*, kComparatorOptions> options;
        QButtonGroup* group;
    };
    LimitRow buildRow(const char* frameName, const QString& caption, const char* digitName,
                      const char* optionName, int top);
    // The unit rule: which decimal positions exist for the unit.
    void TxtUnitClick(const QString& unit);
    // The option rule: both groups select option k, and boxes 5 and 6 show its implied zeros.
    void selectOption(int k);
    void clearOption(int k);
    void setOptionEnabled(int k, bool enabled);
    // Digit box k of both rows.
    void setImpliedDigit(int k, const QString& text);
    ComparatorEntry entry() const;

    meterlink::MeterLink& link_;
    QComboBox* TxtUnit;
    QPushButton* CmdUpdate;
    QPushButton* Command1;
    LimitRow high_;
    LimitRow low_;
};

// The toolbar's "Comp": the meter back to normal and its settings read, in one exchange; then
// the open window, if any, is closed and a fresh one shows those settings. When the settings
// cannot be read, a message says so and no window opens.
void LoadComparatorWindow(meterlink::MeterLink& link, platform::Prompts& prompts,
                          QWidget* mainWindow, QPointer<Comparator>& window);

} // namespace commands
