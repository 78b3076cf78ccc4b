#include "map/OsmText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace trakmoor {

namespace {

std::string_view quotedValueAfter(std::string_view line, std::size_t valueStart) {
    if (valueStart >= line.size()) {
        return {};
    }
    const char quote = line[valueStart];
    if (quote != '"' && quote != '\'') {
        return {};
    }
    const std::size_t end = line.find(quote, valueStart + 1);
    if (end == std::string_view::npos) {
        return {};
    }
    return line.substr(valueStart + 1, end - valueStart - 1);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A value in an error message is shown to the user: keep an absurdly long one readable.
std::string shownValue(std::string_view text) {
    constexpr std::size_t maxShown = 200;
    if (text.size() <= maxShown) {
        return std::string(text);
    }
    std::size_t cut = maxShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(text.substr(0, cut)) + "...";
}

bool isXmlChar(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// `name` is what stands between '&' and ';'. False when it is no reference we decode.
bool appendReference(std::string& out, std::string_view name) {
    static constexpr struct {
        std::string_view name;
        char text;
    } predefined[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& entity : predefined) {
        if (name == entity.name) {
            out += entity.text;
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#') {
        return false;
    }
    int base = 10;
    std::string_view digits = name.substr(1);
    if (digits[0] == 'x') {
        base = 16;
        digits.remove_prefix(1);
    }
    std::uint32_t code = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), code, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        !isXmlChar(code)) {
        return false;
    }
    appendUtf8(out, code);
    return true;
}

} // namespace

std::string_view ExtractAttribute(std::string_view line, std::string_view name) {
    std::string_view value;
    extractAttributes(line, &name, &value, 1);
    return value;
}

void extractAttributes(std::string_view line, const std::string_view* names,
                       std::string_view* values, int count) {
    // The first occurrence of `name=` is the one whose '=' comes first, so walking the '='
    // signs once finds every name's first occurrence.
    unsigned pending = (1u << count) - 1;
    for (int i = 0; i < count; ++i) {
        values[i] = {};
    }
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    const char* equals = begin;
    while (pending != 0 &&
           (equals = static_cast<const char*>(std::memchr(equals, '=', end - equals)))) {
        const std::size_t at = static_cast<std::size_t>(equals - begin);
        for (int i = 0; i < count; ++i) {
            const std::string_view name = names[i];
            if ((pending & (1u << i)) && at >= name.size() && equals[-1] == name.back() &&
                std::memcmp(equals - name.size(), name.data(), name.size()) == 0) {
                pending &= ~(1u << i);
                values[i] = quotedValueAfter(line, at + 1);
            }
        }
        ++equals;
    }
}

LeadingInteger scanLeadingInteger(std::string_view text, std::uint64_t limit) {
    LeadingInteger result;
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    const std::size_t firstDigit = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (result.magnitude > (limit - digit) / 10) {
            result.overflow = true;
            result.magnitude = limit;
        } else {
            result.magnitude = result.magnitude * 10 + digit;
        }
    }
    result.hasDigits = i != firstDigit;
    return result;
}

std::int64_t convertOsmId(std::string_view text) {
    constexpr std::uint64_t limit = std::uint64_t{1} << 63;
    const LeadingInteger id = scanLeadingInteger(text, limit);
    if (!id.hasDigits) {
        throw std::invalid_argument("stoll");
    }
    if (id.overflow || id.magnitude > limit - (id.negative ? 0 : 1)) {
        throw std::out_of_range("stoll");
    }
    if (id.negative) {
        return id.magnitude == limit ? std::numeric_limits<std::int64_t>::min()
                                     : -static_cast<std::int64_t>(id.magnitude);
    }
    return static_cast<std::int64_t>(id.magnitude);
}

double convertCoordinate(std::string_view text) {
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    // from_chars also reads "nan" and "inf"; as a coordinate they would poison every projection.
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        throw std::runtime_error("Invalid XML number: " + shownValue(text));
    }
    return value;
}

void appendDecodedXml(std::string& out, std::string_view text) {
    // Longest reference worth decoding: "&#x10FFFF;" with some leading zeros.
    constexpr std::size_t maxReference = 16;
    std::size_t done = 0;
    for (std::size_t amp = text.find('&'); amp != std::string_view::npos;
         amp = text.find('&', amp + 1)) {
        // Looking no further than a reference can reach keeps a long run of '&' linear.
        const std::size_t semicolon = text.substr(0, amp + maxReference + 1).find(';', amp + 1);
        if (semicolon == std::string_view::npos) {
            continue;
        }
        const std::size_t mark = out.size();
        out.append(text.substr(done, amp - done));
        if (appendReference(out, text.substr(amp + 1, semicolon - amp - 1))) {
            done = semicolon + 1;
            amp = semicolon;
        } else {
            out.resize(mark);
        }
    }
    out.append(text.substr(done));
}

} // namespace trakmoor
