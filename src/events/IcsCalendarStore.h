#pragma once

#include "CalendarStore.h"
#include "IcsCalendarFile.h"
#include "IcsCalendarLocation.h"
#include "IcsEventIndex.h"
#include "IcsFolderScanner.h"

#include <QDateTime>
#include <QPointer>
#include <QSet>

#include <map>
#include <memory>
#include <vector>

class AccessPrompter;
class QFileSystemWatcher;
class SettingsStore;

// The calendar store over iCalendar files: the desktop's calendar folders and those the user
// lists under "calendar.folders". Access is the user's consent, kept in the settings. Files are
// read once, on first use, and again only when they change on disk.
class IcsCalendarStore : public CalendarStore
{
    Q_OBJECT
public:
    struct Options
    {
        bool watchFiles = true; // off for one-shot use such as the command line
        // Where the default folders are looked for; empty: the desktop's defaults.
        std::optional<IcsFolderScanner::Roots> roots;
    };

    static inline const QString foldersKey = QStringLiteral("calendar.folders");
    static inline const QString eventsAccessKey = QStringLiteral("calendar.access.events");
    static inline const QString remindersAccessKey = QStringLiteral("calendar.access.reminders");

    /// `prompter` may be null: requests then fail without asking.
    IcsCalendarStore(SettingsStore &settings, AccessPrompter *prompter, Options options,
                     QObject *parent = nullptr);
    IcsCalendarStore(SettingsStore &settings, AccessPrompter *prompter, QObject *parent = nullptr);
    ~IcsCalendarStore() override;

    [[nodiscard]] CalendarAccessState authorizationStatus(CalendarEntityType type) const override;
    void requestFullAccess(CalendarEntityType type, QObject *context,
                           std::function<void(std::optional<bool>)> done) override;
    [[nodiscard]] QList<StoreCalendar> calendars() override;
    [[nodiscard]] QList<StoreEvent> events(const QDateTime &start, const QDateTime &end,
                                           const QList<StoreCalendar> &calendars) override;

    /// Loads every calendar now rather than on first use.
    void loadAll();

    /// Whether Evolution's local calendar files are read; off while another store reads them.
    void setReadsEvolutionFiles(bool reads);

    [[nodiscard]] static QString accessKey(CalendarEntityType type);

private:
    struct LoadedFile
    {
        QDateTime modified;
        qint64 size = -1;
        std::unique_ptr<IcsCalendarFile> content;
    };

    struct Calendar
    {
        IcsCalendarLocation location;
        std::map<QString, LoadedFile> files; // by file name; the file itself for a single file
        bool loaded = false;
        bool stale = false; // something in it changed on disk
        // Files a watch reported, read again even if size and time look the same: a rewrite
        // within the file system's time resolution leaves both as they were.
        QSet<QString> changedFiles;
        bool indexStale = true;
        IcsEventIndex index;
        StoreCalendar record;
    };

    void rescanIfNeeded();
    void refresh(Calendar &calendar);
    bool refreshFile(Calendar &calendar, const QString &key, const QString &path);
    void updateRecord(Calendar &calendar);
    void ensureIndexed(Calendar &calendar);
    void watch(const QStringList &folders);
    void onPathChanged(const QString &path);
    void onSettingChanged(const QString &key);
    void prefetchAround(qint64 fromUtc, qint64 toUtc);
    [[nodiscard]] QStringList itemFilesToWatch(const Calendar &calendar,
                                               qsizetype alreadyWatched) const;

    static constexpr qsizetype maxWatchedPaths = 2000;

    static constexpr qint64 prefetchMarginMs = 45LL * 86'400'000;

    SettingsStore &settings;
    AccessPrompter *prompter;
    Options options;
    IcsFolderScanner scanner;
    std::vector<std::unique_ptr<Calendar>> calendarList;
    bool scanStale = true;
    bool readsEvolutionFiles = true;
    QFileSystemWatcher *watcher = nullptr;
    bool prefetchPending = false;
    std::pair<qint64, qint64> prefetchRange;
};
