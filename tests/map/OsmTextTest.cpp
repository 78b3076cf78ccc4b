#include "map/OsmText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>

using namespace trakmoor;

TEST(ExtractAttribute, FirstOccurrenceAndQuoteRules) {
    const std::pair<const char*, const char*> cases[] = {
        {R"(<node uid="7" id="5"/>)", "7"}, // plain substring: "uid=" comes first
        {R"(<tag id='a"b' v="c"/>)", "a\"b"},
        {R"(<nd id = "5"/>)", ""}, // a blank before '=' is no match
        {R"(<nd id= "5"/>)", ""},  // nor after it
        {R"(<nd id="5/>)", ""},    // unterminated
        {R"(<nd id=5/>)", ""},
        {R"(<tag id=" a&amp;b "/>)", " a&amp;b "}, // no decoding, no trimming
        {"id=", ""}};
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(ExtractAttribute(line, "id"), expected) << line;
}

TEST(ExtractAttribute, OnePassAgreesWithSeparateLookups) {
    // The scanner reads several attributes in one walk over the line; on random lines built from
    // attribute fragments it must find exactly what one lookup per name finds.
    const std::string_view fragments[] = {"id=", "uid=", "lat=", "lon=", "\"",  "'", "1",
                                          " ",   "=",    "k=",   "v=",   "ak=", "x"};
    const std::string_view names[] = {"id", "lat", "lon", "k"};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string line;
        const int length = static_cast<int>(random() % 16);
        for (int i = 0; i < length; ++i)
            line += fragments[random() % std::size(fragments)];
        std::string_view values[4];
        extractAttributes(line, names, values, 4);
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(values[i], ExtractAttribute(line, names[i])) << line << " / " << names[i];
    }
}

TEST(ConvertOsmId, BehavesLikeStoll) {
    // Blanks, signs and trailing junk are the scanner's; the overflow message is the reader's.
    const std::pair<const char*, std::int64_t> accepted[] = {{"-5", -5},
                                                             {"0x10", 0},
                                                             {"1e400", 1},
                                                             {"007", 7},
                                                             {"9223372036854775807", INT64_MAX},
                                                             {"-9223372036854775808", INT64_MIN}};
    for (const auto& [text, expected] : accepted)
        EXPECT_EQ(convertOsmId(text), expected) << text;

    for (const char* text : {"", " ", "-", "+-1", "nan"})
        EXPECT_THROW(convertOsmId(text), std::invalid_argument) << text;
    for (const char* text : {"9223372036854775808", "-9223372036854775809"})
        EXPECT_THROW(convertOsmId(text), std::out_of_range) << text;
}

// The digits stop counting at the limit, exactly there and not one digit early, whatever follows.
TEST(ScanLeadingInteger, MagnitudeStopsAtTheLimit) {
    // Digits, sign, overflow and magnitude of each scan, e.g. "d-o1000".
    auto scan = [](const char* text, std::uint64_t limit) {
        const LeadingInteger r = scanLeadingInteger(text, limit);
        return std::string(r.hasDigits ? "d" : "") + (r.negative ? "-" : "") +
               (r.overflow ? "o" : "") + std::to_string(r.magnitude);
    };
    EXPECT_EQ(scan("1000", 1000), "d1000");
    EXPECT_EQ(scan("1001", 1000), "do1000");
    EXPECT_EQ(scan("-99999999999999999999999", 1000), "d-o1000");
    EXPECT_EQ(scan("\v\f\r\n+7x5", 1000), "d7");
    EXPECT_EQ(scan("- 7", 1000), "-0");
    EXPECT_EQ(scan("18446744073709551615", UINT64_MAX), "d18446744073709551615");
    EXPECT_EQ(scan("18446744073709551616", UINT64_MAX), "do18446744073709551615");
}

TEST(ConvertCoordinate, WholeFiniteDecimalsOnly) {
    EXPECT_DOUBLE_EQ(convertCoordinate("47.1671328"), 47.1671328);
    EXPECT_DOUBLE_EQ(convertCoordinate("1e-3"), 0.001);
    EXPECT_TRUE(std::signbit(convertCoordinate("-0")));
    for (const char* text : {"+1", " 1", "1x", "", "0x10", "nan", "-inf", "1e400", "1,5", "."}) {
        try {
            convertCoordinate(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), std::string("Invalid XML number: ") + text);
        }
    }
    // A huge value is cut in the message, not quoted whole.
    try {
        convertCoordinate(std::string(100000, '9') + "x");
        ADD_FAILURE();
    } catch (const std::runtime_error& error) {
        EXPECT_LT(std::string(error.what()).size(), 300u);
    }
}

TEST(DecodeXml, EntitiesAndCharacterReferences) {
    std::string out = "<";
    appendDecodedXml(out,
                     "&lt;&gt;&quot;&apos;&amp; &amp;amp; &#65;&#x42;&#x00e9;&#x1F600; &&amp;");
    EXPECT_EQ(out, "<<>\"'& &amp; AB\xC3\xA9\xF0\x9F\x98\x80 &&");
    // Not references to valid XML characters: kept as written.
    const std::string kept = "&nbsp; &#0; &#xD800; &#x110000; &#X41; &#; &#x; &#12a; a & b "
                             "&#99999999999999999999; &amp";
    out.clear();
    appendDecodedXml(out, kept);
    EXPECT_EQ(out, kept);
    // A megabyte of '&' before one ';' must not take a search per '&' to the end.
    out.clear();
    appendDecodedXml(out, std::string(1 << 20, '&') + ";&amp;");
    EXPECT_EQ(out, std::string(1 << 20, '&') + ";&");
}
