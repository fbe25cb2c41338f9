#pragma once

// The configuration commands of orvela-admin, through the program's own configuration store
// (same parsing, same atomic save, same owner-only mode for a new file):
//
//   config get FILE SECTION KEY         the value; a missing key prints nothing and exits 1
//   config set FILE SECTION KEY VALUE   writes the value; other sections and keys stay

#include "admin_command.h"

namespace orvela::admin {

QString ConfigUsage();
int ConfigCommand(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace orvela::admin
