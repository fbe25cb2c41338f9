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
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        status = UsageError(err, QString(), AllUsage());
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
