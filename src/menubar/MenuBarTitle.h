#pragma once

#include "shared/MenuBarDisplayStyle.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class PreferencesStore;
class SystemClockMonitor;

// The menu bar text, kept current: built at once, again when it can next change (the next second
// when it shows seconds, else the next minute), when the wall clock is set or the zone changes,
// and on every publication of the settings it shows. Whoever shows it listens to textChanged.
class MenuBarTitle : public QObject
{
    Q_OBJECT
    /// The text as last built.
    Q_PROPERTY(QString text READ text NOTIFY textChanged)

public:
    using Clock = std::function<QDateTime()>;

    explicit MenuBarTitle(PreferencesStore *preferences, Clock clock = currentInstant,
                          QObject *parent = nullptr);
    ~MenuBarTitle() override;

    [[nodiscard]] QString text() const { return m_text; }

    /// Rebuilds the text for the clock's current instant and waits for its next change.
    void rebuild();

    /// Milliseconds from the instant to the next whole second or minute, in (0, one period].
    [[nodiscard]] static int msToNextChange(const QDateTime &instant, bool showsSeconds);

    /// Milliseconds from the instant to the start of the next day in the system's zone, also
    /// when that day starts after midnight.
    [[nodiscard]] static qint64 msToNextDay(const QDateTime &instant);

    [[nodiscard]] static QDateTime currentInstant();

    /// The menu bar text of a style at an instant, with the date and time settings of the store.
    [[nodiscard]] static QString makeTitle(MenuBarDisplayStyle style, const QDateTime &instant,
                                           const PreferencesStore &preferences);

    /// What tells of a clock set or a zone change; tests report one through it.
    [[nodiscard]] SystemClockMonitor &clockMonitor() const { return *m_clockMonitor; }

Q_SIGNALS:
    /// Emitted only when a rebuild gives a different text.
    void textChanged(const QString &text);

private:
    PreferencesStore *preferences;
    Clock clock;
    QTimer timer;
    SystemClockMonitor *m_clockMonitor;
    QString m_text;
};
