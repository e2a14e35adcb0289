#include "keypad.hpp"
#include "engine/operations.hpp"
#include "runtime/runtime_error.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace rechner;
using rechner::testing::Keypad;
using rechner::testing::Shown;

namespace {

struct Row {
    std::string name;
    std::vector<std::string> keys;
    Shown shown;   // txt_Text1, txt_Text2, txt_Text3, txt_Text5
};

void runRows(const std::vector<Row>& rows)
{
    for (const auto& row : rows) {
        Keypad pad;
        pad.press(row.keys);
        EXPECT_EQ(pad.shown(), row.shown) << row.name;
    }
}

} // namespace

TEST(Entry, RoutesIntoVariable1ThenVariable2)
{
    runRows({
        {"digits and point", {"1", "2", ".", "5"}, {"12.5", "", "", ""}},
        {"after an operator", {"3", "+", "1", "2", ".", "5"}, {"3", "12.5", "", "  +"}},
        {"after a function", {"9", "sqrt", "4"}, {"9", "4", "3", ""}},
        {"point after a function", {"9", "sqrt", ".", "5"}, {"9", ".5", "3", ""}},
        {"leading zeros and two points stay", {"0", "7", ".", "."}, {"07..", "", "", ""}},
        {"typed text is extended", {"@1:4", "2"}, {"42", "", "", ""}},
        {"Pi replaces Variable 1 with pi", {"3", "4", "Pi"}, {"3.14159265358979", "", "", ""}},
        {"Pi into Variable 2", {"2", "x", "5", "Pi"}, {"2", "3.14159265358979", "", "  x"}},
        {"digit after = extends Variable 2", {"1", "+", "2", "=", "3"}, {"1", "23", "3", "  +"}},
        {"second = uses the longer operand", {"1", "+", "2", "=", "3", "="}, {"1", "23", "24", "  +"}},
        // Which entries mark what, seen through the role of a later "-" or step back.
        {"point into Variable 2 marks no entry", {"5", "+", ".", "Schritt zurück"}, {"5", ".", "", ""}},
        {"digit into Variable 2 marks an entry", {"+", "5", "-"}, {"", "-", "", "  +"}},
        {"Pi marks an entry", {"Pi", "-"}, {"3.14159265358979", "", "", "  -"}},
        {"Pi into Variable 2 marks it entered", {"1", "+", "Pi", "Schritt zurück"}, {"1", "", "", "  +"}},
        {"recall marks an entry", {"R < M", "-"}, {"0", "", "", "  -"}},
        {"recall into Variable 2 marks it entered", {"1", "+", "R < M", "Schritt zurück"}, {"1", "", "", "  +"}},
    });
}

