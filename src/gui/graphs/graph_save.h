#pragma once

// The graphs' "Export Data..." and "Save Picture...": the readings a graph shows as CSV
// (graph_export.h), and the graph as shown, with its cursors and span, as a PNG or SVG picture.
// Either file appears whole under the chosen name or not at all.
//
// The export reads the readings of the shown range once more, with each value exactly as the
// database holds it (StationQueries::ReadTimeRangeExact), so that it writes what "orvela-admin
// export" writes for the same range, digit for digit.

#include <QString>

class QWidget;

namespace orvela {

class GraphChart;
class ReadOutCursor;
class StationQueries;

// The readings of the station and sensor `chart` loaded, within its bottom axis as it stands (a
// zoom included, both ends included), with `units` in the header. A failing read is reported in
// `error` and leaves no file.
bool ExportGraphData(const GraphChart& chart, const QString& units, StationQueries& queries,
                     const QString& path, QString& error);

// The picture's kind by the name's suffix, whatever its case: PNG for ".png", SVG (through the
// toolkit's SVG generator) for ".svg"; any other name is refused with `error` set.
bool SaveGraphPicture(GraphChart& chart, const ReadOutCursor& cursor, const QString& path,
                      QString& error);

// The two commands: a save dialog through the prompter, in the folder used last in this run,
// then the file; a failure is shown in an error box over `parent`. Cancelling does nothing.
void ExportGraphDataCommand(const GraphChart& chart, const QString& units, StationQueries& queries,
                            QWidget* parent);
void SaveGraphPictureCommand(GraphChart& chart, const ReadOutCursor& cursor, QWidget* parent);

} // namespace orvela
