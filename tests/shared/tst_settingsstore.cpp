#include "TestFiles.h"
#include "shared/MenuBarTimeFormat.h"
#include "shared/SettingsStore.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <type_traits>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// The way another well-behaved program writes: a new file renamed over the old one.
void replaceFile(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    QVERIFY(file.commit());
}

QJsonObject readObject(const QString &path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

QStringList emittedKeys(const QSignalSpy &spy)
{
    QStringList keys;
    for (const QList<QVariant> &arguments : spy)
        keys.append(arguments.at(0).toString());
    keys.sort();
    return keys;
}

// The contents of the files kept aside, oldest name first; a FIFO or a link is not read.
QByteArrayList corruptCopies(const QString &settingsPath)
{
    QByteArrayList contents;
    for (const QFileInfo &copy :
         QFileInfo(settingsPath)
             .dir()
             .entryInfoList({u"settings.json.corrupt-*"_s}, QDir::Files | QDir::System, QDir::Name))
        contents.append(copy.isFile() && !copy.isSymLink() ? readFile(copy.filePath()) : "");
    return contents;
}

// Keys of these tests' own files.
constexpr SettingKey<bool> flag{"b", true};
constexpr SettingKey<bool> other{"c", false};
constexpr SettingKey<bool> mine{"mine", false};
const SettingKey<QString> text{"s", u"default"_s};
const SettingKey<QStringList> list{"l", {u"default"_s}};
const SettingKey<QByteArray> data{"d", "default"};
constexpr SettingKey<MenuBarTimeFormat> choice{"t", MenuBarTimeFormat::twentyFourHour};

// A key without a default, or of a type the file cannot keep, does not build.
static_assert(!std::is_constructible_v<SettingKey<bool>, const char (&)[2]>);
static_assert(!SettingValue<int> && !SettingValue<double> && !SettingValue<QDate>);
static_assert(SettingValue<MenuBarTimeFormat>);

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString path;

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        path = dir->filePath(u"tessel-calendar/settings.json"_s);
    }

    void valueOfAnotherKindReadsAsDefaultAndIsKept()
    {
        const QByteArray unknown = R"({"nested": {"a": [1, 2.5, {"b": null}], "c": "\u00e9"},
            "big": 9007199254740993, "b": "1", "s": 1, "l": ["a", 1], "t": "TwelveHour",
            "d": {"$data": "aGk=", "x": 1}, "c": {"$data": "a*b"}})"_ba;
        QVERIFY(writeFile(path, unknown));
        SettingsStore store(path);
        QCOMPARE(store.value(flag), true);
        QCOMPARE(store.value(text), u"default"_s);
        QCOMPARE(store.value(list), QStringList{u"default"_s});
        QCOMPARE(store.value(data), "default"_ba);
        QCOMPARE(store.value(choice), MenuBarTimeFormat::twentyFourHour);
        store.remove(mine);
        QCOMPARE(readFile(path), unknown);

        store.setValue(other, true);
        store.setValue(text, u"1"_s);
        store.setValue(list, QStringList{u"A"_s, u"B"_s});
        store.setValue(data, "hi"_ba);
        store.setValue(choice, MenuBarTimeFormat::twelveHour);
        QJsonObject expected = QJsonDocument::fromJson(unknown).object();
        expected.insert(u"c"_s, true);
        expected.insert(u"s"_s, u"1"_s);
        expected.insert(u"l"_s, QJsonArray{u"A"_s, u"B"_s});
        expected.insert(u"d"_s, QJsonObject{{u"$data"_s, u"aGk="_s}});
        expected.insert(u"t"_s, u"twelveHour"_s);
        QCOMPARE(readObject(path), expected);
    }

    void failedWriteKeepsTheOldFile()
    {
        const QByteArray original = R"({"s": "old", "keep": [1, 2]})"_ba;
        QVERIFY(writeFile(path, original));
        SettingsStore store(path);
        const QString big(4096, u'x');
        // A full disk stops a write half-way, as this limit on the size of a written file does.
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{1024, previous.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        store.setValue(text, big);
        setrlimit(RLIMIT_FSIZE, &previous);

        QCOMPARE(readFile(path), original);
        // The program goes on with the value it was given, and says that it is not saved.
        QCOMPARE(store.value(text), big);
        QCOMPARE(store.saveError(), u"磁盘已满"_s);

        // Once writing works again, the next change writes everything not yet saved.
        store.setValue(flag, true);
        QCOMPARE(readObject(path),
                 (QJsonObject{{u"s"_s, big}, {u"b"_s, true}, {u"keep"_s, QJsonArray{1, 2}}}));
        QCOMPARE(store.saveError(), QString());
    }

    void unusableFileIsKeptAsideOrLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("content");
        // Moved aside, so that the next change can be saved; else no write may replace it.
        QTest::addColumn<bool>("movedAside");

        const QByteArray ordinary = R"({"b": true})"_ba;
        QTest::newRow("cut off") << u"file"_s << R"({"b": tr)"_ba << true;
        QTest::newRow("array at the top") << u"file"_s << R"(["b"])"_ba << true;
        QTest::newRow("larger than 1 MB")
            << u"file"_s << ordinary + QByteArray(SettingsStore::maxFileSize, ' ') << true;
        QTest::newRow("link to /dev/zero") << u"zero"_s << QByteArray() << true;
        QTest::newRow("FIFO") << u"fifo"_s << QByteArray() << true;
        QTest::newRow("folder in its place") << u"folder"_s << QByteArray() << false;
        QTest::newRow("config folder is a file") << u"parentFile"_s << QByteArray() << false;
    }

    void unusableFileIsKeptAsideOrLeftAlone()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(bool, movedAside);
        const QString folder = QFileInfo(path).absolutePath();
        QDir().mkpath(folder);
        if (kind == "file"_L1)
            QVERIFY(writeFile(path, content));
        else if (kind == "zero"_L1)
            QVERIFY(QFile::link(u"/dev/zero"_s, path));
        else if (kind == "fifo"_L1)
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "folder"_L1)
            QVERIFY(QDir().mkpath(path));
        else
            QVERIFY(QDir(folder).removeRecursively() && writeFile(folder, "not a folder"));

        // Nothing may block or read without end: a FIFO without a writer would hang a plain open.
        SettingsStore store(path);
        QCOMPARE(store.value(flag), true);
        QCOMPARE(corruptCopies(path), movedAside ? QByteArrayList{content} : QByteArrayList());

        QSignalSpy errors(&store, &SettingsStore::saveErrorChanged);
        store.setValue(text, u"new"_s);
        QCOMPARE(store.value(text), u"new"_s);
        QCOMPARE(store.saveError().isEmpty(), movedAside);
        QCOMPARE(errors.size(), movedAside ? 0 : 1);
        if (movedAside)
            QCOMPARE(readObject(path), (QJsonObject{{u"s"_s, u"new"_s}}));
        QVERIFY(QFileInfo(u"/dev/zero"_s).exists());
    }

    // That it leaves the disk alone, the bar command's test sees.
    void readOnlyStoreKeepsChangesInMemory()
    {
        SettingsStore store(path, SettingsStore::Access::readOnly);
        store.setValue(text, u"in memory"_s);
        QCOMPARE(store.value(text), u"in memory"_s);
        QCOMPARE(store.saveError(), QString());
    }

    void externalChangeReportsChangedKeysOnly()
    {
        QVERIFY(writeFile(path, R"({"same": true, "s": "a", "gone": false, "unknown": {"n": 1}})"));
        SettingsStore store(path);
        QSignalSpy spy(&store, &SettingsStore::valueChanged);

        const QByteArray changed = R"({"same": true, "s": "b", "added": false,
                                   "unknown": {"n": 2}})"_ba;
        // Rewritten in place; storeFollowsAFolderCreatedLater has files renamed over it.
        QVERIFY(writeFile(path, changed));

        QVERIFY(spy.wait(5000));
        QTRY_COMPARE(emittedKeys(spy), (QStringList{u"added"_s, u"gone"_s, u"s"_s, u"unknown"_s}));
        QCOMPARE(store.value(text), u"b"_s);

        // Our own writes are reported once, an equal value not at all, and not again on reading.
        spy.clear();
        store.setValue(other, false);
        store.setValue(other, false);
        store.reload();
        QCOMPARE(emittedKeys(spy), QStringList{u"c"_s});
    }

    void anotherProcessesWriteIsNotLost()
    {
        QVERIFY(writeFile(path, R"({"mine": false, "theirs": false})"_ba));
        SettingsStore store(path);
        QSignalSpy spy(&store, &SettingsStore::valueChanged);
        // Written by someone else a moment before this process writes, before the watcher fired.
        replaceFile(path, R"({"mine": false, "theirs": true})"_ba);
        store.setValue(mine, true);
        QCOMPARE(readObject(path), (QJsonObject{{u"mine"_s, true}, {u"theirs"_s, true}}));
        QCOMPARE(emittedKeys(spy), (QStringList{u"mine"_s, u"theirs"_s}));

        // Half-written: the current values stay, and the file is kept aside before a write.
        const QByteArray halfWritten = R"({"mine": false, "theirs": )"_ba;
        QVERIFY(writeFile(path, halfWritten));
        spy.clear();
        store.reload();
        QCOMPARE(spy.size(), 0);
        QCOMPARE(readFile(path), halfWritten);
        store.setValue(other, true);
        QCOMPARE(corruptCopies(path), QByteArrayList{halfWritten});
        QCOMPARE(readObject(path),
                 (QJsonObject{{u"mine"_s, true}, {u"theirs"_s, true}, {u"c"_s, true}}));

        // A second such file does not replace the first copy, even within the same second.
        QVERIFY(writeFile(path, "second {"));
        store.reload();
        store.setValue(other, false);
        QCOMPARE(corruptCopies(path), (QByteArrayList{halfWritten, "second {"}));
    }

    void storeFollowsAFolderCreatedLater()
    {
        SettingsStore reader(path);
        QSignalSpy spy(&reader, &SettingsStore::valueChanged);

        // Each write replaces the file: the watch must hold past the first one.
        SettingsStore writer(path);
        for (const MenuBarTimeFormat value :
             {MenuBarTimeFormat::twelveHour, MenuBarTimeFormat::twentyFourHour}) {
            spy.clear();
            writer.setValue(choice, value);
            QVERIFY(spy.wait(5000));
            QCOMPARE(reader.value(choice), value);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
