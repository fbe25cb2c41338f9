#pragma once

// Pattern-driven format and scan routines. A pattern holds literal characters and
// %-directives; upper-case codes are list items (comma-separated), lower-case codes are not.
// Texts are UTF-16 so that positions count characters the way the GUI toolkit does.

#include "support/locale_separators.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvela {

using Text = std::u16string;
using TextView = std::u16string_view;

// One argument of the format routine. The constructors are explicit about the kind so that a
// string literal never turns into a boolean.
class FormatArg
{
public:
    using Value = std::variant<std::int32_t, bool, char16_t, double, Text>;

    FormatArg(std::int32_t v) : m_value(v) {}
    FormatArg(bool v) : m_value(v) {}
    FormatArg(char16_t v) : m_value(v) {}
    FormatArg(double v) : m_value(v) {}
    FormatArg(Text v) : m_value(std::move(v)) {}
    FormatArg(TextView v) : m_value(Text(v)) {}
    FormatArg(const char16_t* v) : m_value(Text(v)) {}

    const Value& value() const { return m_value; }

private:
    Value m_value;
};
using FormatArgs = std::vector<FormatArg>;

// The count taken by a "*" width in a scan pattern: an entry of the target list that holds a
// number rather than a reference.
struct ScanCount
{
    std::int32_t value = 0;
};

using ScanTarget = std::variant<Text*, std::int32_t*, std::uint16_t*, float*, double*, bool*,
                                char16_t*, ScanCount>;
using ScanTargets = std::vector<ScanTarget>;

// The six date and time templates, built from the date separator DS and time separator TS.
struct DateTimeTemplates
{
    LocaleSeparators separators;
    Text dateFormat;     // %02w DS %02w DS %04w
    Text timeFormat;     // %02w TS %02w TS %02w
    Text dateTimeFormat; // dateFormat, space, timeFormat
    Text dateScan;       // %w DS %w DS %w
    Text timeScan;       // %w TS %w TS %w
    Text dateTimeScan;   // dateScan, space, timeScan

    static DateTimeTemplates Build(LocaleSeparators separators);
};

// Builds the templates that every later call uses. The program calls it once at start with the
// locale's separators; until then the templates use "/" and ":". Not thread-safe against
// concurrent formatting: call it before any other use, as the program does.
void InitDateTimeTemplates(LocaleSeparators separators);
const DateTimeTemplates& CurrentDateTimeTemplates();

// Appends to `accumulated` what `pattern` produces from `args`; returns the accumulated text.
const Text& FormatAppend(Text& accumulated, TextView pattern, const FormatArgs& args = {});
Text FormatText(TextView pattern, const FormatArgs& args = {});

// Reads values out of `source` from the 1-based `position` under `pattern`, writing the
// targets in order and moving `position` to the first character not consumed. True when no
// counted element failed.
bool ScanText(TextView source, std::int32_t& position, TextView pattern,
              const ScanTargets& targets = {});
bool ScanFromStart(TextView source, TextView pattern, const ScanTargets& targets = {});

// The CommaList helpers that the program uses: append one item with "%P", and walk a list
// item by item with "%P", skipping empty items. The walk always ends.
void AppendCommaListItem(Text& list, TextView item);
std::vector<Text> CommaListItems(TextView list);

} // namespace orvela
