#include "support/format_scan.h"
#include "support/station_time.h"

#include <QtTest>

#include <clocale>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>

using namespace orvela;

Q_DECLARE_METATYPE(orvela::FormatArgs)

namespace {

Text T(const QString& s)
{
    return s.toStdU16String();
}

QString Q(TextView t)
{
    return QString::fromStdU16String(Text(t));
}

// Table rows are written with plain literals; the project builds without implicit conversion
// from char strings.
struct Str
{
    Str(const char* s) : value(QString::fromUtf8(s)) {}
    Str(QString s) : value(std::move(s)) {}
    QString value;
};

QStringList L(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* item : items)
        out << QString::fromUtf8(item);
    return out;
}

// Scan targets described by text so that one table can hold rows with any mix of types:
// "t" text, "i" int32, "w" uint16, "f" float, "d" double, "b" bool, "c" character, each
// optionally "=initial"; "n:5" is a ScanCount entry. After the scan every target (not the
// counts) is rendered as text so that rows can compare them.
class TargetSet
{
public:
    explicit TargetSet(const QStringList& descriptions)
    {
        for (const QString& description : descriptions) {
            const QString kind = description.left(1);
            const QString initial = description.section(QChar(u'='), 1);
            if (description.startsWith(QLatin1String("n:"))) {
                m_targets.push_back(ScanCount{description.mid(2).toInt()});
                continue;
            }
            if (kind == QLatin1String("t")) {
                m_targets.push_back(&m_texts.emplace_back(T(initial)));
            } else if (kind == QLatin1String("i")) {
                m_targets.push_back(&m_ints.emplace_back(initial.toInt()));
            } else if (kind == QLatin1String("w")) {
                m_targets.push_back(&m_words.emplace_back(initial.toUShort()));
            } else if (kind == QLatin1String("f")) {
                m_targets.push_back(&m_floats.emplace_back(initial.toFloat()));
            } else if (kind == QLatin1String("d")) {
                m_targets.push_back(&m_doubles.emplace_back(initial.toDouble()));
            } else if (kind == QLatin1String("b")) {
                m_targets.push_back(&m_bools.emplace_back(initial == QLatin1String("true")));
            } else if (kind == QLatin1String("c")) {
                m_targets.push_back(&m_chars.emplace_back(u'?'));
            }
            m_pointers.push_back(m_targets.back());
        }
    }

    const ScanTargets& targets() const { return m_targets; }

    QStringList rendered() const
    {
        QStringList out;
        for (const ScanTarget& target : m_pointers) {
            if (auto t = std::get_if<Text*>(&target))
                out << Q(**t);
            else if (auto i = std::get_if<std::int32_t*>(&target))
                out << QString::number(**i);
            else if (auto w = std::get_if<std::uint16_t*>(&target))
                out << QString::number(**w);
            else if (auto f = std::get_if<float*>(&target))
                out << renderFloat(**f);
            else if (auto d = std::get_if<double*>(&target))
                out << QString::number(**d, 'g', 17);
            else if (auto b = std::get_if<bool*>(&target))
                out << QLatin1String(**b ? "true" : "false");
            else if (auto c = std::get_if<char16_t*>(&target))
                out << QString::number(static_cast<int>(**c));
        }
        return out;
    }

private:
    static QString renderFloat(float f)
    {
        if (std::isnan(f)) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &f, sizeof bits);
            return QStringLiteral("nan:%1").arg(bits, 0, 16);
        }
        return QString::number(static_cast<double>(f), 'g', 9);
    }

    ScanTargets m_targets;
    std::vector<ScanTarget> m_pointers;
    std::deque<Text> m_texts;
    std::deque<std::int32_t> m_ints;
    std::deque<std::uint16_t> m_words;
    std::deque<float> m_floats;
    std::deque<double> m_doubles;
    std::deque<bool> m_bools;
    std::deque<char16_t> m_chars;
};

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

} // namespace

class TestFormatScan : public QObject
{
    Q_OBJECT

private slots:
    void defaultTemplates();
    void format_data();
    void format();
    void hugeWidths();
    void scan_data();
    void scan();
    void scanStartPosition_data();
    void scanStartPosition();
    void commaListBuild();
    void commaListWalk_data();
    void commaListWalk();
    void longSources();
    void templates_data();
    void templates();
    void numbersIgnoreLocale();
    void cleanup();
};

