#include "core/config/settings_store.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cmath>
#include <cstdlib>

using namespace orvela;

namespace {

// As the store strips names and values: blanks and control characters at both ends.
QString stripped(const QString& text)
{
    const auto blank = [](QChar c) {
        return c.unicode() <= 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
    };
    int first = 0;
    int last = text.size();
    while (first < last && blank(text.at(first)))
        ++first;
    while (last > first && blank(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A value written is one that reads back within the 15 digits the file keeps.
void checkReal(const QString& text)
{
    double value = 0;
    if (!SettingsStore::parseReal(text, value))
        return;
    double back = 0;
    require(SettingsStore::parseReal(SettingsStore::formatReal(value), back));
    require(std::fabs(back - value) <= std::fabs(value) * 1e-14);
}

void checkInteger(const QString& text)
{
    std::int32_t value = 0;
    if (!SettingsStore::parseInteger(text, value))
        return;
    std::int32_t back = 0;
    require(SettingsStore::parseInteger(QString::number(value), back) && back == value);
}

} // namespace

// The input is a configuration file. What is read and written again reads back the same: the
// written bytes load to a store that writes the same bytes, and a value written into the store
// reads back from the file as the store answers it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), static_cast<int>(size));
    SettingsStore store = SettingsStore::fromBytes(file);
    const QByteArray written = store.toBytes();
    require(SettingsStore::fromBytes(written).toBytes() == written);

    // The file's first lines name a section, a key and a value written as the program writes
    // them (by names without "=", brackets or line breaks, as the program's own are, and no key
    // that the load would take for a comment).
    const QList<QByteArray> lines = file.split('\n');
    QString section = QString::fromUtf8(lines.value(0));
    QString key = QString::fromUtf8(lines.value(1));
    for (const QChar c : {QLatin1Char('['), QLatin1Char(']'), QLatin1Char('\r')})
        section.remove(c);
    for (const QChar c : {QLatin1Char('='), QLatin1Char('['), QLatin1Char(']'), QLatin1Char('\r')})
        key.remove(c);
    const QString value = QString::fromUtf8(lines.value(2));
    checkReal(value);
    checkInteger(value);
    if (stripped(key).startsWith(QLatin1Char(';')))
        return 0;
    store.writeString(section, key, value);
    const SettingsStore again = SettingsStore::fromBytes(store.toBytes());
    require(again.contains(section, key));
    require(again.readString(section, key, QString()) == store.readString(section, key, QString()));
    return 0;
}
