#ifndef TRAKMOOR_MAP_OSMTEXT_H
#define TRAKMOOR_MAP_OSMTEXT_H

// The small text operations of the OSM line scanner: attribute lookup by substring, the number
// conversions with their exact error texts, and XML entity decoding of tag text.

#include <cstdint>
#include <string>
#include <string_view>

namespace trakmoor {

// The value of the first `name=` anywhere in the line (so "id" also matches inside "uid="), which
// must be followed by a quote; it ends at the next same quote. Empty when either is missing.
// The result views into `line`.
std::string_view ExtractAttribute(std::string_view line, std::string_view name);

// Like ExtractAttribute for several names in one pass over the line: `values[i]` receives the
// attribute named `names[i]`. Nodes need three attributes on every line, so this is the hot path.
void extractAttributes(std::string_view line, const std::string_view* names,
                       std::string_view* values, int count);

// A base-10 integer at the start of `text`, after blanks (space, \t, \n, \v, \f, \r) and an
// optional sign, read up to the first other character.  The magnitude stops at `limit` (at least
// 9), and `overflow` tells that the digits went past it.
struct LeadingInteger {
    bool hasDigits = false;
    bool negative = false;
    bool overflow = false;
    std::uint64_t magnitude = 0;
};
LeadingInteger scanLeadingInteger(std::string_view text, std::uint64_t limit);

// Ids convert like the standard string-to-long-long: leading blanks and a sign are accepted and
// trailing text is ignored. No digit throws std::invalid_argument("stoll"); a value outside 64
// bits throws std::out_of_range("stoll").
std::int64_t convertOsmId(std::string_view text);

// The whole text must be a finite decimal number (exponents allowed, no sign '+', no blanks), else
// std::runtime_error("Invalid XML number: " + text).
double convertCoordinate(std::string_view text);

// Appends `text` with the five predefined entities and decimal and hexadecimal character
// references decoded; anything that is not a well-formed reference to a valid XML character is
// kept as written.
void appendDecodedXml(std::string& out, std::string_view text);

} // namespace trakmoor

#endif
