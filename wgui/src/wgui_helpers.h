// The library's small free functions: rounding, clamping, angles in degrees (y grows down the
// screen, so angle 90 points up), random numbers from the C library's rand(), number-to-text
// formatting in the "C" locale, and HSV colour conversion.
#pragma once

#include "foundation/str.h"

namespace WGUI
{

// Degrees per radian, written out rather than derived from pi.
extern const double RAD_DEG_CONVERT;

// Rounding and magnitude.
int roundToInt(double x);    // floor(x + 0.5): -0.5 gives 0, 2.5 gives 3
int roundUpToInt(double x);  // ceil
double absoluteValue(double x);
void flipBool(bool& b);
void swap(double& a, double& b);

// Clamping in place: min is applied first, then max.
void boundDouble(double& v, double min, double max);
void boundFloat(float& v, float min, float max);
void boundInt(int& v, int min, int max);
int minimum(int a, int b);
int maximum(int a, int b);
double minimum(double a, double b);
double maximum(double a, double b);
double minimum(double a, double b, double c);
double maximum(double a, double b, double c);
double normalizeVolume(double v);  // clamps to [0, 1]
float normalizeVolume(float v);

// Angles in degrees.
void set0To360Folded(double& a);  // the fold set0To360 makes
// Into [0, 360). An angle safely inside leaves as it came, as the fold would leave it (the
// quotient's floor is 0 there; 0 itself and angles near 360 take the fold, which turns -0 into 0
// and may round an angle a hair below 360 onto it).
inline void set0To360(double& a)
{
    if (a > 0.0 && a < 359.0)
        return;
    set0To360Folded(a);
}
double angleDifference(double a, double b);  // a - b folded once each way into (-180, 180]
bool angleIsBetweenAngles(double a, double b, double tolerance);  // strict
double changeToSignOf(double v, double s);                        // |v| when s > 0, else -|v|
double degToRad(double d);
double sinDeg(double d);
double cosDeg(double d);
// sinDeg(d) and cosDeg(d) together, bit for bit the same as the two calls, for less work.
void sinCosDeg(double d, double& s, double& c);
double aTan2Deg(double y, double x);

// Random numbers from rand(); its range is 0 .. 2147483647.
double randomDouble0to1();  // [0, 1], 1 included
double randomDouble(double a, double b);
double randomAngle(double centre, double spread);  // wrapped into [0, 360)
int randomInt(int a, int b);                       // [a, b - 1]; needs b > a

// Text and numbers, always in the "C" locale. Parsing reads leading white space, a sign and
// as many digits (or decimal characters) as form a number, ignores the rest, gives 0 for no
// number at all and saturates values that do not fit.
int stringToInt(const str& s);
double stringToDouble(const str& s);
float stringToFloat(const str& s);
// Whether the text starts (after white space) with a number those conversions read; "nan",
// "inf" and "" do not.
bool hasLeadingNumber(const str& s, bool decimal);
str intToString(int v);        // "%d"
str doubleToString(double v);  // "%f": six decimals
str intToTime(int seconds);    // "m:ss"; 0 and below give "0:00"
str doubleToTime(double seconds, bool roundUp);
str intToCommaString(int v);  // 1234567 -> "1,234,567"; negatives unchanged

bool fileExists(const str& name);

// Colour conversion; every value in [0, 1].
void HSVToRGB(double h, double s, double v, double& r, double& g, double& b);
void RGBToHSV(double r, double g, double b, double& h, double& s, double& v);

}  // namespace WGUI
