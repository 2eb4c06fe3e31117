// luxpanel-report: draws the light dose report of a record from the figures that
// "luxpanel-cli stats --combine --json" prints, read from standard input.
#include "report/dose_report.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

#include <cstdio>

namespace {

// Qt's notes on the way (no runtime folder on a server, a painter that did not begin) would
// only bury the one line that says what went wrong.
void onlyCritical(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << "luxpanel-report: " << message << '\n';
}

} // namespace

int main(int argc, char* argv[]) {
    QTextStream err(stderr);
    if (argc != 2) {
        err << "Usage: luxpanel-report PDF < figures.json\n";
        return 1;
    }
    // A report needs no screen: it is drawn the same on a server without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(onlyCritical);
    QApplication app(argc, argv);
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        err << "luxpanel-report: standard input cannot be read\n";
        return 5;
    }
    QJsonParseError parsed;
    const QJsonDocument figures = QJsonDocument::fromJson(in.readAll(), &parsed);
    QString why = parsed.errorString();
    const auto report =
        figures.isObject() ? report::doseReportFrom(figures.object(), &why) : std::nullopt;
    if (!report) {
        err << "luxpanel-report: no figures to report: " << why << '\n';
        return 3;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!report::writeDoseReport(*report, path, &why)) {
        err << "luxpanel-report: " << path << " could not be written: " << why << '\n';
        return 5;
    }
    return 0;
}
