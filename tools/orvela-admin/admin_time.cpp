#include "admin_time.h"

#include "support/relative_date.h"

namespace orvela::admin {

namespace {

QString FieldText(std::int32_t field, int width)
{
    // Through 64 bits, so that the magnitude of the most negative field exists.
    const std::int64_t value = field;
    const QString digits =
        QString::number(value < 0 ? -value : value).rightJustified(width, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

using Fields = std::vector<std::int32_t>;

CivilTime ToCivil(const Fields& f, std::size_t first)
{
    return {f[first], f[first + 1], f[first + 2], f[first + 3], f[first + 4], f[first + 5]};
}

const std::vector<Subcommand>& TimeCommands()
{
    static const std::vector<Subcommand> commands = {
        {"encode",
         {"Y", "MO", "D", "H", "MI", "S"},
         0,
         [](const QStringList& words, QTextStream& out, QString& problem) {
             Fields f;
             if (!ParseInt32Words(words, f, problem))
                 return false;
             out << EncodeStationTime(ToCivil(f, 0)) << '\n';
             return true;
         }},
        {"decode",
         {"T"},
         0,
         [](const QStringList& words, QTextStream& out, QString& problem) {
             Fields f;
             if (!ParseInt32Words(words, f, problem))
                 return false;
             out << CivilTimeText(DecodeStationTime(f[0])) << '\n';
             return true;
         }},
        {"offset",
         {"Y", "MO", "D", "H", "MI", "S", "YEARS", "MONTHS", "DAYS", "HOURS", "MINUTES", "SECONDS"},
         0,
         [](const QStringList& words, QTextStream& out, QString& problem) {
             Fields f;
             if (!ParseInt32Words(words, f, problem))
                 return false;
             out << OffsetStationTime(ToCivil(f, 0), ToCivil(f, 6)) << '\n';
             return true;
         }},
        {"relative",
         {"EXPR", "REF"},
         1,
         [](const QStringList& words, QTextStream& out, QString& problem) {
             Fields reference;
             if (!ParseInt32Words(words.mid(1), reference, problem))
                 return false;
             out << EvaluateRelativeDate(words[0].toStdU16String(),
                                         reference.empty() ? 0 : reference[0])
                 << '\n';
             return true;
         }},
        {"weekday",
         {"Y", "MO", "D"},
         0,
         [](const QStringList& words, QTextStream& out, QString& problem) {
             Fields f;
             if (!ParseInt32Words(words, f, problem))
                 return false;
             out << DayOfWeek(f[0], f[1], f[2]) << '\n';
             return true;
         }},
        {"from-datetime",
         {"D"},
         0,
         [](const QStringList& words, QTextStream& out, QString& problem) {
             double d = 0;
             if (!ParseDecimalReal(words[0], d)) {
                 problem = QStringLiteral("\"%1\" is not a decimal real").arg(words[0]);
                 return false;
             }
             out << DateTimeToStationTime(d) << '\n';
             return true;
         }},
        {"to-datetime",
         {"T"},
         0,
         [](const QStringList& words, QTextStream& out, QString& problem) {
             Fields f;
             if (!ParseInt32Words(words, f, problem))
                 return false;
             out << FormatReal17(StationTimeToDateTime(f[0])) << '\n';
             return true;
         }},
    };
    return commands;
}

} // namespace

QString CivilTimeText(const CivilTime& fields)
{
    return FieldText(fields.year, 4) + QLatin1Char('-') + FieldText(fields.month, 2) +
           QLatin1Char('-') + FieldText(fields.day, 2) + QLatin1Char(' ') +
           FieldText(fields.hour, 2) + QLatin1Char(':') + FieldText(fields.minute, 2) +
           QLatin1Char(':') + FieldText(fields.second, 2);
}

QString TimeUsage()
{
    return SubcommandUsage("time", TimeCommands());
}

int TimeCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    return RunSubcommand("time", TimeCommands(), args, out, err);
}

} // namespace orvela::admin
