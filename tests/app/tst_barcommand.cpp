#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// `tessel-calendar --bar` as a panel runs it: a separate process printing a line per change.
class TestBarCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { configHome.emplace(); }

    void cleanup()
    {
        bar.kill();
        bar.waitForFinished();
    }

    void printsWhenAnotherProcessChangesTheSettings()
    {
        writeSettings({{u"preferences.menuBarStyle"_s, u"dateOnly"_s}});
        start({u"--bar"_s});
        const QStringList first = readLines(1);
        QCOMPARE(first.size(), 1);
        QVERIFY(first.first().contains(u'月'));
        // The next line is the one the change brings: the date alone printed nothing more.
        writeSettings({{u"preferences.menuBarStyle"_s, u"timeOnly"_s}});
        const QStringList next = readLines(1);
        QCOMPARE(next.size(), 1);
        QVERIFY(next.first().contains(u':') && !next.first().contains(u'月'));

        // With seconds, a new line every second.
        writeSettings({{u"preferences.showSeconds"_s, true}});
        QStringList lines = readLines(3);
        QVERIFY2(lines.size() == 3, qPrintable(lines.join(u" | "_s)));
        QCOMPARE(lines.removeDuplicates(), 0);
    }

    void printsOnceAndLeavesTheSettingsAlone_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("output");

        const QByteArray undecodableShortcut = "{\"preferences.hotKey\": {\"$data\": \""
                                               + "{keyCode: 40"_ba.toBase64()
                                               + "\"},   \"preferences.showSeconds\": true}";
        // The tool tip is two lines: the JSON escapes its line break, genmon's block spans both.
        QTest::newRow("json, malformed file")
            << QStringList{u"--bar"_s, u"--json"_s, u"--once"_s} << "{ \"cut"_ba
            << u"^\\{.text.:.[^\\n]*:.*.tooltip.:.[^\\n]+\\\\n[^\\n]+\\}\\n$"_s;
        QTest::newRow("genmon, undecodable shortcut")
            << QStringList{u"--bar"_s, u"--genmon"_s} << undecodableShortcut
            << u"^<txt>[^<]*:[^<]*</txt><tool>[^<\n]+\n[^<\n]+</tool>.*</txtclick>\n$"_s;
        QTest::newRow("title, undecodable shortcut")
            << QStringList{u"title"_s} << undecodableShortcut << u"^[^\n]*:[^\n]*:[^\n]*\n$"_s;
        // A read-write open would move the malformed file aside.
        const QString usage =
            u"^栖格日历 · tessel-calendar: .*\n  tessel-calendar --version .*\n$"_s;
        QTest::newRow("help") << QStringList{u"--help"_s} << "{ \"cut"_ba << usage;
        QTest::newRow("-h") << QStringList{u"-h"_s, u"cal"_s} << "{ \"cut"_ba << usage;
        QTest::newRow("version") << QStringList{u"--version"_s} << "{ \"cut"_ba
                                 << u"^tessel-calendar "_s
                                        + QRegularExpression::escape(QStringLiteral(TESSEL_VERSION))
                                        + u"\n$"_s;
    }

    void printsOnceAndLeavesTheSettingsAlone()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, content);
        QFETCH(QString, output);
        const QString path = configHome->filePath(u"tessel-calendar/settings.json"_s);
        QVERIFY(writeFile(path, content));
        const QDateTime modified = QFileInfo(path).lastModified();

        start(arguments);
        QVERIFY(bar.waitForFinished());
        QCOMPARE(bar.exitCode(), 0);
        const QString printed = QString::fromUtf8(bar.readAllStandardOutput());
        QVERIFY2(QRegularExpression(output, QRegularExpression::DotMatchesEverythingOption)
                     .match(printed)
                     .hasMatch(),
                 qPrintable(printed));
        QCOMPARE(readFile(path), content);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QCOMPARE(QDir(configHome->filePath(u"tessel-calendar"_s)).entryList(QDir::Files),
                 QStringList{u"settings.json"_s});
    }

    void readerGoneEndsWithStatusZero()
    {
        writeSettings({{u"preferences.showSeconds"_s, true}});
        // As under a bar that ignores SIGPIPE, so that writes to the closed pipe fail with EPIPE:
        // the reader takes one line and goes; the shell reports how the command ended.
        start(QStringList{u"-c"_s,
                          u"trap '' PIPE; (\"$0\" \"$@\"; echo \"status $?\" >&2) | head -n 1"_s,
                          QStringLiteral(TESSEL_EXECUTABLE), u"--bar"_s},
              u"/bin/sh"_s);
        QVERIFY(bar.waitForReadyRead());
        // A line is due every second, and its write fails.
        QVERIFY(bar.waitForFinished(2000));
        QCOMPARE(bar.readAllStandardError(), "status 0\n"_ba);
    }

private:
    void writeSettings(const QJsonObject &members);
    void start(const QStringList &arguments,
               const QString &program = QStringLiteral(TESSEL_EXECUTABLE));
    QStringList readLines(int count);

    std::optional<QTemporaryDir> configHome;
    QProcess bar;
};

void TestBarCommand::writeSettings(const QJsonObject &members)
{
    // Replaced at once, as the program writes it.
    QVERIFY(QDir(configHome->path()).mkpath(u"tessel-calendar"_s));
    QSaveFile file(configHome->filePath(u"tessel-calendar/settings.json"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(members).toJson()) > 0);
    QVERIFY(file.commit());
}

void TestBarCommand::start(const QStringList &arguments, const QString &program)
{
    // A zone in which it is about noon now, so that the date cannot change during the test.
    const int offset = 12 - QDateTime::currentDateTimeUtc().time().hour();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, configHome->path());
    // Commands that print need no display.
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);
    environment.insert(u"TZ"_s, u"Etc/GMT%1%2"_s.arg(offset > 0 ? u'-' : u'+').arg(qAbs(offset)));
    bar.setProcessEnvironment(environment);
    bar.start(program, arguments);
    QVERIFY(bar.waitForStarted());
}

// The next lines printed, fewer when they do not come within ten seconds.
QStringList TestBarCommand::readLines(int count)
{
    QStringList lines;
    QDeadlineTimer deadline(10000);
    while (lines.size() < count && !deadline.hasExpired()) {
        if (!bar.canReadLine())
            bar.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        while (lines.size() < count && bar.canReadLine())
            lines.append(QString::fromUtf8(bar.readLine()).chopped(1));
    }
    return lines;
}

QTEST_GUILESS_MAIN(TestBarCommand)
#include "tst_barcommand.moc"
