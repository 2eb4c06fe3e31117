#include "cli/serve_texts.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonArray>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

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
    e.family(
        "luxpanel_illuminance_lux", "gauge",
        "Last valid reading in lux (foot-candles x 10.7639104); absent while the meter is down "
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
    if (f.recordMissed) {
        e.family("luxpanel_record_missed_total", "counter",
                 "Samples of the record that could not be written (a full disk, a file system "
                 "that refuses writes) since serve started.");
        e.sample("luxpanel_record_missed_total", double(*f.recordMissed));
    }
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

namespace {

// What Home Assistant takes as the object of an entity id: lower case letters, digits and
// single underscores, none at either end.
QString entitySlug(const QString& text) {
    QString slug;
    for (const QChar c : text.toLower()) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
        if (plain)
            slug += c;
        else if (!slug.isEmpty() && !slug.endsWith(u'_'))
            slug += u'_';
    }
    while (slug.endsWith(u'_'))
        slug.chop(1);
    return slug;
}

// A name's characters kept where a meter name allows them, any other made "_".
QString nameCharacters(const QString& text) {
    QString name = text;
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_' && c != u'-')
            c = u'_';
    return name;
}

} // namespace

QJsonObject discoveryConfig(const QString& name, const Topics& topics, const Origin& origin,
                            int expireAfter) {
    const QString id = QStringLiteral("luxpanel_") + name;
    QJsonObject from{{QStringLiteral("name"), QStringLiteral("LuxPanel")},
                     {QStringLiteral("sw_version"), origin.version}};
    if (!origin.supportUrl.isEmpty())
        from.insert(QStringLiteral("support_url"), origin.supportUrl);
    return {{QStringLiteral("name"), QStringLiteral("Illuminance")},
            {QStringLiteral("unique_id"), id + QStringLiteral("_illuminance")},
            {QStringLiteral("default_entity_id"),
             QStringLiteral("sensor.") + entitySlug(id + QStringLiteral("_illuminance"))},
            {QStringLiteral("device_class"), QStringLiteral("illuminance")},
            {QStringLiteral("unit_of_measurement"), QStringLiteral("lx")},
            {QStringLiteral("state_class"), QStringLiteral("measurement")},
            {QStringLiteral("state_topic"), topics.state},
            // null (over range) renders as "None", which Home Assistant shows as unknown.
            {QStringLiteral("value_template"), QStringLiteral("{{ value_json.lux }}")},
            {QStringLiteral("json_attributes_topic"), topics.state},
            // Without the time, which changes with every message and would make each one a new
            // row of Home Assistant's history even while the light is steady.
            {QStringLiteral("json_attributes_template"),
             QStringLiteral("{{ {'reading': value_json.reading, 'unit': value_json.unit, "
                            "'annunciators': value_json.annunciators} | tojson }}")},
            {QStringLiteral("availability_topic"), topics.availability},
            {QStringLiteral("payload_available"), QStringLiteral("online")},
            {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
            // For a serve that ended without its will reaching the broker.
            {QStringLiteral("expire_after"), expireAfter},
            {QStringLiteral("device"),
             QJsonObject{{QStringLiteral("identifiers"), QJsonArray{id}},
                         {QStringLiteral("name"), QStringLiteral("LuxPanel ") + name},
                         {QStringLiteral("model"), QStringLiteral("light meter")}}},
            {QStringLiteral("origin"), from}};
}

bool isMeterName(const QString& name) {
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return valid.match(name).hasMatch();
}

QString defaultMeterName(const QString& host, const QString& devicePath) {
    const QString device = QFileInfo(devicePath).fileName();
    const QString name = nameCharacters((host.isEmpty() ? QStringLiteral("host") : host) + u'_' +
                                        (device.isEmpty() ? QStringLiteral("meter") : device));
    if (name.size() <= 64)
        return name;
    const QByteArray hash =
        QCryptographicHash::hash((host + u'\n' + devicePath).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(8);
    return name.left(55) + u'-' + QString::fromLatin1(hash);
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

bool StatePolicy::due(const Reading& r, double now) {
    const bool changed =
        !sent_ || sent_->text != r.text || sent_->unit != r.unit || !(sent_->status == r.status);
    if (sent_ && now - sentAt_ < (changed ? every_ : stateRefreshSeconds(every_)))
        return false;
    sent_ = r;
    sentAt_ = now;
    return true;
}

double stateRefreshSeconds(double every) {
    return std::max(every, 60.0);
}

int stateExpirySeconds(double every) {
    return int(std::ceil(3.0 * stateRefreshSeconds(every)));
}

} // namespace cli
