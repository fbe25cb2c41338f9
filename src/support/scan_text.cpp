#include "support/format_scan.h"

#include "support/pattern_text.h"
#include "support/relative_date.h"
#include "support/station_time.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace orvela {

using namespace pattern;

namespace {

// ---------------------------------------------------------------------------------------------
// Scan routine

struct BooleanWord
{
    std::u16string_view word;
    bool value;
};

constexpr std::array<BooleanWord, 12> BooleanWords = {{
    {u"YES", true},
    {u"Y", true},
    {u"TRUE", true},
    {u"OK", true},
    {u"ON", true},
    {u"1", true},
    {u"NO", false},
    {u"N", false},
    {u"FALSE", false},
    {u"BAD", false},
    {u"OFF", false},
    {u"0", false},
}};

class Scanner
{
public:
    // `cursor` may lie beyond the end of `source`: every read there sees the end of the source
    // and the cursor does not move.
    Scanner(TextView source, std::size_t cursor, const ScanTarget* targets, std::size_t count)
        : m_src(source), m_cursor(cursor), m_targets(targets), m_targetCount(count)
    {}

    std::size_t Cursor() const { return m_cursor; }

    bool Run(TextView pattern)
    {
        pattern = UpToNul(pattern);
        bool result = true;
        std::size_t i = 0;
        const std::size_t n = pattern.size();
        while (i < n) {
            bool failed = false;
            const char16_t ch = pattern[i++];
            if (ch != u'%') {
                failed = !MatchLiteral(ch);
            } else if (i < n && pattern[i] == u'%') {
                ++i;
                failed = !MatchLiteral(u'%');
            } else {
                failed = Directive(pattern, i);
            }
            if (failed && m_counting)
                result = false;
        }
        return result;
    }

private:
    bool AtEnd(std::size_t c) const { return c >= m_src.size(); }

    bool MatchLiteral(char16_t ch)
    {
        if (AtEnd(m_cursor))
            return false;
        const bool match = AsciiUpper(m_src[m_cursor]) == AsciiUpper(ch);
        ++m_cursor;
        return match;
    }

    // The next target if it has the type T; null when the targets have run out (the value is
    // dropped) or the entry is of another type (it stays unwritten). Either way it is used up.
    template <class T> T* Target()
    {
        if (m_nextTarget >= m_targetCount)
            return nullptr;
        const ScanTarget& target = m_targets[m_nextTarget++];
        T* const* pointer = std::get_if<T*>(&target);
        return pointer ? *pointer : nullptr;
    }

    template <class T> void Write(const T& value)
    {
        if (T* target = Target<T>())
            *target = value;
    }

    // A "*" takes the number of a ScanCount entry; a reference or a missing entry counts as 0.
    std::int32_t TakeCount()
    {
        if (m_nextTarget >= m_targetCount)
            return 0;
        const ScanTarget& target = m_targets[m_nextTarget++];
        const ScanCount* count = std::get_if<ScanCount>(&target);
        return count ? count->value : 0;
    }

    // The terminator or quote character that follows S, V, ? and the quoted-text code. At the
    // end of the pattern there is none, and the end of the source takes its place.
    static std::optional<char16_t> TakeTerminator(TextView pattern, std::size_t& i)
    {
        if (i >= pattern.size())
            return std::nullopt;
        return pattern[i++];
    }

    static bool IsTerminator(char16_t c, const std::optional<char16_t>& terminator)
    {
        return terminator && c == *terminator;
    }

    bool IsItemEnd(std::size_t c) const
    {
        return AtEnd(c) || m_src[c] == u',' || IsLineEnd(m_src[c]);
    }

    // Returns true when the element failed.
    bool Directive(TextView pattern, std::size_t& i)
    {
        const std::size_t n = pattern.size();
        std::int32_t width = 0;
        if (i < n && pattern[i] == u'*') {
            width = TakeCount();
            ++i;
        } else {
            while (i < n && IsDigit(pattern[i]))
                width = AppendDigit(width, pattern[i++]);
        }
        if (i < n && pattern[i] == u'.') {
            ++i;
            if (i < n && pattern[i] == u'*') {
                TakeCount();
                ++i;
            } else {
                while (i < n && IsDigit(pattern[i]))
                    ++i;
            }
        }
        if (i >= n)
            return true; // a directive cut off by the end of the pattern is an unknown code

        const char16_t code = pattern[i++];
        const std::size_t start = m_cursor;
        // A width of 0, a negative "*" width or none leaves the field unbounded.
        const std::size_t limit = width > 0 ? start + static_cast<std::size_t>(width)
                                            : std::numeric_limits<std::size_t>::max();
        m_limit = limit < start ? std::numeric_limits<std::size_t>::max() : limit;

        const bool failed = Apply(AsciiUpper(code), pattern, i, width);

        if (IsUpperLetter(code)) {
            while (!IsItemEnd(m_cursor))
                ++m_cursor;
            if (!AtEnd(m_cursor) && m_src[m_cursor] == u',')
                ++m_cursor;
        }
        return failed;
    }

