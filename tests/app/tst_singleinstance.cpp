#include "app/SingleInstance.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Two processes are stood in for by two connections to the private test bus.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondInstanceHandsOver_data();
    void secondInstanceHandsOver();
    void nextStartAfterTheFirstQuitIsPrimary();
};

void TestSingleInstance::secondInstanceHandsOver_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QByteArray>("expectedSignal");

    QTest::newRow("plain start shows") << QString() << QByteArray(SIGNAL(showRequested()));
    QTest::newRow("--toggle") << u"--toggle"_s << QByteArray(SIGNAL(toggleRequested()));
    QTest::newRow("--preferences")
        << u"--preferences"_s << QByteArray(SIGNAL(preferencesRequested()));
}

void TestSingleInstance::secondInstanceHandsOver()
{
    QFETCH(QString, argument);
    QFETCH(QByteArray, expectedSignal);

    QDBusConnection firstBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"a"_s);
    QDBusConnection secondBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"b"_s);
    {
        SingleInstance first(firstBus);
        QCOMPARE(first.claimOrForward(SingleInstance::Request::show),
                 SingleInstance::Outcome::primary);
        QSignalSpy handed(&first, expectedSignal.constData());

        // The second waits for its answer in a local event loop, in which the first answers.
        SingleInstance second(secondBus);
        SingleInstance::Outcome outcome = SingleInstance::Outcome::primary;
        QMetaObject::invokeMethod(
            &second, [&] { outcome = second.claimOrForward(SingleInstance::requestFor(argument)); },
            Qt::QueuedConnection);
        QTRY_COMPARE(handed.size(), 1);
        QTRY_COMPARE(outcome, SingleInstance::Outcome::forwarded);
    }
    QDBusConnection::disconnectFromBus(u"a"_s);
    QDBusConnection::disconnectFromBus(u"b"_s);
}

void TestSingleInstance::nextStartAfterTheFirstQuitIsPrimary()
{
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"c"_s);
        SingleInstance first(bus);
        QCOMPARE(first.claimOrForward(SingleInstance::Request::show),
                 SingleInstance::Outcome::primary);
    }
    QDBusConnection::disconnectFromBus(u"c"_s);
    QDBusConnection again = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"d"_s);
    SingleInstance next(again);
    QCOMPARE(next.claimOrForward(SingleInstance::Request::toggle),
             SingleInstance::Outcome::primary);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
