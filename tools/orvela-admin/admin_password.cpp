#include "admin_password.h"

#include "core/db/password_scrambler.h"

namespace orvela::admin {

namespace {

const std::vector<Subcommand>& PasswordCommands()
{
    static const std::vector<Subcommand> commands = {
        {"encode",
         {"PASSWORD"},
         0,
         [](const QStringList& words, QTextStream& out, QString&) {
             out << QString::fromStdU16String(EncodeStoredPassword(words[0].toStdU16String()))
                 << '\n';
             return true;
         }},
        {"decode",
         {"STORED"},
         0,
         [](const QStringList& words, QTextStream& out, QString&) {
             out << QString::fromStdU16String(DecodeStoredPassword(words[0].toStdU16String()))
                 << '\n';
             return true;
         }},
    };
    return commands;
}

} // namespace

QString PasswordUsage()
{
    return SubcommandUsage("password", PasswordCommands());
}

int PasswordCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const int status = RunSubcommand("password", PasswordCommands(), args, out, err);
    // The stored form stays what other desks read; whoever stores it learns what it gives back.
    if (status == ExitDone && args.first() == QLatin1String("encode")) {
        const std::u16string typed = args.at(1).toStdU16String();
        const std::u16string back = ReadBackPassword(typed);
        if (back != typed)
            err << "orvela-admin: warning: this password cannot be stored as typed; it will read "
                   "back as \""
                << QString::fromStdU16String(back) << "\"\n";
        err.flush();
    }
    return status;
}

} // namespace orvela::admin
