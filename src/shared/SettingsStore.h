#pragma once

#include "SettingKey.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QFileSystemWatcher;
class QJsonValue;
class QTimer;

// The per-user settings file: one JSON object whose members are the keys. Booleans, texts, arrays
// of texts and data ({"$data": "<base64>"}) are kept apart by kind; members of any other form are
// kept as they are. Values are read and written through SettingKeys.
class SettingsStore : public QObject
{
    Q_OBJECT
    /// Why the last write failed, or empty once the file holds every value again.
    Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)

public:
    enum class Access
    {
        readWrite,
        // Changes stay in memory and nothing on disk is touched: for commands that only print.
        readOnly
    };

    /// Larger than any settings file the program writes; anything larger is not read.
    static constexpr qint64 maxFileSize = 1024 * 1024;

    /// $XDG_CONFIG_HOME/tessel-calendar/settings.json (QStandardPaths::GenericConfigLocation).
    [[nodiscard]] static QString defaultFilePath();

    /// Reads the file once, and only a regular file of at most maxFileSize; with write access a
    /// file that does not parse, is too large or is no regular file (a FIFO, a link to a
    /// device) is renamed aside first. Never writes.
    explicit SettingsStore(const QString &filePath = defaultFilePath(),
                           Access access = Access::readWrite, QObject *parent = nullptr);
    ~SettingsStore() override;

    [[nodiscard]] QString filePath() const;
    [[nodiscard]] QString saveError() const { return m_saveError; }

    /// The file's value under the key if it has the key's type, else the key's default.
    template<SettingValue T> [[nodiscard]] T value(const SettingKey<T> &key) const;
    /// Stores a value of exactly the key's type; any other type does not compile.
    template<SettingValue T, typename V>
    requires std::same_as<std::remove_cvref_t<V>, T>
    void setValue(const SettingKey<T> &key, V &&value);
    /// Takes the key out of the file, so that it reads as its default again.
    template<SettingValue T> void remove(const SettingKey<T> &key) { remove(QString(key.name)); }

    /// Reads the file again now if it changed on disk; the watcher calls this shortly after
    /// every change it sees.
    void reload();

Q_SIGNALS:
    /// A key's value changed: by a set/remove of this process, or found when the file changed on
    /// disk (another process wrote it) and was read again.
    void valueChanged(const QString &key);
    void saveErrorChanged(const QString &saveError);

private:
    // Reads: the file's value if it has this kind, else nothing. A value of another kind stays
    // untouched in the file.
    [[nodiscard]] std::optional<bool> boolValue(const QString &key) const;
    [[nodiscard]] std::optional<QString> stringValue(const QString &key) const;
    [[nodiscard]] std::optional<QStringList> stringListValue(const QString &key) const;
    [[nodiscard]] std::optional<QByteArray> dataValue(const QString &key) const;

    // Writes: change the value and write the whole file at once, atomically. A failed write keeps
    // the old file and sets saveError; the in-memory value still changes and the next write
    // tries again.
    void setBool(const QString &key, bool value);
    void setString(const QString &key, const QString &value);
    void setStringList(const QString &key, const QStringList &value);
    void setData(const QString &key, const QByteArray &value);
    void remove(const QString &key);

    enum class ReadResult
    {
        object,
        missing,
        unreadable,
        malformed
    };

    void store(const QString &key, const QJsonValue &value);
    // Why the file is unreadable or malformed goes into problem.
    [[nodiscard]] ReadResult readFile(QJsonObject &parsed, QString &problem) const;
    void noteRead(ReadResult result, const QString &problem);
    bool moveAside() const;
    void save();
    void setSaveError(const QString &error);
    void watch();

    QString path;
    Access access;
    // What the program sees; differs from diskValues only after a failed write.
    QJsonObject values;
    // What the file holds as last read or written by us, to tell our own writes from others'.
    QJsonObject diskValues;
    // The file could not be read: writing would replace what the user has.
    bool readBlocked = false;
    QString readProblem;
    // The file does not parse and is still in place: it is moved aside before anything is written.
    bool diskMalformed = false;
    // The last read's outcome, so that a lasting problem is logged once, not at every change.
    ReadResult lastRead = ReadResult::object;
    QString m_saveError;
    QFileSystemWatcher *watcher = nullptr;
    QTimer *reloadTimer = nullptr;
};

template<SettingValue T> T SettingsStore::value(const SettingKey<T> &key) const
{
    const QString name(key.name);
    std::optional<T> stored;
    if constexpr (std::same_as<T, bool>)
        stored = boolValue(name);
    else if constexpr (std::same_as<T, QString>)
        stored = stringValue(name);
    else if constexpr (std::same_as<T, QStringList>)
        stored = stringListValue(name);
    else if constexpr (std::same_as<T, QByteArray>)
        stored = dataValue(name);
    else if (const std::optional<QString> text = stringValue(name))
        stored = fromRawValue<T>(*text);
    return stored.value_or(key.defaultValue);
}

template<SettingValue T, typename V>
requires std::same_as<std::remove_cvref_t<V>, T>
void SettingsStore::setValue(const SettingKey<T> &key, V &&value)
{
    const QString name(key.name);
    if constexpr (std::same_as<T, bool>)
        setBool(name, value);
    else if constexpr (std::same_as<T, QString>)
        setString(name, value);
    else if constexpr (std::same_as<T, QStringList>)
        setStringList(name, value);
    else if constexpr (std::same_as<T, QByteArray>)
        setData(name, value);
    else
        setString(name, rawValue(value));
}
