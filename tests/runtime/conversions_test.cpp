#include "runtime/conversions.hpp"
#include "runtime/runtime_error.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace rechner;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Parsed {
    std::string text;
    double value;
};

const std::vector<Parsed> kAccepted = {
    {"12", 12.0},        {"12.", 12.0},        {".5", 0.5},          {"-.5", -0.5},
    {"+3", 3.0},         {"  7  ", 7.0},       {"007", 7.0},         {"1E+20", 1e20},
    {"8.45e-11", 8.45e-11}, {"-8.45E-11", -8.45e-11}, {"2e3", 2000.0}, {"0.1", 0.1},
    {"1.23456789012346E+15", 1.23456789012346e15}, {"∞", kInf}, {"+∞", kInf}, {"-∞", -kInf},
    {"1e-400", 0.0},     {"4.94065645841247E-324", 4.94065645841247e-324},
    {"1.7976931348623157e308", 1.7976931348623157e308},
    // the written text of the largest double lies just above it, and still reads
    {"1.79769313486232E+308", 1.7976931348623157e308}, {"-1.79769313486232E+308", -1.7976931348623157e308},
};

const std::vector<std::string> kRejected = {
    "", " ", "-", "+", ".", "-.", "e5", "1e", "1e+", "12,5", "1.2.3", "abc", "1 2",
    "--1", "+-1", "0x10", "1e5.5", "inf", "nan", "-NaN", "∞∞", "1∞", "٣", "5%", "\t5",
};

} // namespace

TEST(NumberOfText, AcceptsEveryNumberForm)
{
    for (const auto& [text, value] : kAccepted) {
        EXPECT_EQ(numberOfText(text), value) << "text: " << text;
    }
    EXPECT_TRUE(std::isnan(numberOfText("NaN")));
    EXPECT_TRUE(std::signbit(numberOfText("-0")));
    EXPECT_TRUE(std::signbit(numberOfText("-1e-400")));
}

TEST(NumberOfText, RejectsNonNumbersWithConversionErrorNamingTheText)
{
    for (const auto& text : kRejected) {
        try {
            numberOfText(text);
            ADD_FAILURE() << "accepted: \"" << text << '"';
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Conversion) << text;
            EXPECT_EQ(e.subject(), text);
        }
    }
}

