#include "platform/prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

namespace platform {

namespace {
QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

QString programTitle() {
    return QStringLiteral("LuxPanel");
}

// "office" and "office." both become "office.tsv".
QString withExtension(const QString& path, const QString& extension) {
    if (extension.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + (path.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral(".")) + extension;
}
} // namespace

QString filterExtension(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const QString first = filter.section(QStringLiteral(";;"), 0, 0);
    const QRegularExpressionMatch match = pattern.match(first);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString datedFileName(const QString& what, const QDateTime& when, const QString& extension) {
    QString name = what;
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    return QStringLiteral("%1 %2.%3")
        .arg(name, when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")), extension);
}

QString exportFileName(const QString& sourcePath, const QString& extension) {
    const QFileInfo source(sourcePath);
    const QString name = source.completeBaseName() + QLatin1Char('.') + extension;
    if (name.compare(source.fileName(), Qt::CaseInsensitive) != 0)
        return name;
    return source.completeBaseName() + QStringLiteral(" export.") + extension;
}

QString Prompts::folder(FileKind kind) const {
    const auto it = folders_.find(kind);
    return it != folders_.end() ? it->second : QDir::currentPath();
}

void Prompts::remember(FileKind kind, const QString& path) {
    folders_[kind] = QFileInfo(path).absolutePath();
}

QString Prompts::saveFile(QWidget* parent, FileKind kind, const QString& filter,
                          const QString& proposedName) {
    const QString chosen = saveFileName(parent, filter, QDir(folder(kind)).filePath(proposedName));
    if (chosen.isEmpty() || QFileInfo(chosen).fileName().isEmpty())
        return {};
    // An existing file chosen as it is (the dialog has asked about replacing it) keeps its name.
    const QString path =
        QFileInfo::exists(chosen) ? chosen : withExtension(chosen, filterExtension(filter));
    // The dialog asked about the name as chosen; a file under the completed name is news.
    if (path != chosen && QFileInfo::exists(path) &&
        !confirm(
            parent, MessageIcon::Exclamation,
            QStringLiteral("%1 already exists. Replace it?").arg(QDir::toNativeSeparators(path)),
            programTitle()))
        return {};
    remember(kind, path);
    return path;
}

QString Prompts::openFile(QWidget* parent, FileKind kind, const QString& filter) {
    const QString path = openFileName(parent, filter, folder(kind));
    if (!path.isEmpty())
        remember(kind, path);
    return path;
}

bool Prompts::chooseReportPrinter(QWidget* parent, QPrinter& printer, const QString& proposedName) {
    printer.setDocName(QFileInfo(proposedName).completeBaseName());
    // Without a printer the report can only go to a file: the dialog proposes it.
    if (QPrinterInfo::availablePrinters().isEmpty())
        printer.setOutputFileName(QDir(folder(FileKind::Report)).filePath(proposedName));
    if (!choosePrinter(parent, printer))
        return false;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        printer.setOutputFileName(withExtension(printer.outputFileName(), QStringLiteral("pdf")));
        remember(FileKind::Report, printer.outputFileName());
    }
    return true;
}

void DialogPrompts::message(QWidget* parent, MessageIcon icon, const QString& text,
                            const QString& detail) {
    QMessageBox box(boxIcon(icon), programTitle(), text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    box.exec();
}

bool DialogPrompts::confirm(QWidget* parent, MessageIcon icon, const QString& text,
                            const QString& title) {
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    return box.exec() == QMessageBox::Ok;
}

QString DialogPrompts::input(QWidget* parent, const QString& prompt, const QString& title,
                             const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

QString DialogPrompts::saveFileName(QWidget* parent, const QString& filter,
                                    const QString& proposedPath) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDirectory(QFileInfo(proposedPath).absolutePath());
    dialog.selectFile(QFileInfo(proposedPath).fileName());
    // The dialog completes a bare name with the type chosen, so that it asks before replacing
    // the file under the completed name.
    dialog.setDefaultSuffix(filterExtension(filter));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& type) { dialog.setDefaultSuffix(filterExtension(type)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString DialogPrompts::openFileName(QWidget* parent, const QString& filter, const QString& folder) {
    return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
}

bool DialogPrompts::choosePrinter(QWidget* parent, QPrinter& printer) {
    // With no printer installed the dialog still offers PDF output.
    if (QPrinterInfo::availablePrinters().isEmpty())
        printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace platform
