#pragma once

// What the command groups of orvela-admin share: the group table entry, the usage message, the
// dispatch of a group's fixed-arity commands, and the strict readers of numeric words.
//
// A command group is the first word of the command line ("password", "time", ...). Its
// function receives the words after that first word, writes its result on `out` and any
// complaint on `err`, and returns the exit status. Adding a group means one file with its
// function and usage, and one row in the table of main.cpp.

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdint>
#include <vector>

namespace orvela::admin {

enum ExitStatus : int
{
    ExitDone = 0,
    ExitFailed = 1,
    ExitUsage = 2,
};

using CommandFunction = int (*)(const QStringList& args, QTextStream& out, QTextStream& err);

struct CommandGroup
{
    const char* name;
    // The group's usage lines, each without the program name ("time decode T").
    QString (*usage)();
    CommandFunction run;
};

// Writes `problem` (when not empty) and then each usage line after "usage: orvela-admin " on
// `err`; returns ExitUsage.
int UsageError(QTextStream& err, const QString& problem, const QString& usage);
// Writes each line of `text` after "orvela-admin: " on `err`; returns ExitFailed.
int Failure(QTextStream& err, const QString& text);

// A command of a group that takes a fixed list of words, of which the last `optional` may be
// left out, and prints one result line.
struct Subcommand
{
    const char* name;
    std::vector<const char*> parameters;
    int optional;
    // Writes the result line on `out`; false, with `problem` set and nothing written, when a
    // word is not what the command takes.
    bool (*run)(const QStringList& words, QTextStream& out, QString& problem);
};

QString SubcommandUsage(const char* group, const std::vector<Subcommand>& commands);
// Finds the command named by the first of `args`, checks the number of words after it and
// runs it: ExitDone, or ExitUsage with the group's usage on `err`.
int RunSubcommand(const char* group, const std::vector<Subcommand>& commands,
                  const QStringList& args, QTextStream& out, QTextStream& err);

// A decimal integer with an optional "+" or "-" that fits 32 bits; nothing else, no blanks.
bool ParseInt32(const QString& word, std::int32_t& value);
// Reads every word as ParseInt32 does; `problem` names the first one that is not a number.
bool ParseInt32Words(const QStringList& words, std::vector<std::int32_t>& values, QString& problem);
// A decimal real with "." as the decimal point whatever the locale: an optional sign, digits
// with an optional fraction, an optional exponent. Infinities, NaN and values beyond the range
// of a double are refused.
bool ParseDecimalReal(const QString& word, double& value);
// The shortest text that "%.17g" gives in the C locale.
QString FormatReal17(double value);

} // namespace orvela::admin