TEST(Evaluate, ComputesOrWritesGermanMessages)
{
    runRows({
        {"7 + 5", {"7", "+", "5", "="}, {"7", "5", "12", "  +"}},
        {"division", {"1", "/", "3", "="}, {"1", "3", "0.333333333333333", "  /"}},
        {"subtraction", {"9", "-", "4", "="}, {"9", "4", "5", "  -"}},
        {"product", {"2", ".", "5", "x", "4", "="}, {"2.5", "4", "10", "  x"}},
        {"empty Variable 1", {"+", "5", "="}, {"", "5", "Unvollständige Eingabe!", "  +"}},
        {"empty Variable 1, others typed", {"@5:  +", "@2:5", "="}, {"", "5", "Unvollständige Eingabe!", "  +"}},
        {"no operator", {"5", "@2:3", "="}, {"5", "3", "Unvollständige Eingabe!", ""}},
        {"empty Variable 2", {"5", "+", "="}, {"5", "", "Unvollständige Eingabe!", "  +"}},
        {"blanks count as filled", {"5", "+", "@2: 3", "="}, {"5", " 3", "8", "  +"}},
        {"divide by zero", {"8", "/", "0", "="}, {"8", "0", "Eingabefehler!", "  /"}},
        {"divide by 0.0", {"8", "/", "@2:0.0", "="}, {"8", "0.0", "Eingabefehler!", "  /"}},
        {"divide by minus zero", {"8", "/", "@2:-0", "="}, {"8", "-0", "Eingabefehler!", "  /"}},
        {"zero divided by zero", {"0", "/", "0", "="}, {"0", "0", "Eingabefehler!", "  /"}},
        {"zero divided by five", {"0", "/", "5", "="}, {"0", "5", "0", "  /"}},
        {"divide by the smallest double", {"1", "/", "@2:4.94065645841247E-324", "="},
         {"1", "4.94065645841247E-324", "∞", "  /"}},
        {"three roles of minus", {"-", "3", "-", "-", "2", "="}, {"-3", "-2", "-1", "  -"}},
        {"sign of Variable 1 marks an entry", {"-", "-"}, {"-", "", "", "  -"}},
        {"sign of Variable 2 marks nothing entered", {"5", "+", "-", "Schritt zurück"}, {"5", "-", "", ""}},
        {"subtraction replaces division", {"8", "/", "2", "Schritt zurück", "-", "2", "="}, {"8", "2", "6", "  -"}},
        {"subtraction replaces addition", {"8", "+", "2", "Schritt zurück", "-", "2", "="}, {"8", "2", "6", "  -"}},
        {"addition replaces division", {"8", "/", "+", "2", "="}, {"8", "2", "10", "  +"}},
        {"product replaces division", {"8", "/", "x", "2", "="}, {"8", "2", "16", "  x"}},
        {"product replaces addition", {"8", "+", "x", "2", "="}, {"8", "2", "16", "  x"}},
        {"minus as sign of Variable 2 replaces it", {"5", "+", "2", "-"}, {"5", "-", "", "  +"}},
        {"minus after point is sign of Variable 1", {".", "-"}, {"-", "", "", ""}},
        {"minus after sqrt is subtraction", {"9", "sqrt", "-", "4", "="}, {"9", "4", "5", "  -"}},
        {"product beyond range is infinite", {"@1:1e300", "x", "@2:1e300", "="}, {"1e300", "1e300", "∞", "  x"}},
        {"negative infinity", {"@1:-1e300", "x", "@2:1e300", "="}, {"-1e300", "1e300", "-∞", "  x"}},
        {"operator replaced, second =", {"5", "x", "2", "=", "/", "="}, {"5", "2", "2.5", "  /"}},
        {"operator typed by hand gives no result", {"5", "@5:+", "@2:3", "@3:alt", "="}, {"5", "3", "alt", "+"}},
        {"= twice", {"6", "x", "7", "=", "="}, {"6", "7", "42", "  x"}},
        {"exponent and infinity operands", {"@1:1E+3", "+", "@2:∞", "="}, {"1E+3", "∞", "∞", "  +"}},
    });
}

TEST(Functions, WorkOnVariable1InDegrees)
{
    runRows({
        {"square", {"3", "(x)2"}, {"3", "", "9", ""}},
        {"square beyond range", {"@1:1e200", "(x)2"}, {"1e200", "", "∞", ""}},
        {"square root", {"2", "sqrt"}, {"2", "", "1.4142135623731", ""}},
        {"square root of 0", {"0", "sqrt"}, {"0", "", "0", ""}},
        {"square root of minus 0", {"@1:-0", "sqrt"}, {"-0", "", "0", ""}},
        {"a function marks no entry", {"@1:9", "sqrt", "-"}, {"-", "", "3", ""}},
        {"sin 30", {"3", "0", "sin"}, {"30", "", "0.5", ""}},
        {"sin 0", {"0", "sin"}, {"0", "", "0", ""}},
        {"cos 0", {"0", "cos"}, {"0", "", "1", ""}},
        {"cos 90", {"9", "0", "cos"}, {"90", "", "0", ""}},
        {"sin 180", {"1", "8", "0", "sin"}, {"180", "", "0", ""}},
        {"tan 45", {"4", "5", "tan"}, {"45", "", "1", ""}},
        {"reads Variable 1 while entry is in Variable 2", {"4", "+", "9", "sqrt"}, {"4", "9", "2", "  +"}},
        {"function keeps the operator for =", {"3", "x", "sqrt", "4", "="}, {"3", "4", "12", "  x"}},
    });
}

