#pragma once

// The sensor chooser on top of every position: the station's sensors, with the position's
// configured sensor picked.

#include <QString>
#include <QStringList>

class QComboBox;

namespace orvela {

// Empties `chooser`, fills it with `sensors` and picks the item equal to `configured`, letter
// case aside; without one nothing is picked and the chooser's text is empty.
void FillSensorChooser(QComboBox& chooser, const QStringList& sensors, const QString& configured);

// The sensor a position saves: what its chooser shows, or the configured one when it shows
// nothing (never filled because the database was down at the start), so that a start without
// the database does not wipe the operator's choices.
QString SavedSensorName(const QComboBox& chooser, const QString& configured);

} // namespace orvela
