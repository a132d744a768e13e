#include "EventPhrase.h"

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

enum class DayPart
{
    none,
    smallHours, // 凌晨: as written, but 12 is midnight
    morning, // 早上, 早晨, 上午: as written
    noon, // 中午: 1-2 are afternoon hours
    afternoon // 下午, 傍晚, 晚上: 1-11 are afternoon hours
};

int hourIn(DayPart part, int hour)
{
    switch (part) {
    case DayPart::smallHours:
        return hour == 12 ? 0 : hour;
    case DayPart::noon:
        return hour <= 2 ? hour + 12 : hour;
    case DayPart::afternoon:
        return hour >= 1 && hour <= 11 ? hour + 12 : hour;
    case DayPart::none:
    case DayPart::morning:
        return hour;
    }
    return hour;
}

bool isSpace(QChar c)
{
    return c.isSpace();
}

int chineseDigit(QChar c)
{
    static constexpr std::u16string_view digits = u"零一二三四五六七八九";
    if (c == u'〇')
        return 0;
    if (c == u'两')
        return 2;
    const auto index = digits.find(c.unicode());
    return index == std::u16string_view::npos ? -1 : int(index);
}

// Reads the line from its start; every read either takes its piece and moves on, or leaves the
// position where it was.
class Reader
{
public:
    Reader(QStringView line, const QDate &today)
        : m_line(line)
        , m_today(today)
    {
    }

    EventPhrase read()
    {
        EventPhrase phrase;
        DayPart impliedPart = DayPart::none;
        skipSpaces();
        if (const auto day = readDay(impliedPart)) {
            phrase.date = day;
            accept();
        }
        if (word(u"全天")) {
            phrase.isAllDay = true;
            accept();
        } else if (const auto start = readTime(impliedPart)) {
            phrase.start = start->first;
            accept();
            const qsizetype before = m_pos;
            if (rangeMark()) {
                if (const auto end = readTime(start->second, *start))
                    phrase.end = end->first;
                else
                    m_pos = before;
            }
            if (phrase.end)
                accept();
        }
        phrase.title = m_line.mid(m_accepted).trimmed().toString();
        return phrase;
    }

private:
    using Time = std::pair<QTime, DayPart>;

    // Takes everything read so far, with the spaces after it.
    void accept()
    {
        skipSpaces();
        m_accepted = m_pos;
    }

    bool atSpaceOrEnd() const { return m_pos == m_line.size() || isSpace(m_line[m_pos]); }

    void skipSpaces()
    {
        while (m_pos < m_line.size() && isSpace(m_line[m_pos]))
            ++m_pos;
    }

    bool word(QStringView text)
    {
        if (!m_line.mid(m_pos).startsWith(text))
            return false;
        m_pos += text.size();
        return true;
    }

    template<std::size_t N> int anyWord(const std::array<QStringView, N> &words)
    {
        for (std::size_t i = 0; i < N; ++i) {
            if (word(words[i]))
                return int(i);
        }
        return -1;
    }

    std::optional<int> number()
    {
        const qsizetype start = m_pos;
        int value = 0;
        while (m_pos < m_line.size() && m_line[m_pos].isDigit() && m_pos - start < 4)
            value = value * 10 + m_line[m_pos++].digitValue();
        if (m_pos > start)
            return value;
        // Chinese numerals up to 99: 三, 十二, 二十, 二十四.
        int tens = -1;
        int units = -1;
        while (m_pos < m_line.size()) {
            const QChar c = m_line[m_pos];
            if (c == u'十' && tens < 0) {
                tens = units < 0 ? 1 : units;
                units = -1;
            } else if (const int digit = chineseDigit(c); digit >= 0 && units < 0) {
                units = digit;
            } else {
                break;
            }
            ++m_pos;
        }
        if (tens < 0 && units < 0)
            return std::nullopt;
        return std::max(tens, 0) * 10 + std::max(units, 0);
    }

    std::optional<QDate> readDay(DayPart &impliedPart)
    {
        const qsizetype start = m_pos;
        static constexpr std::array<QStringView, 4> relative{u"大后天", u"今天", u"明天", u"后天"};
        static constexpr std::array<int, 4> offsets{3, 0, 1, 2};
        if (const int index = anyWord(relative); index >= 0)
            return m_today.addDays(offsets[std::size_t(index)]);
        if (word(u"今晚")) {
            impliedPart = DayPart::afternoon;
            return m_today;
        }
        if (const auto day = readWeekday())
            return day;
        m_pos = start;
        if (const auto day = readDate())
            return day;
        m_pos = start;
        return std::nullopt;
    }

