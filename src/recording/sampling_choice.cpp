#include "recording/sampling_choice.h"

#include "link/meter_link.h"
#include "link/setting_exchanges.h"
#include "platform/placement.h"
#include "platform/prompts.h"
#include "recording/clock_values.h"
#include "recording/meter_clock.h"
#include "shared/session.h"
#include "text/entry_parts.h"

#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace recording {

namespace {
constexpr int kTwipsPerPixel = 15; // at 96 dots per inch
constexpr int kLeftOffset = 120 / kTwipsPerPixel;
constexpr int kTopOffset = 840 / kTwipsPerPixel;
} // namespace

SamplingChoice::SamplingChoice(shared::Session& session, meterlink::MeterLink& link,
                               platform::Prompts& prompts, meterlink::DisplayStream& stream,
                               QWidget* panel)
    : QDialog(panel), session_(session), link_(link), prompts_(prompts), stream_(stream) {
    setObjectName(QStringLiteral("SamplingChoice"));
    setWindowTitle(QStringLiteral("Sampling Rate"));
    setModal(true);

    OptMeter = new QRadioButton(QStringLiteral("Meter Sampling Rate"), this);
    OptMeter->setObjectName(QStringLiteral("OptMeter"));
    OptMeter->setChecked(true);
    OptPC = new QRadioButton(QStringLiteral("PC Sampling Rate"), this);
    OptPC->setObjectName(QStringLiteral("OptPC"));
    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setDefault(true);

    auto* column = new QVBoxLayout(this);
    column->addWidget(OptMeter);
    column->addWidget(OptPC);
    column->addWidget(CmdOK, 0, Qt::AlignHCenter);

    if (panel)
        platform::placeAt(*this, panel->pos() + QPoint(kLeftOffset, kTopOffset));

    QObject::connect(this, &QDialog::finished, this, [this] { pause_.reset(); });
    // A click during another exchange's wait starts once that exchange has returned.
    QObject::connect(CmdOK, &QPushButton::clicked, this, [this] {
        link_.exchanges().request(QStringLiteral("SamplingChoice.CmdOK"), this,
                                  [this] { CmdOKClick(); });
    });
}

void SamplingChoice::CmdOKClick() {
    // A second OK while this one waits for the meter would start over once it is done.
    CmdOK->setEnabled(false);
    QPointer<SamplingChoice> self(this);
    if (OptPC->isChecked())
        askPcInterval();
    else
        askMeterInterval();
    if (self)
        close();
}

void SamplingChoice::askPcInterval() {
    RecordingState& r = session_.recording;
    const PcIntervalAnswer answer = readPcIntervalAnswer(prompts_.input(
        this, kPcIntervalPrompt, kSamplingInputTitle, QString::number(double(r.SamplingSeconds))));
    switch (answer.kind) {
    case PcIntervalAnswer::Kind::Empty:
        return;
    case PcIntervalAnswer::Kind::NotANumber:
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("The sampling time must be a number of seconds; it stays "
                                        "at %1 s.")
                             .arg(double(r.SamplingSeconds)));
        return;
    case PcIntervalAnswer::Kind::Seconds:
        SetPcSamplingInterval(r, answer.seconds);
        return;
    }
}

void SamplingChoice::askMeterInterval() {
    pause_.emplace(stream_);
    QPointer<SamplingChoice> self(this);
    // Closed during a wait: its unload has already resumed polling, so nothing more is asked.
    auto stillOpen = [&] { return self && self->isVisible(); };
    std::optional<QByteArray> frame;
    {
        meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
        frame = ReadClockFrame(link_);
    }
    if (!frame || !stillOpen())
        return;
    // The boxes open outside the exchange, so other handlers may use the link meanwhile.
    for (;;) {
        const QString answer = prompts_.input(this, kMeterIntervalPrompt, kSamplingInputTitle,
                                              meterIntervalText(*frame));
        if (answer.isEmpty() || !stillOpen())
            return;
        const std::optional<MeterInterval> interval = readMeterIntervalAnswer(answer);
        if (!interval) {
            prompts_.message(this, platform::MessageIcon::Critical, textrules::kInvalidFormatText);
            continue;
        }
        meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
        meterlink::SendMeterSetting(link_, 'W', [bytes = interval->bcdBytes()] { return bytes; });
        return;
    }
}

} // namespace recording
