#include "admin_command.h"

#include <charconv>
#include <limits>
#include <string>

namespace orvela::admin {

namespace {

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

int UsageError(QTextStream& err, const QString& problem, const QString& usage)
{
    if (!problem.isEmpty())
        err << "orvela-admin: " << problem << '\n';
    for (const QString& line : usage.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        err << "usage: orvela-admin " << line << '\n';
    err.flush();
    return ExitUsage;
}

int Failure(QTextStream& err, const QString& text)
{
    for (const QString& line : text.trimmed().split(QLatin1Char('\n')))
        err << "orvela-admin: " << line.trimmed() << '\n';
    err.flush();
    return ExitFailed;
}

QString SubcommandUsage(const char* group, const std::vector<Subcommand>& commands)
{
    QString usage;
    for (const Subcommand& command : commands) {
        usage += QLatin1String(group) + QLatin1Char(' ') + QLatin1String(command.name);
        const auto required =
            command.parameters.size() - static_cast<std::size_t>(command.optional);
        for (std::size_t i = 0; i < command.parameters.size(); ++i) {
            const QString parameter = QLatin1String(command.parameters[i]);
            usage += QLatin1Char(' ') +
                     (i < required ? parameter : QLatin1Char('[') + parameter + QLatin1Char(']'));
        }
        usage += QLatin1Char('\n');
    }
    return usage;
}

int RunSubcommand(const char* group, const std::vector<Subcommand>& commands,
                  const QStringList& args, QTextStream& out, QTextStream& err)
{
    const QString usage = SubcommandUsage(group, commands);
    if (args.isEmpty())
        return UsageError(err, QStringLiteral("%1: a command is missing").arg(QLatin1String(group)),
                          usage);
    for (const Subcommand& command : commands) {
        if (args.first() != QLatin1String(command.name))
            continue;
        const QStringList words = args.mid(1);
        const auto count = static_cast<std::size_t>(words.size());
        const auto required =
            command.parameters.size() - static_cast<std::size_t>(command.optional);
        if (count < required || count > command.parameters.size()) {
            return UsageError(err,
                              QStringLiteral("%1 %2: wrong number of arguments")
                                  .arg(QLatin1String(group), QLatin1String(command.name)),
                              usage);
        }
        QString problem;
        if (!command.run(words, out, problem))
            return UsageError(err,
                              QStringLiteral("%1 %2: %3")
                                  .arg(QLatin1String(group), QLatin1String(command.name), problem),
                              usage);
        out.flush();
        return ExitDone;
    }
    return UsageError(
        err, QStringLiteral("%1: unknown command \"%2\"").arg(QLatin1String(group), args.first()),
        usage);
}

bool ParseInt32(const QString& word, std::int32_t& value)
{
    int i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == QLatin1Char('+') || word[i] == QLatin1Char('-'))) {
        negative = word[i] == QLatin1Char('-');
        ++i;
    }
    if (i == word.size())
        return false;
    // The magnitude stops growing once it is beyond any 32-bit value, so it cannot overflow.
    constexpr std::int64_t Limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < word.size(); ++i) {
        if (!IsDigit(word[i]))
            return false;
        magnitude = magnitude * 10 + (word[i].unicode() - u'0');
        if (magnitude > Limit)
            return false;
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

bool ParseInt32Words(const QStringList& words, std::vector<std::int32_t>& values, QString& problem)
{
    values.clear();
    for (const QString& word : words) {
        std::int32_t value = 0;
        if (!ParseInt32(word, value)) {
            problem = QStringLiteral("\"%1\" is not a 32-bit decimal integer").arg(word);
            return false;
        }
        values.push_back(value);
    }
    return true;
}

bool ParseDecimalReal(const QString& word, double& value)
{
    // Checked against the decimal grammar first, because the conversion below would also take
    // "inf", "nan" and hexadecimal forms.
    int i = 0;
    const auto digits = [&] {
        const int start = i;
        while (i < word.size() && IsDigit(word[i]))
            ++i;
        return i - start;
    };
    const auto sign = [&] {
        if (i < word.size() && (word[i] == QLatin1Char('+') || word[i] == QLatin1Char('-')))
            ++i;
    };
    sign();
    int mantissaDigits = digits();
    if (i < word.size() && word[i] == QLatin1Char('.')) {
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0)
        return false;
    if (i < word.size() && (word[i] == QLatin1Char('e') || word[i] == QLatin1Char('E'))) {
        ++i;
        sign();
        if (digits() == 0)
            return false;
    }
    if (i != word.size())
        return false;

    std::string text = word.toStdString();
    // The conversion takes a "-" but not a "+".
    if (text.front() == '+')
        text.erase(0, 1);
    double parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    value = parsed;
    return true;
}

QString FormatReal17(double value)
{
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    if (error != std::errc())
        return {};
    return QString::fromLatin1(buffer, static_cast<int>(end - buffer));
}

} // namespace orvela::admin
