#include "cli/serve_command.h"

#include "cli/http_endpoint.h"
#include "cli/mqtt_bridge.h"
#include "recording/daily_record.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QJsonDocument>
#include <QTextStream>

namespace cli {

namespace {

using namespace std::chrono_literals;

QString addressText(const QString& host, quint16 port) {
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port);
}

MqttSettings mqttSettings(const ServeOptions& o) {
    MqttSettings s;
    s.broker = *o.mqtt;
    s.tls = o.mqttTls;
    s.caFile = o.mqttCa;
    s.user = o.mqttUser;
    s.password = qgetenv("LUXPANEL_MQTT_PASSWORD");
    // Two meters of one name on two machines must not push each other off the broker.
    s.clientId = QStringLiteral("luxpanel-%1-%2").arg(QHostInfo::localHostName(), o.name);
    s.topics = topicsFor(o.topic, o.name);
    if (o.discovery)
        s.discovery = QJsonDocument(discoveryConfig(o.name, s.topics,
                                                    {QStringLiteral(LUXPANEL_VERSION),
                                                     QStringLiteral(LUXPANEL_SUPPORT_URL)},
                                                    stateExpirySeconds(o.every)))
                          .toJson(QJsonDocument::Compact);
    return s;
}

} // namespace

int runServe(MeterSession& session, const Invocation& inv, QTextStream& err) {
    const ServeOptions& o = inv.serve;
    const auto say = [&err](const QString& line) {
        err << "luxpanel-cli serve: " << line << '\n';
        err.flush();
    };

    say(QStringLiteral("reading the meter on %1 as \"%2\"")
            .arg(inv.port == QLatin1String("sim") ? QStringLiteral("a simulated meter")
                                                  : deviceForPort(inv.port),
                 o.name));
    MeterFigures figures;
    figures.name = o.name;
    std::unique_ptr<HttpEndpoint> http;
    if (o.http) {
        http = std::make_unique<HttpEndpoint>(
            [&figures]() -> const MeterFigures& { return figures; }, say);
        QString why;
        if (!http->listen(*o.http, &why)) {
            err << "luxpanel-cli: cannot serve HTTP on " << addressText(o.http->host, o.http->port)
                << ": " << why << '\n';
            return kPortNotOpened;
        }
        say(QStringLiteral("serving http://%1/metrics and /reading")
                .arg(addressText(o.http->host, http->port())));
    }
    std::unique_ptr<MqttBridge> mqtt;
    if (o.mqtt) {
        mqtt = std::make_unique<MqttBridge>(mqttSettings(o), say);
        mqtt->start();
    }

    StatePolicy states(o.every);
    // Down while the link is lost, or when no reading has come for --timeout seconds.
    const auto setUp = [&](bool up, const QString& why) {
        if (up == figures.up)
            return;
        figures.up = up;
        if (!up) {
            ++figures.linkLost;
            states.forget();
        }
        say(up ? QStringLiteral("the meter gives readings")
               : QStringLiteral("the meter is down: ") + why);
        if (mqtt)
            mqtt->setMeterUp(up);
    };
    QTimer silence;
    silence.setSingleShot(true);
    silence.setInterval(std::chrono::milliseconds(qint64(inv.timeout * 1000.0)));
    QObject::connect(&silence, &QTimer::timeout, &silence,
                     [&] { setUp(false, QStringLiteral("no reading for %1 s").arg(inv.timeout)); });
    QObject::connect(&session.link(), &meterlink::MeterLink::linkTextChanged, &silence,
                     [&](const QString& text) {
                         if (text == meterlink::kNoLinkText)
                             setUp(false, QStringLiteral("it stopped answering or its device is "
                                                         "gone; trying to reach it again"));
                     });

    // The record: a sample at each multiple of --record-every seconds of the computer's clock
    // (each whole minute by default), from the first reading on.
    std::unique_ptr<recording::DailyRecord> record;
    QTimer recordTick;
    recordTick.setSingleShot(true);
    recordTick.setTimerType(Qt::PreciseTimer);
    const qint64 recordEveryMs = qint64(o.recordEvery) * 1000;
    const auto armRecordTick = [&] {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        recordTick.start(std::chrono::milliseconds(recordEveryMs - now % recordEveryMs));
    };
    if (!o.recordFolder.isEmpty()) {
        record = std::make_unique<recording::DailyRecord>(o.recordFolder);
        figures.recordMissed = 0;
        say(QStringLiteral("recording a sample every %1 s into %2")
                .arg(o.recordEvery)
                .arg(QDir::toNativeSeparators(QDir(o.recordFolder).absolutePath())));
    }
    QObject::connect(&recordTick, &QTimer::timeout, &recordTick, [&] {
        if (const std::optional<QString> told =
                record->take(session.display(), figures.up, QDateTime::currentDateTime()))
            say(*told);
        figures.recordMissed = record->missed();
        armRecordTick();
    });

    NewReadings readings(true);
    QElapsedTimer clock;
    clock.start();
    session.readStream([&] {
        const std::optional<Reading> r = readings.take(session.display());
        if (!r)
            return;
        if (inv.timeout > 0.0)
            silence.start();
        setUp(true, QString());
        if (record && !recordTick.isActive())
            armRecordTick();
        figures.last = *r;
        ++figures.readings;
        if (mqtt && states.due(*r, double(clock.elapsed()) / 1000.0))
            mqtt->publishState(jsonText(stateJson(*r)).toUtf8());
    });
    if (mqtt)
        mqtt->finish(2s);
    say(QStringLiteral("stopped"));
    return kDone;
}

} // namespace cli
