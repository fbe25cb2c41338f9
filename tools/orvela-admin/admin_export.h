#pragma once

// export DSN USER PASSWORD STATION SENSOR FROM TO [--units UNITS]
//     the sensor's readings from FROM to TO, both included, as the graphs' "Export Data..."
//     writes them (graph_export.h), on standard output. FROM and TO are ISO 8601 local
//     date-times (2005-03-02, 2005-03-02T14:30, 2005-03-02 14:30:15) or relative date
//     expressions ("LAST 6 HOURS", "NOW", "03/02/2005 14:30:00", "TODAY-0/1/0"). UNITS goes
//     into the header. Exit status 0 done, 1 failed (the reason after "orvela-admin: export:"
//     on standard error), 2 wrong usage.

#include <QStringList>
#include <QTextStream>

namespace orvela::admin {

QString ExportUsage();
int ExportCommand(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace orvela::admin
