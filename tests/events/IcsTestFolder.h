#pragma once

#include "events/IcsCalendarStore.h"
#include "events/IcsFolderScanner.h"
#include "shared/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
        settings.setString(IcsCalendarStore::eventsAccessKey, QStringLiteral("granted"));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("cache"))));
    }

    [[nodiscard]] QString path(const QString &relative = {}) const
    {
        return relative.isEmpty() ? dir.path() : dir.filePath(relative);
    }

    // Writes a file, making its folders; lines are joined with CRLF as RFC 5545 asks.
    QString write(const QString &relative, const QByteArray &content) const
    {
        const QString file = dir.filePath(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        out.write(content);
        return QFileInfo(file).canonicalFilePath();
    }

    // A VCALENDAR around the given components, in CRLF lines.
    static QByteArray calendar(const QByteArray &body, const QByteArray &header = {})
    {
        QByteArray text = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//tessel//test//EN\n" + header
                          + body + "END:VCALENDAR\n";
        return text.replace("\n", "\r\n");
    }

    static QByteArray event(const QByteArray &uid, const QByteArray &properties)
    {
        return "BEGIN:VEVENT\nUID:" + uid + "\nDTSTAMP:20260101T000000Z\n" + properties
               + (properties.endsWith('\n') ? "" : "\n") + "END:VEVENT\n";
    }

    [[nodiscard]] IcsFolderScanner::Roots roots() const
    {
        IcsFolderScanner::Roots roots;
        roots.vdirRoots = {path(QStringLiteral("calendars"))};
        roots.evolutionCalendars = path(QStringLiteral("evolution/calendar"));
        roots.evolutionSources = path(QStringLiteral("config/evolution/sources"));
        roots.configured = configured;
        return roots;
    }

    [[nodiscard]] std::unique_ptr<IcsCalendarStore> makeStore(bool watch = false)
    {
        IcsCalendarStore::Options options;
        options.watchFiles = watch;
        options.roots = roots();
        options.readInBackground = false;
        return std::make_unique<IcsCalendarStore>(settings, nullptr, options);
    }

    QTemporaryDir dir;
    SettingsStore settings;
    QStringList configured;
};
