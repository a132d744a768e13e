#include "HolidayService.h"

#include "SolarTerms.h"
#include "shared/SystemTimeZone.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

HolidayService::HolidayService(const QString &path, const QString &arrangementsPath)
{
    load(path);
    loadArrangements(arrangementsPath);
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

std::optional<QString> HolidayService::solarTerm(const QDateTime &date)
{
    if (!date.isValid())
        return std::nullopt;
    return SolarTerms::name(SystemTimeZone::civilDate(date));
}

HolidayService::Arrangement HolidayService::arrangement(const QDateTime &date) const
{
    if (!date.isValid())
        return Arrangement::none;
    return arrangements.value(SystemTimeZone::civilDate(date), Arrangement::none);
}

QString HolidayService::arrangementText(Arrangement arrangement)
{
    switch (arrangement) {
    case Arrangement::dayOff:
        return u"休"_s;
    case Arrangement::workday:
        return u"班"_s;
    case Arrangement::none:
        break;
    }
    return {};
}

std::optional<QHash<QDate, HolidayService::Arrangement>>
HolidayService::decodeArrangements(const QByteArray &tsv, QString *error)
{
    const auto fail = [error](int number, const QString &why) {
        if (error)
            *error = u"line %1: %2"_s.arg(number).arg(why);
        return std::nullopt;
    };
    QHash<QDate, Arrangement> decoded;
    const QList<QByteArray> lines = tsv.split('\n');
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QString line = QString::fromUtf8(lines.at(index));
        const int number = int(index) + 1;
        if (line.isEmpty() || line.startsWith(u'#') || line == "date\tname\toff"_L1)
            continue;
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 3)
            return fail(number, u"expected three tab-separated fields"_s);
        const QDate day = QDate::fromString(fields.at(0), u"yyyy-MM-dd"_s);
        if (!day.isValid() || fields.at(0).size() != 10)
            return fail(number, u"not a yyyy-MM-dd date: "_s + fields.at(0));
        if (fields.at(1).trimmed().isEmpty() || fields.at(1) != fields.at(1).trimmed())
            return fail(number, u"no holiday name"_s);
        if (fields.at(2) != "0"_L1 && fields.at(2) != "1"_L1)
            return fail(number, u"off is neither 0 nor 1: "_s + fields.at(2));
        if (decoded.contains(day))
            return fail(number, u"date listed twice: "_s + fields.at(0));
        decoded.insert(day, fields.at(2) == "1"_L1 ? Arrangement::dayOff : Arrangement::workday);
    }
    return decoded;
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

void HolidayService::loadArrangements(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    if (auto decoded = decodeArrangements(file.readAll()))
        arrangements = std::move(*decoded);
}
