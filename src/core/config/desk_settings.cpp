#include "core/config/desk_settings.h"

#include "core/config/settings_store.h"
#include "core/db/password_scrambler.h"

namespace orvela {

namespace keys = settings;

void DeskSettings::load(const SettingsStore& store)
{
    dataSource = store.readString(keys::DataBase, keys::DataSource, QString());
    userName = store.readString(keys::DataBase, keys::UserName, QString());
    storedPassword = store.readString(keys::DataBase, keys::Password, QString());
    station = store.readString(keys::DataBase, keys::Station, QString());
    imageFile = store.readString(keys::Application, keys::ImageFile, QString());
    title = store.readString(keys::Application, keys::Title, keys::DefaultTitle);
    updateMinutes =
        store.readInteger(keys::Application, keys::GraphUpdate, keys::DefaultGraphUpdate);
    staleMinutes =
        store.readInteger(keys::Application, keys::StaleMinutes, keys::DefaultStaleMinutes);
}

void DeskSettings::save(SettingsStore& store) const
{
    store.writeString(keys::Application, keys::ImageFile, imageFile);
    store.writeString(keys::Application, keys::Title, title);
    store.writeInteger(keys::Application, keys::GraphUpdate, updateMinutes);
    store.writeInteger(keys::Application, keys::StaleMinutes, staleMinutes);
    saveConnection(store, true);
    store.writeString(keys::DataBase, keys::Station, station);
}

void DeskSettings::saveConnection(SettingsStore& store, bool password) const
{
    store.writeString(keys::DataBase, keys::DataSource, dataSource);
    store.writeString(keys::DataBase, keys::UserName, userName);
    if (password)
        store.writeString(keys::DataBase, keys::Password, storedPassword);
}

QString DeskSettings::clearPassword() const
{
    return QString::fromStdU16String(DecodeStoredPassword(storedPassword.toStdU16String()));
}

bool DeskSettings::rememberPassword(const QString& clear, QString& reason)
{
    const std::u16string typed = clear.toStdU16String();
    if (IsStorablePassword(typed)) {
        storedPassword = QString::fromStdU16String(EncodeStoredPassword(typed));
        return true;
    }
    for (const QChar c : clear) {
        if (c.unicode() > 0xFF) {
            reason = QStringLiteral("it holds a character outside Latin-1");
            return false;
        }
    }
    reason = clear.contains(QLatin1Char(':')) ? QStringLiteral("it holds a \":\"")
                                              : QStringLiteral("it has 30 or more characters");
    return false;
}

} // namespace orvela