// Runs first, before any test changes the templates.
void TestFormatScan::defaultTemplates()
{
    const DateTimeTemplates& t = CurrentDateTimeTemplates();
    QCOMPARE(Q(t.dateTimeFormat), QStringLiteral("%02w/%02w/%04w %02w:%02w:%02w"));
    QCOMPARE(Q(t.dateTimeScan), QStringLiteral("%w/%w/%w %w:%w:%w"));
    QCOMPARE(Q(FormatText(u"%j", {0})), QStringLiteral("12/31/1984 00:00:00"));
}

void TestFormatScan::cleanup()
{
    InitDateTimeTemplates(LocaleSeparators{});
}

void TestFormatScan::format_data()
{
    QTest::addColumn<QString>("accumulated");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<FormatArgs>("args");
    QTest::addColumn<QString>("expected");

    auto row = [](const char* name, const Str& acc, const Str& pattern, const FormatArgs& args,
                  const Str& expected) {
        QTest::newRow(name) << acc.value << pattern.value << args << expected.value;
    };
    const QString none;
    // Lists
    row("list item on empty", none, "%P", {u"A1"}, "A1");
    row("list item appended", "A1,B2", "%P", {u"C3"}, "A1,B2,C3");
    row("empty list item", "A", "%P", {u""}, "A,");
    row("lower-case no comma", "A", "%p", {u"B"}, "AB");
    row("N on non-empty", "A", "%N", {}, "A,\r\n");
    row("n on non-empty", "A", "%n", {}, "A\r\n");
    row("N on empty", none, "%N", {}, "\r\n");
    row("unknown upper code adds comma", "A", "%Z", {}, "A,");
    row("quoted code never a list item", "A", "%\"", {u"B"}, "AB");
    // Texts
    row("P pads", none, "%5P", {u"AB"}, "AB   ");
    row("S longer not cut", none, "%2s", {u"ABCD"}, "ABCD");
    row("F cuts", none, "%3f", {u"ABCDEF"}, "ABC");
    row("F shorter than width", none, "%5f", {u"AB"}, "AB");
    row("F without width", none, "%f", {u"AB"}, "");
    row("text ends at NUL", none, "%p", {Text(u"AB\0CD", 5)}, "AB");
    row("pattern ends at NUL", none, QString::fromUtf16(u"ab\0cd", 5), {}, "ab");
    // Quoted text
    row("quoted bare", none, "%\"", {u"abc"}, "abc");
    row("quoted comma", none, "%\"", {u"a,b"}, "\"a,b\"");
    row("quoted comma and double", none, "%\"", {u"a,\"b"}, "'a,\"b'");
    row("quoted leading double", none, "%\"", {u"\"ab"}, "'\"ab'");
    row("quoted leading single", none, "%\"", {u"'ab"}, "\"'ab\"");
    row("quoted inner double", none, "%\"", {u"a\"b"}, "a\"b");
    row("quoted empty", none, "%\"", {u""}, "");
    // Integers and zero fill
    row("I right-aligned", none, "%5i", {42}, "   42");
    row("I never cut", none, "%2l", {12345}, "12345");
    row("zero fill negative", none, "%05i", {-42}, "-0042");
    row("zero fill positive", none, "%05w", {42}, "00042");
    row("zero fill list item", "A", "%05I", {-42}, "A,00-42");
    row("zero fill text", none, "%05p", {u"a b"}, "a0b00");
    row("int min", none, "%i", {std::numeric_limits<std::int32_t>::min()}, "-2147483648");
    row("percent", none, "100%%", {}, "100%");
    // Booleans and characters
    row("B true", none, "%b", {true}, "Yes");
    row("B false list", "A", "%B", {false}, "A,No");
    row("C", none, "%c", {char16_t(u'x')}, "x");
    row("C list", "A", "%C", {char16_t(u'x')}, "A,x");
    // Reals
    row("full stop is the code", none, "%.2R", {1.5}, "2R");
    row("zero then precision", none, "%0.2R", {1.5}, "1.50");
    row("R default precision", none, "%r", {2.5}, "2.500000");
    row("R width precision", none, "%8.3x", {3.14159}, "   3.142");
    row("R precision 0", none, "%1.0x", {2.75}, "3");
    row("R precision 9 kept", none, "%1.9x", {1.5}, "1.500000000");
    row("R trimmed", none, "%1.12x", {1.5}, "1.5");
    row("R trimmed whole", none, "%1.10x", {2.0}, "2.0");
    row("R trimmed tenth", none, "%1.15x", {0.1}, "0.1");
    row("R zero fill sign", none, "%010.2x", {-3.5}, "-000003.50");
    row("R large fixed", none, "%1.0x", {1e20}, "100000000000000000000");
    row("R NaN no width", "A", "%r", {NaN}, "A");
    row("R NaN padded", none, "%4r", {NaN}, "    ");
    row("R infinity", none, "%r", {Inf}, "INF");
    row("R minus infinity", none, "%6r", {-Inf}, "  -INF");
    row("M thousandths", none, "%m", {1234}, "1.234000");
    row("M width precision", none, "%8.2m", {-1500}, "   -1.50");
    row("M trimmed", none, "%1.12m", {2000}, "2.0");
    row("M zero precision", none, "%0.3m", {1}, "0.001");
    // Dates and times through the templates
    row("J epoch", none, "%j", {0}, "12/31/1984 00:00:00");
    row("J stamp", none, "%j", {636379200}, "03/01/2005 12:00:00");
    row("J list", "A", "%J", {0}, "A,12/31/1984 00:00:00");
    row("D day one", none, "%d", {1}, "01/01/1985");
    row("D low 16 bits", none, "%d", {65536 + 1}, "01/01/1985");
    row("T negative", "X", "%t", {-3661}, "X-01:01:01");
    row("T hours not reduced", none, "%t", {100000}, "27:46:40");
    row("T int min", none, "%t", {std::numeric_limits<std::int32_t>::min()}, "-596523:14:08");
    // Star widths and precisions
    row("star width", none, "%*i", {5, 42}, "   42");
    row("star width precision", none, "%*.*r", {8, 2, 3.14159}, "    3.14");
    row("star negative width", none, "%*i", {-5, 42}, "42");
    row("star negative precision", none, "%5.*r", {-3, 2.5}, "    2");
    row("star big precision trims", none, "%1.*r", {40, 2.5}, "2.5");
    row("star from text", none, "%*i|", {u"x", 42}, "42|");
    row("star precision missing", none, "%5.*r|", {}, "     |");
    // Malformed patterns
    row("lone percent", "a", "b%", {}, "ab");
    row("cut after width", none, "b%5", {}, "b");
    row("cut after zero", none, "b%0", {}, "b");
    row("unknown code", none, "a%qb", {}, "ab");
    // Missing arguments: the field is empty, padding still applies
    row("missing args", none, "%i|%p|%b|%j|%c|%r|%5i|%3p|%t|%\"", {}, "||||||     |   ||");
    row("args run out midway", none, "%i-%i", {7}, "7-");
    // Arguments of another kind
    row("text to I", none, "%i|", {u"12"}, "|");
    row("int to P", none, "%3p|", {5}, "   |");
    row("int to R", none, "%r|", {5}, "|");
    row("int to B", none, "%b|", {1}, "|");
    row("int to C", none, "%c|", {65}, "|");
    row("text to J", none, "%j|", {u"x"}, "|");
    row("real to M", none, "%4m|", {1.5}, "    |");
    row("NUL char", none, "%c|", {char16_t(0)}, "|");
    row("kind mismatch consumes", none, "%i%p", {u"a", u"b"}, "b");
}

