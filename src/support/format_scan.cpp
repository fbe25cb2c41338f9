#include "support/format_scan.h"

#include "support/pattern_text.h"
#include "support/station_time.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

namespace orvela {

using namespace pattern;

namespace {

// The numeric fields of a date or time as format arguments. Built one by one: a braced list of
// FormatArg temporaries makes g++ 12 at -O3 warn that the variant's text may be destroyed
// uninitialised.
FormatArgs NumberArgs(std::initializer_list<std::int32_t> numbers)
{
    FormatArgs args;
    args.reserve(numbers.size());
    for (const std::int32_t number : numbers)
        args.emplace_back(number);
    return args;
}

// No field is padded beyond this many characters: a width from a pattern or from a "*"
// argument may be as large as 2^31 - 1, and honouring it would allocate gigabytes.
constexpr std::size_t MaxPaddedWidth = 65535;

constexpr int DefaultPrecision = 6;
constexpr int MaxPrecision = 9;

// ---------------------------------------------------------------------------------------------
// Templates

// A "%" separator would start a directive inside the template; it is written as "%%".
// A NUL separator would end the template: the default separator takes its place.
Text SeparatorText(char16_t separator, char16_t fallback)
{
    if (separator == u'\0')
        separator = fallback;
    return separator == u'%' ? Text(u"%%") : Text(1, separator);
}

DateTimeTemplates& TemplateStore()
{
    static DateTimeTemplates templates = DateTimeTemplates::Build(LocaleSeparators{});
    return templates;
}

// ---------------------------------------------------------------------------------------------
// Format routine

// Fixed-point text of a real. std::to_chars ignores the C library's locale, so the decimal
// point is "." even when the program runs under a locale that writes ",".
std::string RealText(double value, int precision, bool trim)
{
    if (value != value)
        return {}; // not-a-number: an empty text, so only a width's padding appears
    if (value == std::numeric_limits<double>::infinity())
        return "INF";
    if (value == -std::numeric_limits<double>::infinity())
        return "-INF";
    // The largest double has 309 integer digits; with sign, point and 9 decimals 320 suffice.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, precision);
    std::string text(buffer.data(), result.ptr);
    if (trim && text.find('.') != std::string::npos) {
        std::size_t end = text.size();
        while (end > 0 && text[end - 1] == '0' && text[end - 2] != '.')
            --end;
        text.resize(end);
    }
    return text;
}

class Formatter
{
public:
    Formatter(Text& accumulated, const FormatArgs& args) : m_acc(accumulated), m_args(args) {}

    void Run(TextView pattern)
    {
        pattern = UpToNul(pattern);
        std::size_t i = 0;
        const std::size_t n = pattern.size();
        while (i < n) {
            const char16_t ch = pattern[i++];
            if (ch != u'%') {
                m_acc.push_back(ch);
                continue;
            }
            if (i < n && pattern[i] == u'%') {
                m_acc.push_back(u'%');
                ++i;
                continue;
            }
            Directive(pattern, i);
        }
    }

private:
    struct Layout
    {
        std::size_t width = 0;
        int precision = DefaultPrecision;
        bool trim = false;
    };

    // The next argument, or null when they have run out.
    const FormatArg::Value* Take()
    {
        if (m_next >= m_args.size())
            return nullptr;
        return &m_args[m_next++].value();
    }

    template <class T> const T* TakeAs()
    {
        const FormatArg::Value* value = Take();
        return value ? std::get_if<T>(value) : nullptr;
    }

    // A "*" takes an integer argument; a missing argument or one of another kind counts as 0.
    std::int32_t TakeCount()
    {
        const std::int32_t* value = TakeAs<std::int32_t>();
        return value ? *value : 0;
    }

    // Any argument that is not a text gives the empty text.
    TextView TakeText()
    {
        const Text* text = TakeAs<Text>();
        return text ? UpToNul(*text) : TextView{};
    }

