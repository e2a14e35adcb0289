#include "runtime/maths.hpp"

#include "runtime/conversions.hpp"
#include "runtime/runtime_error.hpp"

#include <cmath>
#include <numbers>
#include <optional>
#include <string>

namespace rechner {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// The angle reduced exactly into (-360, 360). fmod is exact, so 390 and 30
// land on the same double.
double reduceDegrees(double degrees, const char* function)
{
    if (!std::isfinite(degrees)) {
        throwInvalidArgument(std::string(function) + " von " + textOfNumber(degrees));
    }
    return std::fmod(degrees, 360.0);
}

// For an angle on a whole multiple of 90 degrees, its quadrant 0..3
// (0, 90, 180, 270 degrees); nothing otherwise.
std::optional<int> quadrant(double reduced)
{
    if (std::fmod(reduced, 90.0) != 0.0) {   // exact, unlike a division by 90
        return std::nullopt;
    }
    return (static_cast<int>(reduced / 90.0) % 4 + 4) % 4;
}

} // namespace

double squareRoot(double value)
{
    if (value < 0.0) {
        throwInvalidArgument("Quadratwurzel von " + textOfNumber(value));
    }
    return std::sqrt(value);
}

double sineDegrees(double degrees)
{
    const double reduced = reduceDegrees(degrees, "Sinus");
    if (const auto q = quadrant(reduced)) {
        constexpr double kSine[] = {0.0, 1.0, 0.0, -1.0};
        return kSine[*q];
    }
    return std::sin(reduced * kRadiansPerDegree);
}

double cosineDegrees(double degrees)
{
    const double reduced = reduceDegrees(degrees, "Kosinus");
    if (const auto q = quadrant(reduced)) {
        constexpr double kCosine[] = {1.0, 0.0, -1.0, 0.0};
        return kCosine[*q];
    }
    return std::cos(reduced * kRadiansPerDegree);
}

double tangentDegrees(double degrees)
{
    const double reduced = reduceDegrees(degrees, "Tangens");
    if (const auto q = quadrant(reduced)) {
        if (*q % 2 != 0) {
            throwInvalidArgument("Tangens von " + textOfNumber(degrees) + " Grad");
        }
        return 0.0;
    }
    return std::tan(reduced * kRadiansPerDegree);
}

} // namespace rechner
