// The dating rule: stamps of day and wall-clock time dated back from a reference, in a zone.
#include "text/stamp_dating.h"

#include <QTest>

class TestStampDating : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dates_data();
    void dates();
};

void TestStampDating::dates_data() {
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("reference");
    // The rows' expected times; each row's stamp is the day and time they show. "xx" is a row
    // whose stamp cannot be read, and it gets no time.
    QTest::addColumn<QStringList>("times");
    QTest::newRow("a pause across a month end")
        << "Europe/Berlin"
        << "2026-11-01T13:10:00+01:00"
        << QStringList{"2026-10-31T12:00:00+01:00", "2026-10-31T12:01:00+01:00",
                       "2026-11-01T13:00:00+01:00", "2026-11-01T13:01:00+01:00"};
    QTest::newRow("the same pause where clocks go back that night")
        << "America/New_York"
        << "2026-11-01T13:10:00-05:00"
        << QStringList{"2026-10-31T12:00:00-04:00", "2026-10-31T12:01:00-04:00",
                       "2026-11-01T13:00:00-05:00", "2026-11-01T13:01:00-05:00"};
    const QStringList repeatedHour{"2026-11-01T00:50:00-04:00", "2026-11-01T01:59:00-04:00",
                                   "2026-11-01T01:00:00-05:00", "2026-11-01T01:35:00-05:00"};
    QTest::newRow("autumn, the hour repeated") << "America/New_York"
                                               << "2026-11-01T06:35:00Z" << repeatedHour;
    // The step back decides which showing of the hour the rows after it are.
    QTest::newRow("autumn, the file modified before its last row")
        << "America/New_York"
        << "2026-11-01T06:05:00Z" << repeatedHour;
    QTest::newRow("autumn in Berlin")
        << "Europe/Berlin"
        << "2026-10-25T03:00:00+01:00"
        << QStringList{"2026-10-25T02:30:00+02:00", "2026-10-25T02:59:00+02:00",
                       "2026-10-25T02:00:00+01:00", "2026-10-25T02:10:00+01:00"};
    QTest::newRow("the hour shown twice, recorded before the change")
        << "America/New_York"
        << "2026-11-01T05:40:00Z"
        << QStringList{"2026-11-01T01:00:00-04:00", "2026-11-01T01:35:00-04:00"};
    QTest::newRow("the hour shown twice, recorded after the change")
        << "America/New_York"
        << "2026-11-01T06:40:00Z"
        << QStringList{"2026-11-01T01:00:00-05:00", "2026-11-01T01:35:00-05:00"};
    QTest::newRow("a second step back in the repeated hour is a month")
        << "America/New_York"
        << "2026-11-01T07:00:00Z"
        << QStringList{"2026-10-01T01:50:00-04:00", "2026-11-01T01:40:00-04:00",
                       "2026-11-01T01:10:00-05:00"};
    QTest::newRow("spring in Berlin")
        << "Europe/Berlin"
        << "2026-03-29T04:00:00+02:00"
        << QStringList{"2026-03-29T01:59:00+01:00", "2026-03-29T03:00:00+02:00"};
    QTest::newRow("spring in New York")
        << "America/New_York"
        << "2026-03-08T04:00:00-04:00"
        << QStringList{"2026-03-08T01:59:00-05:00", "2026-03-08T03:00:00-04:00"};
    QStringList monthEnds;
    for (int month = 1; month <= 12; ++month) {
        const QDate last = QDate(2026, month, 1).addMonths(1).addDays(-1);
        monthEnds << last.toString(Qt::ISODate) + QStringLiteral("T12:00:00+00:00")
                  << last.addDays(1).toString(Qt::ISODate) + QStringLiteral("T12:00:00+00:00");
    }
    QTest::newRow("every month end and a year end") << "UTC"
                                                    << "2027-01-01T12:00:00Z" << monthEnds;
    QTest::newRow("a leap February")
        << "UTC"
        << "2028-03-01T12:00:00Z"
        << QStringList{"2028-02-29T12:00:00+00:00", "2028-03-01T12:00:00+00:00"};
    QTest::newRow("a pause of days across a month end")
        << "Europe/Berlin"
        << "2026-12-02T12:00:00+01:00"
        << QStringList{"2026-11-29T10:00:00+01:00", "2026-12-02T09:00:00+01:00"};
    QTest::newRow("a 31st before the 1st of May is in March")
        << "UTC"
        << "2026-05-01T12:00:00Z"
        << QStringList{"2026-03-31T12:00:00+00:00", "2026-05-01T11:00:00+00:00"};
    QTest::newRow("later in the day than the next row: a month back")
        << "UTC"
        << "2026-06-05T12:00:00Z"
        << QStringList{"2026-05-05T10:00:00+00:00", "2026-06-05T09:00:00+00:00",
                       "2026-06-05T09:00:00+00:00"};
    QTest::newRow("the last row later in the day than the reference")
        << "UTC"
        << "2026-11-01T13:10:00Z" << QStringList{"2026-11-01T13:15:00+00:00"};
    QTest::newRow("a stamp that cannot be read")
        << "UTC"
        << "2026-05-01T12:00:00Z" << QStringList{"xx", "2026-05-01T11:00:00+00:00", "xx"};
}

void TestStampDating::dates() {
    QFETCH(QString, zone);
    QFETCH(QString, reference);
    QFETCH(QStringList, times);
    std::vector<std::optional<textrules::Stamp>> stamps;
    for (const QString& t : times)
        stamps.push_back(textrules::parseStamp(t.mid(8, 2) + u'-' + t.mid(11, 8)));
    textrules::ZoneRules rules(QTimeZone(zone.toLatin1()));
    const qint64 at = QDateTime::fromString(reference, Qt::ISODate).toSecsSinceEpoch();
    QStringList got;
    for (const auto& t : textrules::dateStamps(stamps, at, rules))
        got << (t ? textrules::isoTimeText(t->utc, t->offset) : QStringLiteral("xx"));
    QCOMPARE(got, times);
}

QTEST_GUILESS_MAIN(TestStampDating)
#include "test_stamp_dating.moc"
