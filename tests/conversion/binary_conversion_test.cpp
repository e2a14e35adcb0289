#include "keypad.hpp"
#include "conversion/binary_conversion.hpp"
#include "engine/operations.hpp"
#include "runtime/runtime_error.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace rechner;
using rechner::testing::Keypad;

namespace {

struct Row {
    std::string variable1;
    std::string result;
};

void convert(const std::string& key, const std::vector<Row>& rows)
{
    for (const auto& row : rows) {
        Keypad pad;
        pad.press({"@1:" + row.variable1, "@2:v2", "@5:op", key});
        EXPECT_EQ(pad.shown(), (rechner::testing::Shown{row.variable1, "v2", row.result, "op"})) << row.variable1;
    }
}

void expectFailure(const std::string& key, const std::string& variable1, ErrorKind kind)
{
    Keypad pad;
    pad.press({"@1:" + variable1, "@3:vorher"});
    try {
        pad.step(key);
        ADD_FAILURE() << variable1 << ": no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.kind(), kind) << variable1;
    }
    EXPECT_EQ(pad.shown()[2], "vorher") << variable1;
}

} // namespace

TEST(DecimalToBinary, WritesEightBitsOrAMessage)
{
    convert("Umrechnung in Binär", {
        {"5", "00000101"},
        {"255", "11111111"},
        {"0", "00000000"},
        {"128", "10000000"},
        {"2.5", "00000010"},
        {"3.5", "00000100"},
        {"-0.4", "00000000"},
        {"-0.5", "00000000"},
        {"1e2", "01100100"},
        {"256", "Zu grosse Zahl für 8 Bits!"},
        {"255.5", "Zu grosse Zahl für 8 Bits!"},
        {"32767", "Zu grosse Zahl für 8 Bits!"},
        {"-3", "Zu kleine Zahl für 8 Bits!"},
        {"-0.6", "Zu kleine Zahl für 8 Bits!"},
        {"-32768", "Zu kleine Zahl für 8 Bits!"},
    });
}

TEST(DecimalToBinary, FailsOnNonNumbersAndSixteenBitOverflow)
{
    expectFailure("Umrechnung in Binär", "40000", ErrorKind::Overflow);
    expectFailure("Umrechnung in Binär", "-40000", ErrorKind::Overflow);
    expectFailure("Umrechnung in Binär", "∞", ErrorKind::Overflow);
    expectFailure("Umrechnung in Binär", "", ErrorKind::Conversion);
    expectFailure("Umrechnung in Binär", "fünf", ErrorKind::Conversion);
}

TEST(BinaryToDecimal, ReadsTheFirstEightCharacters)
{
    convert("Umrechnung in Dezimal", {
        {"11111111", "255"},
        {"10000000", "128"},
        {"00000001", "1"},
        {"00000000", "0"},
        {"01010101", "85"},
        {"011111111", "127"},
        {"11111111.5", "Zu grosse Eingabe für 8 Bits!"},
        {"11111112", "Zu grosse Eingabe für 8 Bits!"},
        {"22222222", "Zu grosse Eingabe für 8 Bits!"},
        {"1e9", "Zu grosse Eingabe für 8 Bits!"},
        {"10200000", "Eingabefehler!"},
        {"101", "Eingabefehler!"},
        {"-1", "Eingabefehler!"},
        {" 00000001", "Eingabefehler!"},
        {"1.000000", "Eingabefehler!"},
        {"0000000.1", "Eingabefehler!"},
        {"NaN", "Eingabefehler!"},
    });
}

TEST(BinaryToDecimal, FailsOnNonNumbers)
{
    expectFailure("Umrechnung in Dezimal", "", ErrorKind::Conversion);
    expectFailure("Umrechnung in Dezimal", "1010101a", ErrorKind::Conversion);
    expectFailure("Umrechnung in Dezimal", "1e999", ErrorKind::Overflow);
}

TEST(Conversions, LeaveTheStateAlone)
{
    Keypad pad;
    pad.press({"5", "+", "3", "=", "R > M"});
    const CalculatorState before = pad.state;
    pad.press({"@1:7", "Umrechnung in Binär", "@1:00000111", "Umrechnung in Dezimal"});
    EXPECT_EQ(pad.state.flg_Add, before.flg_Add);
    EXPECT_EQ(pad.state.flg_Variable2Entered, before.flg_Variable2Entered);
    EXPECT_EQ(pad.state.flg_EntryMade, before.flg_EntryMade);
    EXPECT_EQ(pad.state.dbl_Memory, before.dbl_Memory);
    EXPECT_EQ(pad.shown(), (rechner::testing::Shown{"00000111", "3", "7", "  +"}));
}
