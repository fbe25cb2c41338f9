// Loading and saving the window's settings through the configuration store.

#include "gui/app/frm_main.h"

#include "core/config/settings_keys.h"
#include "core/config/settings_store.h"
#include "core/config/window_bounds.h"
#include "gui/graphs/graph_position.h"
#include "gui/live/live_position.h"
#include "gui/messages/frm_log.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>

#include <optional>

namespace orvela {
namespace {

namespace keys = settings;

// A time range is the text of an index 0 to 5; anything else is the default.
QString validTimeRange(const QString& text)
{
    bool ok = false;
    const int index = text.toInt(&ok);
    return ok && index >= 0 && index <= keys::MaxTimeRange ? text : QString(keys::DefaultTimeRange);
}

// The sensor a slot saves: what its chooser shows, or the name it loaded when the chooser
// shows nothing (never filled because the database was down at the start), so that a start
// without the database does not wipe the operator's choices.
QString savedSensorName(const QComboBox* chooser, const QString& loaded)
{
    const QString shown = chooser->currentText();
    return shown.isEmpty() ? loaded : shown;
}

// The available area of every screen, the primary one first.
std::vector<QRect> availableScreens()
{
    std::vector<QRect> areas;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        areas.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            areas.push_back(screen->availableGeometry());
    }
    return areas;
}

// Bounds from the file are fitted to the screens before the window takes them. A section that
// holds none of them leaves the window at its own bounds (the design size at the first start).
void applyBounds(QWidget& window, const SettingsStore& store, const QString& section,
                 const keys::Bounds& defaults)
{
    const keys::Bounds wanted{store.readInteger(section, keys::Top, defaults.top),
                              store.readInteger(section, keys::Left, defaults.left),
                              store.readInteger(section, keys::Height, defaults.height),
                              store.readInteger(section, keys::Width, defaults.width)};
    bool stored = false;
    for (const QLatin1String key : {keys::Top, keys::Left, keys::Height, keys::Width})
        stored = stored || store.contains(section, key);
    const keys::Bounds bounds = stored ? FitToScreens(wanted, availableScreens()) : wanted;
    window.move(bounds.left, bounds.top);
    window.resize(bounds.width, bounds.height);
}

// An alarm limit: missing, empty or not a number is none.
std::optional<double> readAlarmLimit(const SettingsStore& store, const QString& section,
                                     QLatin1String key)
{
    double value = 0.0;
    if (SettingsStore::parseReal(store.readString(section, key, QString()), value))
        return value;
    return std::nullopt;
}

// No limit is an empty value, which reads back as none.
void writeAlarmLimit(SettingsStore& store, const QString& section, QLatin1String key,
                     const std::optional<double>& limit)
{
    if (limit)
        store.writeReal(section, key, *limit);
    else
        store.writeString(section, key, QString());
}

} // namespace

void TfrmMain::LoadSettings()
{
    GraphSensorNames.clear();
    GraphTimeRanges.clear();
    LiveSensorNames.clear();
    SlotUnits.clear();

    const SettingsStore& store = *m_settingsStore;
    if (!store.ok()) {
        // The reason and the path, for whoever has to mend it; the file is never written over.
        m_log.AddStatusLine(store.errorText());
        m_log.AddStatusLine(QStringLiteral("Failed to read INI file"));
    }

    applyBounds(*this, store, keys::Windows, {y(), x(), height(), width()});

    DataSourceName = store.readString(keys::DataBase, keys::DataSource, QString());
    DbUserName = store.readString(keys::DataBase, keys::UserName, QString());
    StoredPassword = store.readString(keys::DataBase, keys::Password, QString());
    CurrentStation = store.readString(keys::DataBase, keys::Station, QString());

    ImageFileName = store.readString(keys::Application, keys::ImageFile, QString());
    DisplayTitle = store.readString(keys::Application, keys::Title, keys::DefaultTitle);
    UpdateMinutes =
        store.readInteger(keys::Application, keys::GraphUpdate, keys::DefaultGraphUpdate);
    StaleMinutes =
        store.readInteger(keys::Application, keys::StaleMinutes, keys::DefaultStaleMinutes);

    if (store.readBool(keys::LogForm, keys::Showing, keys::LogFormShowing)) {
        applyBounds(m_log, store, keys::LogForm, keys::LogFormBounds);
    }

    for (int slot = 1; slot <= GraphCount; ++slot) {
        const QString section = keys::GraphSection(slot);
        GraphSensorNames.append(store.readString(section, keys::Name, QString()));
        SlotUnits.append(store.readString(section, keys::Units, QString()));
        GraphTimeRanges.append(
            validTimeRange(store.readString(section, keys::TimeRange, keys::DefaultTimeRange)));
        graphPosition(slot)->chart()->setGapRule(
            {store.readBool(section, keys::BreakAtGaps, keys::DefaultBreakAtGaps),
             store.readReal(section, keys::GapMinutes, keys::DefaultGapMinutes)});
    }

    // Once a gauge refuses its limits the load stops applying values, but the lists are still
    // filled to their full lengths: the rest of the window indexes them by slot.
    bool applying = true;
    for (int slot = 1; slot <= LiveCount; ++slot) {
        const QString section = keys::LiveSection(slot);
        LiveSensorNames.append(store.readString(section, keys::Name, QString()));
        if (slot == LiveCount) {
            SlotUnits.append(store.readString(section, keys::Units, keys::DefaultWindUnits));
            break;
        }
        SlotUnits.append(store.readString(section, keys::Units, QString()));
        livePosition(slot)->setAlarmLimits({readAlarmLimit(store, section, keys::AlarmLow),
                                            readAlarmLimit(store, section, keys::AlarmHigh)});
        if (!applying)
            continue;
        const keys::GaugeLimits defaults =
            keys::DefaultGaugeLimits.at(static_cast<std::size_t>(slot - 1));
        const double minimum = store.readReal(section, keys::Min, defaults.minimum);
        const double maximum = store.readReal(section, keys::Max, defaults.maximum);
        // Both limits go on together: a dial range saved wholly above its design maximum
        // could not be applied minimum first.
        if (!livePosition(slot)->restoreLimits(minimum, maximum)) {
            applying = false;
            m_log.AddStatusLine(QStringLiteral("Failed to read INI file"));
        }
    }
}

