#include "gui/app/config_check.h"

#include "core/config/config_access.h"
#include "gui/messages/frm_log.h"

#include <QDir>

namespace orvela {

QString UnsavableConfigLine(const QString& path, bool chosenByOption)
{
    const QString problem = ConfigWriteProblem(path);
    if (problem.isEmpty())
        return QString();
    QString line = QStringLiteral("The configuration %1 cannot be saved: %2")
                       .arg(QDir::toNativeSeparators(path), problem);
    if (!chosenByOption)
        line += QStringLiteral("; choices made now are lost at the close. Start Orvela with "
                               "--config FILE, naming a file you may write");
    return line;
}

QString ReportUnsavableConfig(TfrmLog& log, const QString& path, bool chosenByOption)
{
    const QString line = UnsavableConfigLine(path, chosenByOption);
    if (!line.isEmpty())
        log.AddStatusLine(line);
    return line;
}

} // namespace orvela
