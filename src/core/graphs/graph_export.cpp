#include "core/graphs/graph_export.h"

#include "core/db/station_queries.h"

#include <QDir>
#include <QSaveFile>

#include <charconv>
#include <cmath>

namespace orvela {
namespace {

// A fixed-point text longer than this is written with an exponent instead.
constexpr std::ptrdiff_t LongestPlainValue = 24;

QByteArray HeaderLine(const char* name, const QString& value)
{
    QString oneLine = value;
    for (QChar& c : oneLine)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return QByteArray("# ") + name + ": " + oneLine.toUtf8() + '\n';
}

} // namespace

QByteArray CsvTimeText(DateTime time)
{
    CivilTime at;
    if (!DateTimeToCivil(time, at))
        return {};
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", at.year, at.month, at.day, at.hour,
                             at.minute, at.second)
        .toLatin1();
}

QByteArray CsvValueText(double value)
{
    if (std::isnan(value))
        return {};
    // Without a precision both forms give the fewest digits that read back as `value`.
    char text[64];
    auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (written.ec != std::errc() || written.ptr - text > LongestPlainValue)
        written = std::to_chars(text, text + sizeof text, value);
    return QByteArray(text, static_cast<int>(written.ptr - text));
}

void ReadingCsvWriter::writeHeader(const ReadingCsvHeader& header)
{
    write(HeaderLine("station", header.station) + HeaderLine("sensor", header.sensor) +
          HeaderLine("units", header.units) + "time,value\n");
}

void ReadingCsvWriter::writeReading(DateTime time, double value)
{
    write(CsvTimeText(time) + ',' + CsvValueText(value) + '\n');
}

void ReadingCsvWriter::write(const QByteArray& line)
{
    if (m_ok)
        m_ok = m_device.write(line) == line.size();
}

bool SaveFileWhole(const QString& path, const std::function<bool(QIODevice&)>& write,
                   QString& error)
{
    QSaveFile file(path);
    const auto fail = [&] {
        error = QStringLiteral("The file ") + QDir::toNativeSeparators(path) +
                QStringLiteral(" could not be written: ") + file.errorString() + QLatin1Char('.');
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    if (!write(file) || file.error() != QFileDevice::NoError) {
        // A failed write leaves an uninformative reason; writing out what is buffered once more
        // fails again and names it ("No space left on device").
        if (file.error() != QFileDevice::NoError)
            file.flush();
        return fail();
    }
    if (!file.commit())
        return fail();
    return true;
}

} // namespace orvela
