// Writes settings in a tight loop until it is killed, for the crash-safety test. Prints one byte
// after each round so the test can tell it is writing.

#include "shared/SettingsStore.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const SettingKey<QString> counter{"counter", {}};
const SettingKey<QStringList> list{"list", {}};
constexpr SettingKey<bool> flag{"flag", false};
const SettingKey<QByteArray> data{"data", {}};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SettingsStore store(QCoreApplication::arguments().value(1));
    for (quint64 round = 0;; ++round) {
        // Every kind in turn, sizes changing so that the file grows and shrinks.
        store.setValue(counter, QString::number(round));
        store.setValue(list, QStringList(qsizetype(round % 97), u"x"_s));
        store.setValue(flag, round % 2 == 0);
        store.setValue(data, QByteArray(qsizetype(round % 1531), char(round)));
        std::fputc('.', stdout);
        std::fflush(stdout);
    }
}
