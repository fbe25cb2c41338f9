#include "gui/live/live_data_tab.h"

#include "core/config/settings_keys.h"
#include "gui/live/live_position.h"
#include "gui/live/station_panel.h"

#include <QComboBox>

namespace orvela {
namespace {

// The panels' places at the design size, in the order of settings::LivePositions.
const std::array<QRect, LiveDataTab::PositionCount> PositionPlaces = {{{1, 0, 272, 315},
                                                                       {273, 0, 272, 316},
                                                                       {546, 0, 272, 316},
                                                                       {818, 0, 272, 316},
                                                                       {-1, 316, 440, 326},
                                                                       {440, 316, 440, 326},
                                                                       {881, 316, 440, 326}}};
const QRect StationPanelPlace(1090, 0, 231, 316);

} // namespace

LiveDataTab::LiveDataTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tabLiveData"));
    static_assert(settings::LivePositions.size() == PositionCount);
    for (std::size_t i = 0; i < m_positions.size(); ++i)
        m_positions.at(i) = new LivePosition(settings::LivePositions.at(i), this);
    m_stationPanel = new StationPanel(this);
    for (const auto& [panel, place] : designPlaces())
        panel->setGeometry(place);
    for (LivePosition* position : m_positions) {
        QComboBox* box = position->chooser();
        connect(box, QOverload<int>::of(&QComboBox::activated), this,
                [this, box](int) { emit sensorPicked(box); });
    }
}

LivePosition* LiveDataTab::position(int slot) const
{
    for (LivePosition* position : m_positions)
        if (position->slot() == slot)
            return position;
    return nullptr;
}

LivePosition* LiveDataTab::windPosition() const
{
    for (LivePosition* position : m_positions)
        if (position->kind() == settings::PositionKind::WindChart)
            return position;
    return nullptr;
}

LivePosition* LiveDataTab::positionOf(const QObject* object) const
{
    for (LivePosition* position : m_positions)
        if (object && (position->chooser() == object || position->display() == object))
            return position;
    return nullptr;
}

std::vector<std::pair<QWidget*, QRect>> LiveDataTab::designPlaces() const
{
    std::vector<std::pair<QWidget*, QRect>> places;
    for (std::size_t i = 0; i < m_positions.size(); ++i)
        places.emplace_back(m_positions.at(i), PositionPlaces.at(i));
    places.emplace_back(m_stationPanel, StationPanelPlace);
    return places;
}

bool LiveDataTab::loadSettings(const SettingsStore& store)
{
    bool applying = true;
    for (LivePosition* position : m_positions)
        applying = position->loadSettings(store, applying) && applying;
    return applying;
}

void LiveDataTab::saveSettings(SettingsStore& store) const
{
    for (const LivePosition* position : m_positions)
        position->saveSettings(store);
}

void LiveDataTab::fillChoosers(const QStringList& stationSensors)
{
    for (LivePosition* position : m_positions)
        position->fillChooser(stationSensors);
}

void LiveDataTab::refreshCaptions(const QString& station)
{
    for (LivePosition* position : m_positions)
        if (position->hasGaugeLimits())
            position->refreshCaption(station);
}

QStringList LiveDataTab::refreshGauges(const QString& station, StationQueries& queries)
{
    QStringList alarms;
    for (LivePosition* position : m_positions)
        if (position->hasGaugeLimits())
            alarms << position->refresh(station, queries);
    return alarms;
}

QStringList LiveDataTab::judgeAges(DateTime now, std::int64_t limitSeconds)
{
    QVector<StaleLog::Item> judged;
    m_stationPanel->showAge(now, limitSeconds);
    if (const std::optional<StaleLog::Item> station = m_stationPanel->staleItem())
        judged << *station;
    for (LivePosition* position : m_positions) {
        position->showAge(now, limitSeconds);
        const ReadingWatch& watch = position->watch();
        if (watch.hasTime())
            judged << StaleLog::Item{QStringLiteral("sensor ") + watch.source(), watch.ageLevel(),
                                     watch.ageSeconds(), watch.time()};
    }
    return m_staleLog.update(judged);
}

QStringList LiveDataTab::sensorNames() const
{
    QStringList names;
    for (const LivePosition* position : m_positions)
        names << position->sensorName();
    return names;
}

QStringList LiveDataTab::units() const
{
    QStringList units;
    for (const LivePosition* position : m_positions)
        units << position->units();
    return units;
}

} // namespace orvela
