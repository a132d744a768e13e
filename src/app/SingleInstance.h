#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// One running application per user session. The first process takes a name on the session bus;
// a later one hands its request to it over the bus and exits.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.TesselCalendar")

public:
    enum class Request
    {
        show,
        toggle,
        preferences
    };
    enum class Outcome
    {
        primary,
        forwarded,
        unanswered
    };

    static constexpr const char *serviceName = "io.github.TesselCalendar";
    static constexpr const char *objectPath = "/io/github/TesselCalendar";

    explicit SingleInstance(QDBusConnection connection = QDBusConnection::sessionBus(),
                            QObject *parent = nullptr);
    ~SingleInstance() override;

    /// Takes the name (primary), or hands the request to the process holding it. Without a
    /// session bus this process is the one.
    Outcome claimOrForward(Request request);

    [[nodiscard]] static Request requestFor(const QString &argument);

public Q_SLOTS:
    Q_SCRIPTABLE void Show();
    Q_SCRIPTABLE void Toggle();
    Q_SCRIPTABLE void ShowPreferences();

Q_SIGNALS:
    void showRequested();
    void toggleRequested();
    void preferencesRequested();

private:
    // Takes the name and serves the requests under it; false when another process holds it.
    bool claim();

    QDBusConnection connection;
};
