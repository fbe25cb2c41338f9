// Loading and saving the window's settings through the configuration store; the positions load
// and save their own sections.

#include "gui/app/frm_main.h"

#include "core/config/settings_keys.h"
#include "core/config/settings_store.h"
#include "gui/app/window_places.h"
#include "gui/messages/frm_log.h"

namespace orvela {

namespace keys = settings;

void TfrmMain::LoadSettings()
{
    const SettingsStore& store = *m_settingsStore;
    if (!store.ok()) {
        // The reason and the path, for whoever has to mend it; the file is never written over.
        m_log.AddStatusLine(store.errorText());
        m_log.AddStatusLine(QStringLiteral("Failed to read INI file"));
    }
    if (!store.notice().isEmpty())
        m_log.AddStatusLine(store.notice());

    ApplyStoredBounds(*this, store, keys::Windows, {y(), x(), height(), width()});

    m_desk.load(store);

    if (store.readBool(keys::LogForm, keys::Showing, keys::LogFormShowing))
        ApplyStoredBounds(m_log, store, keys::LogForm, keys::LogFormBounds);

    graphTab()->loadSettings(store);
    // Once a gauge refuses its limits the load stops applying them, but every position still
    // takes its sensor and units.
    if (!liveTab()->loadSettings(store))
        m_log.AddStatusLine(QStringLiteral("Failed to read INI file"));
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

    StoreBounds(store, keys::Windows, *this);

    m_desk.save(store);

    const bool showing = m_log.isVisible();
    store.writeBool(keys::LogForm, keys::Showing, showing);
    if (showing)
        StoreBounds(store, keys::LogForm, m_log);

    graphTab()->saveSettings(store);
    liveTab()->saveSettings(store);

    // A store that could not read its file refuses to write over it; either way the failure
    // is reported and the caller carries on.
    if (!store.flush()) {
        m_log.AddStatusLine(store.errorText());
        m_log.AddStatusLine(QStringLiteral("Failed to save INI file"));
    }
}

} // namespace orvela
