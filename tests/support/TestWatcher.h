#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

// A StatusNotifierWatcher on a connection of its own, as a tray host would run it. It records
// the name each item registers.
class TestWatcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)

public:
    enum class Answer
    {
        Accept,
        Refuse,
        /// Takes the item but answers only on releaseAnswers().
        Hold,
    };

    explicit TestWatcher(Answer answer = Answer::Accept);
    ~TestWatcher() override;

    /// Connects and takes the watcher's name; false when the name is held by someone else.
    bool start(QDBusConnectionInterface::ServiceReplacementOptions replacement =
                   QDBusConnectionInterface::DontAllowReplacement,
               QDBusConnectionInterface::ServiceQueueOptions queue =
                   QDBusConnectionInterface::DontQueueService);
    /// Drops off the bus, as a crashed or restarting panel does.
    void stop();
    /// Answers the registrations held back.
    void releaseAnswers();

    [[nodiscard]] QDBusConnection connection() const { return m_connection; }
    [[nodiscard]] QStringList registeredItems() const { return m_items; }

    // org.kde.StatusNotifierWatcher
    void RegisterStatusNotifierItem(const QString &service);
    void RegisterStatusNotifierHost(const QString &) { }

private:
    Answer m_answer;
    QString m_connectionName;
    QDBusConnection m_connection;
    QStringList m_items;
    QList<QDBusMessage> m_held;
};
