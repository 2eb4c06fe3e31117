#pragma once

#include "platform/prompts.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace testsupport {

// Prompts that record what the program showed and answer from a script.
class ScriptedPrompts : public platform::Prompts {
public:
    struct Shown {
        platform::MessageIcon icon;
        QString text;
        QString detail;
        QString title; // of a question
    };
    void message(QWidget*, platform::MessageIcon icon, const QString& text,
                 const QString& detail = {}) override {
        messages.append({icon, text, detail, {}});
        if (whileMessageShown)
            whileMessageShown();
    }
    bool confirm(QWidget*, platform::MessageIcon icon, const QString& text,
                 const QString& title) override {
        messages.append({icon, text, {}, title});
        if (whileMessageShown)
            whileMessageShown();
        return confirmAnswer;
    }
    QString input(QWidget*, const QString& prompt, const QString& title,
                  const QString& defaultText) override {
        asked.append(QStringList{prompt, title, defaultText});
        if (whileInputShown)
            whileInputShown();
        return inputs.isEmpty() ? QString() : inputs.takeFirst();
    }
    QString saveFileName(QWidget*, const QString& filter, const QString& proposedPath) override {
        fileDialogs << QStringLiteral("save");
        saveFilters << filter;
        proposedPaths << proposedPath;
        if (whileSaveFileShown)
            whileSaveFileShown();
        return nextSavePath;
    }
    QString openFileName(QWidget*, const QString&, const QString& folder) override {
        fileDialogs << QStringLiteral("open");
        openFolders << folder;
        return nextOpenPath;
    }
    // Accepts with the printer as the test configured it (e.g. PDF output to a file), or
    // cancels.
    bool choosePrinter(QWidget*, QPrinter&) override { return printerAccepted; }

    QList<Shown> messages;
    // Runs while a message box is open, as the box's own event loop would.
    std::function<void()> whileMessageShown;
    bool confirmAnswer = true;
    QStringList inputs;
    // Each input box's prompt, title and default text.
    QList<QStringList> asked;
    // Runs while an input box is open.
    std::function<void()> whileInputShown;
    QString nextSavePath;
    // Runs while the save dialog is open.
    std::function<void()> whileSaveFileShown;
    QString nextOpenPath;
    // "save" or "open" for each file dialog shown, in order.
    QStringList fileDialogs;
    // The file types each save dialog offered, and the file it proposed.
    QStringList saveFilters;
    QStringList proposedPaths;
    // The folder each open dialog opened in.
    QStringList openFolders;
    bool printerAccepted = true;
};

} // namespace testsupport
