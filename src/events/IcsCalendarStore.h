#pragma once

#include "CalendarStore.h"
#include "IcsCalendarLocation.h"
#include "IcsCalendarReader.h"
#include "IcsEventIndex.h"
#include "IcsFolderScanner.h"
#include "IcsParseCache.h"

#include <QDateTime>
#include <QPointer>
#include <QSet>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class AccessPrompter;
class CalendarAccess;
class QFileSystemWatcher;
class QThread;
class SettingsStore;

// The calendar store over iCalendar files: the desktop's calendar folders and those the user
// lists under "calendar.folders". Access is the user's consent, kept by CalendarAccess. Files are
// read on first use and again only when they change on disk; what was parsed is kept in the
// user's cache folder, so an unchanged file is never parsed twice. New events go into vdir
// folders the user can write, one new file each; no existing file is ever changed.
class IcsCalendarStore : public CalendarStore
{
    Q_OBJECT
public:
    struct Options
    {
        bool watchFiles = true; // off for one-shot use such as the command line
        // Where the default folders are looked for; empty: the desktop's defaults.
        std::optional<IcsFolderScanner::Roots> roots;
        // Read on a thread of its own, answering meanwhile over what is read so far and telling
        // of the rest through storeChanged; off for one-shot use, which waits for everything.
        bool readInBackground = true;
        // Runs on the reading thread before it looks at any file; lets a slow disk be stood in.
        std::function<void()> beforeReading = {};
    };

    /// `prompter` may be null: requests then fail without asking.
    IcsCalendarStore(SettingsStore &settings, CalendarAccess &access, AccessPrompter *prompter,
                     Options options, QObject *parent = nullptr);
    IcsCalendarStore(SettingsStore &settings, CalendarAccess &access, AccessPrompter *prompter,
                     QObject *parent = nullptr);
    ~IcsCalendarStore() override;

    [[nodiscard]] CalendarAccessState authorizationStatus(CalendarEntityType type) const override;
    void requestFullAccess(CalendarEntityType type, QObject *context,
                           std::function<void(std::optional<bool>)> done) override;
    [[nodiscard]] QList<StoreCalendar> calendars() override;
    [[nodiscard]] QList<StoreEvent> events(const QDateTime &start, const QDateTime &end,
                                           const QList<StoreCalendar> &calendars) override;
    void createEvent(const NewCalendarEvent &event, QObject *context,
                     std::function<void(CalendarWriteResult)> done) override;
    void removeEvent(const CalendarWriteResult &created, QObject *context,
                     std::function<void(CalendarWriteResult)> done) override;

    /// Reads every calendar now, on this thread, rather than on first use.
    void loadAll();

    /// Whether Evolution's local calendar files are read; off while another store reads them.
    void setReadsEvolutionFiles(bool reads);

private:
    struct Calendar
    {
        IcsCalendarLocation location;
        IcsParseCache::Files files;
        bool loaded = false;
        bool indexStale = true;
        IcsEventIndex index;
        StoreCalendar record;
    };

    void readIfStale();
    void startRead(bool inBackground);
    void stopReading();
    void abandonReading();
    void takeScan(quint64 read, const QList<IcsCalendarLocation> &locations,
                  const QStringList &folders);
    void takeCalendar(quint64 read, const QString &identifier, IcsCalendarReader::Result &&result);
    void finishRead(quint64 read);
    void updateRecord(Calendar &calendar);
    void ensureIndexed(Calendar &calendar);
    [[nodiscard]] Calendar *writableCalendar(const QString &identifier) const;
    void takeWrittenFile(const QString &calendarId, const QString &uid, const QByteArray &content);
    void watch(const QStringList &folders);
    void onPathChanged(const QString &path);
    void onSettingChanged(const QString &key);
    void prefetchAround(qint64 fromUtc, qint64 toUtc);
    [[nodiscard]] QStringList itemFilesToWatch(const Calendar &calendar,
                                               qsizetype alreadyWatched) const;

    static constexpr qsizetype maxWatchedPaths = 2000;
    static constexpr int quitWaitMs = 2000;

    static constexpr qint64 prefetchMarginMs = 45LL * 86'400'000;

    SettingsStore &settings;
    CalendarAccess &access;
    AccessPrompter *prompter;
    Options options;
    std::vector<std::unique_ptr<Calendar>> calendarList;
    bool readsEvolutionFiles = true;
    bool readStale = true;
    bool readScheduled = false;
    QSet<QString> changedPaths; // reported by a watch and not yet read
    QSet<QString> changedInRead; // those the read under way was given
    quint64 readNumber = 0; // results of any other read are stale
    std::unique_ptr<QThread> reader;
    std::shared_ptr<std::atomic_bool> cancelRead;
    QFileSystemWatcher *watcher = nullptr;
    bool prefetchPending = false;
    std::pair<qint64, qint64> prefetchRange;
};
