#include "commands/control_panel.h"

#include "commands/meter_settings.h"
#include "commands/toolbar_dispatch.h"
#include "link/display_stream.h"
#include "link/meter_link.h"
#include "platform/placement.h"
#include "platform/prompts.h"

#include <QCloseEvent>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

namespace commands {

enum class KeyAction { Letter, Power, Distance, None };

struct MeterKey {
    const char* name;
    const char* caption; // nullptr: the button shows the picture instead
    QStyle::StandardPixmap picture;
    const char* tip;
    KeyAction action;
    char letter;
    bool refusedWhileIntv;
    int left;
    int top;
    int width;
};

namespace {

constexpr int kClientWidth = 200;
constexpr int kClientHeight = 168;
constexpr int kButtonHeight = 25;
constexpr auto kText = QStyle::SP_CustomBase;

// The meter's keys in their places on its face.
const MeterKey kKeys[] = {
    {"CmdPower", "Pwr", kText, "", KeyAction::Power, 'O', false, 8, 8, 49},
    {"CmdTime", "Time", kText, "", KeyAction::Letter, 'B', false, 64, 8, 73},
    {"CmdH", "H", kText, "", KeyAction::Letter, 'C', true, 144, 8, 49},
    {"CmdAVG", "AVG", kText, "", KeyAction::Letter, 'D', true, 8, 40, 65},
    {"CmdSet", "SET", kText, "", KeyAction::None, 0, false, 80, 40, 41},
    {"CmdLxFc", "Lx/Fc", kText, "", KeyAction::Letter, 'F', true, 128, 40, 65},
    {"CmdPercent", "%", kText, "", KeyAction::Letter, 'G', true, 8, 72, 65},
    {"CmdEnter", nullptr, QStyle::SP_DialogApplyButton, "", KeyAction::Letter, 'H', false, 80, 72,
     41},
    {"CmdCD", "cd", kText, "", KeyAction::Distance, 0, true, 128, 72, 25},
    {"CmdComp", "Comp", kText, "", KeyAction::Letter, 'X', true, 152, 72, 41},
    {"CmdUp", nullptr, QStyle::SP_ArrowUp, "", KeyAction::Letter, 'K', true, 80, 104, 41},
    {"CmdMem", "M", kText, "Automatically Record", KeyAction::Letter, 'P', true, 8, 120, 33},
    {"CmdMMM", "m", kText, "Manually Record", KeyAction::Letter, 'J', true, 40, 120, 33},
    {"CmdRead", "READ", kText, "", KeyAction::Letter, 'L', true, 128, 120, 65},
    {"CmdDown", nullptr, QStyle::SP_ArrowDown, "", KeyAction::Letter, 'N', true, 80, 136, 41},
};

// The power key turns the meter off and on again: the link is lost until it answers, so the
// reconnection runs here, and polling resumes once the meter is back.
void pressPower(meterlink::MeterLink& link, meterlink::DisplayStream& stream, char letter) {
    meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
    const meterlink::DisplayStream::Pause pause(stream);
    if (link.PollReading()) {
        link.send(QByteArray(1, letter));
        link.ReconnectMeter();
    }
}

} // namespace

Btn::Btn(shared::Session& session, meterlink::MeterLink& link, ToolbarDispatcher& toolbar,
         meterlink::DisplayStream& stream, platform::Prompts& prompts, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), session_(session), link_(link), toolbar_(toolbar),
      stream_(stream), prompts_(prompts) {
    setObjectName(QStringLiteral("Btn"));
    setWindowTitle(kControlPanelCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kClientWidth, kClientHeight);
    for (const MeterKey& key : kKeys) {
        auto* button = new QPushButton(this);
        button->setObjectName(QLatin1String(key.name));
        if (key.caption)
            button->setText(QLatin1String(key.caption));
        else
            button->setIcon(style()->standardIcon(key.picture));
        button->setToolTip(QLatin1String(key.tip));
        button->setGeometry(key.left, key.top, key.width, kButtonHeight);
        if (key.action == KeyAction::None)
            continue;
        connect(button, &QPushButton::clicked, this, [this, &key] {
            link_.exchanges().request(QLatin1String(key.name), this, [this, &key] { press(key); });
        });
    }
    platform::placeUnder(*this, mainWindow);
}

void Btn::closeEvent(QCloseEvent* event) {
    Q_EMIT closed();
    QWidget::closeEvent(event);
}

// Runs as the key's turn in the exchange queue; nothing of this window is used after a wait,
// as the user may close it meanwhile.
void Btn::press(const MeterKey& key) {
    if (key.refusedWhileIntv && session_.display.status.IntvOn)
        return;
    switch (key.action) {
    case KeyAction::Letter:
        toolbar_.SendKeyCommand(key.letter);
        break;
    case KeyAction::Power:
        pressPower(link_, stream_, key.letter);
        break;
    case KeyAction::Distance: {
        const QPointer<QWidget> window = this;
        meterlink::MeterLink& link = link_;
        platform::Prompts& prompts = prompts_;
        if (!ResendLightDistance(link) && !link.shuttingDown())
            prompts.message(window, platform::MessageIcon::Critical, kSettingsUnreadText);
        break;
    }
    case KeyAction::None:
        break;
    }
}

} // namespace commands
