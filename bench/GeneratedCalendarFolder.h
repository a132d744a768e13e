#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The calendar folder the store benchmarks read: the one named as the program's first argument
// (made by tools/generate-calendar-folder.py), else 20 calendars with 10,000 events, 500 of them
// repeating, generated into a temporary folder.
class GeneratedCalendarFolder
{
public:
    GeneratedCalendarFolder(int argc, char *argv[])
    {
        using namespace Qt::StringLiterals;
        if (argc > 1) {
            folder = QString::fromLocal8Bit(argv[1]);
            return;
        }
        folder = temporary.path();
        const QString generator = TESSEL_SOURCE_DIR "/tools/generate-calendar-folder.py"_L1;
        generated =
            QProcess::execute(u"python3"_s, {generator, folder, u"--calendars"_s, u"20"_s,
                                             u"--events"_s, u"10000"_s, u"--series"_s, u"500"_s})
            == 0;
    }

    [[nodiscard]] bool isValid() const { return generated; }
    [[nodiscard]] QString path() const { return folder; }

private:
    QTemporaryDir temporary;
    QString folder;
    bool generated = true;
};
