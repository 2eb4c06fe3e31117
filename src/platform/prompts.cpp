#include "platform/prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

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
} // namespace

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

QString DialogPrompts::saveFileName(QWidget* parent, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
}

QString DialogPrompts::openFileName(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

bool DialogPrompts::choosePrinter(QWidget* parent, QPrinter& printer) {
    // With no printer installed the dialog still offers PDF output.
    if (QPrinterInfo::availablePrinters().isEmpty())
        printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace platform
