#pragma once

// The password commands of orvela-admin: the stored form of the database password kept in
// "Orvela.ovf", made and read back as the program does.
//
//   password encode PASSWORD   the 40-character stored form, stamped with the local time now;
//                              a warning on standard error when it reads back otherwise
//   password decode STORED     the password read back (empty for a value that is not a stored
//                              form, as in the program)

#include "admin_command.h"

namespace orvela::admin {

QString PasswordUsage();
int PasswordCommand(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace orvela::admin
