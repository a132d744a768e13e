#pragma once

#include <QString>

class QFileDevice;

// Why a write failed, told to the user in one short Chinese line.
namespace WriteFailure {

enum class Reason
{
    diskFull,
    noPermission,
    readOnly, // the calendar itself refuses changes
    readOnlyDisk,
    offline,
    notFound,
    other,
};

[[nodiscard]] QString text(Reason reason);

/// The reason an errno value stands for.
[[nodiscard]] Reason fromErrno(int errorNumber);

/// The reason a failed file operation stands for: the system's error in its errorString where
/// there is one, else the kind of failure.
[[nodiscard]] QString describe(const QFileDevice &file);

} // namespace WriteFailure