    void Directive(TextView pattern, std::size_t& i)
    {
        const std::size_t n = pattern.size();
        Layout layout;
        bool zeroFill = false;
        std::size_t zeroStart = 0;
        bool hasWidth = false;
        std::int32_t width = 0;

        // The "0" both asks for zero fill and starts the width, so "%0.2R" has a precision.
        if (i < n && pattern[i] == u'0') {
            zeroFill = true;
            zeroStart = m_acc.size();
            hasWidth = true;
            ++i;
        }
        if (i < n && pattern[i] == u'*') {
            width = TakeCount();
            hasWidth = true;
            ++i;
        } else {
            while (i < n && IsDigit(pattern[i])) {
                width = AppendDigit(width, pattern[i++]);
                hasWidth = true;
            }
        }
        // A negative "*" width pads nothing.
        layout.width = width > 0 ? std::min(static_cast<std::size_t>(width), MaxPaddedWidth) : 0;
        // F takes the first `width` characters; that width is not a padding and is not capped.
        const std::size_t takeWidth = width > 0 ? static_cast<std::size_t>(width) : 0;

        if (hasWidth && i < n && pattern[i] == u'.') {
            ++i;
            std::int32_t precision = 0;
            if (i < n && pattern[i] == u'*') {
                precision = TakeCount();
                ++i;
            } else {
                while (i < n && IsDigit(pattern[i]))
                    precision = AppendDigit(precision, pattern[i++]);
            }
            // A negative "*" precision gives no decimals.
            layout.precision = static_cast<int>(std::clamp(precision, 0, MaxPrecision));
            layout.trim = precision > MaxPrecision;
        }
        if (i >= n)
            return; // a directive cut off by the end of the pattern appends nothing

        const char16_t code = pattern[i++];
        if (IsUpperLetter(code) && !m_acc.empty())
            m_acc.push_back(u',');
        Apply(AsciiUpper(code), layout, takeWidth);

        if (zeroFill) {
            for (std::size_t k = zeroStart; k < m_acc.size(); ++k) {
                if (m_acc[k] == u' ') {
                    m_acc[k] = u'0';
                } else if ((m_acc[k] == u'+' || m_acc[k] == u'-') && m_acc[zeroStart] == u'0') {
                    m_acc[zeroStart] = m_acc[k];
                    m_acc[k] = u'0';
                }
            }
        }
    }

    void AppendLeftAligned(TextView text, std::size_t width)
    {
        m_acc.append(text);
        if (text.size() < width)
            m_acc.append(width - text.size(), u' ');
    }

    void AppendRightAligned(std::string_view ascii, std::size_t width)
    {
        if (ascii.size() < width)
            m_acc.append(width - ascii.size(), u' ');
        m_acc.append(ascii.begin(), ascii.end());
    }

    // An argument of another kind than a code expects, or a missing one, makes the field's text
    // empty: P and S still pad, the numeric codes append `width` spaces, the others nothing.
    void Apply(char16_t code, const Layout& layout, std::size_t takeWidth)
    {
        switch (code) {
        case u'P':
        case u'S':
            AppendLeftAligned(TakeText(), layout.width);
            break;
        case u'F': {
            // A text shorter than the width gives what there is.
            const TextView text = TakeText();
            m_acc.append(text.substr(0, std::min(takeWidth, text.size())));
            break;
        }
        case u'C':
            // The NUL character would end the text: it appends nothing.
            if (const char16_t* c = TakeAs<char16_t>(); c && *c != u'\0')
                m_acc.push_back(*c);
            break;
        case u'I':
        case u'L':
        case u'W': {
            const std::int32_t* value = TakeAs<std::int32_t>();
            AppendRightAligned(value ? std::to_string(*value) : std::string(), layout.width);
            break;
        }
        case u'B':
            if (const bool* value = TakeAs<bool>())
                m_acc.append(*value ? u"Yes" : u"No");
            break;
        case u'"':
            AppendQuoted(TakeText());
            break;
        case u'J':
            if (const std::int32_t* value = TakeAs<std::int32_t>()) {
                const CivilTime t = DecodeStationTime(*value);
                FormatAppend(m_acc, CurrentDateTimeTemplates().dateTimeFormat,
                             NumberArgs({t.month, t.day, t.year, t.hour, t.minute, t.second}));
            }
            break;
        case u'D':
            if (const std::int32_t* value = TakeAs<std::int32_t>()) {
                const auto day = static_cast<StationDay>(static_cast<std::uint32_t>(*value));
                const CivilDate d = DecodeStationDay(day);
                FormatAppend(m_acc, CurrentDateTimeTemplates().dateFormat,
                             NumberArgs({d.month, d.day, d.year}));
            }
            break;
        case u'T':
            if (const std::int32_t* value = TakeAs<std::int32_t>())
                AppendDuration(*value);
            break;
        case u'M': {
            const std::int32_t* value = TakeAs<std::int32_t>();
            AppendRightAligned(value ? RealText(static_cast<double>(*value) / 1000.0,
                                                layout.precision, layout.trim)
                                     : std::string(),
                               layout.width);
            break;
        }
        case u'R':
        case u'X': {
            const double* value = TakeAs<double>();
            AppendRightAligned(value ? RealText(*value, layout.precision, layout.trim)
                                     : std::string(),
                               layout.width);
            break;
        }
        case u'N':
            m_acc.push_back(CarriageReturn);
            m_acc.push_back(LineFeed);
            break;
        default:
            break;
        }
    }

