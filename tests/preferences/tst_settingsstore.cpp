#include "shared/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

// The way another well-behaved program writes: a new file renamed over the old one.
void replaceFile(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    QVERIFY(file.commit());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QJsonObject readObject(const QString &path)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(readFile(path), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {{u"not an object"_s, true}};
    return document.object();
}

QStringList emittedKeys(const QSignalSpy &spy)
{
    QStringList keys;
    for (const QList<QVariant> &arguments : spy)
        keys.append(arguments.at(0).toString());
    keys.sort();
    return keys;
}

QStringList corruptCopies(const QString &settingsPath)
{
    const QFileInfo info(settingsPath);
    return info.dir().entryList({info.fileName() + ".corrupt-*"_L1}, QDir::Files, QDir::Name);
}

// Lowers the largest file this process may write, as a full disk would stop a write half-way.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active = false;

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void defaultFilePathFollowsXdgConfigHome();
    void kindsAreKeptApart_data();
    void kindsAreKeptApart();
    void valueOfAnotherKindHidesTheDefault();
    void registeredDefaultsAnswerForAbsentKeys();
    void writesKeepKindsInTheFile();
    void dataRoundTrip_data();
    void dataRoundTrip();
    void unknownMembersAreKept();
    void constructingNeverWrites();
    void firstWriteCreatesTheFolder();
    void corruptFileIsKeptAside_data();
    void corruptFileIsKeptAside();
    void secondCorruptFileDoesNotReplaceTheFirst();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void settingsThatAreNoOrdinaryFile_data();
    void settingsThatAreNoOrdinaryFile();
    void readOnlyStoreLeavesTheDiskAlone();
    void externalChangeReportsChangedKeysOnly_data();
    void externalChangeReportsChangedKeysOnly();
    void ownWritesAreNotReportedAgain();
    void halfWrittenFileKeepsCurrentValues();
    void writeDoesNotUndoAnotherProcessesChange();
    void secondStoreFollowsTheFirst();
    void storeFollowsAFolderCreatedLater();

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString path;
};

void TestSettingsStore::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    path = dir->filePath(u"tessel-calendar/settings.json"_s);
}

void TestSettingsStore::cleanup()
{
    // A test may leave a folder read-only; the temporary folder must still go away.
    QFile::setPermissions(QFileInfo(path).absolutePath(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    dir.reset();
}

void TestSettingsStore::defaultFilePathFollowsXdgConfigHome()
{
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir->path().toUtf8());
    const QString found = SettingsStore::defaultFilePath();
    qputenv("XDG_CONFIG_HOME", previous);
    QCOMPARE(found, dir->filePath(u"tessel-calendar/settings.json"_s));
}

void TestSettingsStore::kindsAreKeptApart_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QVariant>("asBool");
    QTest::addColumn<QVariant>("asString");
    QTest::addColumn<QVariant>("asStringList");
    QTest::addColumn<QVariant>("asData");

    const QVariant none;
    QTest::newRow("true") << "true"_ba << QVariant(true) << none << none << none;
    QTest::newRow("false") << "false"_ba << QVariant(false) << none << none << none;
    QTest::newRow("text 1 is not a boolean")
        << "\"1\""_ba << none << QVariant(u"1"_s) << none << none;
    QTest::newRow("text true is not a boolean")
        << "\"true\""_ba << none << QVariant(u"true"_s) << none << none;
    QTest::newRow("number 1 is nothing") << "1"_ba << none << none << none << none;
    QTest::newRow("null is nothing") << "null"_ba << none << none << none << none;
    QTest::newRow("array of texts")
        << "[\"b\", \"a\"]"_ba << none << none << QVariant(QStringList{u"b"_s, u"a"_s}) << none;
    QTest::newRow("empty array") << "[]"_ba << none << none << QVariant(QStringList()) << none;
    QTest::newRow("array with a number") << "[\"a\", 1]"_ba << none << none << none << none;
    QTest::newRow("data") << "{\"$data\": \"aGk=\"}"_ba << none << none << none
                          << QVariant("hi"_ba);
    QTest::newRow("empty data") << "{\"$data\": \"\"}"_ba << none << none << none
                                << QVariant(QByteArray());
    QTest::newRow("data that is not base64")
        << "{\"$data\": \"a*b\"}"_ba << none << none << none << none;
    QTest::newRow("data with another member")
        << "{\"$data\": \"aGk=\", \"x\": 1}"_ba << none << none << none << none;
    QTest::newRow("object without data") << "{\"keyCode\": 40}"_ba << none << none << none << none;
}

