#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace platform {

enum class MessageIcon { Critical, Exclamation, Information };

// Every message box, input box, file and printer dialog goes through here, so tests can
// script the user's answers and read the messages shown.
class Prompts {
public:
    virtual ~Prompts() = default;
    // A message with an OK button. The detail, when not empty, is shown as a second line.
    virtual void message(QWidget* parent, MessageIcon icon, const QString& text,
                         const QString& detail = {}) = 0;
    // OK / Cancel question in a box with the given title; true for OK.
    virtual bool confirm(QWidget* parent, MessageIcon icon, const QString& text,
                         const QString& title) = 0;
    // Empty text on cancel.
    virtual QString input(QWidget* parent, const QString& prompt, const QString& title,
                          const QString& defaultText) = 0;
    // Empty path on cancel.
    virtual QString saveFileName(QWidget* parent, const QString& filter) = 0;
    virtual QString openFileName(QWidget* parent, const QString& filter) = 0;
    // Lets the user choose a printer (or PDF output) for the given printer; false on cancel.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;
};

// The real dialogs.
class DialogPrompts : public Prompts {
public:
    void message(QWidget* parent, MessageIcon icon, const QString& text,
                 const QString& detail = {}) override;
    bool confirm(QWidget* parent, MessageIcon icon, const QString& text,
                 const QString& title) override;
    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) override;
    QString saveFileName(QWidget* parent, const QString& filter) override;
    QString openFileName(QWidget* parent, const QString& filter) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
};

} // namespace platform
