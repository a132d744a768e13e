#include "TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A writer killed at any moment leaves a settings file that is whole: the old one or the new one.
class TestSettingsCrashSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWriterLeavesAWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"tessel-calendar/settings.json"_s);
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        qInfo("seed %u", seed);

        for (int run = 0; run < 20; ++run) {
            QProcess writer;
            writer.start(QStringLiteral(SETTINGS_WRITER), {path});
            QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));

            // Let it get some way into its loop; the kill lands wherever it then is.
            const int rounds = random.bounded(1, 40);
            qint64 seen = 0;
            while (seen < rounds) {
                QVERIFY2(writer.waitForReadyRead(30000), "the writer stopped writing");
                seen += writer.readAllStandardOutput().size();
            }
            writer.kill();
            QVERIFY(writer.waitForFinished(30000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(readFile(path), &error);
            QVERIFY2(error.error == QJsonParseError::NoError,
                     qPrintable(u"run %1: %2"_s.arg(run).arg(error.errorString())));
            QVERIFY(document.object().contains("counter"_L1));
        }
    }

    // Two processes changing keys at once: neither change is undone by the other's write.
    void concurrentWritersKeepEachOthersChanges()
    {
        for (int run = 0; run < 3; ++run) {
            QTemporaryDir dir;
            const QString path = dir.filePath(u"settings.json"_s);
            QProcess first;
            QProcess second;
            first.start(QStringLiteral(SETTINGS_WRITER), {path, u"A"_s, u"200"_s});
            second.start(QStringLiteral(SETTINGS_WRITER), {path, u"B"_s, u"200"_s});
            QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
            QCOMPARE(QJsonDocument::fromJson(readFile(path)).object(),
                     (QJsonObject{{u"A"_s, u"199"_s}, {u"B"_s, u"199"_s}}));
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsCrashSafety)
#include "tst_settingscrashsafety.moc"
