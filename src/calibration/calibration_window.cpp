#include "calibration/calibration_window.h"

#include "calibration/dialog_parts.h"
#include "calibration/factor_exchanges.h"
#include "link/display_stream.h"
#include "link/meter_link.h"
#include "platform/placement.h"
#include "platform/prompts.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace calibration {

Calibrationfrm::Calibrationfrm(meterlink::MeterLink& link, platform::Prompts& prompts,
                               meterlink::DisplayStream& stream, QWidget* panel)
    : QDialog(panel), link_(link), prompts_(prompts), stream_(stream) {
    setObjectName(QStringLiteral("Calibrationfrm"));
    setWindowTitle(QStringLiteral("Calibration"));
    setModal(true);

    TxtCalValue = new QLineEdit(QStringLiteral("0.0"), this);
    TxtCalValue->setObjectName(QStringLiteral("TxtCalValue"));
    BtnSet = new QPushButton(QStringLiteral("Set"), this);
    BtnSet->setObjectName(QStringLiteral("BtnSet"));
    BtnInitial = new QPushButton(QStringLiteral("Initial"), this);
    BtnInitial->setObjectName(QStringLiteral("BtnInitial"));
    new TypedKeyFilter(TxtCalValue, BtnSet);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnSet);
    buttons->addWidget(BtnInitial);
    auto* column = new QVBoxLayout(this);
    column->addWidget(TxtCalValue);
    column->addLayout(buttons);
    platform::placeCentredOn(*this, panel);

    // A click during another exchange's wait starts once that exchange has returned.
    QObject::connect(BtnSet, &QPushButton::clicked, this, [this] {
        link_.exchanges().request(QStringLiteral("Calibrationfrm.BtnSet"), this,
                                  [this] { BtnSetClick(); });
    });
    QObject::connect(BtnInitial, &QPushButton::clicked, this, [this] {
        link_.exchanges().request(QStringLiteral("Calibrationfrm.BtnInitial"), this,
                                  [this] { BtnInitialClick(); });
    });
}

void Calibrationfrm::showModal(meterlink::MeterLink& link, platform::Prompts& prompts,
                               meterlink::DisplayStream& stream, QWidget* panel) {
    auto* window = new Calibrationfrm(link, prompts, stream, panel);
    // Deleted once exec() has returned, never under a handler still running inside it.
    window->setAttribute(Qt::WA_DeleteOnClose);
    QTimer::singleShot(0, window, [window] {
        window->link_.exchanges().request(QStringLiteral("Calibrationfrm.Load"), window,
                                          [window] { window->Load(); });
    });
    window->exec();
}

void Calibrationfrm::Load() {
    QPointer<Calibrationfrm> self(this);
    std::optional<int> code;
    {
        meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
        code = ReadCalibrationFactor(link_);
    }
    if (self)
        showFactor(code);
}

void Calibrationfrm::BtnInitialClick() {
    if (!isVisible())
        return;
    meterlink::MeterLink& link = link_;
    QPointer<Calibrationfrm> self(this);
    std::optional<int> code;
    {
        meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
        const meterlink::DisplayStream::Pause pause(stream_);
        code = RestoreCalibrationFactor(link);
    }
    if (link.shuttingDown())
        return;
    if (self)
        showFactor(code);
}

void Calibrationfrm::BtnSetClick() {
    if (!isVisible())
        return;
    const std::optional<int> code = calibrationCode(TxtCalValue->text());
    if (!code) {
        prompts_.message(this, platform::MessageIcon::Critical, kCalibrationRangeText);
        return;
    }
    meterlink::MeterLink& link = link_;
    QPointer<Calibrationfrm> self(this);
    {
        meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
        const meterlink::DisplayStream::Pause pause(stream_);
        if (!WriteCalibrationFactor(link, *code))
            return; // shutting down
    }
    if (self)
        close();
}

void Calibrationfrm::showFactor(const std::optional<int>& code) {
    if (code)
        TxtCalValue->setText(factorText(*code));
    else if (isVisible() && !link_.shuttingDown())
        prompts_.message(this, platform::MessageIcon::Critical, kFactorUnreadText);
}

} // namespace calibration
