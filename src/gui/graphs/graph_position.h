#pragma once

// One graph position of the "Graph Data" tab: a panel with the sensor chooser strip on top, the
// chart, and under it the read-out strip that shows the reading under the cursor. A toggle
// picture in the chart's top right corner switches the cursor; the strip shows while it is on.
// The position owns what its section of the configuration holds: its sensor, units, time range
// and gap rule.

#include "core/config/settings_keys.h"
#include "gui/graphs/graph_chart.h"

#include <QFrame>
#include <QPointF>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;

namespace orvela {

class EventPump;
class ReadOutCursor;
class SettingsStore;
class StationQueries;
struct CursorChange;

// The toggle picture of a graph's cursor (ImageN) in its 20 × 20 panel (pnlNCursor) with a
// bevel of 2 pixels: raised while the cursor is off, lowered while it is on.
class CursorToggle : public QFrame
{
    Q_OBJECT
public:
    static constexpr int Side = 20;
    static constexpr int PictureSide = 16;

    CursorToggle(int slot, QWidget* parent);
    QLabel* image() const { return m_image; }
    void setPressed(bool pressed);
    bool isPressed() const;

    // The small picture drawn for the toggle: a chart line crossed by a cursor.
    static QPixmap Picture();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* m_image = nullptr;
    bool m_pressedInside = false;
};

class GraphPosition : public QFrame
{
    Q_OBJECT
public:
    // The position of `entry`, one of settings::GraphPositions.
    GraphPosition(const settings::Position& entry, QWidget* parent);

    int slot() const { return m_entry.slot; }
    QComboBox* chooser() const { return m_chooser; }
    GraphChart* chart() const { return m_chart; }
    // The chart: the object the popup commands act on.
    QWidget* display() const;
    // pnl24Hour(slot)Bottom and its label lbl24Hour(slot)Bottom.
    QFrame* readOutBar() const { return m_readOut; }
    QLabel* readOutLabel() const { return m_readOutText; }
    // pnl(slot)Cursor holding Image(slot).
    CursorToggle* cursorToggle() const { return m_toggle; }
    // cursorTool(slot).
    ReadOutCursor* cursor() const { return m_cursor; }
    bool isCursorOn() const { return m_cursorOn; }

    // The configured sensor (the position's GraphSensorNames entry): what the chooser picks when
    // it is filled and what the graph loads, replaced when the operator picks another.
    const QString& sensorName() const { return m_sensorName; }
    void setSensorName(const QString& name) { m_sensorName = name; }
    // The position's SlotUnits entry.
    const QString& units() const { return m_units; }
    void setUnits(const QString& units) { m_units = units; }
    // The position's GraphTimeRanges entry, the decimal text of a range index, and that index
    // (DefaultGraphRange for a text that is no whole number).
    const QString& timeRange() const { return m_timeRange; }
    void setTimeRange(const QString& entry) { m_timeRange = entry; }
    int rangeIndex() const;
    void fillChooser(const QStringList& stationSensors);
    // The value axis title: the chooser's text and the units.
    void refreshCaption();

    // The position's section; a time range that is no index 0 to 5 reads as the default.
    void loadSettings(const SettingsStore& store);
    void saveSettings(SettingsStore& store) const;

    // This graph's part of HideCursors: the cursor inactive, the strip hidden, the switch off
    // and the toggle raised. The read-out keeps its text for the next time the cursor is on.
    void hideCursor();
    // The toggle picture's click: switches the cursor, the strip and the bevel.
    void ImageClick();
    // A move of the cursor: the first move that is not on a reading switches snapping on and
    // writes nothing; a move on a reading writes "dd/mm/yyyy hh:nn:ss, #.00". With the second
    // cursor pinned the read-out shows both readings and their differences (CursorPairText) on
    // two lines; a snapping cursor in a gap of the line names the gap (GapReadOutText).
    void cursorToolChange(const CursorChange& change);

    // The popup menu's "Second Cursor": pins the second cursor on the reading nearest to where
    // the menu was opened (not across a gap) and switches the cursor on; false when there is
    // no such reading. Clearing takes it away; the first cursor stays as it is.
    bool pinSecondCursor();
    void clearSecondCursor();
    bool hasSecondCursor() const;
    // The popup menu's "Second Cursor" and "Break Line at Gaps": each switches its state.
    void toggleSecondCursor();
    void toggleBreakAtGaps();

    // Loads the graph (GraphChart::LoadGraph). `sensor` is the configured sensor name (the
    // GraphSensorNames entry), not the chooser's text.
    bool LoadGraph(const QString& station, const QString& sensor, int rangeIndex,
                   StationQueries& queries, EventPump& pump);

    // The "Edit Time Range" command once the graph is known: the time-range dialog on the index
    // held in `rangeEntry` (the graph's GraphTimeRanges entry); with OK the chosen index is
    // stored back as decimal text. Then, whatever the result, `reload(index)` reloads this
    // graph, so Cancel reloads it with its old range. Every failure (an entry that is no whole
    // number, a failing query) is dropped without a message.
    void EditTimeRange(QString& rangeEntry, const std::function<void(int rangeIndex)>& reload);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeToggle();
    void setCursorOn(bool on);
    void writeReadOut();

    const settings::Position& m_entry;
    QString m_sensorName;
    QString m_units;
    QString m_timeRange = settings::DefaultTimeRange;
    QComboBox* m_chooser = nullptr;
    GraphChart* m_chart = nullptr;
    CursorToggle* m_toggle = nullptr;
    ReadOutCursor* m_cursor = nullptr;
    QFrame* m_readOut = nullptr;
    QLabel* m_readOutText = nullptr;
    bool m_cursorOn = false;
    // What the first cursor last stood on: a reading, or a gap between two times.
    std::optional<QPointF> m_firstReading;
    std::optional<QPointF> m_gap;
};

} // namespace orvela
