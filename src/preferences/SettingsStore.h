#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

class QFileSystemWatcher;
class QJsonValue;
class QTimer;

// The per-user settings file: one JSON object whose members are the keys. Booleans, texts, arrays
// of texts and data ({"$data": "<base64>"}) are kept apart by kind; members of any other form are
// kept as they are. Defaults registered in memory answer for keys the file does not hold.
class SettingsStore : public QObject
{
    Q_OBJECT
public:
    /// $XDG_CONFIG_HOME/tessel-calendar/settings.json (QStandardPaths::GenericConfigLocation).
    [[nodiscard]] static QString defaultFilePath();

    /// Reads the file once; a file that does not parse is renamed aside first. Never writes.
    explicit SettingsStore(const QString &filePath = defaultFilePath(), QObject *parent = nullptr);
    ~SettingsStore() override;

    [[nodiscard]] QString filePath() const;

    /// The registration domain: values used when the file has none under a key. In memory only.
    /// Values are QVariant bool, QString, QStringList or QByteArray; a later call adds to and
    /// replaces earlier registrations.
    void registerDefaults(const QVariantMap &defaults);
    [[nodiscard]] QVariantMap registeredDefaults() const;

    // Typed reads: the file's value if it has this kind, else (key absent from the file) the
    // registered default if it has this kind, else nothing. A value of another kind in the file
    // reads as nothing (it is not replaced by the registered default) and stays untouched.
    [[nodiscard]] std::optional<bool> boolValue(const QString &key) const;
    [[nodiscard]] std::optional<QString> stringValue(const QString &key) const;
    [[nodiscard]] std::optional<QStringList> stringListValue(const QString &key) const;
    [[nodiscard]] std::optional<QByteArray> dataValue(const QString &key) const;
    /// Present in the file (registered defaults do not count).
    [[nodiscard]] bool contains(const QString &key) const;

    // Writes: change the value and write the whole file at once, atomically. A failed write keeps
    // the old file; the in-memory value still changes and the next write tries again.
    void setBool(const QString &key, bool value);
    void setString(const QString &key, const QString &value);
    void setStringList(const QString &key, const QStringList &value);
    void setData(const QString &key, const QByteArray &value);
    void remove(const QString &key);

    /// Reads the file again now if it changed on disk; the watcher calls this shortly after
    /// every change it sees.
    void reload();

Q_SIGNALS:
    /// A key's value changed: by a set/remove of this process, or found when the file changed on
    /// disk (another process wrote it) and was read again.
    void valueChanged(const QString &key);

private:
    enum class ReadResult
    {
        object,
        missing,
        unreadable,
        malformed
    };

    void store(const QString &key, const QJsonValue &value);
    [[nodiscard]] ReadResult readFile(QJsonObject &parsed) const;
    bool moveAside() const;
    void save();
    void watch();

    QString path;
    // What the program sees; differs from diskValues only after a failed write.
    QJsonObject values;
    // What the file holds as last read or written by us, to tell our own writes from others'.
    QJsonObject diskValues;
    QVariantMap defaults;
    // The file could not be read: writing would replace what the user has.
    bool readBlocked = false;
    // The file does not parse and is still in place: it is moved aside before anything is written.
    bool diskMalformed = false;
    QFileSystemWatcher *watcher = nullptr;
    QTimer *reloadTimer = nullptr;
};
