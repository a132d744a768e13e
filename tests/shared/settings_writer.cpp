// Writes settings in a tight loop until it is killed, for the crash-safety test. Prints one byte
// after each round so the test can tell it is writing.

#include "shared/SettingsStore.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SettingsStore store(QCoreApplication::arguments().value(1));
    for (quint64 round = 0;; ++round) {
        // Every kind in turn, sizes changing so that the file grows and shrinks.
        store.setString(u"counter"_s, QString::number(round));
        store.setStringList(u"list"_s, QStringList(qsizetype(round % 97), u"x"_s));
        store.setBool(u"flag"_s, round % 2 == 0);
        store.setData(u"data"_s, QByteArray(qsizetype(round % 1531), char(round)));
        std::fputc('.', stdout);
        std::fflush(stdout);
    }
}
