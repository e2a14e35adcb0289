#pragma once

// Mathematical routines of the calculator. Angles are in degrees.
namespace rechner {

// Invalid-argument error for a negative number.
double squareRoot(double value);

// Exact at whole multiples of 90 degrees; an invalid-argument error for a
// non-finite angle, and for the tangent at odd multiples of 90 degrees.
double sineDegrees(double degrees);
double cosineDegrees(double degrees);
double tangentDegrees(double degrees);

} // namespace rechner
