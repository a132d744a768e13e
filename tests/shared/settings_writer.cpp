// Writes settings in a tight loop until it is killed, for the crash-safety test. Prints one byte
// after each round so the test can tell it is writing. With a key ("A" or "B") and a count, sets
// that key to 0, 1, ... count - 1 and ends.

#include "shared/SettingsStore.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const SettingKey<QString> counter{"counter", {}};
const SettingKey<QStringList> list{"list", {}};
constexpr SettingKey<bool> flag{"flag", false};
const SettingKey<QByteArray> data{"data", {}};
const SettingKey<QString> keyA{"A", {}};
const SettingKey<QString> keyB{"B", {}};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    SettingsStore store(arguments.value(1));
    if (arguments.size() > 3) {
        const SettingKey<QString> &key = arguments.at(2) == "A"_L1 ? keyA : keyB;
        for (int round = 0; round < arguments.at(3).toInt(); ++round)
            store.setValue(key, QString::number(round));
        return 0;
    }
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