static std::string repeat(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

TEST(NumberOfText, ConversionMessagesAreGerman)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1.2.3", "Keine Zahl: „1.2.3“"},
        {"12,5", "Keine Zahl: „12,5“ (Dezimaltrennzeichen ist der Punkt)"},
        {"", "Keine Zahl: Das Feld ist leer."},
        // Long texts are quoted by their first 40 characters and their length.
        {std::string(40, 'a'), "Keine Zahl: „" + std::string(40, 'a') + "“"},
        {repeat("ä", 41) + ",", "Keine Zahl: „" + repeat("ä", 40) + "…“ (42 Zeichen) (Dezimaltrennzeichen ist der Punkt)"},
        {std::string(1'000'000, '9'),
         "Überlauf: „" + std::string(40, '9') + "…“ (1000000 Zeichen) liegt außerhalb des Zahlenbereichs"},
    };
    for (const auto& [text, message] : cases) {
        try {
            numberOfText(text);
            ADD_FAILURE() << text;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

TEST(NumberOfText, FiniteTextBeyondDoubleRangeIsOverflow)
{
    for (const std::string text : {"1e400", "-1e400", "1.79769313486233E+308", "1.8e308", "99999e99999999999999"}) {
        try {
            numberOfText(text);
            ADD_FAILURE() << text;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Overflow) << text;
            EXPECT_NE(std::string(e.what()).find("Überlauf"), std::string::npos);
        }
    }
}

TEST(TextOfNumber, FormatsLikePercent15G)
{
    const std::vector<std::pair<double, std::string>> cases = {
        {12.0, "12"},
        {2.5, "2.5"},
        {-1.0, "-1"},
        {1.0 / 3.0, "0.333333333333333"},
        {22.0 / 7.0, "3.14285714285714"},
        {0.1 + 0.2, "0.3"},
        {1e-5, "1E-05"},
        {0.0001, "0.0001"},
        {0.00012345, "0.00012345"},
        {1.23456789012346e15, "1.23456789012346E+15"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E+15"},
        {-8.45e-11, "-8.45E-11"},
        {1e100, "1E+100"},
        {123456.789, "123456.789"},
        {0.9999999999999999, "1"},
        {9.9999999999999999e14, "1E+15"},
        {4.94065645841247e-324, "4.94065645841247E-324"},
        {-0.0, "0"},
        {kInf, "∞"},
        {-kInf, "-∞"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(textOfNumber(value), text);
    }
}

TEST(TextOfNumber, EveryWrittenTextReadsBack)
{
    const double values[] = {0.0, 1.0, -2.5, 1.0 / 3.0, 1e-5, 6.02214076e23, -1e-300, 1e308, 1.7976931348623157e308,
                             4.94065645841247e-324, kInf, -kInf, 32767.5, 0.1};
    for (const double v : values) {
        const std::string text = textOfNumber(v);
        EXPECT_EQ(textOfNumber(numberOfText(text)), text) << text;
    }
}

TEST(TextOfNumber, IgnoresAGermanLocale)
{
    // Debian's name for the German locale, or Windows' own.
    ASSERT_TRUE(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr || std::setlocale(LC_ALL, "German_Germany.1252") != nullptr)
        << "no German locale is installed";
    EXPECT_EQ(textOfNumber(2.5), "2.5");
    EXPECT_EQ(textOfNumber(1234567.25), "1234567.25");
    EXPECT_EQ(numberOfText("2.5"), 2.5);
    EXPECT_THROW(numberOfText("2,5"), RuntimeError);
    EXPECT_EQ(textOfSmallInteger(-32768), "-32768");
    std::setlocale(LC_ALL, "C");
}

TEST(SmallIntegerOfNumber, RoundsHalvesToEven)
{
    const std::vector<std::pair<double, int>> cases = {
        {2.5, 2},        {3.5, 4},         {-2.5, -2},     {-3.5, -4},    {0.5, 0},
        {2.4999, 2},     {2.5001, 3},      {-0.4, 0},      {32767.0, 32767}, {32767.4, 32767},
        {-32768.0, -32768}, {-32768.5, -32768}, {255.5, 256},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(smallIntegerOfNumber(value), expected) << value;
    }
}

TEST(SmallIntegerOfNumber, OverflowsOutsideSixteenBits)
{
    for (const double value : {32767.5, 32768.0, -32768.6, 40000.0, 1e300, kInf, -kInf,
                               std::numeric_limits<double>::quiet_NaN()}) {
        try {
            smallIntegerOfNumber(value);
            ADD_FAILURE() << value;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Overflow) << value;
        }
    }
}

TEST(CharacterAt, CountsUnicodeCharactersFromOne)
{
    const std::string text = "aä€😀b";
    EXPECT_EQ(characterAt(text, 1), "a");
    EXPECT_EQ(characterAt(text, 2), "ä");
    EXPECT_EQ(characterAt(text, 3), "€");
    EXPECT_EQ(characterAt(text, 4), "😀");
    EXPECT_EQ(characterAt(text, 5), "b");
    EXPECT_EQ(characterAt(text, 6), "");
    EXPECT_EQ(characterAt("", 1), "");
    // Broken UTF-8 counts byte by byte instead of running past the end.
    EXPECT_EQ(characterAt("\xC3", 1), "\xC3");
    EXPECT_EQ(characterAt("\xE2\x82x", 2), "\x82");
    EXPECT_EQ(characterAt("\xE2\x82x", 3), "x");
}
