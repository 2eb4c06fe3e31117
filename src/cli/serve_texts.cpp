#include "cli/serve_texts.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace cli {

namespace {

// Shortest text that reads back as the same double; always "." as the decimal point.
QByteArray number(double v) {
    return QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
}

class Exposition {
public:
    explicit Exposition(const QString& meter) : meterLabel_("meter=\"" + meter.toUtf8() + '"') {}

    void family(const char* name, const char* type, const char* help) {
        text_ += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    }
    // Meter names are restricted to characters that need no escaping in a label value.
    void sample(const char* name, double value, const QString& extraLabels = QString()) {
        text_ += QByteArray(name) + '{' + meterLabel_ + extraLabels.toUtf8() + "} " +
                 number(value) + '\n';
    }
    QByteArray text() const { return text_; }

private:
    QByteArray meterLabel_;
    QByteArray text_;
};

} // namespace

QByteArray metricsText(const MeterFigures& f) {
    Exposition e(f.name);
    const std::optional<Reading> shown = f.up ? f.last : std::nullopt;
    e.family("luxpanel_illuminance_lux", "gauge",
             "Last valid reading in lux (foot-candles x 10.764); absent while the meter is down "
             "or over range.");
    if (const auto lux = shown ? readingLux(*shown) : std::nullopt)
        e.sample("luxpanel_illuminance_lux", *lux);
    e.family("luxpanel_reading", "gauge", "Last reading as the meter displays it, in its unit.");
    if (const auto value = shown ? readingValue(*shown) : std::nullopt;
        value && !shown->unit.isEmpty())
        e.sample("luxpanel_reading", *value, QStringLiteral(",unit=\"%1\"").arg(shown->unit));
    e.family("luxpanel_meter_up", "gauge", "1 while the meter gives readings, 0 while it is lost.");
    e.sample("luxpanel_meter_up", f.up ? 1.0 : 0.0);
    e.family("luxpanel_readings_total", "counter", "Readings taken since serve started.");
    e.sample("luxpanel_readings_total", double(f.readings));
    e.family("luxpanel_link_lost_total", "counter",
             "Times the meter stopped giving readings since serve started.");
    e.sample("luxpanel_link_lost_total", double(f.linkLost));
    e.family("luxpanel_last_reading_timestamp_seconds", "gauge",
             "When the last reading was taken, in seconds since 1970 (UTC).");
    if (f.last)
        e.sample("luxpanel_last_reading_timestamp_seconds",
                 double(f.last->at.toMSecsSinceEpoch()) / 1000.0);
    return e.text();
}

QJsonObject stateJson(const Reading& r) {
    QJsonObject o = readJson(r);
    o.remove(QStringLiteral("time"));
    const std::optional<double> lux = readingLux(r);
    o.insert(QStringLiteral("lux"), lux ? QJsonValue(*lux) : QJsonValue());
    return o;
}

Topics topicsFor(const QString& prefix, const QString& name) {
    return {prefix + QStringLiteral("/state"), prefix + QStringLiteral("/availability"),
            QStringLiteral("homeassistant/sensor/luxpanel_%1/illuminance/config").arg(name)};
}

QString defaultTopicPrefix(const QString& name) {
    return QStringLiteral("luxpanel/") + name;
}

QJsonObject discoveryConfig(const QString& name, const Topics& topics, const QString& version) {
    const QString id = QStringLiteral("luxpanel_") + name;
    return {{QStringLiteral("name"), QStringLiteral("Illuminance")},
            {QStringLiteral("unique_id"), id + QStringLiteral("_illuminance")},
            {QStringLiteral("object_id"), id + QStringLiteral("_illuminance")},
            {QStringLiteral("device_class"), QStringLiteral("illuminance")},
            {QStringLiteral("unit_of_measurement"), QStringLiteral("lx")},
            {QStringLiteral("state_class"), QStringLiteral("measurement")},
            {QStringLiteral("state_topic"), topics.state},
            // null (over range) renders as "None", which Home Assistant shows as unknown.
            {QStringLiteral("value_template"), QStringLiteral("{{ value_json.lux }}")},
            {QStringLiteral("json_attributes_topic"), topics.state},
            {QStringLiteral("availability_topic"), topics.availability},
            {QStringLiteral("payload_available"), QStringLiteral("online")},
            {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
            {QStringLiteral("device"),
             QJsonObject{{QStringLiteral("identifiers"), QJsonArray{id}},
                         {QStringLiteral("name"), QStringLiteral("LuxPanel ") + name},
                         {QStringLiteral("model"), QStringLiteral("light meter")},
                         {QStringLiteral("sw_version"), version}}}};
}

bool isMeterName(const QString& name) {
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return valid.match(name).hasMatch();
}

QString defaultMeterName(const QString& devicePath) {
    QString name = QFileInfo(devicePath).fileName().left(64);
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_' && c != u'-')
            c = u'_';
    return name.isEmpty() ? QStringLiteral("meter") : name;
}

bool isTopicPrefix(const QString& prefix) {
    return !prefix.isEmpty() && !prefix.startsWith(u'/') && !prefix.endsWith(u'/') &&
           !prefix.contains(u'+') && !prefix.contains(u'#') && !prefix.contains(QChar(0)) &&
           prefix.toUtf8().size() <= 200;
}

int reconnectDelaySeconds(int failures) {
    return failures >= 6 ? kLongestReconnectDelay
                         : std::min(kLongestReconnectDelay, 1 << std::max(0, failures - 1));
}

bool Throttle::pass(double now) {
    if (last_ && now - *last_ < seconds_)
        return false;
    last_ = now;
    return true;
}

} // namespace cli
