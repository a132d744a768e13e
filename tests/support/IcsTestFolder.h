#pragma once

#include "TestFiles.h"
#include "events/CalendarAccess.h"
#include "events/IcsCalendarStore.h"
#include "events/IcsFolderScanner.h"
#include "shared/SettingsStore.h"

#include <QTemporaryDir>

#include <memory>

// A private set of calendar folders in a temporary directory, with a settings file and a cache
// folder of its own; event access is granted.
class IcsTestFolder
{
public:
    IcsTestFolder()
        : settings(dir.filePath(QStringLiteral("settings.json")))
    {
        access.setGranted(CalendarEntityType::event, true);
        qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("cache"))));
    }

    [[nodiscard]] QString path(const QString &relative) const { return dir.filePath(relative); }

    // Writes a file, making its folders, and gives its canonical path.
    QString write(const QString &relative, const QByteArray &content) const
    {
        return writeFile(path(relative), content) ? QFileInfo(path(relative)).canonicalFilePath()
                                                  : QString();
    }

    // A VCALENDAR around the given components, in CRLF lines as RFC 5545 asks.
    static QByteArray calendar(const QByteArray &body, const QByteArray &header = {})
    {
        QByteArray text = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//tessel//test//EN\n" + header
                          + body + "END:VCALENDAR\n";
        return text.replace("\n", "\r\n");
    }

    static QByteArray event(const QByteArray &uid, const QByteArray &properties)
    {
        return "BEGIN:VEVENT\nUID:" + uid + "\nDTSTAMP:20260101T000000Z\n" + properties
               + "\nEND:VEVENT\n";
    }

    [[nodiscard]] IcsFolderScanner::Roots roots() const
    {
        return {{path(QStringLiteral("calendars"))},
                path(QStringLiteral("evolution/calendar")),
                path(QStringLiteral("config/evolution/sources")),
                configured};
    }

    [[nodiscard]] std::unique_ptr<IcsCalendarStore> makeStore(bool watch = false)
    {
        return std::make_unique<IcsCalendarStore>(
            settings, access, nullptr,
            IcsCalendarStore::Options{
                .watchFiles = watch, .roots = roots(), .readInBackground = false});
    }

    QTemporaryDir dir;
    SettingsStore settings;
    CalendarAccess access{settings};
    QStringList configured;
};