    // Inside the field: before the end of the source and short of the width.
    bool InField(std::size_t c) const { return !AtEnd(c) && c < m_limit; }

    // The cursor may start beyond the end of the source, where every field is empty.
    TextView Field(std::size_t start) const
    {
        return start >= m_src.size() ? TextView{} : m_src.substr(start, m_cursor - start);
    }

    void ReadItem()
    {
        while (InField(m_cursor) && !IsItemEnd(m_cursor))
            ++m_cursor;
    }

    bool Apply(char16_t code, TextView pattern, std::size_t& i, std::int32_t width)
    {
        const std::size_t start = m_cursor;
        switch (code) {
        case u'P':
            ReadItem();
            Write(Text(Field(start)));
            return false;
        case u'S': {
            const auto terminator = TakeTerminator(pattern, i);
            while (InField(m_cursor) && !IsTerminator(m_src[m_cursor], terminator))
                ++m_cursor;
            Write(Text(Field(start)));
            if (!AtEnd(m_cursor))
                ++m_cursor;
            return false;
        }
        case u'"':
            ScanQuoted(TakeTerminator(pattern, i));
            return false;
        case u'V':
            ScanQuotedSections(TakeTerminator(pattern, i));
            return false;
        case u'C':
            if (AtEnd(m_cursor)) {
                Write(char16_t{0});
            } else {
                Write(m_src[m_cursor]);
                ++m_cursor;
            }
            return false;
        case u'I':
        case u'L':
            return ScanInteger();
        case u'W':
            return ScanWord();
        case u'E': {
            ReadItem();
            const std::optional<float> value = ParseReal<float>(Field(start), true);
            if (value) {
                Write(*value);
                return false;
            }
            const std::uint32_t allOnes = 0xFFFFFFFFu;
            float nan;
            std::memcpy(&nan, &allOnes, sizeof nan);
            Write(nan);
            return true;
        }
        case u'R': {
            const std::optional<float> value = ParseReal<float>(ReadNumber(), false);
            Write(value.value_or(0.0f));
            return !value;
        }
        case u'X': {
            const std::optional<double> value = ParseReal<double>(ReadNumber(), false);
            Write(value.value_or(0.0));
            return !value;
        }
        case u'M':
            return ScanThousandths();
        case u'B':
            return ScanBoolean();
        case u'J': {
            std::array<std::uint16_t, 6> f{};
            const bool ok = ScanTemplate(CurrentDateTimeTemplates().dateTimeScan, f);
            Write(EncodeStationTime(f[2], f[0], f[1], f[3], f[4], f[5]));
            return !ok;
        }
        case u'D': {
            std::array<std::uint16_t, 3> f{};
            const bool ok = ScanTemplate(CurrentDateTimeTemplates().dateScan, f);
            Write(EncodeStationDay(f[2], f[0], f[1]));
            return !ok;
        }
        case u'T':
            return ScanDuration();
        case u'Q': {
            ReadItem();
            // Without an integer target the value would be dropped: the clock is not read.
            if (std::int32_t* target = Target<std::int32_t>())
                *target = EvaluateRelativeDate(Field(start), *target);
            return false;
        }
        case u'N':
            if (m_cursor + 1 < m_src.size() && m_src[m_cursor] == CarriageReturn &&
                m_src[m_cursor + 1] == LineFeed) {
                m_cursor += 2;
                return false;
            }
            return true;
        case u'?':
            return SkipTo(TakeTerminator(pattern, i), width);
        case u'_':
            while (!AtEnd(m_cursor) && (m_src[m_cursor] < u'!' || m_src[m_cursor] > u'~'))
                ++m_cursor;
            return false;
        case u'[':
            m_counting = false;
            return false;
        case u']':
            m_counting = true;
            return false;
        default:
            return true;
        }
    }

