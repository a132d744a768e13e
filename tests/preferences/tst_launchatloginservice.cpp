#include "TestFiles.h"
#include "preferences/LaunchAtLoginService.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArrayList lines(const QByteArray &content)
{
    return content.split('\n');
}

} // namespace

class TestLaunchAtLoginService : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home;
    QString executable;

    [[nodiscard]] QString configHome() const { return home->filePath(u"config"_s); }
    [[nodiscard]] QString systemDir() const { return home->filePath(u"xdg"_s); }
    [[nodiscard]] QByteArray withProgram(QByteArray content) const
    {
        return content.replace("@EXEC@", LaunchAtLoginService::execValue(executable).toUtf8())
            .replace("@NAME@", QFileInfo(executable).fileName().toUtf8());
    }
    [[nodiscard]] QString systemEntry() const
    {
        return systemDir() + u"/autostart/tessel-calendar.desktop"_s;
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        QVERIFY(home->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(systemDir()));
        executable = QCoreApplication::applicationFilePath();
    }

    void registerWritesAnEntryThatReadsBackEnabled()
    {
        LaunchAtLoginService service(executable);
        QVERIFY(!service.isEnabled());
        QCOMPARE(service.status(), LaunchAtLoginService::Status::notRegistered);
        QCOMPARE(LaunchAtLoginService::userEntryPath(),
                 configHome() + u"/autostart/tessel-calendar.desktop"_s);

        QSignalSpy spy(&service, &LaunchAtLoginService::isEnabledChanged);
        service.setEnabled(true);
        QVERIFY(service.isEnabled());
        QCOMPARE(spy.size(), 1);

        const QByteArrayList written = lines(readFile(LaunchAtLoginService::userEntryPath()));
        QCOMPARE(written.value(0), "[Desktop Entry]");
        QVERIFY(written.contains("Type=Application"));
        QVERIFY(written.contains("Exec=\"" + QFile::encodeName(executable) + '"'));

        LaunchAtLoginService reread(executable);
        QVERIFY(reread.isEnabled());
        QCOMPARE(reread.status(), LaunchAtLoginService::Status::enabled);
    }

    void unregisterRemovesTheEntry()
    {
        LaunchAtLoginService service(executable);
        service.setEnabled(true);
        QVERIFY(QFileInfo::exists(LaunchAtLoginService::userEntryPath()));

        service.setEnabled(false);
        QVERIFY(!service.isEnabled());
        QVERIFY(!QFileInfo::exists(LaunchAtLoginService::userEntryPath()));
        QVERIFY(!LaunchAtLoginService(executable).isEnabled());
        // Again, without an entry: nothing to do, and no failure.
        service.setEnabled(false);
        QVERIFY(!service.isEnabled());
    }

    void entryStates_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("enabled");

        // @EXEC@ stands for this program's Exec value, @NAME@ for its file name.
        QTest::newRow("plain entry") << QByteArray("[Desktop Entry]\nExec=@EXEC@\n") << true;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=@EXEC@\nHidden=true\n")
                                << false;
        QTest::newRow("gnome disabled")
            << QByteArray("[Desktop Entry]\nExec=@EXEC@\nX-GNOME-Autostart-enabled=false\n")
            << false;
        QTest::newRow("spaces around the equals sign")
            << QByteArray("[Desktop Entry]\nExec = @EXEC@\nHidden = true\n") << false;
        QTest::newRow("hidden in an action group")
            << QByteArray("[Desktop Entry]\nExec=@EXEC@\n[Desktop Action new]\nHidden=true\n")
            << true;
        QTest::newRow("no Exec") << QByteArray("[Desktop Entry]\n") << false;
        QTest::newRow("another program") << QByteArray("[Desktop Entry]\nExec=/bin/sh\n") << false;
        QTest::newRow("a copy since moved")
            << QByteArray("[Desktop Entry]\nExec=\"/nowhere/build/@NAME@\"\n") << false;
        QTest::newRow("command name on PATH")
            << QByteArray("[Desktop Entry]\nExec=@NAME@ --flag\n") << true;
        QTest::newRow("other command name on PATH")
            << QByteArray("[Desktop Entry]\nExec=sh -c @NAME@\n") << false;
    }

    void entryStates()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, enabled);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(QFileInfo(executable).absolutePath()) + ':' + path);
        QVERIFY(writeFile(LaunchAtLoginService::userEntryPath(), withProgram(content)));
        QCOMPARE(LaunchAtLoginService(executable).isEnabled(), enabled);
        qputenv("PATH", path);
    }

    void systemWideEntryCountsUntilTheUserOverridesIt()
    {
        QVERIFY(writeFile(systemEntry(), withProgram("[Desktop Entry]\nExec=@EXEC@\n")));
        LaunchAtLoginService service(executable);
        QVERIFY(service.isEnabled());

        service.setEnabled(false);
        QVERIFY(!service.isEnabled());
        QVERIFY(QFileInfo::exists(systemEntry()));
        QVERIFY(lines(readFile(LaunchAtLoginService::userEntryPath())).contains("Hidden=true"));
        QVERIFY(!LaunchAtLoginService(executable).isEnabled());

        service.setEnabled(true);
        QVERIFY(LaunchAtLoginService(executable).isEnabled());
    }

    void hiddenSystemEntryNeedsNoOverride()
    {
        QVERIFY(writeFile(systemEntry(), "[Desktop Entry]\nHidden=true\n"));
        LaunchAtLoginService service(executable);
        QVERIFY(!service.isEnabled());
        service.setEnabled(false);
        QVERIFY(!QFileInfo::exists(LaunchAtLoginService::userEntryPath()));
    }

    void unwritableFolderSpringsBack()
    {
        // Tests run as root, which permissions do not stop: a file where the folder should be.
        QVERIFY(writeFile(configHome() + u"/autostart"_s, "not a folder"));
        LaunchAtLoginService service(executable);
        QSignalSpy spy(&service, &LaunchAtLoginService::isEnabledChanged);

        service.setEnabled(true);
        QVERIFY(!service.isEnabled());
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        QCOMPARE(readFile(configHome() + u"/autostart"_s), "not a folder");
    }

    void failedOverrideOfASystemEntryStaysEnabled()
    {
        QVERIFY(writeFile(systemEntry(), withProgram("[Desktop Entry]\nExec=@EXEC@\n")));
        QVERIFY(writeFile(configHome() + u"/autostart"_s, "not a folder"));
        LaunchAtLoginService service(executable);
        QVERIFY(service.isEnabled());

        service.setEnabled(false);
        QVERIFY(service.isEnabled());
    }

    void missingExecutableIsNotFound()
    {
        const QString gone = home->filePath(u"gone/tessel-calendar"_s);
        LaunchAtLoginService service(gone);
        QCOMPARE(service.status(), LaunchAtLoginService::Status::notFound);
        service.setEnabled(true);
        QVERIFY(!service.isEnabled());
        QVERIFY(!QFileInfo::exists(LaunchAtLoginService::userEntryPath()));
    }

    void refreshPublishesAlsoAnUnchangedState()
    {
        LaunchAtLoginService service(executable);
        QSignalSpy spy(&service, &LaunchAtLoginService::isEnabledChanged);
        service.refresh();
        QCOMPARE(spy.size(), 1);

        QVERIFY(writeFile(LaunchAtLoginService::userEntryPath(),
                          withProgram("[Desktop Entry]\nExec=@EXEC@\n")));
        service.refresh();
        QVERIFY(service.isEnabled());
    }

    void execValue_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("value");

        QTest::newRow("space") << u"/opt/my apps/tc"_s << u"\"/opt/my apps/tc\""_s;
        QTest::newRow("double quote") << u"/a\"b"_s << u"\"/a\\\\\"b\""_s;
        QTest::newRow("dollar and backtick") << u"/a$b`c"_s << u"\"/a\\\\$b\\\\`c\""_s;
        QTest::newRow("backslash") << u"/a\\b"_s << u"\"/a\\\\\\\\b\""_s;
        QTest::newRow("percent") << u"/100%/tc"_s << u"\"/100%%/tc\""_s;
        QTest::newRow("newline") << u"/a\nb"_s << u"\"/a\\nb\""_s;
    }

    void execValue()
    {
        QFETCH(QString, path);
        QFETCH(QString, value);
        QCOMPARE(LaunchAtLoginService::execValue(path), value);
    }
};

QTEST_GUILESS_MAIN(TestLaunchAtLoginService)
#include "tst_launchatloginservice.moc"