TEST(MemoryStepBackClear, Sequences)
{
    runRows({
        {"memory survives clear", {"6", "R > M", "löschen", "R < M"}, {"6", "", "", ""}},
        {"store from result", {"2", "+", "3", "=", "R > M", "R < M"}, {"2", "5", "5", "  +"}},
        {"recall at start", {"R < M"}, {"0", "", "", ""}},
        {"recall replaces Variable 1", {"3", "R > M", "4", "R < M"}, {"3", "", "", ""}},
        {"store marks no entry", {"@1:5", "R > M", "-"}, {"-", "", "", ""}},
        {"store from result after a function", {"9", "sqrt", "R > M", "löschen", "R < M"}, {"3", "", "", ""}},
        {"step back once", {"1", "2", "+", "3", "Schritt zurück"}, {"12", "", "", "  +"}},
        {"step back twice", {"1", "2", "+", "3", "Schritt zurück", "Schritt zurück"}, {"12", "", "", ""}},
        {"step back three times", {"1", "2", "+", "3", "Schritt zurück", "Schritt zurück", "Schritt zurück"}, {"", "", "", ""}},
        {"step back four times", {"1", "2", "+", "3", "Schritt zurück", "Schritt zurück", "Schritt zurück", "Schritt zurück"}, {"", "", "", ""}},
        {"step back in Variable 1 unmarks the entry", {"5", "Schritt zurück", "-"}, {"-", "", "", ""}},
        {"step back in Variable 1 keeps a typed Variable 2", {"5", "@2:7", "Schritt zurück"}, {"", "7", "", ""}},
        {"step back over the operator: minus subtracts", {"5", "+", "Schritt zurück", "-"}, {"5", "", "", "  -"}},
        {"step back in Variable 2 keeps entry and operator", {"1", "+", "2", "Schritt zurück", "3", "="}, {"1", "3", "4", "  +"}},
        {"after step back minus subtracts", {"5", "x", "3", "Schritt zurück", "-", "2", "="}, {"5", "2", "3", "  -"}},
        {"step back after sqrt returns to Variable 1", {"9", "sqrt", "Schritt zurück", "1"}, {"91", "", "3", ""}},
        {"step back leaves the result", {"2", "+", "3", "=", "Schritt zurück"}, {"2", "", "5", "  +"}},
        {"step back leaves the operator flags", {"8", "+", "Schritt zurück", "@5:+", "@2:2", "="}, {"8", "2", "10", "+"}},
        {"clear", {"2", "+", "3", "=", "löschen"}, {"", "", "", ""}},
        // Each flag "löschen" resets, seen through the keys after it.
        {"clear returns entry to Variable 1", {"7", "+", "löschen", "5"}, {"5", "", "", ""}},
        {"clear unmarks the entry", {"7", "löschen", "-"}, {"-", "", "", ""}},
        {"clear unmarks Variable 2", {"1", "+", "2", "löschen", "3", "+", "Schritt zurück"}, {"3", "", "", ""}},
        {"clear unsets the operator", {"7", "+", "löschen", "5", "-"}, {"5", "", "", "  -"}},
        {"clear forgets division", {"8", "/", "löschen", "8", "@5:x", "@2:2", "="}, {"8", "2", "", "x"}},
        {"clear forgets multiplication", {"8", "x", "löschen", "8", "@5:x", "@2:2", "="}, {"8", "2", "", "x"}},
        {"clear forgets subtraction", {"8", "-", "löschen", "8", "@5:x", "@2:2", "="}, {"8", "2", "", "x"}},
        {"clear forgets addition", {"8", "+", "löschen", "8", "@5:x", "@2:2", "="}, {"8", "2", "", "x"}},
        {"clear keeps memory and typed nothing", {"7", "R > M", "löschen", "+", "R < M"}, {"", "7", "", "  +"}},
    });
}