    void ScanQuoted(const std::optional<char16_t>& terminator)
    {
        const std::size_t start = m_cursor;
        Text value;
        if (InField(m_cursor) && (m_src[m_cursor] == u'"' || m_src[m_cursor] == u'\'')) {
            const char16_t quote = m_src[m_cursor++];
            const std::size_t valueStart = m_cursor;
            while (InField(m_cursor) && m_src[m_cursor] != quote && !IsLineEnd(m_src[m_cursor]))
                ++m_cursor;
            value = Text(Field(valueStart));
            // The closing quote goes with the rest of the field up to the terminator.
            while (InField(m_cursor) && !IsTerminator(m_src[m_cursor], terminator) &&
                   !IsLineEnd(m_src[m_cursor]))
                ++m_cursor;
        } else {
            while (InField(m_cursor) && !IsTerminator(m_src[m_cursor], terminator) &&
                   !IsLineEnd(m_src[m_cursor]))
                ++m_cursor;
            value = Text(Field(start));
        }
        Write(value);
        if (!AtEnd(m_cursor) && m_src[m_cursor] >= u' ')
            ++m_cursor;
    }

    void ScanQuotedSections(const std::optional<char16_t>& quote)
    {
        const std::size_t start = m_cursor;
        while (InField(m_cursor) && !IsItemEnd(m_cursor)) {
            if (IsTerminator(m_src[m_cursor], quote)) {
                ++m_cursor;
                while (InField(m_cursor) && m_src[m_cursor] != *quote &&
                       !IsLineEnd(m_src[m_cursor]))
                    ++m_cursor;
                if (InField(m_cursor) && m_src[m_cursor] == *quote)
                    ++m_cursor;
            } else {
                ++m_cursor;
            }
        }
        Write(Text(Field(start)));
    }

    // A failed conversion writes 0.
    bool ScanInteger()
    {
        bool negative = false;
        if (InField(m_cursor) && (m_src[m_cursor] == u'+' || m_src[m_cursor] == u'-')) {
            negative = m_src[m_cursor] == u'-';
            ++m_cursor;
        }
        const std::size_t digitsStart = m_cursor;
        constexpr std::int64_t Limit = std::int64_t{1} << 31;
        std::int64_t magnitude = 0;
        while (InField(m_cursor) && IsDigit(m_src[m_cursor])) {
            // Past 2^31 the number is out of range however it goes on; stop growing it.
            if (magnitude <= Limit)
                magnitude = magnitude * 10 + DigitValue(m_src[m_cursor]);
            ++m_cursor;
        }
        const bool valid =
            m_cursor > digitsStart && (negative ? magnitude <= Limit : magnitude < Limit);
        Write(valid ? static_cast<std::int32_t>(negative ? -magnitude : magnitude)
                    : std::int32_t{0});
        return !valid;
    }

    bool ScanWord()
    {
        std::uint32_t low = 0; // the low 16 bits of the number, however long it is
        bool above = false;
        std::uint32_t value = 0;
        const std::size_t digitsStart = m_cursor;
        while (InField(m_cursor) && IsDigit(m_src[m_cursor])) {
            const auto d = static_cast<std::uint32_t>(DigitValue(m_src[m_cursor]));
            low = (low * 10u + d) & 0xFFFFu;
            if (!above) {
                value = value * 10u + d;
                above = value > 65535u;
            }
            ++m_cursor;
        }
        Write(static_cast<std::uint16_t>(low));
        return m_cursor == digitsStart || above;
    }

    // The text of R, X and M: sign, digits, point, digits, exponent.
    TextView ReadNumber()
    {
        const std::size_t start = m_cursor;
        auto isSign = [this](std::size_t c) { return m_src[c] == u'+' || m_src[c] == u'-'; };
        if (InField(m_cursor) && isSign(m_cursor))
            ++m_cursor;
        while (InField(m_cursor) && IsDigit(m_src[m_cursor]))
            ++m_cursor;
        if (!AtEnd(m_cursor) && m_src[m_cursor] == u'.') // taken even at the width bound
            ++m_cursor;
        while (InField(m_cursor) && IsDigit(m_src[m_cursor]))
            ++m_cursor;
        if (InField(m_cursor) && (m_src[m_cursor] == u'e' || m_src[m_cursor] == u'E')) {
            ++m_cursor;
            if (InField(m_cursor) && isSign(m_cursor))
                ++m_cursor;
            while (InField(m_cursor) && IsDigit(m_src[m_cursor]))
                ++m_cursor;
        }
        return Field(start);
    }

    // A value whose thousandths lie outside the 32-bit range fails like an invalid one and
    // writes 0.
    bool ScanThousandths()
    {
        const std::optional<float> value = ParseReal<float>(ReadNumber(), false);
        std::int32_t result = 0;
        bool ok = false;
        if (value) {
            const float scaled = *value * 1000.0f;
            if (scaled >= -2147483648.0f && scaled < 2147483648.0f) {
                result = static_cast<std::int32_t>(scaled);
                ok = true;
            }
        }
        Write(result);
        return !ok;
    }

