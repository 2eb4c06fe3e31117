#include "app/about.h"

#include "platform/prompts.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

QStringList About::lines(const platform::Prompts& prompts) {
    return {
        QStringLiteral("LuxPanel %1").arg(QStringLiteral(LUXPANEL_VERSION)),
        QStringLiteral("A desktop companion for a handheld digital light meter."),
        QStringLiteral("Licence: GNU General Public License, version 3 or later."),
        QStringLiteral("Data files: saved where you choose; the next save dialog opens in %1.")
            .arg(QDir::toNativeSeparators(prompts.folder(platform::FileKind::DataFile))),
        QStringLiteral("Manual page: \"man luxpanel-cli\" (%1).")
            .arg(QDir::toNativeSeparators(QStringLiteral(LUXPANEL_MANUAL_PAGE))),
    };
}

About::About(const platform::Prompts& prompts, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(kAboutCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* column = new QVBoxLayout(this);
    auto* text = new QLabel(lines(prompts).join(QLatin1Char('\n')), this);
    text->setObjectName(QStringLiteral("LblAbout"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("CmdOK"));
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

} // namespace app
