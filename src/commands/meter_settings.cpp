#include "commands/meter_settings.h"

#include "commands/settings_entry.h"
#include "link/display_model.h"
#include "link/meter_link.h"
#include "link/setting_exchanges.h"
#include "platform/prompts.h"
#include "text/entry_parts.h"

namespace commands {

namespace {

constexpr double kSettingsReplyWait = 0.05;

// Asks until the entry has the right form; nothing when the user cancels, leaves the box empty
// or enters a negative part. Runs outside any exchange.
std::optional<QByteArray> askEntry(platform::Prompts& prompts, QWidget* parent,
                                   const QString& prompt, const QString& title,
                                   const QString& proposal,
                                   SettingEntry (*read)(QStringView text)) {
    for (;;) {
        const QString text = prompts.input(parent, prompt, title, proposal);
        if (text.isEmpty())
            return std::nullopt;
        SettingEntry entry = read(text);
        switch (entry.kind) {
        case SettingEntry::Kind::Invalid:
            prompts.message(parent, platform::MessageIcon::Critical, textrules::kInvalidFormatText);
            continue;
        case SettingEntry::Kind::Abandoned:
            return std::nullopt;
        case SettingEntry::Kind::Accepted:
            return std::move(entry.block);
        }
    }
}

void sendSetting(meterlink::MeterLink& link, char letter, const QByteArray& block) {
    meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
    meterlink::SendSettingBlock(link, letter, [&block] { return block; });
}

} // namespace

std::optional<QByteArray> ReadSettingsFrame(meterlink::MeterLink& link) {
    const double giveUpAt = link.now() + kSettingsReadLimit;
    while (link.now() < giveUpAt) {
        if (!link.PollReading())
            return std::nullopt;
        link.send(QByteArrayLiteral("Z"));
        if (!link.WaitSeconds(kSettingsReplyWait))
            return std::nullopt;
        const QByteArray reply = link.port().Input();
        if (isSettingsFrame(reply))
            return reply;
    }
    return std::nullopt;
}

void EnterHoldTime(meterlink::MeterLink& link, platform::Prompts& prompts, QWidget* parent) {
    {
        meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
        if (!meterlink::ReturnToNormalDisplay(link))
            return;
    }
    const std::optional<QByteArray> block = askEntry(
        prompts, parent, kHoldTimePrompt, kHoldTimeTitle, kHoldTimeProposal, readHoldTimeEntry);
    if (block)
        sendSetting(link, 'S', *block);
}

std::optional<QByteArray> ReadSettingsOrSay(meterlink::MeterLink& link, platform::Prompts& prompts,
                                            QWidget* parent) {
    std::optional<QByteArray> frame;
    {
        meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
        if (!meterlink::ReturnToNormalDisplay(link))
            return std::nullopt;
        frame = ReadSettingsFrame(link);
    }
    if (!frame && !link.shuttingDown())
        prompts.message(parent, platform::MessageIcon::Critical, kSettingsUnreadText);
    return frame;
}

void EnterLightDistance(meterlink::MeterLink& link, platform::Prompts& prompts, QWidget* parent,
                        const meterlink::DisplayModel& display) {
    const std::optional<QByteArray> frame = ReadSettingsOrSay(link, prompts, parent);
    if (!frame)
        return;
    const std::optional<QByteArray> block =
        askEntry(prompts, parent, distancePrompt(display.UnitText), kDistanceTitle,
                 distanceText(settingsDistance(*frame)), readDistanceEntry);
    if (block)
        sendSetting(link, 'I', *block);
}

bool ResendLightDistance(meterlink::MeterLink& link) {
    meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
    if (!meterlink::ReturnToNormalDisplay(link))
        return false;
    const std::optional<QByteArray> frame = ReadSettingsFrame(link);
    // Bytes 2 and 3 of the frame: the stored distance x 100, high byte first.
    return frame && meterlink::SendSettingBlock(link, 'I', [&frame] { return frame->mid(1, 2); });
}

} // namespace commands
