#pragma once

#include "cli/reading.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// What "serve" says about the meter to the scraper and the broker, as plain functions of its
// state: the metrics page, the JSON payloads, the topics and discovery, the retry schedule.
namespace cli {

// What /metrics and /reading show of one meter.
struct MeterFigures {
    QString name;                // the meter label; a meter name (isMeterName)
    bool up = false;             // a reading came and the meter has not been lost since
    std::optional<Reading> last; // the last reading shown
    quint64 readings = 0;
    quint64 linkLost = 0;                // times the meter went from up to down
    std::optional<quint64> recordMissed; // with --record: samples that could not be written
};

// Prometheus text exposition (version 0.0.4) with HELP and TYPE lines. The reading's gauges
// are left out while the meter is down or has no reading, and the lux gauge when it is over range.
QByteArray metricsText(const MeterFigures& f);
inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

// The state message: iso_time, reading, value, unit, lux and annunciators.
QJsonObject stateJson(const Reading& r);

struct Topics {
    QString state;        // PREFIX/state
    QString availability; // PREFIX/availability
    QString discovery;    // where Home Assistant looks for the sensor's config
};
Topics topicsFor(const QString& prefix, const QString& name);
QString defaultTopicPrefix(const QString& name);

// Who publishes the discovery config, as Home Assistant's MQTT info shows it.
struct Origin {
    QString version;
    QString supportUrl; // empty: none
};
// Home Assistant's MQTT discovery config of the illuminance sensor; the sensor shows
// unavailable after expireAfter seconds without a state message.
QJsonObject discoveryConfig(const QString& name, const Topics& topics, const Origin& origin,
                            int expireAfter);

// Letters, digits, "_" and "-", up to 64: safe in a topic, a label and a discovery id alike.
bool isMeterName(const QString& name);
// This machine's host name and the device's base name with any other character made "_"
// ("greenhouse-pi" and "/dev/ttyUSB0" give "greenhouse-pi_ttyUSB0"): two machines sharing a
// broker never share a topic, an id or a will. A name too long keeps a hash of the whole.
QString defaultMeterName(const QString& host, const QString& devicePath);
// A topic to publish under: no wildcards, no empty level at either end, no NUL.
bool isTopicPrefix(const QString& prefix);

// Seconds before the broker is tried again after `failures` failed or lost connections in a
// row (1 or more): 1 s doubling to 30 s.
int reconnectDelaySeconds(int failures);
inline constexpr int kLongestReconnectDelay = 30;

// The state messages to send, as Home Assistant wants them: each one it records is a row in its
// database. A changed reading goes at most once every `every` seconds (the latest change waits
// for the next reading after that); an unchanged one again only every stateRefreshSeconds(), so
// that the sensor does not expire while the light is steady.
class StatePolicy {
public:
    explicit StatePolicy(double every) : every_(every) {}
    // A reading at `now`, seconds on a steady clock.
    bool due(const Reading& r, double now);
    // The meter was lost: its first reading back goes at once.
    void forget() { sent_.reset(); }

private:
    double every_;
    std::optional<Reading> sent_;
    double sentAt_ = 0.0;
};
double stateRefreshSeconds(double every);
// expire_after: three refreshes missed.
int stateExpirySeconds(double every);

} // namespace cli
