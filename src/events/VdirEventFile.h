#pragma once

#include <QByteArray>
#include <QString>

// A new event as an item of a vdir folder: the file `<UID>.ics` beside the others, written so
// that no existing file is ever touched and no reader ever sees half of it.
class VdirEventFile
{
public:
    VdirEventFile() = delete;

    /// Writes `content` to a hidden temporary file in `folder`, flushes it to the disk and only
    /// then gives it its name `<uid>.ics`, unless a file has that name already. Empty on
    /// success, else the reason in Chinese; a failed write leaves the folder as it was.
    [[nodiscard]] static QString write(const QString &folder, const QString &uid,
                                       const QByteArray &content);

    /// Removes `<uid>.ics` from `folder` if it holds that event alone; empty on success.
    [[nodiscard]] static QString remove(const QString &folder, const QString &uid);

    [[nodiscard]] static QString fileName(const QString &uid);
};