QString TfrmMain::ConfigReadError() const
{
    return m_settingsStore && !m_settingsStore->ok() ? m_settingsStore->errorText() : QString();
}

void TfrmMain::SaveSettings()
{
    if (!m_settingsStore)
        return;
    SettingsStore& store = *m_settingsStore;

    const QRect frame = frameGeometry();
    store.writeInteger(keys::Windows, keys::Top, frame.top());
    store.writeInteger(keys::Windows, keys::Left, frame.left());
    store.writeInteger(keys::Windows, keys::Height, height());
    store.writeInteger(keys::Windows, keys::Width, width());

    store.writeString(keys::Application, keys::ImageFile, ImageFileName);
    store.writeString(keys::Application, keys::Title, DisplayTitle);
    store.writeInteger(keys::Application, keys::GraphUpdate, UpdateMinutes);
    store.writeInteger(keys::Application, keys::StaleMinutes, StaleMinutes);

    store.writeString(keys::DataBase, keys::DataSource, DataSourceName);
    store.writeString(keys::DataBase, keys::UserName, DbUserName);
    store.writeString(keys::DataBase, keys::Password, StoredPassword);
    store.writeString(keys::DataBase, keys::Station, CurrentStation);

    const bool showing = m_log.isVisible();
    store.writeBool(keys::LogForm, keys::Showing, showing);
    if (showing) {
        const QRect logFrame = m_log.frameGeometry();
        store.writeInteger(keys::LogForm, keys::Top, logFrame.top());
        store.writeInteger(keys::LogForm, keys::Left, logFrame.left());
        store.writeInteger(keys::LogForm, keys::Height, m_log.height());
        store.writeInteger(keys::LogForm, keys::Width, m_log.width());
    }

    for (int slot = 1; slot <= GraphCount; ++slot) {
        const QString section = keys::GraphSection(slot);
        const int index = slot - 1;
        store.writeString(
            section, keys::Name,
            savedSensorName(graphPosition(slot)->chooser(), GraphSensorNames.value(index)));
        store.writeString(section, keys::Units, SlotUnits.value(index));
        store.writeString(section, keys::TimeRange, GraphTimeRanges.value(index));
        // Keys beyond the first layout stand after it, so an older desk reads the file as before
        // and an operator editing it finds every setting.
        const GapRule& gaps = graphPosition(slot)->chart()->gapRule();
        store.writeBool(section, keys::BreakAtGaps, gaps.breakAtGaps);
        store.writeReal(section, keys::GapMinutes, gaps.limitMinutes);
    }
    for (int slot = 1; slot <= LiveCount; ++slot) {
        const QString section = keys::LiveSection(slot);
        const LivePosition* position = livePosition(slot);
        store.writeString(section, keys::Name,
                          savedSensorName(position->chooser(), LiveSensorNames.value(slot - 1)));
        if (slot < LiveCount) {
            store.writeReal(section, keys::Min, position->minimum());
            store.writeReal(section, keys::Max, position->maximum());
        }
        store.writeString(section, keys::Units, SlotUnits.value(slot + 5));
        if (slot < LiveCount) {
            writeAlarmLimit(store, section, keys::AlarmLow, position->alarmLimits().low);
            writeAlarmLimit(store, section, keys::AlarmHigh, position->alarmLimits().high);
        }
    }

    // A store that could not read its file refuses to write over it; either way the failure
    // is reported and the caller carries on.
    if (!store.flush()) {
        m_log.AddStatusLine(store.errorText());
        m_log.AddStatusLine(QStringLiteral("Failed to save INI file"));
    }
}

} // namespace orvela
