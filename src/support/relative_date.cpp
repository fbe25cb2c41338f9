#include "support/relative_date.h"

#include <array>
#include <cstdint>
#include <limits>

namespace orvela {
namespace {

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// A whole field as a decimal integer with an optional sign; anything else, a trailing blank
// or a value beyond 32 bits included, counts as 0.
std::int32_t FieldValue(TextView field)
{
    std::size_t i = 0;
    bool negative = false;
    if (!field.empty() && (field[0] == u'+' || field[0] == u'-')) {
        negative = field[0] == u'-';
        ++i;
    }
    if (i == field.size())
        return 0;
    std::int64_t value = 0;
    for (; i < field.size(); ++i) {
        if (!IsDigit(field[i]))
            return 0;
        value = value * 10 + (field[i] - u'0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(value);
}

// Reads the fields of a date-time text or an offset from left to right. Each field skips
// leading blanks and ends at its delimiter, past which the cursor then moves; a field whose
// delimiter is missing runs to the end of the text, and every field after that is 0.
class FieldReader
{
public:
    FieldReader(TextView text, LocaleSeparators separators) : m_text(text), m_separators(separators)
    {}

    // A date part is recognised by a "/" or the locale's date separator anywhere in the text.
    bool hasDate() const
    {
        return m_text.find(u'/') != TextView::npos ||
               m_text.find(m_separators.date) != TextView::npos;
    }

    // Date fields end at the locale's date separator; a "/" ends them as well, so that the
    // month/day/year form written with "/" reads the same under every locale.
    std::int32_t dateField()
    {
        return next([this](char16_t c) { return c == m_separators.date || c == u'/'; });
    }
    std::int32_t timeField()
    {
        return next([this](char16_t c) { return c == m_separators.time; });
    }
    std::int32_t lastField()
    {
        return next([](char16_t c) { return c == u' '; });
    }

private:
    template <typename Delimiter> std::int32_t next(Delimiter isDelimiter)
    {
        if (m_used)
            return 0;
        while (m_pos < m_text.size() && m_text[m_pos] == u' ')
            ++m_pos;
        std::size_t end = m_pos;
        while (end < m_text.size() && !isDelimiter(m_text[end]))
            ++end;
        const std::int32_t value = FieldValue(m_text.substr(m_pos, end - m_pos));
        if (end >= m_text.size())
            m_used = true;
        m_pos = end + 1;
        return value;
    }

    TextView m_text;
    LocaleSeparators m_separators;
    std::size_t m_pos = 0;
    bool m_used = false;
};

// The six fields in the order month, day, year, hour, minute, second, as written.
std::array<std::int32_t, 6> ReadFieldList(TextView text, LocaleSeparators separators)
{
    FieldReader reader(text, separators);
    std::array<std::int32_t, 6> fields{};
    if (reader.hasDate()) {
        fields[0] = reader.dateField();
        fields[1] = reader.dateField();
        fields[2] = reader.lastField();
    }
    fields[3] = reader.timeField();
    fields[4] = reader.timeField();
    fields[5] = reader.lastField();
    return fields;
}

// The position of the sign: the first "+", or the first "-" when there is no "+".
// When the locale writes dates with "-", a date-time text such as 03-15-2005 08:30:00 would
// otherwise lose its date to the sign. So in an expression that begins with a digit, the first
// two date separators ("/" or "-") of its first word, up to the first blank or time separator,
// belong to the date; any later "-" is the sign: 03-15-2005-1 is an hour before that day, and
// 08:30-1 is 07:30. A leading number followed by "-" (5-1) is read as the start of a date.
// Under every other date separator the first "-" is the sign, as written.
std::size_t FindSign(TextView text, LocaleSeparators separators)
{
    const std::size_t plus = text.find(u'+');
    if (plus != TextView::npos)
        return plus;
    int dateSeparatorsLeft = separators.date == u'-' && !text.empty() && IsDigit(text[0]) ? 2 : 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u' ' || c == separators.time)
            dateSeparatorsLeft = 0;
        else if (dateSeparatorsLeft > 0 && (c == u'-' || c == u'/'))
            --dateSeparatorsLeft;
        else if (c == u'-')
            return i;
    }
    return TextView::npos;
}

Text UpperTrimmedRight(TextView text)
{
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    Text out(text.substr(0, end));
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return out;
}

struct Keyword
{
    const char16_t* head;
    bool atMidnight;   // hour 0
    bool firstOfMonth; // day 1
    bool firstOfYear;  // month 1
    std::int32_t years, months, days, hours;
    // The week keywords count days from the reference's day of the week.
    enum class Week
    {
        None,
        This,
        Last,
        Next
    } week;
};

using W = Keyword::Week;
constexpr std::array<Keyword, 21> Keywords = {{
    {u"NEXT HOUR", false, false, false, 0, 0, 0, 1, W::None},
    {u"LAST HOUR", false, false, false, 0, 0, 0, -1, W::None},
    {u"LAST 2 HOURS", false, false, false, 0, 0, 0, -2, W::None},
    {u"LAST 3 HOURS", false, false, false, 0, 0, 0, -3, W::None},
    {u"LAST 6 HOURS", false, false, false, 0, 0, 0, -6, W::None},
    {u"LAST 12 HOURS", false, false, false, 0, 0, 0, -12, W::None},
    {u"TODAY", true, false, false, 0, 0, 0, 0, W::None},
    {u"TOMORROW", true, false, false, 0, 0, 1, 0, W::None},
    {u"YESTERDAY", true, false, false, 0, 0, -1, 0, W::None},
    {u"LAST 2 DAYS", true, false, false, 0, 0, -2, 0, W::None},
    {u"LAST 3 DAYS", true, false, false, 0, 0, -3, 0, W::None},
    {u"LAST 5 DAYS", true, false, false, 0, 0, -5, 0, W::None},
    {u"THIS WEEK", true, false, false, 0, 0, 0, 0, W::This},
    {u"LAST WEEK", true, false, false, 0, 0, 0, 0, W::Last},
    {u"NEXT WEEK", true, false, false, 0, 0, 0, 0, W::Next},
    {u"THIS MONTH", true, true, false, 0, 0, 0, 0, W::None},
    {u"LAST MONTH", true, true, false, 0, -1, 0, 0, W::None},
    {u"NEXT MONTH", true, true, false, 0, 1, 0, 0, W::None},
    {u"THIS YEAR", true, true, true, 0, 0, 0, 0, W::None},
    {u"LAST YEAR", true, true, true, -1, 0, 0, 0, W::None},
    {u"NEXT YEAR", true, true, true, 1, 0, 0, 0, W::None},
}};

// Offsets add up with 32-bit wrapping, never signed overflow.
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b)
{
    const std::uint32_t sum = static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b);
    return sum <= 0x7FFFFFFFu ? static_cast<std::int32_t>(sum)
                              : static_cast<std::int32_t>(sum - 0x80000000u) +
                                    std::numeric_limits<std::int32_t>::min();
}

} // namespace

