#include "VdirEventFile.h"

#include "IcsCalendarFile.h"
#include "shared/WriteFailure.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : fd(fd)
    {
    }
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    [[nodiscard]] int get() const { return fd; }
    /// Closes now, so that an error closing is seen; returns 0 or -1 with errno set.
    int close()
    {
        const int result = ::close(fd);
        fd = -1;
        return result;
    }

private:
    int fd;
};

QString failure(int errorNumber)
{
    return WriteFailure::text(WriteFailure::fromErrno(errorNumber));
}

} // namespace

QString VdirEventFile::fileName(const QString &uid)
{
    return uid + u".ics"_s;
}

QString VdirEventFile::write(const QString &folder, const QString &uid, const QByteArray &content)
{
    const Descriptor directory(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() < 0)
        return failure(errno);
    const QByteArray temporary = QFile::encodeName(u'.' + uid + u".tmp"_s);
    const QByteArray target = QFile::encodeName(fileName(uid));
    const auto fail = [&](int errorNumber) {
        ::unlinkat(directory.get(), temporary.constData(), 0);
        return failure(errorNumber);
    };

    Descriptor file(::openat(directory.get(), temporary.constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return failure(errno);
    for (qsizetype written = 0; written < content.size();) {
        const ssize_t count =
            ::write(file.get(), content.constData() + written, size_t(content.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return fail(count < 0 ? errno : ENOSPC);
        written += count;
    }
    if (::fsync(file.get()) != 0 || file.close() != 0)
        return fail(errno);
    // Never over an existing file: the name is taken only if it is free.
    if (::renameat2(directory.get(), temporary.constData(), directory.get(), target.constData(),
                    RENAME_NOREPLACE)
        != 0) {
        if (errno != EINVAL && errno != ENOSYS)
            return fail(errno);
        // A file system without that kind of rename: a hard link also fails on a taken name.
        if (::linkat(directory.get(), temporary.constData(), directory.get(), target.constData(), 0)
            != 0)
            return fail(errno);
        ::unlinkat(directory.get(), temporary.constData(), 0);
    }
    ::fsync(directory.get());
    return {};
}

QString VdirEventFile::remove(const QString &folder, const QString &uid)
{
    const QString path = folder + u'/' + fileName(uid);
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return WriteFailure::describe(file);
    const IcsCalendarFile content = IcsCalendarFile::parse(file.readAll(), uid);
    file.close();
    const QByteArray wanted = uid.toUtf8();
    for (const IcsEvent &event : content.events) {
        // Someone has put more into the file since: it is not ours alone any more.
        if (event.uid != wanted)
            return WriteFailure::text(WriteFailure::Reason::other);
    }
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return failure(errno);
    const Descriptor directory(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0)
        ::fsync(directory.get());
    return {};
}
