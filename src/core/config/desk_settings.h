#pragma once

// The values of the main window that the configuration file keeps beside the positions' own
// sections: the title, the refresh interval, the stale limit and the station picture
// ("Application"), and the connection values, the password in its stored form, and the station
// ("DataBase").

#include "core/config/settings_keys.h"

#include <QString>

#include <cstdint>

namespace orvela {

class SettingsStore;

struct DeskSettings
{
    QString imageFile;
    QString title;
    std::int32_t updateMinutes = settings::DefaultGraphUpdate;
    std::int32_t staleMinutes = settings::DefaultStaleMinutes;
    QString dataSource;
    QString userName;
    QString storedPassword;
    QString station;

    void load(const SettingsStore& store);
    // "Application", then "DataBase", each key in the order of the first layout, the keys added
    // to it after.
    void save(SettingsStore& store) const;
    // The data source and user name and, with `password`, the stored password, as a login
    // keeps them.
    void saveConnection(SettingsStore& store, bool password) const;

    QString clearPassword() const;
    // Keeps `clear` in its stored form when that reads back as typed, and returns true.
    // Otherwise the stored password stays and `reason` says why `clear` cannot be kept.
    bool rememberPassword(const QString& clear, QString& reason);
};

} // namespace orvela