    bool ScanBoolean()
    {
        for (const BooleanWord& word : BooleanWords) {
            if (m_cursor >= m_src.size() || m_src.size() - m_cursor < word.word.size())
                continue;
            bool match = true;
            for (std::size_t k = 0; k < word.word.size() && match; ++k)
                match = AsciiUpper(m_src[m_cursor + k]) == word.word[k];
            if (match) {
                m_cursor += word.word.size();
                Write(word.value);
                return false;
            }
        }
        Write(false);
        return true;
    }

    // Runs the scan routine on the same source from the cursor; the fields are written even
    // when the template does not match.
    template <std::size_t N> bool ScanTemplate(TextView pattern, std::array<std::uint16_t, N>& f)
    {
        std::array<ScanTarget, N> targets;
        for (std::size_t k = 0; k < N; ++k)
            targets[k] = &f[k];
        Scanner nested(m_src, m_cursor, targets.data(), targets.size());
        const bool ok = nested.Run(pattern);
        m_cursor = nested.Cursor();
        return ok;
    }

    bool ScanDuration()
    {
        bool negative = false;
        if (!AtEnd(m_cursor) && (m_src[m_cursor] == u'-' || m_src[m_cursor] == u'+')) {
            negative = m_src[m_cursor] == u'-';
            ++m_cursor;
        }
        std::array<std::uint16_t, 3> f{};
        const bool ok = ScanTemplate(CurrentDateTimeTemplates().timeScan, f);
        const std::int32_t seconds = EncodeTimeOfDay(f[0], f[1], f[2]);
        Write(negative ? -seconds : seconds); // at most 239,923,635 in magnitude: no overflow
        return !ok;
    }

    bool SkipTo(const std::optional<char16_t>& terminator, std::int32_t width)
    {
        const std::size_t bound =
            width > 0 ? static_cast<std::size_t>(width) : std::numeric_limits<std::size_t>::max();
        while (!AtEnd(m_cursor) && !IsTerminator(m_src[m_cursor], terminator) && m_cursor < bound)
            ++m_cursor;
        // Without a terminator in the pattern, the end of the source is the one sought.
        const bool reached =
            terminator ? (!AtEnd(m_cursor) && m_src[m_cursor] == *terminator) : AtEnd(m_cursor);
        if (!AtEnd(m_cursor))
            ++m_cursor;
        return !reached;
    }

    TextView m_src;
    std::size_t m_cursor;
    const ScanTarget* m_targets;
    std::size_t m_targetCount;
    std::size_t m_nextTarget = 0;
    std::size_t m_limit = std::numeric_limits<std::size_t>::max();
    bool m_counting = true;
};

} // namespace

// A position of 0 or below starts at the first character. A position beyond the end of the
// source (or beyond a NUL, which ends it) reads as the end and is returned unchanged.
bool ScanText(TextView source, std::int32_t& position, TextView pattern, const ScanTargets& targets)
{
    const TextView text = UpToNul(source);
    const std::size_t cursor = position <= 0 ? 0 : static_cast<std::size_t>(position) - 1;
    Scanner scanner(text, cursor, targets.data(), targets.size());
    const bool result = scanner.Run(pattern);
    constexpr auto MaxPosition = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    position = static_cast<std::int32_t>(std::min(scanner.Cursor() + 1, MaxPosition));
    return result;
}

bool ScanFromStart(TextView source, TextView pattern, const ScanTargets& targets)
{
    std::int32_t position = 1;
    return ScanText(source, position, pattern, targets);
}

void AppendCommaListItem(Text& list, TextView item)
{
    FormatAppend(list, u"%P", {FormatArg(item)});
}

// A line break inside the list splits items like a comma: "%P" stops in front of it without
// passing it, so a call that makes no progress passes over it here and the walk always ends.
// A NUL ends the list.
std::vector<Text> CommaListItems(TextView list)
{
    const TextView text = UpToNul(list);
    std::vector<Text> items;
    std::size_t cursor = 0;
    while (cursor < text.size()) {
        Text item;
        const ScanTarget target = &item;
        Scanner scanner(text, cursor, &target, 1);
        scanner.Run(u"%P");
        if (!item.empty())
            items.push_back(std::move(item));
        cursor = scanner.Cursor() > cursor ? scanner.Cursor() : cursor + 1;
    }
    return items;
}

} // namespace orvela
