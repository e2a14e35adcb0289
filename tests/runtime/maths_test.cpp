#include "runtime/conversions.hpp"
#include "runtime/maths.hpp"
#include "runtime/runtime_error.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using namespace rechner;

namespace {

struct Case {
    double (*function)(double);
    double degrees;
    std::string shown;
};

void expectInvalidArgument(double (*function)(double), double argument)
{
    try {
        function(argument);
        ADD_FAILURE() << "no error for " << argument;
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::InvalidArgument) << argument;
        EXPECT_EQ(std::string(e.what()).rfind("Ungültiges Argument: ", 0), 0u) << e.what();
    }
}

} // namespace

TEST(Degrees, WholeAndCommonAnglesShowExactValues)
{
    const std::vector<Case> cases = {
        {sineDegrees, 0, "0"},      {sineDegrees, 30, "0.5"},    {sineDegrees, 90, "1"},
        {sineDegrees, 180, "0"},    {sineDegrees, 270, "-1"},    {sineDegrees, -90, "-1"},
        {sineDegrees, 390, "0.5"},  {sineDegrees, -330, "0.5"},  {sineDegrees, 3600, "0"},
        {sineDegrees, 45, "0.707106781186547"}, {sineDegrees, 1e22, "-0.984807753012208"},
        {cosineDegrees, 0, "1"},    {cosineDegrees, 60, "0.5"},  {cosineDegrees, 90, "0"},
        {cosineDegrees, 180, "-1"}, {cosineDegrees, -270, "0"},  {cosineDegrees, 720, "1"},
        {tangentDegrees, 0, "0"},   {tangentDegrees, 45, "1"},   {tangentDegrees, 180, "0"},
        {tangentDegrees, -45, "-1"}, {tangentDegrees, 135, "-1"}, {tangentDegrees, 60, "1.73205080756888"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textOfNumber(c.function(c.degrees)), c.shown) << c.degrees;
    }
}

TEST(Degrees, TangentOfOddRightAnglesAndNonFiniteAnglesFail)
{
    for (const double angle : {90.0, 270.0, -90.0, 450.0, -630.0}) {
        expectInvalidArgument(tangentDegrees, angle);
    }
    // Just off a right angle is a finite, large tangent.
    EXPECT_LT(tangentDegrees(90.00000000000001), -1e14);
    for (const double angle : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        expectInvalidArgument(sineDegrees, angle);
        expectInvalidArgument(cosineDegrees, angle);
        expectInvalidArgument(tangentDegrees, angle);
    }
}

TEST(SquareRoot, OfNegativeNumberFails)
{
    EXPECT_EQ(squareRoot(9.0), 3.0);
    EXPECT_EQ(squareRoot(0.0), 0.0);
    expectInvalidArgument(squareRoot, -4.0);
    expectInvalidArgument(squareRoot, -std::numeric_limits<double>::infinity());
}