void TestSettingsStore::kindsAreKeptApart()
{
    QFETCH(QByteArray, stored);
    QFETCH(QVariant, asBool);
    QFETCH(QVariant, asString);
    QFETCH(QVariant, asStringList);
    QFETCH(QVariant, asData);

    writeFile(path, "{\"k\": " + stored + "}");
    const SettingsStore store(path);
    const QString key = u"k"_s;
    QVERIFY(store.contains(key));

    const auto toVariant = [](const auto &optional) {
        return optional ? QVariant::fromValue(*optional) : QVariant();
    };
    QCOMPARE(toVariant(store.boolValue(key)), asBool);
    QCOMPARE(toVariant(store.stringValue(key)), asString);
    QCOMPARE(toVariant(store.stringListValue(key)), asStringList);
    QCOMPARE(toVariant(store.dataValue(key)), asData);
}

void TestSettingsStore::valueOfAnotherKindHidesTheDefault()
{
    writeFile(path, R"({"preferences.showSeconds": "1"})"_ba);
    SettingsStore store(path);
    store.registerDefaults({{u"preferences.showSeconds"_s, true}});

    QCOMPARE(store.boolValue(u"preferences.showSeconds"_s), std::nullopt);
    QCOMPARE(store.stringValue(u"preferences.showSeconds"_s), u"1"_s);

    store.setBool(u"preferences.other"_s, true);
    QCOMPARE(readObject(path).value("preferences.showSeconds"_L1), QJsonValue(u"1"_s));
}

void TestSettingsStore::registeredDefaultsAnswerForAbsentKeys()
{
    SettingsStore store(path);
    store.registerDefaults({{u"b"_s, true},
                            {u"s"_s, u"dateAndTime"_s},
                            {u"l"_s, QStringList{u"x"_s}},
                            {u"d"_s, "raw"_ba}});
    store.registerDefaults({{u"b2"_s, false}});

    QCOMPARE(store.registeredDefaults().size(), 5);
    QCOMPARE(store.boolValue(u"b"_s), true);
    QCOMPARE(store.boolValue(u"b2"_s), false);
    QCOMPARE(store.stringValue(u"s"_s), u"dateAndTime"_s);
    QCOMPARE(store.stringListValue(u"l"_s), QStringList{u"x"_s});
    QCOMPARE(store.dataValue(u"d"_s), "raw"_ba);
    // A default answers only for its own kind.
    QCOMPARE(store.stringValue(u"b"_s), std::nullopt);
    QCOMPARE(store.boolValue(u"s"_s), std::nullopt);
    QVERIFY(!store.contains(u"b"_s));
    // Registering is not a change of the file.
    QVERIFY(!QFile::exists(path));

    store.setBool(u"b"_s, false);
    QCOMPARE(store.boolValue(u"b"_s), false);
    store.remove(u"b"_s);
    QCOMPARE(store.boolValue(u"b"_s), true);
    QCOMPARE(readObject(path), QJsonObject());
}

void TestSettingsStore::writesKeepKindsInTheFile()
{
    SettingsStore store(path);
    store.setBool(u"b"_s, true);
    store.setString(u"s"_s, u"1"_s);
    store.setStringList(u"l"_s, {u"A"_s, u"B"_s});
    store.setData(u"d"_s, "hi"_ba);

    const QJsonObject expected{{u"b"_s, true},
                               {u"s"_s, u"1"_s},
                               {u"l"_s, QJsonArray{u"A"_s, u"B"_s}},
                               {u"d"_s, QJsonObject{{u"$data"_s, u"aGk="_s}}}};
    QCOMPARE(readObject(path), expected);
}

void TestSettingsStore::dataRoundTrip_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("json") << R"({"keyCode":40,"displayText":"⌘K"})"_ba;
    QTest::newRow("zero bytes and high bytes") << QByteArray("\0\x01\xff\xfe\0", 5);
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    QTest::newRow("every byte") << all;
}

void TestSettingsStore::dataRoundTrip()
{
    QFETCH(QByteArray, data);
    {
        SettingsStore store(path);
        store.setData(u"d"_s, data);
        QCOMPARE(store.dataValue(u"d"_s), data);
    }
    const SettingsStore reread(path);
    QCOMPARE(reread.dataValue(u"d"_s), data);
    QCOMPARE(reread.stringValue(u"d"_s), std::nullopt);
}

