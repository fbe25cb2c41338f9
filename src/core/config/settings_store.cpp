#include "core/config/settings_store.h"

#include "core/config/settings_file.h"
#include "core/config/text_encoding.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

namespace orvela {
namespace {

// The index type of QString (int on Qt 5, qsizetype on Qt 6).
using Index = decltype(QString().size());

// Blanks and control characters, the characters stripped from both ends of every line.
bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u <= 0x20 || (u >= 0x7F && u <= 0x9F);
}

QString strip(const QString& text)
{
    Index first = 0;
    Index last = text.size();
    while (first < last && isBlank(text.at(first)))
        ++first;
    while (last > first && isBlank(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A key or value holding a line break would come back from the file as two lines.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

std::int32_t fromPattern(std::uint32_t bits)
{
    if (bits <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return static_cast<std::int32_t>(bits);
    return -static_cast<std::int32_t>(0xFFFFFFFFu - bits) - 1;
}

bool parseHex(const QString& digits, std::int32_t& value)
{
    if (digits.isEmpty())
        return false;
    std::uint64_t bits = 0;
    for (const QChar c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return false;
        bits = bits * 16 + static_cast<std::uint64_t>(digit);
        if (bits > 0xFFFFFFFFu)
            return false;
    }
    value = fromPattern(static_cast<std::uint32_t>(bits));
    return true;
}

bool parseDecimal(const QString& text, std::int32_t& value)
{
    Index at = 0;
    bool negative = false;
    if (!text.isEmpty() && (text.at(0) == QLatin1Char('-') || text.at(0) == QLatin1Char('+'))) {
        negative = text.at(0) == QLatin1Char('-');
        ++at;
    }
    if (at == text.size())
        return false;
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t magnitude = 0;
    for (; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (!isAsciiDigit(c))
            return false;
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > limit)
            return false;
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

// The locale's decimal separator, unless the code page of older desks' files cannot hold it or
// it would be taken for part of a number: then a point, so that what is written always reads
// back, also on such a desk.
QChar decimalSeparator()
{
    const QChar separator = QLocale().decimalPoint();
    const char16_t u = separator.unicode();
    if (u <= 0x20 || u > 0xFF || (u >= u'0' && u <= u'9') || u == u'+' || u == u'-' || u == u'e' ||
        u == u'E')
        return QLatin1Char('.');
    return separator;
}

} // namespace

SettingsStore::SettingsStore(QString path) : m_path(std::move(path))
{
    load();
}

SettingsStore SettingsStore::fromBytes(const QByteArray& bytes)
{
    SettingsStore store;
    store.parse(DecodeSettingsText(bytes));
    return store;
}

void SettingsStore::load()
{
    QByteArray bytes;
    QString problem;
    switch (ReadSettingsFile(m_path, bytes, problem, &m_notice)) {
    case SettingsFileRead::Missing:
        return;
    case SettingsFileRead::Refused:
        m_loaded = false;
        m_errorText = QStringLiteral("Cannot read %1: %2").arg(m_path, problem);
        return;
    case SettingsFileRead::Read:
        parse(DecodeSettingsText(bytes));
        return;
    }
}

void SettingsStore::parse(const QString& text)
{
    Section* current = nullptr;
    Index start = 0;
    while (start <= text.size()) {
        Index end = start;
        while (end < text.size() && text.at(end) != QLatin1Char('\r') &&
               text.at(end) != QLatin1Char('\n'))
            ++end;
        const QString line = strip(text.mid(start, end - start));
        start = end + 1;

        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.size() >= 2 && line.startsWith(QLatin1Char('[')) &&
            line.endsWith(QLatin1Char(']'))) {
            m_sections.push_back({strip(line.mid(1, line.size() - 2)), {}});
            current = &m_sections.back();
            continue;
        }
        if (!current)
            continue;
        const Index equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            current->lines.push_back({false, QString(), line});
        else
            current->lines.push_back({true, strip(line.left(equals)), strip(line.mid(equals + 1))});
    }
}

const SettingsStore::Line* SettingsStore::find(const QString& section, const QString& key) const
{
    const QString sectionName = strip(section);
    const QString keyName = strip(key);
    for (const Section& candidate : m_sections) {
        if (!sameName(candidate.name, sectionName))
            continue;
        // Only the first section of that name counts, also when the key is not in it.
        for (const Line& line : candidate.lines) {
            if (line.hasKey && sameName(line.key, keyName))
                return &line;
        }
        return nullptr;
    }
    return nullptr;
}

void SettingsStore::write(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = strip(oneLine(section));
    const QString keyName = strip(oneLine(key));
    Section* target = nullptr;
    for (Section& candidate : m_sections) {
        if (sameName(candidate.name, sectionName)) {
            target = &candidate;
            break;
        }
    }
    if (!target) {
        m_sections.push_back({sectionName, {}});
        target = &m_sections.back();
    }
    for (Line& line : target->lines) {
        if (line.hasKey && sameName(line.key, keyName)) {
            line.value = oneLine(value);
            return;
        }
    }
    target->lines.push_back({true, keyName, oneLine(value)});
}

QString SettingsStore::readString(const QString& section, const QString& key,
                                  const QString& defaultValue) const
{
    const Line* line = find(section, key);
    return line ? strip(line->value) : defaultValue;
}

std::int32_t SettingsStore::readInteger(const QString& section, const QString& key,
                                        std::int32_t defaultValue) const
{
    const Line* line = find(section, key);
    std::int32_t value = 0;
    return line && parseInteger(line->value, value) ? value : defaultValue;
}

bool SettingsStore::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double SettingsStore::readReal(const QString& section, const QString& key,
                               double defaultValue) const
{
    const Line* line = find(section, key);
    double value = 0;
    return line && parseReal(line->value, value) ? value : defaultValue;
}

void SettingsStore::writeString(const QString& section, const QString& key, const QString& value)
{
    write(section, key, value);
}

void SettingsStore::writeInteger(const QString& section, const QString& key, std::int32_t value)
{
    write(section, key, QString::number(value));
}

void SettingsStore::writeBool(const QString& section, const QString& key, bool value)
{
    write(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsStore::writeReal(const QString& section, const QString& key, double value)
{
    write(section, key, formatReal(value));
}

QByteArray SettingsStore::toBytes() const
{
    const QString lineEnd = QStringLiteral("\r\n");
    QString text;
    for (const Section& section : m_sections) {
        text += QLatin1Char('[') + section.name + QLatin1Char(']') + lineEnd;
        for (const Line& line : section.lines) {
            if (line.hasKey)
                text += line.key + QLatin1Char('=');
            text += line.value + lineEnd;
        }
        text += lineEnd;
    }
    return EncodeSettingsText(text);
}

bool SettingsStore::flush()
{
    if (!m_loaded) {
        m_errorText = QStringLiteral("%1 was not written: it could not be read").arg(m_path);
        return false;
    }
    if (m_path.isEmpty()) {
        m_errorText = QStringLiteral("The settings were not written: they belong to no file");
        return false;
    }
    // The whole text is built before the file is touched.
    const QString problem = WriteSettingsFile(m_path, toBytes());
    if (!problem.isEmpty()) {
        m_errorText = QStringLiteral("Cannot write %1: %2").arg(m_path, problem);
        return false;
    }
    m_errorText.clear();
    return true;
}

QString SettingsStore::formatReal(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        value = 0; // no "-0"
    // Digits, sign and exponent stay ASCII whatever the locale: only the separator is its own.
    QString text = QLocale::c().toString(value, 'g', 15);
    text.replace(QLatin1Char('.'), decimalSeparator());
    return text;
}

bool SettingsStore::parseReal(const QString& text, double& value)
{
    const QString stripped = strip(text);
    if (stripped.isEmpty())
        return false;
    const QChar separator = decimalSeparator();
    QString plain;
    plain.reserve(stripped.size());
    for (const QChar c : stripped) {
        if (c == separator)
            plain += QLatin1Char('.');
        else if (isAsciiDigit(c) || c == QLatin1Char('+') || c == QLatin1Char('-') ||
                 c == QLatin1Char('e') || c == QLatin1Char('E'))
            plain += c;
        else
            return false;
    }
    bool ok = false;
    const double number = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(number))
        return false;
    value = number;
    return true;
}

bool SettingsStore::parseInteger(const QString& text, std::int32_t& value)
{
    const QString stripped = strip(text);
    if (stripped.size() > 2 &&
        (stripped.startsWith(QLatin1String("0x")) || stripped.startsWith(QLatin1String("0X"))))
        return parseHex(stripped.mid(2), value);
    if (stripped.startsWith(QLatin1Char('$')))
        return parseHex(stripped.mid(1), value);
    return parseDecimal(stripped, value);
}

} // namespace orvela
