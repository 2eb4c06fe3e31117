#include "platform/prompts.h"
#include "scripted_prompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using platform::FileKind;

class TestSaveDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void proposedNames_data();
    void proposedNames();
    void chosenNameGetsItsExtension_data();
    void chosenNameGetsItsExtension();
    void eachKindOpensInItsLastFolder();
};

void TestSaveDialogs::proposedNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    const QDateTime at(QDate(2026, 3, 9), QTime(15, 40, 12));
    QTest::newRow("a recording") << platform::datedFileName("Recording", at, "txt")
                                 << "Recording 2026-03-09 15-40-12.txt";
    QTest::newRow("an area with a slash and a colon")
        << platform::datedFileName("Hall 2/3: east", at, "tsv")
        << "Hall 2-3- east 2026-03-09 15-40-12.tsv";
    QTest::newRow("a CSV data file's export, never its own name")
        << platform::exportFileName("/tmp/Data.CSV", "csv") << "Data export.csv";
}

void TestSaveDialogs::proposedNames() {
    QFETCH(QString, name);
    QTEST(name, "expected");
}

void TestSaveDialogs::chosenNameGetsItsExtension_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("existing"); // a file there already
    QTest::addColumn<bool>("replace");     // the answer to the question about it
    QTest::addColumn<QString>("saved");    // empty: nothing is written
    const QString survey = "Lighting surveys (*.tsv);;Text files (*.txt);;All Files (*)";
    const QString csv = "CSV files (*.csv);;All Files (*)";
    QTest::newRow("survey") << survey << "office"
                            << "" << true << "office.tsv";
    QTest::newRow("export") << csv << "office"
                            << "" << true << "office.csv";
    QTest::newRow("data file") << "Data files (*.txt);;All Files (*)"
                               << "readings"
                               << "" << true << "readings.txt";
    QTest::newRow("a trailing dot") << survey << "office."
                                    << "" << true << "office.tsv";
    QTest::newRow("an extension of its own") << survey << "office.txt"
                                             << "" << true << "office.txt";
    QTest::newRow("no type to add") << "All Files (*)"
                                    << "notes"
                                    << "" << true << "notes";
    QTest::newRow("completed name taken, kept") << csv << "office"
                                                << "office.csv" << false << "";
    QTest::newRow("completed name taken, replaced") << csv << "office"
                                                    << "office.csv" << true << "office.csv";
    QTest::newRow("an existing file chosen as it is") << csv << "notes"
                                                      << "notes" << true << "notes";
}

void TestSaveDialogs::chosenNameGetsItsExtension() {
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, existing);
    QFETCH(bool, replace);
    QFETCH(QString, saved);
    QTemporaryDir dir;
    if (!existing.isEmpty()) {
        QFile file(dir.filePath(existing));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    testsupport::ScriptedPrompts prompts;
    prompts.nextSavePath = dir.filePath(typed);
    prompts.confirmAnswer = replace;
    const QString path = prompts.saveFile(nullptr, FileKind::Csv, filter, QStringLiteral("x"));
    QCOMPARE(path, saved.isEmpty() ? QString() : dir.filePath(saved));
    // Asked about the completed name only: the dialog asks about the name chosen.
    const bool asked = existing == QLatin1String("office.csv");
    QCOMPARE(prompts.messages.size(), asked ? 1 : 0);
    if (asked)
        QCOMPARE(prompts.messages[0].text,
                 dir.filePath(existing) + QStringLiteral(" already exists. Replace it?"));
}

void TestSaveDialogs::eachKindOpensInItsLastFolder() {
    QTemporaryDir surveys;
    QTemporaryDir exports;
    testsupport::ScriptedPrompts prompts;
    const QString start = QDir::currentPath();
    QCOMPARE(prompts.folder(FileKind::Survey), start);
    prompts.nextSavePath = surveys.filePath(QStringLiteral("office"));
    prompts.saveFile(nullptr, FileKind::Survey, QStringLiteral("Surveys (*.tsv)"),
                     QStringLiteral("Office.tsv"));
    prompts.nextOpenPath = exports.filePath(QStringLiteral("old.csv"));
    prompts.openFile(nullptr, FileKind::Csv, QStringLiteral("CSV files (*.csv)"));
    prompts.nextSavePath.clear(); // cancelled: remembers nothing
    prompts.saveFile(nullptr, FileKind::DataFile, QStringLiteral("Data files (*.txt)"),
                     QStringLiteral("Recording.txt"));
    prompts.saveFile(nullptr, FileKind::Csv, QStringLiteral("CSV files (*.csv)"),
                     QStringLiteral("office.csv"));
    prompts.saveFile(nullptr, FileKind::Survey, QStringLiteral("Surveys (*.tsv)"),
                     QStringLiteral("office.tsv"));
    QCOMPARE(prompts.proposedPaths, (QStringList{start + QStringLiteral("/Office.tsv"),
                                                 start + QStringLiteral("/Recording.txt"),
                                                 exports.filePath(QStringLiteral("office.csv")),
                                                 surveys.filePath(QStringLiteral("office.tsv"))}));
    QCOMPARE(prompts.openFolders, QStringList{start});
}

QTEST_MAIN(TestSaveDialogs)
#include "test_save_dialogs.moc"
