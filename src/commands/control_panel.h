#pragma once

#include "shared/session.h"

#include <QString>
#include <QWidget>

namespace meterlink {
class DisplayStream;
class MeterLink;
} // namespace meterlink
namespace platform {
class Prompts;
}

namespace commands {

class ToolbarDispatcher;
struct MeterKey;

inline const QString kControlPanelCaption = QStringLiteral("Control Panel");

// Buttons that copy the meter's own keys. Each click is one exchange; the meter's reaction shows
// on the display copy at the next polling ticks. Modeless, deleted on close; placed under the
// main window when it loads.
class Btn : public QWidget {
    Q_OBJECT
public:
    Btn(shared::Session& session, meterlink::MeterLink& link, ToolbarDispatcher& toolbar,
        meterlink::DisplayStream& stream, platform::Prompts& prompts, QWidget* mainWindow);

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void press(const MeterKey& key);

    shared::Session& session_;
    meterlink::MeterLink& link_;
    ToolbarDispatcher& toolbar_;
    meterlink::DisplayStream& stream_;
    platform::Prompts& prompts_;
};

} // namespace commands
