// Writes settings in a tight loop until it is killed, for the crash-safety test. Prints one byte
// after each round so the test can tell it is writing.

#include "shared/SettingsStore.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: settings_writer FILE\n", stderr);
        return 2;
    }
    SettingsStore store(arguments.at(1));
    for (quint64 round = 0;; ++round) {
        const QString number = QString::number(round);
        // One write a round, of each kind in turn, sizes changing so the file grows and shrinks.
        switch (round % 4) {
        case 0:
            store.setString(u"counter"_s, number);
            break;
        case 1:
            store.setStringList(u"list"_s, QStringList(qsizetype(round % 97), number));
            break;
        case 2:
            store.setBool(u"flag"_s, round % 8 == 2);
            break;
        default:
            store.setData(u"data"_s, QByteArray(qsizetype(round % 1531), char(round)));
            break;
        }
        std::fputc('.', stdout);
        std::fflush(stdout);
    }
}