void TestFormatScan::format()
{
    QFETCH(QString, accumulated);
    QFETCH(QString, pattern);
    QFETCH(FormatArgs, args);
    QFETCH(QString, expected);

    Text acc = T(accumulated);
    const Text& result = FormatAppend(acc, T(pattern), args);
    QCOMPARE(Q(result), expected);
    QCOMPARE(&result, &acc);
    if (accumulated.isEmpty())
        QCOMPARE(Q(FormatText(T(pattern), args)), expected);
}

void TestFormatScan::hugeWidths()
{
    const Text padded = FormatText(u"%2000000000P", {u"A"});
    QCOMPARE(padded.size(), std::size_t{65535});
    QVERIFY(padded.front() == u'A');
    QCOMPARE(FormatText(u"%*i", {std::numeric_limits<std::int32_t>::max(), 7}).size(),
             std::size_t{65535});
    QCOMPARE(FormatText(u"%99999999999999999999r", {1.5}).size(), std::size_t{65535});
    QCOMPARE(Q(FormatText(u"%2000000000f", {u"abc"})), QStringLiteral("abc"));

    Text value;
    QVERIFY(ScanFromStart(u"abc", u"%99999999999999999999p", {&value}));
    QCOMPARE(Q(value), QStringLiteral("abc"));
    QVERIFY(ScanFromStart(u"abc", u"%*p",
                          {ScanCount{std::numeric_limits<std::int32_t>::max()}, &value}));
    QCOMPARE(Q(value), QStringLiteral("abc"));
}

