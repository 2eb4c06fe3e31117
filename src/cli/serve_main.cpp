// luxpanel-serve: the meter published for monitoring, as "luxpanel-cli serve" runs it. A program
// of its own, so that the other commands do without the network libraries.
#include "cli/cli_options.h"
#include "cli/meter_program.h"
#include "cli/serve_command.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QStringList args{QStringLiteral("serve")};
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto parsed = cli::parseOrAnswer(args, out, err);
    if (const int* code = std::get_if<int>(&parsed))
        return *code;
    const cli::Invocation& inv = std::get<cli::Invocation>(parsed);
    cli::preferQtEventLoop();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("luxpanel-serve"));
    // serve never gives up on the meter: it reports it down after --timeout and keeps trying.
    return cli::runOnMeter(inv, 0.0, err, [&](cli::MeterSession& session) {
        return cli::runServe(session, inv, err);
    });
}
