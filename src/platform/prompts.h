#pragma once

#include <QDateTime>
#include <QString>

#include <map>

class QPrinter;
class QWidget;

namespace platform {

enum class MessageIcon { Critical, Exclamation, Information };

// The kinds of file the program writes. Each kind's dialogs open in the folder last used for
// that kind in this run.
enum class FileKind { DataFile, Survey, Csv, Picture, Report };

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
    // The dialogs themselves, opening on proposedPath (a folder and a name) or in folder.
    // Empty path on cancel.
    virtual QString saveFileName(QWidget* parent, const QString& filter,
                                 const QString& proposedPath) = 0;
    virtual QString openFileName(QWidget* parent, const QString& filter, const QString& folder) = 0;
    // Lets the user choose a printer (or PDF output) for the given printer; false on cancel.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;

    // A save dialog for a kind of file: in the folder last used for the kind, the name proposed,
    // and the extension of the filter's first type added to a chosen name that has none and is
    // not an existing file (an existing file of the completed name is replaced only if the user
    // agrees). Empty on cancel.
    QString saveFile(QWidget* parent, FileKind kind, const QString& filter,
                     const QString& proposedName);
    // An open dialog in the folder last used for the kind. Empty on cancel.
    QString openFile(QWidget* parent, FileKind kind, const QString& filter);
    // The printer dialog of a report: printed to a PDF file, the file is proposed by name in
    // the reports' folder and gets ".pdf" when its name has no extension. False on cancel.
    bool chooseReportPrinter(QWidget* parent, QPrinter& printer, const QString& proposedName);
    // The folder the next dialog for the kind opens in: the one last used for it in this run,
    // else the current folder.
    QString folder(FileKind kind) const;

private:
    void remember(FileKind kind, const QString& path);

    std::map<FileKind, QString> folders_;
};

// The name a file is proposed under: what it holds and when it was recorded, with the
// extension, e.g. "Recording 2026-03-09 15-40-12.txt" (no characters that some systems refuse).
QString datedFileName(const QString& what, const QDateTime& when, const QString& extension);

// The name an export of a file is proposed under: the file's own name with the export's
// extension, never the file's name itself ("office.tsv" gives "office.csv", "data.csv" gives
// "data export.csv").
QString exportFileName(const QString& sourcePath, const QString& extension);

// The extension of the first type in a filter ("Surveys (*.tsv);;All Files (*)" gives "tsv"),
// empty when it lists none.
QString filterExtension(const QString& filter);

// The real dialogs.
class DialogPrompts : public Prompts {
public:
    void message(QWidget* parent, MessageIcon icon, const QString& text,
                 const QString& detail = {}) override;
    bool confirm(QWidget* parent, MessageIcon icon, const QString& text,
                 const QString& title) override;
    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) override;
    QString saveFileName(QWidget* parent, const QString& filter,
                         const QString& proposedPath) override;
    QString openFileName(QWidget* parent, const QString& filter, const QString& folder) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
};

} // namespace platform
