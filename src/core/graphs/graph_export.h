#pragma once

// What leaves the program as a file: a sensor's readings as CSV, written alike by the graphs'
// "Export Data..." and by "orvela-admin export", and files that appear whole or not at all.
//
// The CSV text, in UTF-8 with a line feed after every line:
//
//     # station: STN1
//     # sensor: AIR TEMP
//     # units: degC
//     time,value
//     2005-03-02T14:00:00,12.5
//
// The three "#" lines name where the readings come from (control characters in a name become
// blanks, so each stays one line); then the column names and one reading a line in ascending
// time. A time is ISO 8601 local civil time to the second, without a zone, as the database keeps
// it. A value is the shortest decimal text that reads back as the very same double, with "." as
// the decimal point whatever the locale; a value that is not a number is left empty.

#include "support/station_time.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace orvela {

struct ReadingCsvHeader
{
    QString station;
    QString sensor;
    QString units;
};

// "2005-03-02T14:00:00"; empty for a value that is not a date between the years 1 and 9999.
QByteArray CsvTimeText(DateTime time);
// "12.5", "-0.30000000000000004", "1e-300": plain decimals while they stay short.
QByteArray CsvValueText(double value);

class ReadingCsvWriter
{
public:
    explicit ReadingCsvWriter(QIODevice& device) : m_device(device) {}

    void writeHeader(const ReadingCsvHeader& header);
    void writeReading(DateTime time, double value);
    // False once a write failed; later writes are then skipped.
    bool ok() const { return m_ok; }

private:
    void write(const QByteArray& line);

    QIODevice& m_device;
    bool m_ok = true;
};

// Writes the file at `path` through a temporary file in the same folder that takes the name
// only once `write` returned true and everything reached the disk. Otherwise the temporary file
// is removed, whatever had the name before stays, and `error` says why ("The file PATH could not
// be written: REASON.").
bool SaveFileWhole(const QString& path, const std::function<bool(QIODevice&)>& write,
                   QString& error);

} // namespace orvela
