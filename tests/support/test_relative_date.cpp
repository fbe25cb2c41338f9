// Relative date expressions against a fixed reference, Wednesday 2005-03-02 14:25:36, and a
// Sunday, under "/" and ":" and under locales with other date separators.

#include "support/format_scan.h"
#include "support/locale_separators.h"
#include "support/relative_date.h"

#include <QTest>

#include <clocale>
#include <string>

using namespace orvela;

namespace {

QString show(StationTime t)
{
    const CivilTime c = DecodeStationTime(t);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                             c.minute, c.second);
}

std::u16string u16(const QString& s)
{
    return s.toStdU16String();
}

const StationTime Wednesday = EncodeStationTime(2005, 3, 2, 14, 25, 36);
const StationTime Sunday = EncodeStationTime(2005, 3, 6, 9, 0, 0);

} // namespace

class TestRelativeDate : public QObject
{
    Q_OBJECT

private slots:
    void init() { InitDateTimeTemplates({u'/', u':'}); }
    void cleanupTestCase()
    {
        InitDateTimeTemplates({u'/', u':'});
        SetLocalClock({});
    }

    void expressions_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<int>("reference");
        QTest::addColumn<QString>("expected");
        const int w = Wednesday;
        const int s = Sunday;
        QTest::newRow("NOW") << "NOW" << w << "2005-03-02 14:25:36";
        QTest::newRow("NOW-2:00") << "NOW-2:00" << w << "2005-03-02 12:25:36";
        QTest::newRow("NOW-5 is five hours") << "NOW-5" << w << "2005-03-02 09:25:36";
        QTest::newRow("NEXT HOUR") << "NEXT HOUR" << w << "2005-03-02 15:00:00";
        QTest::newRow("LAST HOUR") << "LAST HOUR" << w << "2005-03-02 13:00:00";
        QTest::newRow("LAST 2 HOURS") << "LAST 2 HOURS" << w << "2005-03-02 12:00:00";
        QTest::newRow("LAST 3 HOURS") << "LAST 3 HOURS" << w << "2005-03-02 11:00:00";
        QTest::newRow("LAST 6 HOURS") << "LAST 6 HOURS" << w << "2005-03-02 08:00:00";
        QTest::newRow("LAST 12 HOURS") << "LAST 12 HOURS" << w << "2005-03-02 02:00:00";
        QTest::newRow("TODAY") << "TODAY" << w << "2005-03-02 00:00:00";
        QTest::newRow("today with blanks") << " today " << w << "2005-03-02 00:00:00";
        QTest::newRow("mixed case") << "Last 6 Hours" << w << "2005-03-02 08:00:00";
        QTest::newRow("two blanks between words is an unknown head")
            << "LAST  6 HOURS" << w << "2005-03-02 14:00:00";
        QTest::newRow("TOMORROW") << "TOMORROW" << w << "2005-03-03 00:00:00";
        QTest::newRow("YESTERDAY") << "YESTERDAY" << w << "2005-03-01 00:00:00";
        QTest::newRow("LAST 2 DAYS") << "LAST 2 DAYS" << w << "2005-02-28 00:00:00";
        QTest::newRow("LAST 3 DAYS") << "LAST 3 DAYS" << w << "2005-02-27 00:00:00";
        QTest::newRow("LAST 5 DAYS") << "LAST 5 DAYS" << w << "2005-02-25 00:00:00";
        QTest::newRow("THIS WEEK") << "THIS WEEK" << w << "2005-02-27 00:00:00";
        QTest::newRow("LAST WEEK") << "LAST WEEK" << w << "2005-02-20 00:00:00";
        QTest::newRow("NEXT WEEK") << "NEXT WEEK" << w << "2005-03-06 00:00:00";
        QTest::newRow("THIS WEEK on a Sunday") << "THIS WEEK" << s << "2005-02-27 00:00:00";
        QTest::newRow("NEXT WEEK on a Sunday") << "NEXT WEEK" << s << "2005-03-06 00:00:00";
        QTest::newRow("LAST WEEK on a Sunday") << "LAST WEEK" << s << "2005-02-20 00:00:00";
        QTest::newRow("THIS MONTH") << "THIS MONTH" << w << "2005-03-01 00:00:00";
        QTest::newRow("LAST MONTH") << "LAST MONTH" << w << "2005-02-01 00:00:00";
        QTest::newRow("NEXT MONTH") << "NEXT MONTH" << w << "2005-04-01 00:00:00";
        QTest::newRow("THIS YEAR") << "THIS YEAR" << w << "2005-01-01 00:00:00";
        QTest::newRow("LAST YEAR") << "LAST YEAR" << w << "2004-01-01 00:00:00";
        QTest::newRow("NEXT YEAR") << "NEXT YEAR" << w << "2006-01-01 00:00:00";
        QTest::newRow("TODAY+0/1/0 one day") << "TODAY+0/1/0" << w << "2005-03-03 00:00:00";
        QTest::newRow("TODAY+1/0/0 one month") << "TODAY+1/0/0" << w << "2005-04-02 00:00:00";
        QTest::newRow("TODAY-1/0/0") << "TODAY-1/0/0" << w << "2005-02-02 00:00:00";
        QTest::newRow("TODAY+0/0/1 one year") << "TODAY+0/0/1" << w << "2006-03-02 00:00:00";
        QTest::newRow("NOW+1/0/0 2:00:00") << "NOW+1/0/0 2:00:00" << w << "2005-04-02 16:25:36";
        QTest::newRow("THIS WEEK-0/7/0") << "THIS WEEK-0/7/0" << w << "2005-02-20 00:00:00";
        QTest::newRow("keyword offset adds to the written one")
            << "LAST MONTH-1/0/0" << w << "2005-01-01 00:00:00";
        QTest::newRow("date and time") << "03/15/2005 08:30:00" << w << "2005-03-15 08:30:00";
        QTest::newRow("date only") << "03/15/2005" << w << "2005-03-15 00:00:00";
        QTest::newRow("time only is on 1984-12-31") << "08:30" << w << "1984-12-31 08:30:00";
        QTest::newRow("date with offset")
            << "03/15/2005 08:30:00+0/1/0" << w << "2005-03-16 08:30:00";
        QTest::newRow("unknown head is the start of the hour")
            << "SOMETIME" << w << "2005-03-02 14:00:00";
        QTest::newRow("unknown head with offset") << "SOMETIME+1" << w << "2005-03-02 15:00:00";
        QTest::newRow("empty expression") << "" << w << "2005-03-02 14:00:00";
        QTest::newRow("only blanks") << "   " << w << "2005-03-02 14:00:00";
        QTest::newRow("begins with the sign") << "-1" << w << "2005-03-02 13:00:00";
        QTest::newRow("a lone sign") << "+" << w << "2005-03-02 14:00:00";
        QTest::newRow("invalid fields count as 0") << "NOW+x:5y" << w << "2005-03-02 14:25:36";
        QTest::newRow("field with trailing blank counts as 0")
            << "TODAY+1 /0/0" << w << "2005-03-02 00:00:00";
        QTest::newRow("field too big for 32 bits counts as 0")
            << "NOW+99999999999" << w << "2005-03-02 14:25:36";
        QTest::newRow("30-digit field counts as 0")
            << "NOW+123456789012345678901234567890" << w << "2005-03-02 14:25:36";
        QTest::newRow("signed field in the offset") << "NOW+-2" << w << "2005-03-02 12:25:36";
        QTest::newRow("hour offset wraps through 32 bits")
            << "NOW+2147483647" << w << "2005-03-02 13:25:36";
        QTest::newRow("year offset past 2^31 lies before 1985")
            << "NOW+0/0/2147483647" << w << "1984-12-31 14:25:36";
        QTest::newRow("keyword and written offsets wrap when added")
            << "LAST 12 HOURS-2147483647" << w << "2005-03-02 03:00:00";
        QTest::newRow("negating the most negative field keeps it")
            << "NOW-0/0/0 0:0:-2147483648" << w << "1937-02-12 11:11:28";
        QTest::newRow("time only with an offset") << "08:30-1" << w << "1984-12-31 07:30:00";
        QTest::newRow("first + wins, leaving NOW-3 an unknown head")
            << "NOW-3+1" << w << "2005-03-02 15:00:00";
        QTest::newRow("month end overflows into March")
            << "LAST MONTH+0/30/0" << w << "2005-03-03 00:00:00";
    }

    void expressions()
    {
        QFETCH(QString, expression);
        QFETCH(int, reference);
        QFETCH(QString, expected);
        QCOMPARE(show(EvaluateRelativeDate(u16(expression), reference)), expected);
    }

    void referenceZeroIsNow()
    {
        SetLocalClock([] { return CivilTime{2005, 3, 2, 14, 25, 36}; });
        const StationTime now = EvaluateRelativeDate(u"NOW", 0);
        const StationTime week = EvaluateRelativeDate(u"THIS WEEK", 0);
        SetLocalClock({});
        QCOMPARE(show(now), QStringLiteral("2005-03-02 14:25:36"));
        QCOMPARE(show(week), QStringLiteral("2005-02-27 00:00:00"));
    }

    void otherSeparators_data()
    {
        QTest::addColumn<QChar>("date");
        QTest::addColumn<QChar>("time");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("expected");
        const QChar dot(u'.');
        const QChar dash(u'-');
        const QChar colon(u':');
        QTest::newRow("dot date") << dot << colon << "03.15.2005 08:30:00"
                                  << "2005-03-15 08:30:00";
        QTest::newRow("dot offset") << dot << colon << "TODAY+1.0.0"
                                    << "2005-04-02 00:00:00";
        QTest::newRow("dot offset after NOW") << dot << colon << "NOW-1.0.0"
                                              << "2005-02-02 14:25:36";
        QTest::newRow("slash still reads under dot") << dot << colon << "03/15/2005"
                                                     << "2005-03-15 00:00:00";
        QTest::newRow("dot for both: the date comes first") << dot << dot << "03.15.2005 08.30.00"
                                                            << "2005-03-15 08:30:00";
        QTest::newRow("dot for both: an offset reads as months and days")
            << dot << dot << "NOW-2.30"
            << "2004-12-03 14:25:36";
        QTest::newRow("dash date") << dash << colon << "03-15-2005 08:30:00"
                                   << "2005-03-15 08:30:00";
        QTest::newRow("dash date only") << dash << colon << "03-15-2005"
                                        << "2005-03-15 00:00:00";
        QTest::newRow("dash date with + offset") << dash << colon << "03-15-2005+0-1-0"
                                                 << "2005-03-16 00:00:00";
        QTest::newRow("third dash of a date is the sign") << dash << colon << "03-15-2005-1"
                                                          << "2005-03-14 23:00:00";
        QTest::newRow("dash after the time is the sign") << dash << colon << "03-15-2005 08:30:00-1"
                                                         << "2005-03-15 07:30:00";
        QTest::newRow("dash after a time separator is the sign") << dash << colon << "08:30-1"
                                                                 << "1984-12-31 07:30:00";
        QTest::newRow("slash date then dash sign") << dash << colon << "03/15/2005-1"
                                                   << "2005-03-14 23:00:00";
        QTest::newRow("leading number and dash begin a date") << dash << colon << "5-1"
                                                              << "1984-12-31 00:00:00";
        QTest::newRow("dash after a keyword is the sign") << dash << colon << "TODAY-1-0-0"
                                                          << "2005-02-02 00:00:00";
        QTest::newRow("dash hours") << dash << colon << "NOW-5"
                                    << "2005-03-02 09:25:36";
        QTest::newRow("dot time") << QChar(u'/') << dot << "NOW-2.30"
                                  << "2005-03-02 11:55:36";
        QTest::newRow("dot time in a date-time") << QChar(u'/') << dot << "03/15/2005 08.30.00"
                                                 << "2005-03-15 08:30:00";
    }

    void otherSeparators()
    {
        QFETCH(QChar, date);
        QFETCH(QChar, time);
        QFETCH(QString, expression);
        QFETCH(QString, expected);
        InitDateTimeTemplates({date.unicode(), time.unicode()});
        QCOMPARE(show(EvaluateRelativeDate(u16(expression), Wednesday)), expected);
    }

    void referenceZeroReadsTheRealClock()
    {
        const StationTime before = StationTimeNow();
        const StationTime now = EvaluateRelativeDate(u"NOW", 0);
        const StationTime after = StationTimeNow();
        QVERIFY(before <= now && now <= after);
    }

    void formatSeparator_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QChar>("expected");
        QTest::newRow("day.month.year") << "%d.%m.%Y" << QChar(u'.');
        QTest::newRow("month/day/year") << "%m/%d/%y" << QChar(u'/');
        QTest::newRow("%D spelt out") << "%D" << QChar(u'/');
        QTest::newRow("%F spelt out") << "%F" << QChar(u'-');
        QTest::newRow("%T spelt out") << "%T" << QChar(u':');
        QTest::newRow("%r spelt out") << "%r" << QChar(u':');
        QTest::newRow("dotted time") << "%H.%M.%S" << QChar(u'.');
        QTest::newRow("flags and widths are part of the conversion")
            << "%-d.%_5m.%Y" << QChar(u'.');
        QTest::newRow("E and O modifiers") << "%OH:%OM" << QChar(u':');
        QTest::newRow("text before the first conversion separates nothing")
            << "(%d-%m" << QChar(u'-');
        QTest::newRow("a literal percent is no separator") << "%%/%d-%m" << QChar(u'-');
        QTest::newRow("multi-byte characters fall back") << "%Y年%m月%d日" << QChar(u'?');
        QTest::newRow("blanks only fall back") << "%e %b %Y" << QChar(u'?');
        QTest::newRow("empty falls back") << "" << QChar(u'?');
        QTest::newRow("lone percent falls back") << "%" << QChar(u'?');
    }

    void formatSeparator()
    {
        QFETCH(QString, format);
        QFETCH(QChar, expected);
        const std::string bytes = format.toStdString();
        QCOMPARE(QChar(FormatSeparator(bytes, u'?')), expected);
    }

    void readLocaleSeparators_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QChar>("date");
        QTest::addColumn<QChar>("time");
        QTest::newRow("C") << "C" << QChar(u'/') << QChar(u':');
        QTest::newRow("German") << "de_DE.utf8" << QChar(u'.') << QChar(u':');
    }

    void readLocaleSeparators()
    {
        QFETCH(QString, locale);
        QFETCH(QChar, date);
        QFETCH(QChar, time);
        const std::string saved = std::setlocale(LC_TIME, nullptr);
        if (!std::setlocale(LC_TIME, locale.toStdString().c_str()))
            QSKIP("locale not installed");
        const LocaleSeparators separators = ReadLocaleSeparators();
        std::setlocale(LC_TIME, saved.c_str());
        QCOMPARE(QChar(separators.date), date);
        QCOMPARE(QChar(separators.time), time);
    }

    void scanDirectiveUsesTheTargetAsReference()
    {
        StationTime target = Wednesday;
        std::int32_t position = 1;
        QVERIFY(ScanText(u"LAST 6 HOURS,TODAY", position, u"%Q", {&target}));
        QCOMPARE(show(target), QStringLiteral("2005-03-02 08:00:00"));
        QCOMPARE(position, 14); // the list item's comma is passed over
    }
};

QTEST_APPLESS_MAIN(TestRelativeDate)
#include "test_relative_date.moc"