void TestSettingsStore::unknownMembersAreKept()
{
    const QByteArray original = R"({
        "nested": {"a": [1, 2.5, {"b": null}], "c": "\u00e9\ud83d\ude00"},
        "big": 9007199254740993,
        "negative": -0.125,
        "mixed": [true, "x", 3],
        "nothing": null,
        "calendar.openDayCommand": ["evolution", "{date}"],
        "preferences.showSeconds": true
    })"_ba;
    writeFile(path, original);
    const QJsonObject before = QJsonDocument::fromJson(original).object();

    SettingsStore store(path);
    store.setBool(u"preferences.showSeconds"_s, false);

    QJsonObject after = readObject(path);
    QCOMPARE(after.take("preferences.showSeconds"_L1), QJsonValue(false));
    QJsonObject expected = before;
    expected.remove("preferences.showSeconds"_L1);
    QCOMPARE(after, expected);
}

void TestSettingsStore::constructingNeverWrites()
{
    {
        const SettingsStore store(path);
    }
    QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath()));

    const QByteArray content = "{\"z\":1,   \"a\": [ ]}\n\n"_ba;
    writeFile(path, content);
    {
        SettingsStore store(path);
        store.registerDefaults({{u"a"_s, true}});
        // Removing what is not there changes nothing either.
        store.remove(u"absent"_s);
    }
    QCOMPARE(readFile(path), content);
}

void TestSettingsStore::firstWriteCreatesTheFolder()
{
    const QString deep = dir->filePath(u"one/two/settings.json"_s);
    SettingsStore store(deep);
    store.setString(u"s"_s, u"x"_s);
    QCOMPARE(readObject(deep), (QJsonObject{{u"s"_s, u"x"_s}}));
}

void TestSettingsStore::corruptFileIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("cut off") << R"({"preferences.showSeconds": tr)"_ba;
    QTest::newRow("array at the top") << R"(["preferences.showSeconds"])"_ba;
    QTest::newRow("text at the top") << R"("settings")"_ba;
    QTest::newRow("trailing garbage") << R"({"a": true} x)"_ba;
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10);
}

void TestSettingsStore::corruptFileIsKeptAside()
{
    QFETCH(QByteArray, content);
    writeFile(path, content);

    SettingsStore store(path);
    store.registerDefaults({{u"preferences.showSeconds"_s, false}});
    QCOMPARE(store.boolValue(u"preferences.showSeconds"_s), false);

    const QStringList copies = corruptCopies(path);
    QCOMPARE(copies.size(), 1);
    QVERIFY2(QRegularExpression(u"^settings\\.json\\.corrupt-\\d{8}T\\d{6}$"_s)
                 .match(copies.first())
                 .hasMatch(),
             qPrintable(copies.first()));
    QCOMPARE(readFile(QFileInfo(path).dir().filePath(copies.first())), content);
    QVERIFY(!QFile::exists(path));

    store.setBool(u"preferences.showSeconds"_s, true);
    QCOMPARE(readObject(path), (QJsonObject{{u"preferences.showSeconds"_s, true}}));
    QCOMPARE(corruptCopies(path), copies);
}

void TestSettingsStore::secondCorruptFileDoesNotReplaceTheFirst()
{
    writeFile(path, "first {");
    {
        const SettingsStore store(path);
    }
    writeFile(path, "second {");
    {
        const SettingsStore store(path);
    }

    const QStringList copies = corruptCopies(path);
    QCOMPARE(copies.size(), 2);
    QSet<QByteArray> contents;
    for (const QString &copy : copies)
        contents.insert(readFile(QFileInfo(path).dir().filePath(copy)));
    QCOMPARE(contents, (QSet<QByteArray>{"first {"_ba, "second {"_ba}));
}

void TestSettingsStore::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("read-only folder") << true;
    QTest::newRow("disk full") << false;
}

void TestSettingsStore::failedWriteKeepsTheOldFile()
{
    QFETCH(bool, readOnlyFolder);
    const QByteArray original = R"({"s": "old", "keep": [1, 2]})"_ba;
    writeFile(path, original);
    const QString folder = QFileInfo(path).absolutePath();
    SettingsStore store(path);

    const QString big(4096, u'x');
    if (readOnlyFolder) {
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QFile probe(folder + "/probe"_L1);
        if (probe.open(QIODevice::WriteOnly))
            QSKIP("this user can write into a read-only folder");
        store.setString(u"s"_s, big);
    } else {
        const FileSizeLimit limit(1024);
        QVERIFY(limit.active);
        store.setString(u"s"_s, big);
    }

    QCOMPARE(readFile(path), original);
    QCOMPARE(corruptCopies(path), QStringList());
    // The program goes on with the value it was given, and says that it is not saved.
    QCOMPARE(store.stringValue(u"s"_s), big);
    QVERIFY(!store.saveError().isEmpty());

    // Once writing works again, the next change writes everything not yet saved.
    QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                              | QFileDevice::ExeOwner));
    store.setBool(u"b"_s, true);
    const QJsonObject saved = readObject(path);
    QCOMPARE(saved.value("s"_L1), QJsonValue(big));
    QCOMPARE(saved.value("b"_L1), QJsonValue(true));
    QCOMPARE(saved.value("keep"_L1), (QJsonValue(QJsonArray{1, 2})));
    QCOMPARE(store.saveError(), QString());
}

