#include "app/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// A process that takes calls and never answers them.
class Unanswering : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &, const QDBusConnection &) override { return true; }
};

// Two processes are stood in for by two connections to the private test bus.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void secondInstanceHandsOver_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QByteArray>("expectedSignal");

        QTest::newRow("plain start shows") << QString() << QByteArray(SIGNAL(showRequested()));
        QTest::newRow("--toggle") << u"--toggle"_s << QByteArray(SIGNAL(toggleRequested()));
        QTest::newRow("--preferences")
            << u"--preferences"_s << QByteArray(SIGNAL(preferencesRequested()));
    }

    void secondInstanceHandsOver()
    {
        QFETCH(QString, argument);
        QFETCH(QByteArray, expectedSignal);
        const auto connection = [](const QString &name) {
            return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        };
        {
            SingleInstance first(connection(u"a"_s));
            QCOMPARE(first.claimOrForward(SingleInstance::Request::show),
                     SingleInstance::Outcome::primary);
            QSignalSpy handed(&first, expectedSignal.constData());
            // The second waits for its answer in a local event loop, in which the first answers.
            SingleInstance second(connection(u"b"_s));
            SingleInstance::Outcome outcome = SingleInstance::Outcome::primary;
            QMetaObject::invokeMethod(
                &second,
                [&] { outcome = second.claimOrForward(SingleInstance::requestFor(argument)); },
                Qt::QueuedConnection);
            QTRY_COMPARE(handed.size(), 1);
            QTRY_COMPARE(outcome, SingleInstance::Outcome::forwarded);
        }
        cleanup();
        // Once the first has quit, the next start is the primary one.
        SingleInstance next(connection(u"c"_s));
        QCOMPARE(next.claimOrForward(SingleInstance::Request::toggle),
                 SingleInstance::Outcome::primary);
    }

    void takesOverFromAPrimaryQuittingBeforeItAnswers()
    {
        // The holder of the name drops off the bus while the request to it is on its way.
        Unanswering holder;
        QVERIFY(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"a"_s)
                .registerVirtualObject(QString::fromLatin1(SingleInstance::objectPath), &holder));
        QVERIFY(QDBusConnection(u"a"_s).registerService(
            QString::fromLatin1(SingleInstance::serviceName)));
        QTimer::singleShot(0, [] { QDBusConnection::disconnectFromBus(u"a"_s); });
        SingleInstance next(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"b"_s));
        QCOMPARE(next.claimOrForward(SingleInstance::Request::show),
                 SingleInstance::Outcome::primary);
    }

    // A failed case must not leave the name held for the next.
    void cleanup()
    {
        for (const QString &name : {u"a"_s, u"b"_s, u"c"_s})
            QDBusConnection::disconnectFromBus(name);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
