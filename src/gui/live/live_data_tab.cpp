#include "gui/live/live_data_tab.h"

#include "gui/live/station_panel.h"

namespace orvela {
namespace {

// The panels' places at the design size, in the order of settings::LivePositions.
const std::array<QRect, settings::LivePositions.size()> PositionPlaces = {{{1, 0, 272, 315},
                                                                           {273, 0, 272, 316},
                                                                           {546, 0, 272, 316},
                                                                           {818, 0, 272, 316},
                                                                           {-1, 316, 440, 326},
                                                                           {440, 316, 440, 326},
                                                                           {881, 316, 440, 326}}};
const QRect StationPanelPlace(1090, 0, 231, 316);

} // namespace

LiveDataTab::LiveDataTab(QWidget* parent)
    : PositionTab(QStringLiteral("tabLiveData"), settings::LivePositions, PositionPlaces, parent)
{
    m_stationPanel = new StationPanel(this);
    addPanel(m_stationPanel, StationPanelPlace);
}

LivePosition* LiveDataTab::windPosition() const
{
    for (LivePosition* position : positions())
        if (position->kind() == settings::PositionKind::WindChart)
            return position;
    return nullptr;
}

bool LiveDataTab::loadSettings(const SettingsStore& store)
{
    bool applying = true;
    for (LivePosition* position : positions())
        applying = position->loadSettings(store, applying) && applying;
    return applying;
}

void LiveDataTab::refreshCaptions(const QString& station)
{
    for (LivePosition* position : positions())
        if (position->hasGaugeLimits())
            position->refreshCaption(station);
}

QStringList LiveDataTab::refreshGauges(const QString& station, StationQueries& queries)
{
    QStringList alarms;
    for (LivePosition* position : positions())
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
    for (LivePosition* position : positions()) {
        position->showAge(now, limitSeconds);
        const ReadingWatch& watch = position->watch();
        if (watch.hasTime())
            judged << StaleLog::Item{QStringLiteral("sensor ") + watch.source(), watch.ageLevel(),
                                     watch.ageSeconds(), watch.time()};
    }
    return m_staleLog.update(judged);
}

} // namespace orvela
