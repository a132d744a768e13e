#include "HolidayService.h"

#include "shared/SystemTimeZone.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

HolidayService::HolidayService(const QString &path)
{
    load(path);
}

std::optional<QString> HolidayService::label(const QDateTime &date) const
{
    if (!date.isValid() || entries.isEmpty())
        return std::nullopt;
    const QDate day = SystemTimeZone::civilDate(date);
    const QString key = QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
    const auto found = entries.constFind(key);
    if (found == entries.cend())
        return std::nullopt;
    return *found;
}

std::optional<QList<HolidayEntry>> HolidayService::decode(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<HolidayEntry> decoded;
    const QJsonArray elements = document.array();
    decoded.reserve(elements.size());
    for (const QJsonValue &element : elements) {
        const QJsonObject object = element.toObject();
        const QJsonValue date = object.value("date"_L1);
        const QJsonValue name = object.value("name"_L1);
        if (!element.isObject() || !date.isString() || !name.isString())
            return std::nullopt;
        decoded.append({date.toString(), name.toString()});
    }
    return decoded;
}

void HolidayService::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const auto decoded = decode(file.readAll());
    if (!decoded)
        return;
    QHash<QString, QString> table;
    table.reserve(decoded->size());
    // A date listed twice keeps its first name, so the day shows one of the names it was given.
    for (const HolidayEntry &entry : *decoded) {
        if (!table.contains(entry.date))
            table.insert(entry.date, entry.name);
    }
    entries = std::move(table);
}