void TestFormatScan::scan_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("values");

    auto row = [](const char* name, const Str& source, const Str& pattern,
                  std::initializer_list<const char*> targets, bool ok, int position,
                  std::initializer_list<const char*> values) {
        QTest::newRow(name) << source.value << pattern.value << L(targets) << ok << position
                            << L(values);
    };
    // Series titles
    row("title split", "STN1.AIR TEMP", "%s.%p", {"t", "t"}, true, 14, {"STN1", "AIR TEMP"});
    row("title without stop", "STN1", "%s.%p", {"t", "t"}, true, 5, {"STN1", ""});
    row("title sensor ends at comma", "S.A,B", "%s.%p", {"t", "t"}, true, 4, {"S", "A"});
    row("title sensor ends at line", "S.A\rB", "%s.%p", {"t", "t"}, true, 4, {"S", "A"});
    // P and list passing
    row("P list item", "A,B", "%P", {"t"}, true, 3, {"A"});
    row("P width", "abcd", "%2p", {"t"}, true, 3, {"ab"});
    row("P width zero unbounded", "abcd", "%0p", {"t"}, true, 5, {"abcd"});
    row("P width list passes rest", "abcd,e", "%2P", {"t"}, true, 6, {"ab"});
    row("list pass stops at line", "ab\ncd", "%1P", {"t"}, true, 3, {"a"});
    // S
    row("S width passes one more", "abcdef", "%3s,%c", {"t", "c"}, true, 6, {"abc", "101"});
    row("S without terminator", "abc", "%s", {"t"}, true, 4, {"abc"});
    row("S terminator case-exact", "aXbxc", "%sx%p", {"t", "t"}, true, 6, {"aXb", "c"});
    // Quoted text
    row("quoted double", "\"a,b\",c", "%\",%p", {"t", "t"}, true, 8, {"a,b", "c"});
    row("quoted single", "'x\"y',z", "%\",%p", {"t", "t"}, true, 8, {"x\"y", "z"});
    row("quoted bare", "abc,d", "%\",", {"t"}, true, 5, {"abc"});
    row("quoted trailing junk", "\"ab\"cd,e", "%\",%p", {"t", "t"}, true, 9, {"ab", "e"});
    row("quoted unclosed", "\"ab\ncd", "%\",", {"t"}, true, 4, {"ab"});
    row("quoted bare at line", "ab\ncd", "%\",", {"t"}, true, 3, {"ab"});
    row("quoted no terminator", "\"ab\"cd", "%\"", {"t"}, true, 7, {"ab"});
    row("quoted width", "abcdef", "%3\",", {"t"}, true, 5, {"abc"});
    // V
    row("V quoted section", "a\"b,c\"d,e", "%v\"", {"t"}, true, 8, {"a\"b,c\"d"});
    row("V list", "a\"b,c\"d,e", "%V\"%p", {"t", "t"}, true, 10, {"a\"b,c\"d", "e"});
    row("V unclosed section", "a\"b,c", "%v\"", {"t"}, true, 6, {"a\"b,c"});
    row("V no quote char", "a\"b,c", "%v", {"t"}, true, 4, {"a\"b"});
    // C
    row("C", "xy", "%c", {"c"}, true, 2, {"120"});
    row("C at end", "", "%c", {"c"}, true, 1, {"0"});
    // Integers
    row("I", "-123", "%i", {"i"}, true, 5, {"-123"});
    row("I plus", "+7x", "%i", {"i"}, true, 3, {"7"});
    row("I lone sign then next", "+,5", "%i,%i", {"i", "i=9"}, false, 4, {"0", "5"});
    row("I empty", "x", "%i", {"i=9"}, false, 1, {"0"});
    row("I min", "-2147483648", "%i", {"i"}, true, 12, {"-2147483648"});
    row("I above max", "2147483648", "%i", {"i=9"}, false, 11, {"0"});
    row("I very long", "99999999999999999999999", "%l", {"i"}, false, 24, {"0"});
    row("I width", "12345", "%3i", {"i"}, true, 4, {"123"});
    row("I sign counts", "-12345", "%3i", {"i"}, true, 4, {"-12"});
    row("I list item", "12abc,3", "%I%i", {"i", "i"}, true, 8, {"12", "3"});
    row("W", "65535", "%w", {"w"}, true, 6, {"65535"});
    row("W above then next", "70000,5", "%W%i", {"w", "i"}, false, 8, {"4464", "5"});
    row("W huge low bits", "1000000000000000000000", "%w", {"w"}, false, 23, {"0"});
    row("W sign", "-5", "%w", {"w=3"}, false, 1, {"0"});
    // E
    row("E", "1.5", "%e", {"f"}, true, 4, {"1.5"});
    row("E leading blanks", "  2.5,x", "%E%c", {"f", "c"}, true, 8, {"2.5", "120"});
    row("E bad", "1.5x", "%e", {"f"}, false, 5, {"nan:ffffffff"});
    row("E trailing blank", "2.5 ", "%e", {"f"}, false, 5, {"nan:ffffffff"});
    row("E empty", ",", "%e", {"f"}, false, 1, {"nan:ffffffff"});
    row("E comma ends", "1,5", "%e", {"f"}, true, 2, {"1"});
    // R, X, M
    row("R", "3.25", "%r", {"f"}, true, 5, {"3.25"});
    row("R exponent", "-1e3", "%r", {"f"}, true, 5, {"-1000"});
    row("R stops at junk", "1.5abc", "%r", {"f"}, true, 4, {"1.5"});
    row("R bare exponent", "5e", "%r", {"f=7"}, false, 3, {"0"});
    row("R point alone", ".", "%r", {"f"}, false, 2, {"0"});
    row("R no number", "abc", "%r", {"f=7"}, false, 1, {"0"});
    row("R leading point", "-.5", "%r", {"f"}, true, 4, {"-0.5"});
    row("R point at width", "12.5", "%2r", {"f"}, true, 4, {"12"});
    row("R precision ignored", "1.23456", "%5.3r", {"f"}, true, 6, {"1.23399997"});
    row("R underflow", "1e-50", "%r", {"f"}, true, 6, {"0"});
    row("R overflow", "1e39", "%r", {"f=7"}, false, 5, {"0"});
    row("X", "0.1", "%x", {"d"}, true, 4, {"0.10000000000000001"});
    row("X beyond float", "1e39", "%x", {"d"}, true, 5, {"9.9999999999999994e+38"});
    row("X overflow", "1e400", "%x", {"d"}, false, 6, {"0"});
    row("X huge exponent", "1e99999999999999", "%x", {"d"}, false, 17, {"0"});
    row("M", "1.234", "%m", {"i"}, true, 6, {"1234"});
    row("M single precision", "2.3", "%m", {"i"}, true, 4, {"2300"});
    row("M truncates", "-0.0015", "%m", {"i"}, true, 8, {"-1"});
    row("M out of range", "3000000", "%m", {"i=9"}, false, 8, {"0"});
    // Booleans
    row("B yes", "yes", "%b", {"b"}, true, 4, {"true"});
    row("B Y", "Y", "%b", {"b"}, true, 2, {"true"});
    row("B On", "On", "%b", {"b"}, true, 3, {"true"});
    row("B 1", "1", "%b", {"b"}, true, 2, {"true"});
    row("B true", "TrUe", "%b", {"b"}, true, 5, {"true"});
    row("B no", "no", "%b", {"b=true"}, true, 3, {"false"});
    row("B Off", "Off", "%b", {"b=true"}, true, 4, {"false"});
    row("B BAD", "BAD", "%b", {"b=true"}, true, 4, {"false"});
    row("B 0", "0", "%b", {"b=true"}, true, 2, {"false"});
    row("B maybe", "maybe", "%b", {"b=true"}, false, 1, {"false"});
    row("B NONE prefix", "NONE", "%b", {"b=true"}, true, 3, {"false"});
    row("B ONE list", "ONE,x", "%B%c", {"b", "c"}, true, 6, {"true", "120"});
    row("B at end", "", "%b", {"b=true"}, false, 1, {"false"});
    // Dates and times
    row("J", "03/01/2005 12:00:00", "%j", {"i"}, true, 20, {"636379200"});
    row("J epoch", "12/31/1984 00:00:00", "%j", {"i=5"}, true, 20, {"0"});
    row("J partial writes", "03/01/2005", "%j", {"i"}, false, 11, {"636336000"});
    row("J wrong separator", "03-01-2005", "%j", {"i"}, false, 11, {"636336000"});
    row("D", "01/01/1985", "%d", {"w"}, true, 11, {"1"});
    row("D short year", "01/01/85", "%d", {"w=9"}, true, 9, {"0"});
    row("T negative", "-01:01:01", "%t", {"i"}, true, 10, {"-3661"});
    row("T plus", "+00:00:05", "%t", {"i"}, true, 10, {"5"});
    row("T long hours", "27:46:40", "%t", {"i"}, true, 9, {"100000"});
    row("T list", "1:2:3,x", "%T%c", {"i", "c"}, true, 8, {"3723", "120"});
    // N, ?, _
    row("N", "\r\nX", "%n%c", {"c"}, true, 4, {"88"});
    row("N missing", "\nX", "%n", {}, false, 1, {});
    row("N at end", "\r", "%n", {}, false, 1, {});
    row("skip to", "abc;def", "%?;%p", {"t"}, true, 8, {"def"});
    row("skip to missing", "abc", "%?;", {}, false, 4, {});
    row("skip to width", "abc;d", "%2?;", {}, false, 4, {});
    row("skip to no terminator", "abc", "%?", {}, true, 4, {});
    row("skip blanks", "  \t\r\n x", "%_%c", {"c"}, true, 8, {"120"});
    row("skip blanks non-ASCII", QString::fromUtf16(u"\u00e9 x"), "%_%c", {"c"}, true, 4, {"120"});
    // Literals
    row("literal mismatch consumes", "ab", "ax", {}, false, 3, {});
    row("literal ignores case", "AB", "ab", {}, true, 3, {});
    row("literal at end", "a", "ab", {}, false, 2, {});
    row("percent pair", "%x", "%%x", {}, true, 3, {});
    row("percent pair mismatch", "yx", "%%x", {}, false, 3, {});
    // Failure counting
    row("brackets hide failure", "xz", "%[y%]z", {}, true, 3, {});
    row("brackets count again", "xz", "%[y%]q", {}, false, 3, {});
    row("unknown code", "abc", "%g", {}, false, 1, {});
    row("unknown upper code passes", "abc,d", "%G%c", {"c"}, false, 6, {"100"});
    row("lone percent", "abc", "a%", {}, false, 2, {});
    row("cut after width", "abc", "a%5", {}, false, 2, {});
    // Star widths and targets
    row("star width", "abcd", "%*p", {"n:2", "t"}, true, 3, {"ab"});
    row("star negative", "abcd", "%*p", {"n:-1", "t"}, true, 5, {"abcd"});
    row("star precision", "abcd", "%2.*p", {"n:9", "t"}, true, 3, {"ab"});
    row("star from reference", "abcd", "%*p", {"t=keep", "t"}, true, 5, {"keep", "abcd"});
    row("star missing", "abcd", "%*p", {}, true, 5, {});
    row("targets run out", "1,2", "%i,%i", {"i"}, true, 4, {"1"});
    row("target of other type", "12,x", "%i,%p", {"t=keep", "i=9"}, true, 5, {"keep", "9"});
    row("count where reference", "12", "%i", {"n:3"}, true, 3, {});
    row("Q without target", "NOW,x", "%Q%c", {}, true, 6, {});
    row("Q keeps reference", "NOW", "%q", {"i=636379200"}, true, 4, {"636379200"});
    // NUL ends the source
    row("NUL ends source", QString::fromUtf16(u"ab\0cd", 5), "%p", {"t"}, true, 3, {"ab"});
}

