#include "BarOutput.h"

#include "holidays/LunarCalendarService.h"
#include "menubar/MenuBarTitle.h"
#include "shared/DateHelpers.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

BarOutput::BarOutput(MenuBarTitle *title, Format format, std::function<QDateTime()> clock,
                     QTextStream &out, QObject *parent)
    : QObject(parent)
    , title(title)
    , format(format)
    , clock(std::move(clock))
    , out(out)
{
    connect(title, &MenuBarTitle::textChanged, this, [this] {
        if (!print())
            Q_EMIT outputClosed();
    });
}

BarOutput::~BarOutput() = default;

bool BarOutput::print()
{
    out << line(format, title->text(), clock()) << Qt::endl;
    return out.status() == QTextStream::Ok;
}

QString BarOutput::line(Format format, const QString &text, const QDateTime &instant)
{
    const QString tooltip = DateHelpers::longDescription(instant) + u'\n'
                            + LunarCalendarService::lunarYearMonthDayText(instant);
    switch (format) {
    case Format::plain:
        return text;
    case Format::json:
        return QString::fromUtf8(
            QJsonDocument(QJsonObject{{u"text"_s, text}, {u"tooltip"_s, tooltip}})
                .toJson(QJsonDocument::Compact));
    case Format::genmon:
        return u"<txt>"_s + text.toHtmlEscaped() + u"</txt><tool>"_s + tooltip.toHtmlEscaped()
               + u"</tool><txtclick>tessel-calendar --toggle</txtclick>"_s;
    }
    return text;
}
