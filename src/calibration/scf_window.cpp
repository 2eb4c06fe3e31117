#include "calibration/scf_window.h"

#include "calibration/dialog_parts.h"
#include "calibration/factor_exchanges.h"
#include "link/meter_link.h"
#include "platform/placement.h"
#include "platform/prompts.h"
#include "shared/session.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace calibration {

namespace {

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

SCF_frm::SCF_frm(shared::Session& session, meterlink::MeterLink& link, platform::Prompts& prompts,
                 MainWindowParts panel)
    : QDialog(panel.window), session_(session), link_(link), prompts_(prompts),
      panel_(std::move(panel)) {
    setObjectName(QStringLiteral("SCF_frm"));
    setWindowTitle(QStringLiteral("Form1"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Range"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    SCFRange_Edit = new QLineEdit(QStringLiteral("Text1"), this);
    SCFRange_Edit->setObjectName(QStringLiteral("SCFRange_Edit"));
    Label2 = new QLabel(QStringLiteral("Cnt"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    SCFCNT_Cbx = new QComboBox(this);
    SCFCNT_Cbx->setObjectName(QStringLiteral("SCFCNT_Cbx"));
    SCFCNT_Cbx->addItems(scfCountNames());
    SCFCNT_Cbx->setPlaceholderText(QStringLiteral("Combo1"));
    SCFCNT_Cbx->setCurrentIndex(-1);
    SetSCF_btn = button("SetSCF_btn", "Set", this);
    SCF_init_btn = button("SCF_init_btn", "Initial SCF", this);
    Cancel_btn = button("Cancel_btn", "Cancel", this);
    new TypedKeyFilter(SCFRange_Edit, SetSCF_btn);
    new TypedKeyFilter(SCFCNT_Cbx, nullptr);

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(SCFRange_Edit, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(SCFCNT_Cbx, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SetSCF_btn);
    buttons->addWidget(SCF_init_btn);
    buttons->addWidget(Cancel_btn);
    auto* column = new QVBoxLayout(this);
    column->addLayout(fields);
    column->addLayout(buttons);
    platform::placeCentredOn(*this, panel_.window);

    // The main window shows the banner itself.
    QObject::connect(&panel_.stream, &meterlink::DisplayStream::bannerShown, this, [this] {
        if (ScfWindowActive)
            close();
    });

    QObject::connect(Cancel_btn, &QPushButton::clicked, this, &QDialog::close);
    // A click during another exchange's wait starts once that exchange has returned.
    QObject::connect(SetSCF_btn, &QPushButton::clicked, this, [this] {
        link_.exchanges().request(QStringLiteral("SCF_frm.SetSCF_btn"), this,
                                  [this] { SetSCF_btnClick(); });
    });
    QObject::connect(SCF_init_btn, &QPushButton::clicked, this, [this] {
        link_.exchanges().request(QStringLiteral("SCF_frm.SCF_init_btn"), this,
                                  [this] { SCF_init_btnClick(); });
    });
    QObject::connect(this, &QDialog::finished, this, [this] {
        pause_.reset();
        panel_.Timer2.start();
        ScfWindowActive = false;
    });
}

void SCF_frm::showModal(shared::Session& session, meterlink::MeterLink& link,
                        platform::Prompts& prompts, MainWindowParts panel) {
    auto* window = new SCF_frm(session, link, prompts, std::move(panel));
    // Deleted once exec() has returned, never under a handler still running inside it.
    window->setAttribute(Qt::WA_DeleteOnClose);
    QTimer::singleShot(0, window, [window] {
        window->link_.exchanges().request(QStringLiteral("SCF_frm.Load"), window,
                                          [window] { window->Load(); });
    });
    window->exec();
}

void SCF_frm::Load() {
    pause_.emplace(panel_.stream);
    panel_.Timer2.stop();
    QPointer<SCF_frm> self(this);
    std::optional<ScfSetting> setting;
    {
        meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
        setting = ReadScfSetting(link_);
    }
    // A failed read ends the load silently; closed meanwhile, the unload has already run.
    if (!setting || !self || !isVisible())
        return;
    SCFCNT_Cbx->setCurrentIndex(setting->countIndex);
    SCFRange_Edit->setText(factorText(setting->code));
    ScfWindowActive = true;
    pause_.emplace(panel_.stream, meterlink::DisplayStream::Watching::SetUpBanner);
}

void SCF_frm::SetSCF_btnClick() {
    if (!isVisible())
        return;
    const std::optional<int> code = scfCode(SCFRange_Edit->text());
    if (!code) {
        prompts_.message(this, platform::MessageIcon::Critical, kScfRangeText);
        return;
    }
    // Only a failed load leaves no count chosen; a guessed one would change the meter's setting.
    if (SCFCNT_Cbx->currentIndex() < 0) {
        prompts_.message(this, platform::MessageIcon::Critical, kScfCountUnchosenText);
        return;
    }
    // The watch's ticks wait for the exchange.
    meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
    WriteScfSetting(link_, {SCFCNT_Cbx->currentIndex(), *code});
}

void SCF_frm::SCF_init_btnClick() {
    if (!isVisible())
        return;
    QPointer<SCF_frm> self(this);
    {
        meterlink::ExchangeQueue::Exchange exchange(link_.exchanges());
        if (!RestoreInitialScf(link_))
            return; // shutting down
    }
    if (self)
        self->close();
}

} // namespace calibration