void TestFormatScan::scan()
{
    QFETCH(QString, source);
    QFETCH(QString, pattern);
    QFETCH(QStringList, targets);
    QFETCH(bool, ok);
    QFETCH(int, position);
    QFETCH(QStringList, values);

    TargetSet set(targets);
    std::int32_t pos = 1;
    QCOMPARE(ScanText(T(source), pos, T(pattern), set.targets()), ok);
    QCOMPARE(pos, position);
    QCOMPARE(set.rendered(), values);

    TargetSet again(targets);
    QCOMPARE(ScanFromStart(T(source), T(pattern), again.targets()), ok);
    QCOMPARE(again.rendered(), values);
}

void TestFormatScan::scanStartPosition_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("value");

    QTest::newRow("second item") << "A,B,C" << 3 << "%P" << 5 << "B";
    QTest::newRow("last item") << "A,B,C" << 5 << "%P" << 6 << "C";
    QTest::newRow("empty item") << "A,,B" << 3 << "%P" << 4 << "";
    QTest::newRow("zero") << "abc" << 0 << "%p" << 4 << "abc";
    QTest::newRow("negative") << "abc" << -5 << "%p" << 4 << "abc";
    QTest::newRow("int min") << "abc" << std::numeric_limits<int>::min() << "%p" << 4 << "abc";
    QTest::newRow("just past end") << "abc" << 4 << "%p" << 4 << "";
    QTest::newRow("far past end") << "abc" << 10 << "%p" << 10 << "";
    QTest::newRow("past end literal") << "abc" << 10 << "x%p" << 10 << "";
    QTest::newRow("int max") << "abc" << std::numeric_limits<int>::max() << "%P"
                             << std::numeric_limits<int>::max() << "";
    QTest::newRow("beyond NUL") << QString::fromUtf16(u"ab\0cd", 5) << 4 << "%p" << 4 << "";
}