    void AppendQuoted(TextView text)
    {
        char16_t quote = u'\0';
        if (text.find(u',') != TextView::npos)
            quote = text.find(u'"') != TextView::npos ? u'\'' : u'"';
        else if (!text.empty() && text.front() == u'"')
            quote = u'\'';
        else if (!text.empty() && text.front() == u'\'')
            quote = u'"';
        if (quote != u'\0')
            m_acc.push_back(quote);
        m_acc.append(text);
        if (quote != u'\0')
            m_acc.push_back(quote);
    }

    void AppendDuration(std::int32_t seconds)
    {
        if (seconds < 0)
            m_acc.push_back(u'-');
        const std::int64_t magnitude = seconds < 0 ? -static_cast<std::int64_t>(seconds) : seconds;
        ClockTime t;
        if (magnitude <= std::numeric_limits<std::int32_t>::max()) {
            t = DecodeTimeOfDay(static_cast<std::int32_t>(magnitude));
        } else {
            // Only -2^31 lands here: its magnitude does not fit the 32-bit decoder.
            t.hour = static_cast<std::int32_t>(magnitude / 3600);
            t.minute = static_cast<std::int32_t>(magnitude % 3600 / 60);
            t.second = static_cast<std::int32_t>(magnitude % 60);
        }
        FormatAppend(m_acc, CurrentDateTimeTemplates().timeFormat,
                     NumberArgs({t.hour, t.minute, t.second}));
    }

    Text& m_acc;
    const FormatArgs& m_args;
    std::size_t m_next = 0;
};

} // namespace

DateTimeTemplates DateTimeTemplates::Build(LocaleSeparators separators)
{
    DateTimeTemplates t;
    if (separators.date == u'\0')
        separators.date = LocaleSeparators{}.date;
    if (separators.time == u'\0')
        separators.time = LocaleSeparators{}.time;
    t.separators = separators;
    const Text ds = SeparatorText(separators.date, u'/');
    const Text ts = SeparatorText(separators.time, u':');
    t.dateFormat = u"%02w" + ds + u"%02w" + ds + u"%04w";
    t.timeFormat = u"%02w" + ts + u"%02w" + ts + u"%02w";
    t.dateTimeFormat = t.dateFormat + u" " + t.timeFormat;
    t.dateScan = u"%w" + ds + u"%w" + ds + u"%w";
    t.timeScan = u"%w" + ts + u"%w" + ts + u"%w";
    t.dateTimeScan = t.dateScan + u" " + t.timeScan;
    return t;
}

void InitDateTimeTemplates(LocaleSeparators separators)
{
    TemplateStore() = DateTimeTemplates::Build(separators);
}

const DateTimeTemplates& CurrentDateTimeTemplates()
{
    return TemplateStore();
}

const Text& FormatAppend(Text& accumulated, TextView pattern, const FormatArgs& args)
{
    Formatter(accumulated, args).Run(pattern);
    return accumulated;
}

Text FormatText(TextView pattern, const FormatArgs& args)
{
    Text accumulated;
    FormatAppend(accumulated, pattern, args);
    return accumulated;
}

} // namespace orvela
