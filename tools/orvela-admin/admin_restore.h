#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace orvela::admin {

QString RestoreUsage();
// "restore [FILE]": asks the program that has FILE open (by default "Orvela.ovf" beside this
// program) to come to the front. Exit 0 when a program took the request, 1 when none listens.
int RestoreCommand(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace orvela::admin