void TestFormatScan::scanStartPosition()
{
    QFETCH(QString, source);
    QFETCH(int, start);
    QFETCH(QString, pattern);
    QFETCH(int, position);
    QFETCH(QString, value);

    Text text = u"unset";
    std::int32_t pos = start;
    ScanText(T(source), pos, T(pattern), {&text});
    QCOMPARE(pos, position);
    QCOMPARE(Q(text), value);
}

void TestFormatScan::commaListBuild()
{
    Text list;
    for (const char16_t* item : {u"A1", u"B2", u"C3"})
        AppendCommaListItem(list, item);
    QCOMPARE(Q(list), QStringLiteral("A1,B2,C3"));

    Text one = u"A";
    AppendCommaListItem(one, u"");
    QCOMPARE(Q(one), QStringLiteral("A,"));

    // The program's own walk, position by position.
    const Text abc = u"A,B,C";
    std::int32_t pos = 1;
    QList<int> positions;
    QStringList items;
    while (pos <= static_cast<std::int32_t>(abc.size())) {
        Text item;
        ScanText(abc, pos, u"%P", {&item});
        positions << pos;
        items << Q(item);
    }
    QCOMPARE(positions, (QList<int>{3, 5, 6}));
    QCOMPARE(items, L({"A", "B", "C"}));
}

