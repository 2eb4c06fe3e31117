#include "text/entry_parts.h"

#include <QTest>

class TestEntryParts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitEntry_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("minutes and seconds") << "12:34" << QChar(u':') << true << "12"
                                             << "34";
        QTest::newRow("shortest") << "1:2" << QChar(u':') << true << "1"
                                  << "2";
        QTest::newRow("distance") << "1.50" << QChar(u'.') << true << "1"
                                  << "50";
        // Only the form counts here; what the sides hold is the caller's business.
        QTest::newRow("letters") << "a:b" << QChar(u':') << true << "a"
                                 << "b";
        QTest::newRow("spaces kept") << " 1: 2" << QChar(u':') << true << " 1"
                                     << " 2";
        QTest::newRow("no separator") << "1234" << QChar(u':') << false << ""
                                      << "";
        QTest::newRow("other separator") << "1.50" << QChar(u':') << false << ""
                                         << "";
        QTest::newRow("separator first") << ":30" << QChar(u':') << false << ""
                                         << "";
        QTest::newRow("separator last") << "12:" << QChar(u':') << false << ""
                                        << "";
        QTest::newRow("two characters") << "1:" << QChar(u':') << false << ""
                                        << "";
        QTest::newRow("second separator") << "1:2:3" << QChar(u':') << false << ""
                                          << "";
        QTest::newRow("empty") << "" << QChar(u':') << false << ""
                               << "";
    }
    void splitEntry() {
        QFETCH(QString, entry);
        QFETCH(QChar, separator);
        QFETCH(bool, valid);
        QFETCH(QString, before);
        QFETCH(QString, after);
        const auto parts = textrules::splitEntry(entry, separator);
        QCOMPARE(parts.has_value(), valid);
        if (valid) {
            QCOMPARE(parts->before.toString(), before);
            QCOMPARE(parts->after.toString(), after);
        }
    }
};

QTEST_GUILESS_MAIN(TestEntryParts)
#include "test_entry_parts.moc"
