// orvela-admin: the command-line companion of Orvela. It answers fast because administrators
// script it over thousands of values: a plain main, no application object, no event loop.
// Arguments are read and results written as UTF-8 whatever the locale; the date and time
// separators come from the locale, as in the program.

#include "admin_command.h"
#include "admin_config.h"
#include "admin_db.h"
#include "admin_export.h"
#include "admin_password.h"
#include "admin_restore.h"
#include "admin_time.h"

#include "support/format_scan.h"
#include "support/locale_separators.h"

#include <QFile>

#include <algorithm>
#include <clocale>
#include <cstdio>

namespace {

using namespace orvela::admin;

const std::vector<CommandGroup>& CommandGroups()
{
    static const std::vector<CommandGroup> groups = {
        {"password", PasswordUsage, PasswordCommand},
        {"time", TimeUsage, TimeCommand},
        {"demo", DemoUsage, DemoCommand},
        {"feed", FeedUsage, FeedCommand},
        {"dsn", DsnUsage, DsnCommand},
        {"check", CheckUsage, CheckCommand},
        {"restore", RestoreUsage, RestoreCommand},
        {"config", ConfigUsage, ConfigCommand},
        {"export", ExportUsage, ExportCommand},
    };
    return groups;
}

QString AllUsage()
{
    QString usage;
    for (const CommandGroup& group : CommandGroups())
        usage += group.usage();
    return usage;
}

// What each command does, for --help: the first words of its usage line, then one line.
const std::vector<std::pair<const char*, const char*>>& Descriptions()
{
    static const std::vector<std::pair<const char*, const char*>> descriptions = {
        {"password encode", "the stored form of PASSWORD, for the key Password of \"Orvela.ovf\""},
        {"password decode", "the password that a stored form stands for"},
        {"time encode", "the station time (seconds since 1984-12-31 00:00:00) of a date and time"},
        {"time decode", "the date and time of station time T"},
        {"time offset", "a date and time moved by the given amounts, as a station time"},
        {"time relative", "the station time of a relative date expression, e.g. \"LAST 6 HOURS\""},
        {"time weekday", "the day of the week of a date: 1 Monday ... 7 Sunday"},
        {"time from-datetime", "the station time of day number D (days since 1899-12-30)"},
        {"time to-datetime", "the day number of station time T"},
        {"demo DIR", "a demo station database (SQLite) in DIR, its data source OrvelaDemo "
                     "registered for this user (login: demo, password demo), and an "
                     "\"Orvela.ovf\" connected to it"},
        {"demo --into", "the demo stations in the database of an existing data source that has "
                        "no station tables yet, and an \"Orvela.ovf\" connected to it"},
        {"feed", "play the data-collection system: a new reading per sensor every SECONDS "
                 "(60), until stopped"},
        {"dsn list", "the ODBC data sources the program offers: name, a tab, driver"},
        {"check", "connect as the program does; show the engine, the stations, the last update "
                  "and per sensor its latest value and its readings of the last 24 hours"},
        {"restore", "bring the program that has FILE (Orvela.ovf beside it) open to the front"},
        {"config get", "the value of KEY in SECTION of a configuration file (exit 1 when missing)"},
        {"config set", "write VALUE into a configuration file, keeping everything else in it"},
        {"export", "the readings of SENSOR at STATION from FROM to TO, both included, as CSV: "
                   "\"# station:\", \"# sensor:\" and \"# units:\" lines, \"time,value\", "
                   "then local time (YYYY-MM-DDTHH:MM:SS) and value, each value the double the "
                   "database holds; FROM and TO as 2026-12-10T13:00 or relative dates such as "
                   "\"LAST 6 HOURS\" and \"NOW\""},
    };
    return descriptions;
}

// `text` in lines of at most 80 columns, indented by six.
void WriteIndented(QTextStream& out, const QString& text)
{
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && 6 + line.size() + 1 + word.size() > 80) {
            out << "      " << line << '\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    out << "      " << line << '\n';
}

void WriteHelp(QTextStream& out)
{
    out << "orvela-admin " << ORVELA_VERSION
        << ": the command-line companion of Orvela, the station viewer.\n\n"
        << "usage: orvela-admin COMMAND [ARGUMENTS...]\n\n";
    for (const QString& line : AllUsage().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        out << "  " << line << '\n';
        for (const auto& [words, text] : Descriptions()) {
            const QString start = QLatin1String(words);
            if (line == start || line.startsWith(start + QLatin1Char(' '))) {
                WriteIndented(out, QString::fromUtf8(text));
                break;
            }
        }
    }
    out << "  --help, -h, help\n      this text\n"
        << "  --version\n      the version\n\n"
        << "Exit status: 0 done; 1 failed, with the reason on standard error after\n"
           "\"orvela-admin:\"; 2 wrong usage, with the usage on standard error.\n";
}

void UseUtf8(QTextStream& stream)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    stream.setCodec("UTF-8");
#else
    stream.setEncoding(QStringConverter::Utf8);
#endif
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    orvela::InitDateTimeTemplates(orvela::ReadLocaleSeparators());

    QFile outFile;
    QFile errFile;
    outFile.open(stdout, QIODevice::WriteOnly);
    errFile.open(stderr, QIODevice::WriteOnly);
    QTextStream out(&outFile);
    QTextStream err(&errFile);
    UseUtf8(out);
    UseUtf8(err);

    // Bytes that are not UTF-8 become U+FFFD, which a password turns into "?".
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromUtf8(argv[i]));

    int status = ExitUsage;
    if (args.isEmpty()) {
        status = UsageError(err, QString(), AllUsage());
    } else if (args.size() == 1 &&
               (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h") ||
                args.first() == QLatin1String("help"))) {
        WriteHelp(out);
        status = ExitDone;
    } else if (args.size() == 1 && args.first() == QLatin1String("--version")) {
        out << "orvela-admin " << ORVELA_VERSION << '\n';
        status = ExitDone;
    } else {
        const std::vector<CommandGroup>& groups = CommandGroups();
        const auto group = std::find_if(groups.begin(), groups.end(), [&](const CommandGroup& g) {
            return args.first() == QLatin1String(g.name);
        });
        if (group == groups.end())
            status = UsageError(err, QStringLiteral("unknown command \"%1\"").arg(args.first()),
                                AllUsage());
        else
            status = group->run(args.mid(1), out, err);
    }
    out.flush();
    err.flush();
    return status;
}
