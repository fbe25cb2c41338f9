#pragma once

// The configuration file: sections of "key=value" lines, written as UTF-8 and read as UTF-8 or,
// for files of older desks, code page 1252 (see text_encoding.h). The store loads
// the whole file when it is opened, answers reads and takes writes in memory, and rewrites the
// whole file on flush(). Everything it loaded is kept and written back in the order loaded,
// also sections, keys and key-less lines this program never reads; comments and empty lines
// are not kept.
//
// Matching of section and key names ignores letter case; where a section or a key occurs more
// than once, the first occurrence is the one read and written, later ones are written back as
// they were loaded.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace orvela {

class SettingsStore
{
public:
    // Loads `path`. A missing file is an empty store; a file that exists but cannot be read
    // (or a path that names a folder, a named pipe or a device) leaves the store empty with ok()
    // false.
    explicit SettingsStore(QString path);
    // A store holding what a file of these bytes would load, bound to no file (flush() refuses).
    static SettingsStore fromBytes(const QByteArray& bytes);

    const QString& path() const { return m_path; }
    // False when the file existed but could not be read. Such a store refuses to flush, so a
    // configuration that could not be read is never replaced by one made of defaults.
    bool ok() const { return m_loaded; }
    // Why the load or the last flush failed; empty when nothing failed.
    const QString& errorText() const { return m_errorText; }
    // What reading the file found and mended (a save that was cut off), or an empty text.
    const QString& notice() const { return m_notice; }

    // True when the key stands in the section, whatever its value (an empty one included).
    bool contains(const QString& section, const QString& key) const
    {
        return find(section, key) != nullptr;
    }

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // Decimal with an optional sign; "0x"/"0X" followed by hexadecimal digits (when the value
    // is longer than two characters) or "$" followed by hexadecimal digits. Hexadecimal gives a
    // 32-bit pattern: "0xFFFFFFFF" is -1, more than 32 bits is not an integer. Anything that is
    // not a 32-bit integer gives the default.
    std::int32_t readInteger(const QString& section, const QString& key,
                             std::int32_t defaultValue) const;
    // An integer; any non-zero value is true.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    // A finite number written with the decimal separator of the default QLocale. A missing or
    // empty value, a group separator, another decimal separator, or a value that is not finite
    // ("NAN", "INF", out of range) gives the default.
    double readReal(const QString& section, const QString& key, double defaultValue) const;

    // Writes change the store only; flush() puts them in the file. Line breaks in a key or a
    // value become blanks, so that one write is always one line of the file.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, std::int32_t value);
    // Written "1" or "0".
    void writeBool(const QString& section, const QString& key, bool value);
    // The shortest general form with at most 15 significant digits, scientific only for very
    // large or very small magnitudes, with the locale's decimal separator. Not-a-number and the
    // infinities are written "NAN", "INF" and "-INF", which read back as the default.
    void writeReal(const QString& section, const QString& key, double value);

    // Rewrites the whole file as WriteSettingsFile() does: a save that fails or is cut short
    // leaves the old content. A file created here is readable by its owner only (it holds the
    // stored password); an existing file keeps its permissions. Returns false, with
    // errorText() saying what became of the file, when it could not be written.
    bool flush();

    // The file's bytes as flush() writes them.
    QByteArray toBytes() const;

    // The text real values are written in, and the reading of such text, under the default
    // QLocale. Exposed for those who show or take the same values elsewhere.
    static QString formatReal(double value);
    static bool parseReal(const QString& text, double& value);
    static bool parseInteger(const QString& text, std::int32_t& value);

private:
    SettingsStore() = default;

    struct Line
    {
        bool hasKey = false;
        QString key;   // stripped text before the first "="
        QString value; // stripped text after it, or the whole line when hasKey is false
    };
    struct Section
    {
        QString name;
        std::vector<Line> lines;
    };

    void load();
    void parse(const QString& text);
    const Line* find(const QString& section, const QString& key) const;
    void write(const QString& section, const QString& key, const QString& value);

    QString m_path;
    bool m_loaded = true;
    QString m_errorText;
    QString m_notice;
    std::vector<Section> m_sections;
};

} // namespace orvela