void TestFormatScan::commaListWalk_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("three") << "A,B,C" << L({"A", "B", "C"});
    QTest::newRow("empty list") << "" << L({});
    QTest::newRow("empty item skipped") << "A,,B" << L({"A", "B"});
    QTest::newRow("trailing comma") << "A,B," << L({"A", "B"});
    QTest::newRow("leading comma") << ",A" << L({"A"});
    QTest::newRow("only commas") << ",,," << L({});
    QTest::newRow("spaces kept") << " A , B" << L({" A ", " B"});
    QTest::newRow("LF in item") << "A\nB,C" << L({"A", "B", "C"});
    QTest::newRow("CR in item") << "A\rB,C" << L({"A", "B", "C"});
    QTest::newRow("CR LF in item") << "A\r\nB,C" << L({"A", "B", "C"});
    QTest::newRow("line break after comma") << "A,\nB" << L({"A", "B"});
    QTest::newRow("ends with line break") << "A\r\n" << L({"A"});
    QTest::newRow("only line breaks") << "\r\n\n\r" << L({});
    QTest::newRow("NUL ends list") << QString::fromUtf16(u"A,B\0C,D", 7) << L({"A", "B"});
}

void TestFormatScan::commaListWalk()
{
    QFETCH(QString, list);
    QFETCH(QStringList, items);

    QStringList got;
    for (const Text& item : CommaListItems(T(list)))
        got << Q(item);
    QCOMPARE(got, items);
}

