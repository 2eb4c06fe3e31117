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
    quint64 linkLost = 0; // times the meter went from up to down
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
// Home Assistant's MQTT discovery config of the illuminance sensor.
QJsonObject discoveryConfig(const QString& name, const Topics& topics, const QString& version);

// Letters, digits, "_" and "-", up to 64: safe in a topic, a label and a discovery id alike.
bool isMeterName(const QString& name);
// A device's base name with any other character made "_" ("/dev/ttyUSB0" gives "ttyUSB0").
QString defaultMeterName(const QString& devicePath);
// A topic to publish under: no wildcards, no empty level at either end, no NUL.
bool isTopicPrefix(const QString& prefix);

// Seconds before the broker is tried again after `failures` failed or lost connections in a
// row (1 or more): 1 s doubling to 30 s.
int reconnectDelaySeconds(int failures);
inline constexpr int kLongestReconnectDelay = 30;

// Lets an event through at most once per interval; an interval of 0 lets every one through.
class Throttle {
public:
    explicit Throttle(double seconds) : seconds_(seconds) {}
    bool pass(double now);

private:
    double seconds_;
    std::optional<double> last_;
};

} // namespace cli