TEST(Flags, FollowTheKeys)
{
    Keypad pad;
    pad.press({"5", "+", "3"});
    EXPECT_EQ(pad.state.flg_Variable2Active.value(), -1);
    EXPECT_EQ(pad.state.flg_Add.value(), -1);
    EXPECT_TRUE(pad.state.flg_Variable2Entered);
    pad.step("x");
    EXPECT_FALSE(pad.state.flg_Add);
    EXPECT_TRUE(pad.state.flg_Multiply);
    pad.step("Schritt zurück");   // step back leaves the operator flags
    EXPECT_FALSE(pad.state.flg_OperatorSet);
    EXPECT_TRUE(pad.state.flg_Multiply);
    pad.step("=");        // "=" changes no flag and keeps copies of the texts
    EXPECT_EQ(pad.state.str_Variable1, "5");
    EXPECT_EQ(pad.state.str_Operator, "  x");
    pad.step("löschen");
    EXPECT_EQ(pad.state.flg_Multiply.value(), 0);
    EXPECT_EQ(pad.state.str_Operator, "  x");   // copies survive the clear

    Keypad typed;
    typed.press({"@1:5", "@5:  +", "@2:3"});
    EXPECT_EQ(typed.state.flg_EntryMade.value(), 0);   // typing changes no flag
    typed.step(".");
    EXPECT_EQ(typed.state.flg_EntryMade.value(), 0);   // nor does the point
}

TEST(Exit, RunsTheSuppliedEndOperation)
{
    Keypad pad;
    int ends = 0;
    exitProgram(pad.state, pad.text.fields, [&ends] { ++ends; });
    EXPECT_EQ(ends, 1);
}

namespace {

struct FailingRow {
    std::string name;
    std::vector<std::string> keys;   // the last key fails
    ErrorKind kind;
    Shown shown;
};

} // namespace

// A failing key stops where it fails: what it wrote before stays, the result
// field is not written, and the state keeps what was already stored.
TEST(Failures, StopTheKeyAndKeepWhatWasWritten)
{
    const std::vector<FailingRow> rows = {
        {"sign only in Variable 1", {"+", "-", "3", "="}, ErrorKind::Conversion, {"-", "3", "", "  +"}},
        {"two points", {"1", ".", ".", "+", "2", "@3:alt", "="}, ErrorKind::Conversion, {"1..", "2", "alt", "  +"}},
        {"comma", {"@1:12,5", "sin"}, ErrorKind::Conversion, {"12,5", "", "", ""}},
        {"root of negative", {"-", "4", "sqrt"}, ErrorKind::InvalidArgument, {"-4", "", "", ""}},
        {"root just below 0", {"@1:-0.5", "sqrt"}, ErrorKind::InvalidArgument, {"-0.5", "", "", ""}},
        {"tan 90", {"9", "0", "tan"}, ErrorKind::InvalidArgument, {"90", "", "", ""}},
        {"store empty Variable 1", {"R > M"}, ErrorKind::Conversion, {"", "", "", ""}},
        {"store a message", {"+", "=", "R > M"}, ErrorKind::Conversion, {"", "", "Unvollständige Eingabe!", "  +"}},
        {"operand too large", {"@1:1e999", "+", "1", "="}, ErrorKind::Overflow, {"1e999", "1", "", "  +"}},
    };
    for (const auto& row : rows) {
        Keypad pad;
        const std::vector<std::string> before(row.keys.begin(), row.keys.end() - 1);
        pad.press(before);
        try {
            pad.step(row.keys.back());
            ADD_FAILURE() << row.name << ": no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.kind(), row.kind) << row.name;
        }
        EXPECT_EQ(pad.shown(), row.shown) << row.name;
    }
}

TEST(Failures, PartialUpdatesBeforeTheFailureStay)
{
    Keypad pad;
    pad.press({"7", "+", "@2:x"});
    EXPECT_THROW(pad.step("="), RuntimeError);
    EXPECT_EQ(pad.state.str_Variable2, "x");     // copies taken first
    EXPECT_EQ(pad.state.dbl_Variable1, 7.0);     // Variable 1 converted before Variable 2 failed
    EXPECT_TRUE(pad.state.flg_Variable2Active);

    Keypad root;
    root.press({"-", "9"});
    EXPECT_THROW(root.step("sqrt"), RuntimeError);
    EXPECT_EQ(root.state.dbl_Variable1, -9.0);   // the operand was stored before the root failed
    EXPECT_FALSE(root.state.flg_Variable2Active);

    Keypad memory;
    memory.press({"5", "R > M", "@1:nix"});
    EXPECT_THROW(memory.step("R > M"), RuntimeError);
    memory.press({"löschen", "R < M"});
    EXPECT_EQ(memory.shown()[0], "5");           // the memory kept its old value
}
