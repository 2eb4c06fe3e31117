#pragma once

#include "scripted_prompts.h"

#include <QPrinter>

namespace testsupport {

// Accepts the printer dialog with PDF output into a file.
class PdfPrompts : public ScriptedPrompts {
public:
    QString pdfPath;
    int printerDialogs = 0;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override {
        ++printerDialogs;
        if (!ScriptedPrompts::choosePrinter(parent, printer))
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        return true;
    }
};

} // namespace testsupport
