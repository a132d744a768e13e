#include "TestFiles.h"
#include "preferences/LaunchAtLoginService.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

class TestLaunchAtLoginService : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home;
    const QString executable = QCoreApplication::applicationFilePath();

    [[nodiscard]] QString configHome() const { return home->filePath(u"config"_s); }
    [[nodiscard]] QString systemEntry() const
    {
        return home->filePath(u"xdg/autostart/tessel-calendar.desktop"_s);
    }
    // @EXEC@ stands for this program's Exec value, @NAME@ for its file name.
    [[nodiscard]] QByteArray withProgram(QByteArray content) const
    {
        return content.replace("@EXEC@", LaunchAtLoginService::execValue(executable).toUtf8())
            .replace("@NAME@", QFileInfo(executable).fileName().toUtf8());
    }

private Q_SLOTS:
    // This program's folder on PATH, for entries that name it without a path.
    void initTestCase()
    {
        // A QByteArray first: Qt 6.8's qputenv takes a view that a string builder does not
        // convert to.
        const QByteArray path =
            QFile::encodeName(QFileInfo(executable).absolutePath()) + ':' + qgetenv("PATH");
        qputenv("PATH", path);
    }

    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(home->filePath(u"xdg"_s)));
    }

    void registerAndUnregister()
    {
        LaunchAtLoginService service(executable);
        QCOMPARE(service.status(), LaunchAtLoginService::Status::notRegistered);
        QCOMPARE(LaunchAtLoginService::userEntryPath(),
                 configHome() + u"/autostart/tessel-calendar.desktop"_s);
        QSignalSpy spy(&service, &LaunchAtLoginService::isEnabledChanged);

        service.setEnabled(true);
        QCOMPARE(spy.size(), 1);
        const QByteArrayList written = readFile(LaunchAtLoginService::userEntryPath()).split('\n');
        QCOMPARE(written.value(0), "[Desktop Entry]");
        QVERIFY(written.contains("Exec=\"" + QFile::encodeName(executable) + '"'));
        QCOMPARE(LaunchAtLoginService(executable).status(), LaunchAtLoginService::Status::enabled);

        service.setEnabled(false);
        QVERIFY(!QFileInfo::exists(LaunchAtLoginService::userEntryPath()));
        // Again, without an entry: nothing to do, and no failure; the state is published anyway.
        service.setEnabled(false);
        QVERIFY(!service.isEnabled());
        service.refresh();
        QCOMPARE(spy.size(), 4);
    }

    void entryStates_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("hidden") << "Exec=@EXEC@\nHidden=true"_ba << false;
        QTest::newRow("gnome disabled")
            << "Exec=@EXEC@\nX-GNOME-Autostart-enabled=false"_ba << false;
        QTest::newRow("spaces around =") << "Exec = @EXEC@\nHidden = true"_ba << false;
        QTest::newRow("hidden action")
            << "Exec=@EXEC@\n[Desktop Action new]\nHidden=true"_ba << true;
        QTest::newRow("another program") << "Exec=/bin/sh"_ba << false;
        QTest::newRow("a copy since moved") << "Exec=\"/nowhere/build/@NAME@\""_ba << false;
        QTest::newRow("command name on PATH") << "Exec=@NAME@ --flag"_ba << true;
        QTest::newRow("other command on PATH") << "Exec=sh -c @NAME@"_ba << false;
    }

    void entryStates()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(LaunchAtLoginService::userEntryPath(),
                          withProgram("[Desktop Entry]\n" + content + '\n')));
        QTEST(LaunchAtLoginService(executable).isEnabled(), "enabled");
    }

    void systemWideEntryIsOverriddenByTheUser()
    {
        QVERIFY(writeFile(systemEntry(), withProgram("[Desktop Entry]\nExec=@EXEC@\n")));
        LaunchAtLoginService service(executable);
        QVERIFY(service.isEnabled());
        // Tests run as root, which permissions do not stop: a file where the folder should be.
        const QString folder = configHome() + u"/autostart"_s;
        QVERIFY(writeFile(folder, "not a folder"));
        QSignalSpy spy(&service, &LaunchAtLoginService::isEnabledChanged);
        service.setEnabled(false);
        QVERIFY(service.isEnabled());
        QCOMPARE(spy.size(), 1);
        QCOMPARE(readFile(folder), "not a folder");

        QVERIFY(QFile::remove(folder));
        service.setEnabled(false);
        QVERIFY(!service.isEnabled());
        QVERIFY(QFileInfo::exists(systemEntry()));
        QVERIFY(
            readFile(LaunchAtLoginService::userEntryPath()).split('\n').contains("Hidden=true"));
        QVERIFY(!LaunchAtLoginService(executable).isEnabled());
        service.setEnabled(true);
        QVERIFY(LaunchAtLoginService(executable).isEnabled());
    }

    void failedWriteKeepsTheEntryAndSaysOff()
    {
        const QByteArray mine = withProgram("[Desktop Entry]\nExec=@EXEC@ --mine\nHidden=true\n");
        QVERIFY(writeFile(LaunchAtLoginService::userEntryPath(), mine));
        LaunchAtLoginService service(executable);
        // A full disk stops the write half-way, as this limit on a written file's size does.
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{40, previous.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        service.setEnabled(true);
        setrlimit(RLIMIT_FSIZE, &previous);
        QCOMPARE(readFile(LaunchAtLoginService::userEntryPath()), mine);
        QVERIFY(!service.isEnabled());
    }

    void missingExecutableIsNotFound()
    {
        LaunchAtLoginService service(home->filePath(u"gone/tessel-calendar"_s));
        QCOMPARE(service.status(), LaunchAtLoginService::Status::notFound);
        service.setEnabled(true);
        QVERIFY(!service.isEnabled());
        QVERIFY(!QFileInfo::exists(LaunchAtLoginService::userEntryPath()));
    }

    void execValueQuotesAndEscapes()
    {
        QCOMPARE(LaunchAtLoginService::execValue(u"/my apps/\"$`\\%\n"_s),
                 u"\"/my apps/\\\\\"\\\\$\\\\`\\\\\\\\%%\\n\""_s);
    }
};

QTEST_GUILESS_MAIN(TestLaunchAtLoginService)
#include "tst_launchatloginservice.moc"
