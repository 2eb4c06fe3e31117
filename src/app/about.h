#pragma once

#include <QDialog>

namespace platform {
class Prompts;
}

namespace app {

inline const QString kAboutCaption = QStringLiteral("About LuxPanel");

// "About LuxPanel": the program's version and licence, where its data files go and where the
// manual page of its command-line tool is. Reached from the panel (Shift+F1, or its context
// menu); modal, deleted on close.
class About : public QDialog {
    Q_OBJECT
public:
    About(const platform::Prompts& prompts, QWidget* parent);

    // The text shown, a line each.
    static QStringList lines(const platform::Prompts& prompts);
};

} // namespace app
