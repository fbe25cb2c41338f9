#include "gui/graphs/graph_position.h"

#include "core/config/settings_store.h"
#include "gui/graphs/frm_time_range.h"
#include "gui/graphs/graph_cursor.h"
#include "gui/graphs/reading_series.h"
#include "gui/widgets/fonts.h"
#include "gui/widgets/sensor_chooser.h"

#include <qwt_plot_curve.h>

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace orvela {
namespace {

constexpr int ChooserStripHeight = 28;
constexpr int ReadOutHeight = 21;
// Two lines of the read-out, for two cursors.
constexpr int TwoLineReadOutHeight = 34;
constexpr int ToggleTop = 8;
constexpr int ToggleRight = 6;
const QColor Cream(255, 251, 240);

} // namespace

CursorToggle::CursorToggle(int slot, QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("pnl%1Cursor").arg(slot));
    setFrameShape(QFrame::Panel);
    setLineWidth(2);
    setFrameShadow(QFrame::Raised);
    setFixedSize(Side, Side);
    // The toggle has no popup menu of its own and passes none on to the chart.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Cursor"));

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image%1").arg(slot));
    m_image->setGeometry(2, 2, PictureSide, PictureSide);
    m_image->setPixmap(Picture());
    m_image->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QPixmap CursorToggle::Picture()
{
    QPixmap picture(PictureSide, PictureSide);
    picture.fill(QColor(250, 250, 250));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Axes.
    painter.setPen(QColor(90, 90, 90));
    painter.drawLine(2, 1, 2, 13);
    painter.drawLine(2, 13, 14, 13);
    // A jagged reading line.
    painter.setPen(QPen(QColor(0, 0, 220), 1.0));
    const QPoint line[] = {{3, 10}, {5, 7}, {7, 9}, {9, 4}, {11, 6}, {14, 3}};
    painter.drawPolyline(line, 6);
    // The cursor crossing it, with the reading it stands on.
    painter.setPen(QColor(200, 0, 0));
    painter.drawLine(9, 1, 9, 12);
    painter.fillRect(8, 3, 3, 3, QColor(200, 0, 0));
    return picture;
}

void CursorToggle::setPressed(bool pressed)
{
    setFrameShadow(pressed ? QFrame::Sunken : QFrame::Raised);
}

bool CursorToggle::isPressed() const
{
    return frameShadow() == QFrame::Sunken;
}

void CursorToggle::mousePressEvent(QMouseEvent* event)
{
    m_pressedInside = event->button() == Qt::LeftButton;
    event->accept();
}

void CursorToggle::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click =
        m_pressedInside && event->button() == Qt::LeftButton && rect().contains(event->pos());
    m_pressedInside = false;
    event->accept();
    if (click)
        emit clicked();
}

GraphPosition::GraphPosition(const settings::Position& entry, QWidget* parent)
    : QFrame(parent), m_entry(entry)
{
    const int slot = entry.slot;
    setObjectName(QStringLiteral("pnlGraph%1").arg(slot));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);

    auto* strip = new QFrame(this);
    strip->setObjectName(QStringLiteral("pnlChooser%1").arg(entry.chooser));
    strip->setFrameShape(QFrame::Panel);
    strip->setFrameShadow(QFrame::Raised);
    strip->setFixedHeight(ChooserStripHeight);
    m_chooser = new QComboBox(strip);
    m_chooser->setObjectName(QStringLiteral("cbxSensors%1").arg(entry.chooser));
    m_chooser->setEditable(false);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 3, 4, 3);
    stripLayout->addWidget(m_chooser);

    m_chart = new GraphChart(slot, this);
    m_toggle = new CursorToggle(slot, m_chart);
    m_cursor = new ReadOutCursor(*m_chart);
    m_chart->installEventFilter(this);

    m_readOut = new QFrame(this);
    m_readOut->setObjectName(QStringLiteral("pnl24Hour%1Bottom").arg(slot));
    m_readOut->setFrameShape(QFrame::Panel);
    m_readOut->setFrameShadow(QFrame::Sunken);
    m_readOut->setFixedHeight(ReadOutHeight);
    m_readOut->setAutoFillBackground(true);
    QPalette cream = m_readOut->palette();
    cream.setColor(QPalette::Window, Cream);
    cream.setColor(QPalette::WindowText, QColor(0, 0, 128));
    m_readOut->setPalette(cream);
    m_readOutText = new QLabel(m_readOut);
    m_readOutText->setObjectName(QStringLiteral("lbl24Hour%1Bottom").arg(slot));
    m_readOutText->setAlignment(Qt::AlignCenter);
    m_readOutText->setFont(ArialPixels(11));
    auto* readOutLayout = new QHBoxLayout(m_readOut);
    readOutLayout->setContentsMargins(2, 1, 2, 1);
    readOutLayout->addWidget(m_readOutText);

    // Hiding the read-out strip gives its room to the chart.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);
    layout->addWidget(strip);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_readOut);

    connect(m_toggle, &CursorToggle::clicked, this, &GraphPosition::ImageClick);
    connect(m_cursor, &ReadOutCursor::changed, this, &GraphPosition::cursorToolChange);
    connect(m_cursor, &ReadOutCursor::secondChanged, this, &GraphPosition::writeReadOut);
    setCursorOn(false);
    placeToggle();
}

QWidget* GraphPosition::display() const
{
    return m_chart;
}

int GraphPosition::rangeIndex() const
{
    bool whole = false;
    const int index = m_timeRange.toInt(&whole);
    return whole ? index : DefaultGraphRange;
}

void GraphPosition::fillChooser(const QStringList& stationSensors)
{
    FillSensorChooser(*m_chooser, stationSensors, m_sensorName);
}