    std::optional<QDate> readWeekday()
    {
        static constexpr std::array<QStringView, 4> weeks{u"下个", u"下", u"这", u"本"};
        const int week = anyWord(weeks);
        static constexpr std::array<QStringView, 3> weekWords{u"周", u"星期", u"礼拜"};
        if (anyWord(weekWords) < 0 || m_pos >= m_line.size())
            return std::nullopt;
        const QChar c = m_line[m_pos];
        const int weekday = c == u'日' || c == u'天' ? 7 : chineseDigit(c);
        if (weekday < 1 || weekday > 7 || c == u'七')
            return std::nullopt;
        ++m_pos;
        const QDate monday = m_today.addDays(1 - m_today.dayOfWeek());
        if (week < 0) // the next one from today on
            return m_today.addDays((weekday - m_today.dayOfWeek() + 7) % 7);
        return monday.addDays((week <= 1 ? 7 : 0) + weekday - 1);
    }

    std::optional<QDate> readDate()
    {
        auto first = number();
        if (!first)
            return std::nullopt;
        std::optional<int> year;
        if (word(u"年")) {
            year = first;
            first = number();
            if (!first)
                return std::nullopt;
        }
        if (word(u"月")) {
            const auto day = number();
            if (!day || (!word(u"日") && !word(u"号")))
                return std::nullopt;
            if (year) {
                const QDate date(*year, *first, *day);
                return date.isValid() ? std::optional(date) : std::nullopt;
            }
            // 29 February may be eight years away.
            for (int next = m_today.year(); next <= m_today.year() + 8; ++next) {
                if (const QDate date(next, *first, *day); date.isValid() && date >= m_today)
                    return date;
            }
            return std::nullopt;
        }
        if (year || !word(u"号"))
            return std::nullopt;
        // "5号楼" is a place, not a date.
        if (!atSpaceOrEnd())
            return std::nullopt;
        // The 30th after 30 January is in March.
        const QDate thisMonth(m_today.year(), m_today.month(), 1);
        for (int months = 0; months <= 2; ++months) {
            const QDate month = thisMonth.addMonths(months);
            if (const QDate date(month.year(), month.month(), *first);
                date.isValid() && date >= m_today)
                return date;
        }
        return std::nullopt;
    }

    // A clock with its part of day; without a part of its own it takes `impliedPart`. An end
    // (`start` given) without a part of its own is the first of: in the implied part, as
    // written, 12 hours on, that comes after the start; else as written, on the next day.
    std::optional<Time> readTime(DayPart impliedPart, std::optional<Time> start = std::nullopt)
    {
        const qsizetype begin = m_pos;
        static constexpr std::array<QStringView, 8> parts{u"凌晨", u"早上", u"早晨", u"上午",
                                                          u"中午", u"下午", u"傍晚", u"晚上"};
        static constexpr std::array<DayPart, 8> partValues{
            DayPart::smallHours, DayPart::morning,   DayPart::morning,   DayPart::morning,
            DayPart::noon,       DayPart::afternoon, DayPart::afternoon, DayPart::afternoon};
        const int partIndex = anyWord(parts);
        const DayPart part = partIndex >= 0 ? partValues[std::size_t(partIndex)] : impliedPart;
        if (partIndex >= 0)
            skipSpaces();
        const auto clock = readClock();
        if (!clock) {
            m_pos = begin;
            return std::nullopt;
        }
        const QTime time(hourIn(part, clock->hour()), clock->minute());
        if (!start || partIndex >= 0 || time > start->first)
            return Time{time, part};
        const QTime later(clock->hour() + 12, clock->minute());
        if (*clock <= start->first && clock->hour() < 12 && later > start->first)
            return Time{later, part};
        // 12 hours on from 12:xx is 24:xx, the midnight ending the start's day.
        if (clock->hour() == 12)
            return Time{QTime(0, clock->minute()), part};
        return Time{*clock, part};
    }

    std::optional<QTime> readClock()
    {
        const auto hour = number();
        if (!hour || *hour > 23)
            return std::nullopt;
        if (word(u":") || word(u"：")) {
            const qsizetype digits = m_pos;
            const auto minute = number();
            if (!minute || m_pos - digits != 2 || *minute > 59)
                return std::nullopt;
            return QTime(*hour, *minute);
        }
        if (!word(u"点") && !word(u"时"))
            return std::nullopt;
        if (word(u"半"))
            return QTime(*hour, 30);
        if (word(u"钟"))
            return QTime(*hour, 0);
        const qsizetype beforeMinute = m_pos;
        if (const auto minute = number(); minute && *minute <= 59) {
            // 一刻 and 三刻 are quarters, not minutes.
            if (word(u"刻"))
                return *minute <= 3 ? std::optional(QTime(*hour, *minute * 15)) : std::nullopt;
            word(u"分");
            return QTime(*hour, *minute);
        }
        m_pos = beforeMinute;
        return QTime(*hour, 0);
    }

    bool rangeMark()
    {
        skipSpaces();
        static constexpr std::array<QStringView, 7> marks{u"-",  u"–",  u"—", u"~",
                                                          u"～", u"到", u"至"};
        if (anyWord(marks) < 0)
            return false;
        skipSpaces();
        return true;
    }

    QStringView m_line;
    QDate m_today;
    qsizetype m_pos = 0;
    qsizetype m_accepted = 0;
};

} // namespace

EventPhrase EventPhrase::read(QStringView line, const QDate &today)
{
    return Reader(line, today).read();
}
