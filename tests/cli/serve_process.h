#pragma once

// luxpanel-cli serve run as a user runs it, with what the tests need to talk to it.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

class ServeProcess {
public:
    ~ServeProcess() { stop(SIGKILL); }

    // through: a command that runs serve, given after it, as another machine would.
    void start(const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
               const QStringList& through = {}) {
        process_.setProcessEnvironment(env);
        process_.setReadChannel(QProcess::StandardError); // what waitForReadyRead waits for
        // A test that dies leaves no serve behind.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        const QStringList command = through + QStringList{LUXPANEL_CLI, "serve"} + args;
        process_.start(command.front(), command.mid(1));
        process_.waitForStarted(30000);
    }
    // Everything it has said on standard error so far.
    QByteArray said() {
        err_ += process_.readAllStandardError();
        return err_;
    }
    // Waits for a line of standard error that contains text; counts from the `after`th byte.
    bool waitToSay(const QByteArray& text, int timeoutMs, qsizetype after = 0) {
        const QDeadlineTimer deadline(timeoutMs);
        while (said().indexOf(text, after) < 0) {
            if (deadline.hasExpired() || process_.state() != QProcess::Running)
                return said().indexOf(text, after) >= 0;
            process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        }
        return true;
    }
    // The HTTP port it says it serves on.
    quint16 httpPort() {
        if (!waitToSay("/metrics and /reading", 30000))
            return 0;
        const auto m = QRegularExpression(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/"))
                           .match(QString::fromUtf8(said()));
        return m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
    }
    void stop(int signal) {
        if (process_.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(process_.processId()), signal);
        process_.waitForFinished(15000);
    }
    QProcess& process() { return process_; }

private:
    QProcess process_;
    QByteArray err_;
};

struct HttpReply {
    int status = 0; // 0: no answer
    QByteArray head;
    QByteArray body;
};

// Sends raw bytes and reads one answer (its Content-Length decides where it ends).
inline HttpReply httpExchange(quint16 port, const QByteArray& request, int timeoutMs = 15000) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    HttpReply reply;
    if (!socket.waitForConnected(timeoutMs))
        return reply;
    socket.write(request);
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray in;
    qsizetype headEnd = -1;
    qsizetype length = -1;
    while (!deadline.hasExpired()) {
        if (headEnd < 0 && (headEnd = in.indexOf("\r\n\r\n")) >= 0) {
            reply.head = in.left(headEnd);
            const auto m = QRegularExpression(QStringLiteral("(?i)\\r\\ncontent-length: *(\\d+)"))
                               .match(QString::fromLatin1(reply.head));
            length = m.hasMatch() ? m.captured(1).toLongLong() : 0;
        }
        if (headEnd >= 0 && in.size() >= headEnd + 4 + length)
            break;
        if (!socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))) &&
            socket.state() != QAbstractSocket::ConnectedState)
            break;
        in += socket.readAll();
    }
    if (headEnd < 0 || in.size() < headEnd + 4 + length)
        return reply;
    reply.status = reply.head.mid(9, 3).toInt();
    reply.body = in.mid(headEnd + 4, length);
    return reply;
}

inline HttpReply httpGet(quint16 port, const QByteArray& path) {
    return httpExchange(port, "GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
}
