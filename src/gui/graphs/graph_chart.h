#pragma once

// The chart of one graph position (teeGraph1 to teeGraph6): one line series of a sensor's
// readings over a time window that ends now. The bottom axis holds exactly the window and is
// labelled "dd/mm hh:nn" from the civil fields of its DateTime values; the left axis scales
// itself to the readings and is labelled "###0.00". Only the first chart zooms, by dragging a
// rectangle.

#include "core/graphs/graph_load_plan.h"
#include "core/graphs/graph_text.h"
#include "gui/graphs/graph_print.h"

#include <qwt_plot.h>

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QLabel;
class QwtPlotCurve;
class QwtPlotZoomer;

namespace orvela {

class EventPump;
class ReadingSeries;
class StationQueries;

// Where a graph breaks its line: between two neighbouring readings further apart than the
// limit, which is `limitMinutes` or, when that is 0 or below, five times the median spacing of
// the readings held.
struct GapRule
{
    static constexpr double MedianSpacings = 5.0;
    bool breakAtGaps = true;
    double limitMinutes = 0.0;

    friend bool operator==(const GapRule& a, const GapRule& b)
    {
        return a.breakAtGaps == b.breakAtGaps && a.limitMinutes == b.limitMinutes;
    }
};

class GraphChart : public QwtPlot
{
    Q_OBJECT
public:
    // `slot` is 1 to 6: the chart is named teeGraph(slot), its series LineSeries(slot).
    GraphChart(int slot, QWidget* parent = nullptr);

    int slot() const { return m_slot; }
    QwtPlotCurve* series() const { return m_series; }
    const ReadingSeries& readings() const { return *m_readings; }
    // The window the bottom axis shows while not zoomed.
    DateTime windowStart() const { return m_window.startDateTime(); }
    DateTime windowEnd() const { return m_window.endDateTime(); }
    const GraphWindow& window() const { return m_window; }
    // The zoom of the first chart; none on the others.
    QwtPlotZoomer* zoomer() const { return m_zoomer; }
    // The readings whose marker is drawn at the present scale: those standing apart from their
    // neighbours. The line and the cursor take every reading.
    std::vector<int> markedReadings() const;
    // The span of the last load ("24 hours"), shown beside the legend (lblSpanN).
    QString spanText() const;

    // The station (without surrounding blanks) and sensor of the last load.
    const QString& loadedStation() const { return m_loadedStation; }
    const QString& loadedSensor() const { return m_loadedSensor; }

    // Gaps break the line and a snapping cursor does not jump across them.
    void setGapRule(const GapRule& rule);
    const GapRule& gapRule() const { return m_gapRule; }
    // The spacing (in days) beyond which two neighbouring readings leave a gap: infinity when
    // the rule does not break the line or too few readings give no median.
    double gapLimit() const;

    // The title of the value axis; the main window writes "SENSOR (units)".
    void setValueAxisTitle(const QString& title);
    QString valueAxisTitle() const;

    // Loads the readings of `sensor` at `station` over the window of range `rangeIndex` (0 to
    // 5; another index takes range 2) that ends at the local clock's current second. The
    // series title becomes SeriesTitle(station, sensor); the query uses the station without
    // its surrounding blanks and the sensor as given. The caller passes the graph's configured
    // sensor name, whatever its chooser shows, so a graph whose chooser is empty still loads
    // its sensor.
    //
    // Where the last complete load of the same station, sensor, range and connection allows
    // it, only the readings from the newest one held on (less an overlap) are read, and the
    // series ends as a read of the whole window would leave it (GraphLoadPlan says when).
    //
    // Between readings `pump` lets the GUI process events, counting its interval from the
    // load's start. A load that such an event
    // supersedes (another LoadGraph of this chart), or that the pump's stop condition or a
    // closed connection ends, stops at once; the result is then false, and a stopped load
    // shows what it read so far. True when every reading was loaded. A failing query leaves
    // the series empty, with its new title and window, and throws DatabaseError.
    bool LoadGraph(const QString& station, const QString& sensor, int rangeIndex,
                   StationQueries& queries, EventPump& pump);
    bool isLoading() const { return m_loadDepth > 0; }
    // While a result is read, the database driver holds much of it in memory of its own, which
    // it frees at the statement's end; the C library keeps freed memory for later and hands
    // back to the system only what lies at the top of its heap, while the points allocated in
    // the meantime pin the rest. After loads that read this many rows, the free pages are worth
    // handing back: the main window holding six 3-day windows of one-second readings stayed at
    // 93 MB resident (SQLite) and 111 MB (PostgreSQL) without it, 66 and 69 MB with it. Not
    // after each load: the next statement would only take the pages again.
    static constexpr long long RowsWorthReturningMemory = 100000;
    static void ReturnFreedMemory();

    // The next load reads the whole window, whatever the last one was.
    void requireWholeWindow() { m_plan.RequireWholeWindow(); }
    // What the last load read: the whole window or only its newest part, and how many rows.
    bool lastLoadReadWholeWindow() const { return m_lastLoadWhole; }
    long long lastLoadRows() const { return m_lastLoadRows; }

    // Sets the bottom axis to `window` and, with `repaint`, shows it: the first half of a load.
    void showWindow(const GraphWindow& window, bool repaint = true);

    // How the chart prints: changed by the print preview, kept for the rest of the run.
    PrintSettings& printSettings() { return m_printSettings; }
    const PrintSettings& printSettings() const { return m_printSettings; }

    void updateLayout() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyFont();
    bool LoadGraphReadings(const GraphLoadKey& key, std::optional<StationTime> readFrom,
                           std::uint64_t load, StationQueries& queries, EventPump& pump);
    void restoreWindowAxes(bool repaint = true);
    void showRange(int rangeIndex);
    void placeSpan();
    // After a load, the first step of the zoom stack is the whole window again.
    void resetZoomBase();

    int m_slot;
    QwtPlotCurve* m_series = nullptr;
    ReadingSeries* m_readings = nullptr; // owned by m_series
    QwtPlotZoomer* m_zoomer = nullptr;
    QLabel* m_span = nullptr;
    GraphWindow m_window;
    std::uint64_t m_loadSerial = 0;
    int m_loadDepth = 0;
    GraphLoadPlan m_plan;
    bool m_lastLoadWhole = true;
    long long m_lastLoadRows = 0;
    PrintSettings m_printSettings;
    GapRule m_gapRule;
    QString m_loadedStation;
    QString m_loadedSensor;
};

} // namespace orvela
