#pragma once

#include "IcsCalendarFile.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

// What was read from the .ics files of each calendar, kept between runs so that an unchanged
// calendar costs no parse: one file per calendar in the user's cache folder. A cache file is
// trusted only whole, of this format and this library version, with its checksum intact.
class IcsParseCache
{
public:
    // How a file looked on disk when it was read; any difference means it must be read again.
    struct Stamp
    {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        qint64 changedMs = 0; // inode change time: also moves when a tool restores the mtime

        friend bool operator==(const Stamp &, const Stamp &) = default;
    };

    struct File
    {
        Stamp stamp;
        std::shared_ptr<const IcsCalendarFile> content;
    };
    // By file name, a calendar file by its own path; sorted by key. A vdir has thousands of
    // files: an entry each in one array costs far less than a tree node each.
    using Files = std::vector<std::pair<QString, File>>;

    /// The file under `key`, or null.
    [[nodiscard]] static const File *find(const Files &files, const QString &key);

    // 3: rules that can never match are no longer kept.
    static constexpr quint32 formatVersion = 3;

    /// `folder` empty: $XDG_CACHE_HOME/tessel-calendar.
    explicit IcsParseCache(const QString &folder = {});

    /// The files of a calendar as last saved; nothing when there is no usable cache file.
    [[nodiscard]] Files load(const QString &calendarIdentifier) const;

    /// Replaces the calendar's cache file with these files, leaving out those a cache cannot
    /// give back exactly (times in zones only the file itself defines).
    bool save(const QString &calendarIdentifier, const Files &files) const;

    [[nodiscard]] QString pathFor(const QString &calendarIdentifier) const;

private:
    QString folder;
};
