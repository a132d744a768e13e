#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class PreferencesStore;

// The menu bar text, kept current: built at once, again on every tick of a 1-second timer and on
// every publication of the settings it shows. Whoever shows it listens to textChanged.
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

    /// Rebuilds the text for the clock's current instant.
    void rebuild();

    [[nodiscard]] static QDateTime currentInstant();

Q_SIGNALS:
    /// Emitted only when a rebuild gives a different text.
    void textChanged(const QString &text);

private:
    PreferencesStore *preferences;
    Clock clock;
    QTimer timer;
    QString m_text;
};
