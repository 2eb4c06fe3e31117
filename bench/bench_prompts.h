#pragma once

#include "platform/prompts.h"

#include <QPrinter>
#include <QString>

#include <cstdio>

// The user of a benchmark: file dialogs answered with fixed paths, printing to a PDF file when
// one is named, questions answered with `answer`. A message means the run went wrong: each is
// counted and echoed on stderr.
class BenchPrompts : public platform::Prompts {
public:
    QString openPath;
    QString savePath;
    QString pdfPath;
    bool answer = false;
    int messages = 0;

    void message(QWidget*, platform::MessageIcon, const QString& text,
                 const QString& detail) override {
        std::fprintf(stderr, "message: %s %s\n", qPrintable(text), qPrintable(detail));
        ++messages;
    }
    bool confirm(QWidget*, platform::MessageIcon, const QString&, const QString&) override {
        return answer;
    }
    QString input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&) override { return savePath; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return openPath; }
    bool choosePrinter(QWidget*, QPrinter& printer) override {
        if (pdfPath.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        return true;
    }
};
