#include "gui/widgets/sensor_chooser.h"

#include <QComboBox>

namespace orvela {

void FillSensorChooser(QComboBox& chooser, const QStringList& sensors, const QString& configured)
{
    chooser.clear();
    chooser.addItems(sensors);
    int pick = -1;
    for (int i = 0; i < sensors.size(); ++i) {
        if (sensors.at(i).compare(configured, Qt::CaseInsensitive) == 0) {
            pick = i;
            break;
        }
    }
    chooser.setCurrentIndex(pick);
}

QString SavedSensorName(const QComboBox& chooser, const QString& configured)
{
    const QString shown = chooser.currentText();
    return shown.isEmpty() ? configured : shown;
}

} // namespace orvela
