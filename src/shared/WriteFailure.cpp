#include "WriteFailure.h"

#include <QFileDevice>

#include <array>
#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace WriteFailure {

QString text(Reason reason)
{
    switch (reason) {
    case Reason::diskFull:
        return u"磁盘已满"_s;
    case Reason::noPermission:
        return u"没有写入权限"_s;
    case Reason::readOnly:
        return u"日历是只读的"_s;
    case Reason::readOnlyDisk:
        return u"磁盘是只读的"_s;
    case Reason::offline:
        return u"无法连接日历服务器"_s;
    case Reason::notFound:
        return u"找不到要写入的位置"_s;
    case Reason::other:
        break;
    }
    return u"写入失败"_s;
}

Reason fromErrno(int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Reason::diskFull;
    case EACCES:
    case EPERM:
        return Reason::noPermission;
    case EROFS:
        return Reason::readOnlyDisk;
    case ENOENT:
    case ENOTDIR:
        return Reason::notFound;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ECONNREFUSED:
    case ETIMEDOUT:
        return Reason::offline;
    default:
        return Reason::other;
    }
}

QString describe(const QFileDevice &file)
{
    // Qt keeps only the system's text of the error, in the user's language: find which it is.
    const QString said = file.errorString();
    for (const int code :
         std::array{ENOSPC, EDQUOT, EFBIG, EACCES, EPERM, EROFS, ENOENT, ENOTDIR}) {
        if (said.contains(QString::fromLocal8Bit(std::strerror(code))))
            return text(fromErrno(code));
    }
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return text(Reason::noPermission);
    case QFileDevice::ResourceError:
        return text(Reason::diskFull);
    default:
        return text(Reason::other);
    }
}

} // namespace WriteFailure