void TestFormatScan::longSources()
{
    const Text first(70000, u'a');
    Text list;
    AppendCommaListItem(list, first);
    AppendCommaListItem(list, u"B");

    std::int32_t pos = 1;
    Text item;
    ScanText(list, pos, u"%P", {&item});
    QCOMPARE(item.size(), std::size_t{70000});
    QCOMPARE(pos, 70002);
    ScanText(list, pos, u"%P", {&item});
    QCOMPARE(Q(item), QStringLiteral("B"));
    QCOMPARE(pos, 70003);

    Text many;
    for (int i = 0; i < 100000; ++i)
        AppendCommaListItem(many, T(QString::number(i)));
    const std::vector<Text> items = CommaListItems(many);
    QCOMPARE(items.size(), std::size_t{100000});
    QCOMPARE(Q(items.back()), QStringLiteral("99999"));
}

void TestFormatScan::templates_data()
{
    QTest::addColumn<QChar>("date");
    QTest::addColumn<QChar>("time");
    QTest::addColumn<int>("stamp");
    QTest::addColumn<QString>("text");

    QTest::newRow("full stop and colon")
        << QChar(u'.') << QChar(u':') << 636379200 << "03.01.2005 12:00:00";
    QTest::newRow("dash and full stop")
        << QChar(u'-') << QChar(u'.') << 636379200 + 3661 << "03-01-2005 13.01.01";
    QTest::newRow("percent") << QChar(u'%') << QChar(u':') << 86400 << "01%01%1985 00:00:00";
    QTest::newRow("NUL gives default") << QChar(0) << QChar(0) << 0 << "12/31/1984 00:00:00";
    QTest::newRow("latest") << QChar(u'/') << QChar(u':') << std::numeric_limits<int>::max()
                            << "01/18/2053 03:14:07";
}

void TestFormatScan::templates()
{
    QFETCH(QChar, date);
    QFETCH(QChar, time);
    QFETCH(int, stamp);
    QFETCH(QString, text);

    InitDateTimeTemplates(LocaleSeparators{static_cast<char16_t>(date.unicode()),
                                           static_cast<char16_t>(time.unicode())});
    QCOMPARE(Q(FormatText(u"%j", {stamp})), text);

    std::int32_t parsed = -1;
    QVERIFY(ScanFromStart(T(text), u"%j", {&parsed}));
    QCOMPARE(parsed, stamp);

    const std::int32_t day = stamp / SecondsPerDay;
    const Text dayText = FormatText(u"%d", {day});
    QCOMPARE(Q(dayText), text.left(10));
    std::uint16_t parsedDay = 0;
    QVERIFY(ScanFromStart(dayText, u"%d", {&parsedDay}));
    QCOMPARE(static_cast<std::int32_t>(parsedDay), day);

    const std::int32_t duration = -(stamp % SecondsPerDay);
    std::int32_t parsedDuration = 1;
    QVERIFY(ScanFromStart(FormatText(u"%t", {duration}), u"%t", {&parsedDuration}));
    QCOMPARE(parsedDuration, duration);

    // The default separators no longer match.
    if (date != QChar(u'/') && date != QChar(0)) {
        std::int32_t other = 0;
        QVERIFY(!ScanFromStart(u"03/01/2005 12:00:00", u"%j", {&other}));
    }
}

// The program may run under a locale that writes "," as decimal point; numbers keep ".".
void TestFormatScan::numbersIgnoreLocale()
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
        QSKIP("no locale with a decimal comma is installed");
    const Text formatted = FormatText(u"%1.2r|%m", {1.5, 2500});
    double x = 0;
    float r = 0;
    const bool ok = ScanFromStart(u"2.25,1.5", u"%X%r", {&x, &r});
    std::setlocale(LC_ALL, saved.c_str());

    QCOMPARE(Q(formatted), QStringLiteral("1.50|2.500000"));
    QVERIFY(ok);
    QCOMPARE(x, 2.25);
    QCOMPARE(r, 1.5f);
}

QTEST_GUILESS_MAIN(TestFormatScan)
#include "test_format_scan.moc"