void TestSettingsStore::settingsThatAreNoOrdinaryFile_data()
{
    QTest::addColumn<QString>("kind");
    // Moved aside as a corrupt file would be, so that the next change can be saved.
    QTest::addColumn<bool>("movedAside");
    QTest::addColumn<bool>("writable");

    QTest::newRow("regular file") << u"regular"_s << false << true;
    QTest::newRow("link to /dev/zero") << u"zero"_s << true << true;
    QTest::newRow("FIFO") << u"fifo"_s << true << true;
    QTest::newRow("larger than 1 MB") << u"large"_s << true << true;
    QTest::newRow("unreadable") << u"unreadable"_s << false << false;
    QTest::newRow("folder in its place") << u"folder"_s << false << false;
    QTest::newRow("config folder is a file") << u"parentFile"_s << false << false;
}

void TestSettingsStore::settingsThatAreNoOrdinaryFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, movedAside);
    QFETCH(bool, writable);
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    const QByteArray ordinary = R"({"b": true})"_ba;
    if (kind == "regular"_L1) {
        writeFile(path, ordinary);
    } else if (kind == "zero"_L1) {
        QVERIFY(QFile::link(u"/dev/zero"_s, path));
    } else if (kind == "fifo"_L1) {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "large"_L1) {
        writeFile(path, ordinary + QByteArray(SettingsStore::maxFileSize, ' '));
    } else if (kind == "unreadable"_L1) {
        if (geteuid() == 0)
            QSKIP("root reads a file of mode 000");
        writeFile(path, ordinary);
        QVERIFY(QFile::setPermissions(path, {}));
    } else if (kind == "folder"_L1) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QVERIFY(QDir(folder).removeRecursively());
        writeFile(folder, "not a folder");
    }

    // Nothing may block or read without end: a FIFO without a writer would hang a plain open.
    SettingsStore store(path);
    store.registerDefaults({{u"b"_s, false}});
    QCOMPARE(store.boolValue(u"b"_s), kind == "regular"_L1);
    const QStringList keptAside =
        QDir(folder).entryList({u"settings.json.corrupt-*"_s}, QDir::Files | QDir::System);
    QCOMPARE(keptAside.size(), movedAside ? 1 : 0);
    QVERIFY(QFileInfo(u"/dev/zero"_s).exists());

    QSignalSpy errors(&store, &SettingsStore::saveErrorChanged);
    store.setString(u"s"_s, u"new"_s);
    QCOMPARE(store.stringValue(u"s"_s), u"new"_s);
    QCOMPARE(store.saveError().isEmpty(), writable);
    QCOMPARE(errors.size(), writable ? 0 : 1);
    if (writable)
        QCOMPARE(readObject(path).value("s"_L1), QJsonValue(u"new"_s));
    if (kind == "folder"_L1)
        QVERIFY(QFileInfo(path).isDir());
}

void TestSettingsStore::readOnlyStoreLeavesTheDiskAlone()
{
    const QByteArray malformed = R"({"s": "x", )"_ba;
    writeFile(path, malformed);
    const QDateTime modified = QFileInfo(path).lastModified();

    SettingsStore store(path, SettingsStore::Access::readOnly);
    store.setString(u"s"_s, u"in memory"_s);
    store.remove(u"other"_s);
    QCOMPARE(store.stringValue(u"s"_s), u"in memory"_s);
    QCOMPARE(store.saveError(), QString());

    QCOMPARE(readFile(path), malformed);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
    QCOMPARE(corruptCopies(path), QStringList());
}

void TestSettingsStore::externalChangeReportsChangedKeysOnly_data()
{
    QTest::addColumn<bool>("replaced");
    QTest::newRow("renamed over the old file") << true;
    QTest::newRow("rewritten in place") << false;
}

