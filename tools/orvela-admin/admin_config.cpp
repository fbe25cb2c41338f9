#include "admin_config.h"

#include "core/config/settings_store.h"

namespace orvela::admin {
namespace {

// A name that would break the file's layout: it could not be read back as written. The load
// strips control characters as well as blanks, and takes a line that begins with ";" for a
// comment.
bool IsValidName(const QString& name, bool isKey)
{
    if (name.trimmed().isEmpty() || name.trimmed() != name)
        return false;
    if (isKey && name.startsWith(QLatin1Char(';')))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('=') || c == QLatin1Char('[') || c == QLatin1Char(']') ||
            c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            return false;
    }
    return true;
}

} // namespace

QString ConfigUsage()
{
    return QStringLiteral("config get FILE SECTION KEY\nconfig set FILE SECTION KEY VALUE\n");
}

int ConfigCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const bool get = args.size() == 4 && args[0] == QLatin1String("get");
    const bool set = args.size() == 5 && args[0] == QLatin1String("set");
    if (!get && !set)
        return UsageError(err, QStringLiteral("config: wrong arguments"), ConfigUsage());
    const QString& section = args[2];
    const QString& key = args[3];
    if (!IsValidName(section, false) || !IsValidName(key, true))
        return UsageError(err,
                          QStringLiteral("config: a section or key may not hold \"=\", \"[\", "
                                         "\"]\", a line break, a control character or "
                                         "surrounding blanks, and a key may not begin with \";\""),
                          ConfigUsage());

    SettingsStore store(args[1]);
    if (!store.ok()) {
        err << "orvela-admin: config: " << store.errorText() << '\n';
        return ExitFailed;
    }
    if (!store.notice().isEmpty())
        err << "orvela-admin: config: " << store.notice() << '\n';
    if (get) {
        if (!store.contains(section, key))
            return ExitFailed;
        out << store.readString(section, key, QString()) << '\n';
        return ExitDone;
    }
    store.writeString(section, key, args[4]);
    if (!store.flush()) {
        err << "orvela-admin: config: " << store.errorText() << '\n';
        return ExitFailed;
    }
    out << section << '/' << key << '=' << store.readString(section, key, QString()) << '\n';
    return ExitDone;
}

} // namespace orvela::admin
