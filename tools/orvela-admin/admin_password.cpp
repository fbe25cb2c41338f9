#include "admin_password.h"

#include "db/password_scrambler.h"

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
    return RunSubcommand("password", PasswordCommands(), args, out, err);
}

} // namespace orvela::admin