void TestSettingsStore::externalChangeReportsChangedKeysOnly()
{
    QFETCH(bool, replaced);
    writeFile(path, R"({"same": true, "text": "a", "list": ["1"], "gone": false,
                        "unknown": {"n": 1}})"_ba);
    SettingsStore store(path);
    store.registerDefaults({{u"fromDefault"_s, true}});
    QSignalSpy spy(&store, &SettingsStore::valueChanged);

    const QByteArray changed = R"({"same": true, "text": "b", "list": ["1"], "added": false,
                                   "unknown": {"n": 2}, "fromDefault": true})"_ba;
    if (replaced)
        replaceFile(path, changed);
    else
        writeFile(path, changed);

    QVERIFY(spy.wait(5000));
    QTRY_COMPARE(emittedKeys(spy),
                 (QStringList{u"added"_s, u"fromDefault"_s, u"gone"_s, u"text"_s, u"unknown"_s}));
    QCOMPARE(store.stringValue(u"text"_s), u"b"_s);
    QCOMPARE(store.boolValue(u"added"_s), false);
    QVERIFY(!store.contains(u"gone"_s));

    // The watch still holds after the file was replaced.
    spy.clear();
    replaceFile(path, R"({"same": false})"_ba);
    QVERIFY(spy.wait(5000));
    QCOMPARE(store.boolValue(u"same"_s), false);
}

void TestSettingsStore::ownWritesAreNotReportedAgain()
{
    SettingsStore store(path);
    QSignalSpy spy(&store, &SettingsStore::valueChanged);
    store.setBool(u"b"_s, true);
    store.setBool(u"b"_s, true);
    store.setString(u"s"_s, u"x"_s);
    QCOMPARE(emittedKeys(spy), (QStringList{u"b"_s, u"s"_s}));

    spy.clear();
    store.reload();
    QCOMPARE(spy.size(), 0);
}

void TestSettingsStore::halfWrittenFileKeepsCurrentValues()
{
    writeFile(path, R"({"a": true, "b": "x"})"_ba);
    SettingsStore store(path);
    QSignalSpy spy(&store, &SettingsStore::valueChanged);

    const QByteArray halfWritten = R"({"a": false, "b": )"_ba;
    writeFile(path, halfWritten);
    store.reload();
    QCOMPARE(spy.size(), 0);
    QCOMPARE(store.boolValue(u"a"_s), true);
    QCOMPARE(corruptCopies(path), QStringList());
    QCOMPARE(readFile(path), halfWritten);

    // Writing over it now would lose what the other program wrote: it is kept aside first.
    store.setBool(u"c"_s, true);
    const QStringList copies = corruptCopies(path);
    QCOMPARE(copies.size(), 1);
    QCOMPARE(readFile(QFileInfo(path).dir().filePath(copies.first())), halfWritten);
    QCOMPARE(readObject(path), (QJsonObject{{u"a"_s, true}, {u"b"_s, u"x"_s}, {u"c"_s, true}}));
}

void TestSettingsStore::writeDoesNotUndoAnotherProcessesChange()
{
    writeFile(path, R"({"mine": false, "theirs": false})"_ba);
    SettingsStore store(path);
    QSignalSpy spy(&store, &SettingsStore::valueChanged);

    // Written by someone else a moment before this process writes, before the watcher fired.
    replaceFile(path, R"({"mine": false, "theirs": true})"_ba);
    store.setBool(u"mine"_s, true);

    QCOMPARE(readObject(path), (QJsonObject{{u"mine"_s, true}, {u"theirs"_s, true}}));
    QCOMPARE(emittedKeys(spy), (QStringList{u"mine"_s, u"theirs"_s}));
}

void TestSettingsStore::secondStoreFollowsTheFirst()
{
    SettingsStore writer(path);
    writer.setBool(u"preferences.showSeconds"_s, false);
    SettingsStore reader(path);
    QSignalSpy spy(&reader, &SettingsStore::valueChanged);

    writer.setBool(u"preferences.showSeconds"_s, true);
    QVERIFY(spy.wait(5000));
    QCOMPARE(emittedKeys(spy), QStringList{u"preferences.showSeconds"_s});
    QCOMPARE(reader.boolValue(u"preferences.showSeconds"_s), true);
}

void TestSettingsStore::storeFollowsAFolderCreatedLater()
{
    SettingsStore reader(path);
    QSignalSpy spy(&reader, &SettingsStore::valueChanged);

    SettingsStore writer(path);
    writer.setString(u"preferences.timeFormat"_s, u"twelveHour"_s);
    QVERIFY(spy.wait(5000));
    QCOMPARE(reader.stringValue(u"preferences.timeFormat"_s), u"twelveHour"_s);

    spy.clear();
    writer.setString(u"preferences.timeFormat"_s, u"twentyFourHour"_s);
    QVERIFY(spy.wait(5000));
    QCOMPARE(reader.stringValue(u"preferences.timeFormat"_s), u"twentyFourHour"_s);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
