#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTextStream>

#include <functional>

class MenuBarTitle;

// Prints the menu bar text for panels that show a command's output: a line at start and a line
// at every change, plain, as a waybar JSON object or in XFCE's generic monitor form.
class BarOutput : public QObject
{
    Q_OBJECT

public:
    enum class Format
    {
        plain,
        json,
        genmon
    };

    BarOutput(MenuBarTitle *title, Format format, std::function<QDateTime()> clock,
              QTextStream &out, QObject *parent = nullptr);
    ~BarOutput() override;

    /// Prints the current line; false when standard output no longer takes it.
    bool print();

    /// One line for a text at an instant; the tooltip is the day's long description and lunar
    /// date.
    [[nodiscard]] static QString line(Format format, const QString &text, const QDateTime &instant);

Q_SIGNALS:
    /// A line printed at a change could not be written: the reader is gone.
    void outputClosed();

private:
    MenuBarTitle *title;
    Format format;
    std::function<QDateTime()> clock;
    QTextStream &out;
};
