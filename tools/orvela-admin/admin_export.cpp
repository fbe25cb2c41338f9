#include "admin_export.h"

#include "admin_command.h"
#include "admin_db.h"

#include "core/db/station_database.h"
#include "core/db/station_queries.h"
#include "core/graphs/graph_export.h"
#include "support/format_scan.h"
#include "support/relative_date.h"

#include <QDate>
#include <QFileDevice>
#include <QIODevice>
#include <QRegularExpression>

#include <optional>

namespace orvela::admin {
namespace {

// Leaves the reading of the rows once standard output refuses them.
struct OutputFailed
{};

int ExportFailure(QTextStream& err, const QString& text)
{
    return Failure(err, QStringLiteral("export: ") + text);
}

// An ISO 8601 date with an optional time (minutes, optionally seconds) after "T" or a blank.
std::optional<DateTime> IsoDateTime(const QString& word)
{
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[T ](\\d{2}):(\\d{2})(?::(\\d{2}))?)?$"));
    const QRegularExpressionMatch match = iso.match(word);
    if (!match.hasMatch())
        return std::nullopt;
    const auto field = [&](int n) { return match.captured(n).toInt(); };
    const int hour = field(4);
    const int minute = field(5);
    const int second = field(6);
    if (!QDate::isValid(field(1), field(2), field(3)) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return CivilToDateTime(field(1), field(2), field(3), hour, minute, second);
}

// A date-time or, for a word that does not begin like an ISO date, a relative date expression
// (a word that the expressions do not know reads as the start of the current hour).
bool ReadTimeWord(const QString& word, DateTime& time, QString& problem)
{
    const QString trimmed = word.trimmed();
    static const QRegularExpression isoStart(QStringLiteral("^\\d{4}-"));
    if (trimmed.isEmpty()) {
        problem = QStringLiteral("export: a time is empty");
        return false;
    }
    if (isoStart.match(trimmed).hasMatch()) {
        const std::optional<DateTime> iso = IsoDateTime(trimmed);
        if (!iso) {
            problem = QStringLiteral("export: \"%1\" is not a date-time "
                                     "(YYYY-MM-DD, YYYY-MM-DDTHH:MM or YYYY-MM-DDTHH:MM:SS)")
                          .arg(word);
            return false;
        }
        time = *iso;
        return true;
    }
    time = StationTimeToDateTime(EvaluateRelativeDate(trimmed.toStdU16String(), 0));
    return true;
}

bool ListHolds(const QString& commaList, const QString& name)
{
    for (const Text& item : CommaListItems(commaList.toStdU16String()))
        if (QString::fromStdU16String(item) == name)
            return true;
    return false;
}

} // namespace

QString ExportUsage()
{
    return QStringLiteral("export DSN USER PASSWORD STATION SENSOR FROM TO [--units UNITS]\n");
}

int ExportCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QString units;
    if (args.size() == 9 && args[7] == QLatin1String("--units"))
        units = args[8];
    else if (args.size() != 7)
        return UsageError(err, QStringLiteral("export: wrong arguments"), ExportUsage());
    DateTime from = 0;
    DateTime to = 0;
    QString problem;
    if (!ReadTimeWord(args[5], from, problem) || !ReadTimeWord(args[6], to, problem))
        return UsageError(err, problem, ExportUsage());
    if (from > to)
        return UsageError(err, QStringLiteral("export: FROM lies after TO"), ExportUsage());
    const QString station = AsciiUpper(args[3].trimmed());
    const QString sensor = AsciiUpper(args[4]);

    SqlPluginScope plugins;
    StationDatabase database(QStringLiteral("OrvelaExport"));
    const ConnectResult connected = database.ConnectDatabase(args[0], args[1], args[2]);
    if (!connected.ok)
        return ConnectionFailure(err, QStringLiteral("export"), args[0], connected.errorText);
    QIODevice* device = out.device();
    try {
        StationQueries queries(database);
        QString stations;
        queries.LoadStationList(stations);
        if (!ListHolds(stations, station))
            return ExportFailure(err, QStringLiteral("there is no station \"%1\"").arg(station));
        QStringList sensors;
        queries.LoadStationSensors(station, sensors);
        if (!sensors.contains(sensor))
            return ExportFailure(
                err, QStringLiteral("station \"%1\" has no sensor \"%2\"").arg(station, sensor));

        out.flush();
        ReadingCsvWriter writer(*device);
        writer.writeHeader({station, sensor, units});
        queries.ReadTimeRangeExact(station, sensor, from, to, [&](DateTime time, double value) {
            writer.writeReading(time, value);
            if (!writer.ok())
                throw OutputFailed{};
        });
    } catch (const DatabaseError& error) {
        return ExportFailure(err, error.text());
    } catch (const OutputFailed&) {
        return ExportFailure(err, QStringLiteral("standard output could not be written: ") +
                                      device->errorString());
    }
    auto* file = qobject_cast<QFileDevice*>(device);
    if (file && !file->flush())
        return ExportFailure(err, QStringLiteral("standard output could not be written: ") +
                                      file->errorString());
    return ExitDone;
}

} // namespace orvela::admin
