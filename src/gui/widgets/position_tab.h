#pragma once

// What the "Live Data" and "Graph Data" tabs share: a page of the positions of one table of
// settings::Position rows, each at its design place, and the walks over all of them. A position
// class offers slot(), chooser(), display(), sensorName(), units(), fillChooser() and
// saveSettings(), and is made from its table row and its parent.

#include "core/config/settings_keys.h"

#include <QComboBox>
#include <QRect>
#include <QStringList>
#include <QWidget>

#include <array>
#include <utility>
#include <vector>

namespace orvela {

class SettingsStore;

using DesignPlaces = std::vector<std::pair<QWidget*, QRect>>;

class TabPage : public QWidget
{
    Q_OBJECT
public:
    explicit TabPage(QWidget* parent);

signals:
    // The operator picked an item of a position's chooser; filling the choosers is no pick.
    void sensorPicked(QComboBox* chooser);
};

template <typename Position, std::size_t Count> class PositionTab : public TabPage
{
public:
    using Table = std::array<settings::Position, Count>;

    PositionTab(const QString& name, const Table& table, const std::array<QRect, Count>& places,
                QWidget* parent)
        : TabPage(parent)
    {
        setObjectName(name);
        for (std::size_t i = 0; i < Count; ++i) {
            Position* position = new Position(table.at(i), this);
            position->setGeometry(places.at(i));
            m_positions.at(i) = position;
            m_places.emplace_back(position, places.at(i));
            QComboBox* box = position->chooser();
            connect(box, QOverload<int>::of(&QComboBox::activated), this,
                    [this, box](int) { emit sensorPicked(box); });
        }
    }

    // `slot` as numbered in the table.
    Position* position(int slot) const
    {
        for (Position* position : m_positions)
            if (position->slot() == slot)
                return position;
        return nullptr;
    }
    const std::array<Position*, Count>& positions() const { return m_positions; }
    // The position whose chooser or display `object` is, or null.
    Position* positionOf(const QObject* object) const
    {
        for (Position* position : m_positions)
            if (object && (position->chooser() == object || position->display() == object))
                return position;
        return nullptr;
    }
    // Every panel and the rectangle it takes at the design size.
    const DesignPlaces& designPlaces() const { return m_places; }

    void saveSettings(SettingsStore& store) const
    {
        for (const Position* position : m_positions)
            position->saveSettings(store);
    }
    void fillChoosers(const QStringList& stationSensors)
    {
        for (Position* position : m_positions)
            position->fillChooser(stationSensors);
    }
    QStringList sensorNames() const
    {
        QStringList names;
        for (const Position* position : m_positions)
            names << position->sensorName();
        return names;
    }
    QStringList units() const
    {
        QStringList units;
        for (const Position* position : m_positions)
            units << position->units();
        return units;
    }

protected:
    // A panel that is no position, at its design place.
    void addPanel(QWidget* panel, const QRect& place)
    {
        panel->setGeometry(place);
        m_places.emplace_back(panel, place);
    }

private:
    std::array<Position*, Count> m_positions{};
    DesignPlaces m_places;
};

} // namespace orvela