void GraphPosition::refreshCaption()
{
    m_chart->setValueAxisTitle(m_chooser->currentText() + QStringLiteral(" (") + m_units +
                               QLatin1Char(')'));
}

void GraphPosition::loadSettings(const SettingsStore& store)
{
    namespace keys = settings;
    const QString section = m_entry.section;
    m_sensorName = store.readString(section, keys::Name, QString());
    m_units = store.readString(section, keys::Units, QString());
    const QString range = store.readString(section, keys::TimeRange, keys::DefaultTimeRange);
    bool whole = false;
    const int index = range.toInt(&whole);
    m_timeRange = whole && index >= 0 && index <= keys::MaxTimeRange
                      ? range
                      : QString(keys::DefaultTimeRange);
    m_chart->setGapRule({store.readBool(section, keys::BreakAtGaps, keys::DefaultBreakAtGaps),
                         store.readReal(section, keys::GapMinutes, keys::DefaultGapMinutes)});
}

void GraphPosition::saveSettings(SettingsStore& store) const
{
    namespace keys = settings;
    const QString section = m_entry.section;
    store.writeString(section, keys::Name, SavedSensorName(*m_chooser, m_sensorName));
    store.writeString(section, keys::Units, m_units);
    store.writeString(section, keys::TimeRange, m_timeRange);
    // Keys beyond the first layout stand after it, so an older desk reads the file as before
    // and an operator editing it finds every setting.
    const GapRule& gaps = m_chart->gapRule();
    store.writeBool(section, keys::BreakAtGaps, gaps.breakAtGaps);
    store.writeReal(section, keys::GapMinutes, gaps.limitMinutes);
}

bool GraphPosition::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_chart && event->type() == QEvent::Resize)
        placeToggle();
    return QFrame::eventFilter(watched, event);
}

void GraphPosition::placeToggle()
{
    m_toggle->move(m_chart->width() - CursorToggle::Side - ToggleRight, ToggleTop);
    m_toggle->raise();
}

void GraphPosition::setCursorOn(bool on)
{
    m_cursorOn = on;
    m_cursor->setActive(on);
    m_readOut->setVisible(on);
    m_toggle->setPressed(on);
}

void GraphPosition::hideCursor()
{
    setCursorOn(false);
}

void GraphPosition::ImageClick()
{
    setCursorOn(!m_cursorOn);
}

void GraphPosition::cursorToolChange(const CursorChange& change)
{
    if (change.series == nullptr)
        return;
    const ReadingSeries& readings = m_chart->readings();
    if (change.pointIndex < 0) {
        m_cursor->setSnap(true);
        // Only a snapping cursor, which would otherwise have jumped across it, finds a gap.
        if (change.inGap) {
            m_firstReading.reset();
            m_gap = QPointF(change.gapFrom, change.gapTo);
            writeReadOut();
        }
        return;
    }
    if (change.pointIndex >= static_cast<int>(readings.size()))
        return;
    m_firstReading = QPointF(change.x, readings.at(change.pointIndex).y());
    m_gap.reset();
    writeReadOut();
}

void GraphPosition::writeReadOut()
{
    const std::optional<QPointF>& second = m_cursor->second();
    const auto reading = [](const QPointF& r) {
        return ReadOutTimeText(r.x()) + QStringLiteral(", ") + ReadOutValueText(r.y());
    };
    QString text;
    if (m_gap)
        text = GapReadOutText(m_gap->x(), m_gap->y());
    else if (m_firstReading && second)
        text = CursorPairText(m_firstReading->x(), m_firstReading->y(), second->x(), second->y());
    else if (m_firstReading)
        text = reading(*m_firstReading);
    if (second && (m_gap || !m_firstReading))
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) +
                QStringLiteral("Second cursor: ") + reading(*second);
    // With nothing to show, the cursor never stood on a reading, so the read-out was empty
    // before a second cursor came and went.
    m_readOutText->setText(text);
    m_readOut->setFixedHeight(text.contains(QLatin1Char('\n')) ? TwoLineReadOutHeight
                                                               : ReadOutHeight);
}

bool GraphPosition::pinSecondCursor()
{
    if (!m_cursor->pinSecond(m_cursor->popupPoint()))
        return false;
    if (!m_cursorOn)
        setCursorOn(true);
    return true;
}

void GraphPosition::clearSecondCursor()
{
    m_cursor->setSecond(std::nullopt);
}

bool GraphPosition::hasSecondCursor() const
{
    return m_cursor->second().has_value();
}

void GraphPosition::toggleSecondCursor()
{
    if (hasSecondCursor())
        clearSecondCursor();
    else
        pinSecondCursor();
}

void GraphPosition::toggleBreakAtGaps()
{
    GapRule rule = m_chart->gapRule();
    rule.breakAtGaps = !rule.breakAtGaps;
    m_chart->setGapRule(rule);
}

bool GraphPosition::LoadGraph(const QString& station, const QString& sensor, int rangeIndex,
                              StationQueries& queries, EventPump& pump)
{
    return m_chart->LoadGraph(station, sensor, rangeIndex, queries, pump);
}

void GraphPosition::EditTimeRange(QString& rangeEntry,
                                  const std::function<void(int rangeIndex)>& reload)
{
    try {
        bool whole = false;
        int index = rangeEntry.toInt(&whole);
        if (!whole)
            return;
        {
            TfrmTimeRange dialog(index, window());
            if (dialog.exec() == QDialog::Accepted)
                rangeEntry = QString::number(index);
        }
        if (reload)
            reload(index);
    } catch (...) {
        // The command drops every failure without a message.
    }
}

} // namespace orvela