StationTime EvaluateRelativeDate(TextView expression, StationTime reference)
{
    const LocaleSeparators separators = CurrentDateTimeTemplates().separators;
    std::size_t start = 0;
    while (start < expression.size() && expression[start] == u' ')
        ++start;
    const TextView text = expression.substr(start);

    // The offset: months, days, years, hours, minutes, seconds as written after the sign.
    CivilTime offset;
    const std::size_t sign = FindSign(text, separators);
    const TextView head = sign == TextView::npos ? text : text.substr(0, sign);
    if (sign != TextView::npos) {
        const std::array<std::int32_t, 6> f = ReadFieldList(text.substr(sign + 1), separators);
        const bool negate = text[sign] == u'-';
        // Negating the most negative 32-bit value wraps to itself.
        auto apply = [negate](std::int32_t v) {
            if (!negate || v == std::numeric_limits<std::int32_t>::min())
                return v;
            return -v;
        };
        offset = {apply(f[2]), apply(f[0]), apply(f[1]), apply(f[3]), apply(f[4]), apply(f[5])};
    }

    if (!head.empty() && IsDigit(head[0])) {
        const std::array<std::int32_t, 6> f = ReadFieldList(head, separators);
        return OffsetStationTime({f[2], f[0], f[1], f[3], f[4], f[5]}, offset);
    }

    // An empty head (an empty expression, or one that begins with its sign) is an unknown
    // head: the start of the reference hour plus the offset.
    const Text keyword = UpperTrimmedRight(head);
    CivilTime at = DecodeStationTime(reference == 0 ? StationTimeNow() : reference);
    if (keyword == u"NOW")
        return OffsetStationTime(at, offset);
    at.minute = 0;
    at.second = 0;
    for (const Keyword& k : Keywords) {
        if (keyword != k.head)
            continue;
        if (k.atMidnight)
            at.hour = 0;
        if (k.firstOfMonth)
            at.day = 1;
        if (k.firstOfYear)
            at.month = 1;
        std::int32_t days = k.days;
        const std::int32_t weekday = DayOfWeek(at.year, at.month, at.day);
        if (k.week == W::This)
            days = -weekday;
        else if (k.week == W::Last)
            days = -(weekday + 7);
        else if (k.week == W::Next)
            days = 7 - weekday;
        offset.year = WrappingAdd(offset.year, k.years);
        offset.month = WrappingAdd(offset.month, k.months);
        offset.day = WrappingAdd(offset.day, days);
        offset.hour = WrappingAdd(offset.hour, k.hours);
        break;
    }
    return OffsetStationTime(at, offset);
}

} // namespace orvela
