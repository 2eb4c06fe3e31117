#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QWidget;

namespace meterlink {
class MeterLink;
struct DisplayModel;
} // namespace meterlink
namespace platform {
class Prompts;
}

namespace commands {

// How long a meter may keep answering "Z" badly before the settings read gives up.
inline constexpr double kSettingsReadLimit = 10.0;
inline const QString kSettingsUnreadText =
    QStringLiteral("The meter did not send its settings; nothing was changed.");

// The caller holds an ExchangeQueue::Exchange. A poll, "Z", 50 ms and what came back, again
// until a well-formed settings frame arrives. Nothing when the program shuts down, or when
// kSettingsReadLimit seconds pass without one: a meter that polls well but never answers "Z"
// must not hold the port for good.
std::optional<QByteArray> ReadSettingsFrame(meterlink::MeterLink& link);

// The meter back to normal and its settings read, as one exchange. When they cannot be read,
// says so (once the exchange is over) and gives nothing.
std::optional<QByteArray> ReadSettingsOrSay(meterlink::MeterLink& link, platform::Prompts& prompts,
                                            QWidget* parent);

// The toolbar's "Hold": the meter back to normal, the box asks MM:SS until the form is right,
// then "S" and the time in BCD. The box opens outside any exchange, so polling goes on.
void EnterHoldTime(meterlink::MeterLink& link, platform::Prompts& prompts, QWidget* parent);
// The toolbar's "CD": the meter back to normal, its stored distance read and proposed, then
// "I" and the distance x 100. The unit words follow the display's unit at the moment of asking.
void EnterLightDistance(meterlink::MeterLink& link, platform::Prompts& prompts, QWidget* parent,
                        const meterlink::DisplayModel& display);

// The control panel's cd key: the meter back to normal, then the distance it already holds
// written again with "I", as the toolbar's "CD" writes a new one. One exchange. False when the
// settings could not be read (nothing is written then) or the program is shutting down.
bool ResendLightDistance(meterlink::MeterLink& link);

} // namespace commands
