// The library's small free functions: rounding, clamping, angles, random numbers, text, HSV.
#include "wgui_helpers.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

#include "foundation/file.h"

namespace WGUI
{

const double RAD_DEG_CONVERT = 57.29577951307855;

namespace
{

// Converting a double that does not fit an int is undefined: such values (a size divided by a
// zero parent size, say) saturate, and NaN gives 0.
int toIntSaturated(double v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0)
        return INT_MAX;
    if (v <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

int roundToInt(double x)
{
    return toIntSaturated(std::floor(x + 0.5));
}

int roundUpToInt(double x)
{
    return toIntSaturated(std::ceil(x));
}

double absoluteValue(double x)
{
    return std::fabs(x);
}

void flipBool(bool& b)
{
    b = !b;
}

void swap(double& a, double& b)
{
    double t = a;
    a = b;
    b = t;
}

void boundDouble(double& v, double min, double max)
{
    if (v < min)
        v = min;
    if (v > max)
        v = max;
}

void boundFloat(float& v, float min, float max)
{
    if (v < min)
        v = min;
    if (v > max)
        v = max;
}

void boundInt(int& v, int min, int max)
{
    if (v < min)
        v = min;
    if (v > max)
        v = max;
}

int minimum(int a, int b)
{
    return a < b ? a : b;
}
int maximum(int a, int b)
{
    return a > b ? a : b;
}
double minimum(double a, double b)
{
    return a < b ? a : b;
}
double maximum(double a, double b)
{
    return a > b ? a : b;
}
double minimum(double a, double b, double c)
{
    return minimum(minimum(a, b), c);
}
double maximum(double a, double b, double c)
{
    return maximum(maximum(a, b), c);
}

double normalizeVolume(double v)
{
    if (v < 0)
        return 0;
    if (v > 1)
        return 1;
    return v;
}

float normalizeVolume(float v)
{
    if (v < 0)
        return 0;
    if (v > 1)
        return 1;
    return v;
}

void set0To360Folded(double& a)
{
    a = a - 360.0 * std::floor(a / 360.0);
}

double angleDifference(double a, double b)
{
    double d = a - b;
    if (d > 180)
        d -= 360;
    if (d < -180)
        d += 360;
    return d;
}

bool angleIsBetweenAngles(double a, double b, double tolerance)
{
    double d = angleDifference(b, a);
    return tolerance > std::fabs(d);
}

double changeToSignOf(double v, double s)
{
    return s > 0 ? std::fabs(v) : -std::fabs(v);
}

double degToRad(double d)
{
    return d / RAD_DEG_CONVERT;
}
double sinDeg(double d)
{
    return std::sin(d / RAD_DEG_CONVERT);
}
double cosDeg(double d)
{
    return std::cos(d / RAD_DEG_CONVERT);
}
void sinCosDeg(double d, double& s, double& c)
{
    // The C library's sincos shares its argument reduction and both polynomials with sin and
    // cos, so each result is the one the separate call gives.
    ::sincos(d / RAD_DEG_CONVERT, &s, &c);
}
double aTan2Deg(double y, double x)
{
    return std::atan2(y, x) * RAD_DEG_CONVERT;
}

// rand()'s range on this platform is 0 .. 2147483647.
static const double kRandRange = 2147483647.0;

double randomDouble0to1()
{
    return std::rand() / kRandRange;
}

double randomDouble(double a, double b)
{
    return a + std::rand() / kRandRange * (b - a);
}

double randomAngle(double centre, double spread)
{
    double lo = centre - spread;
    double hi = centre + spread;
    double a = lo + std::rand() / kRandRange * (hi - lo);
    set0To360(a);
    return a;
}

int randomInt(int a, int b)
{
    // Callers pass b > a; an empty range gives a rather than a division by zero.
    if (b <= a)
        return a;
    long long span = static_cast<long long>(b) - a;
    return static_cast<int>(a + std::rand() % span);
}

namespace
{

// The leading number of a text as the C conversions read it, ignoring the locale: white space,
// a sign, digits, and (for decimals) a point, more digits and an exponent.
std::string leadingNumber(const char* s, bool decimal)
{
    while (*s && std::isspace(static_cast<unsigned char>(*s)))
        ++s;
    std::string out;
    if (*s == '+' || *s == '-')
        out += *s++;
    size_t digits = 0;
    while (std::isdigit(static_cast<unsigned char>(*s)))
    {
        out += *s++;
        ++digits;
    }
    if (!decimal)
        return digits ? out : std::string();
    if (*s == '.')
    {
        out += *s++;
        while (std::isdigit(static_cast<unsigned char>(*s)))
        {
            out += *s++;
            ++digits;
        }
    }
    if (!digits)
        return std::string();
    if (*s == 'e' || *s == 'E')
    {
        const char* e = s + 1;
        std::string exp = "e";
        if (*e == '+' || *e == '-')
            exp += *e++;
        if (std::isdigit(static_cast<unsigned char>(*e)))
        {
            while (std::isdigit(static_cast<unsigned char>(*e)))
                exp += *e++;
            out += exp;
        }
    }
    return out;
}

}  // namespace

int stringToInt(const str& s)
{
    std::string n = leadingNumber(s.c_str(), false);
    if (n.empty())
        return 0;
    bool negative = n[0] == '-';
    size_t i = (n[0] == '-' || n[0] == '+') ? 1 : 0;
    long long v = 0;
    for (; i < n.size(); ++i)
    {
        v = v * 10 + (n[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            break;  // saturated either way
    }
    if (negative)
        return v > static_cast<long long>(INT_MAX) ? INT_MIN : static_cast<int>(-v);
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

double stringToDouble(const str& s)
{
    std::string n = leadingNumber(s.c_str(), true);
    if (n.empty())
        return 0.0;
    // The text holds only a sign, digits, a point and an exponent; read it in the "C" locale
    // whatever the process locale is. Overflow gives +-HUGE_VAL, underflow a value near zero.
    static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    if (cLocale)
        return strtod_l(n.c_str(), nullptr, cLocale);
    return std::strtod(n.c_str(), nullptr);
}

bool hasLeadingNumber(const str& s, bool decimal)
{
    return !leadingNumber(s.c_str(), decimal).empty();
}

float stringToFloat(const str& s)
{
    double d = stringToDouble(s);
    if (d > 3.402823466e38)
        return HUGE_VALF;
    if (d < -3.402823466e38)
        return -HUGE_VALF;
    return static_cast<float>(d);
}

str intToString(int v)
{
    return str::getFormatted("%d", v);
}

str doubleToString(double v)
{
    return str::getFormatted("%f", v);
}

str intToTime(int seconds)
{
    int minutes = seconds / 60;
    int sec = seconds % 60;
    str secText;
    if (sec <= 0)
        secText = "00";
    else if (sec < 10)
        secText = str::getFormatted("0%d", sec);
    else
        secText = str::getFormatted("%d", sec);
    // Negative times read as no time at all.
    if (seconds < 0)
        minutes = 0;
    return str::getFormatted("%d:", minutes) + secText;
}

str doubleToTime(double seconds, bool roundUp)
{
    double v = roundUp ? std::ceil(seconds) : std::trunc(seconds);
    if (!(v >= INT_MIN && v <= INT_MAX))
        v = v > 0 ? INT_MAX : 0;
    return intToTime(static_cast<int>(v));
}

str intToCommaString(int v)
{
    std::string s = str::getFormatted("%d", v).c_str();
    if (v > 999999999)
        s.insert(s.size() - 9, ",");
    if (v > 999999)
        s.insert(s.size() - 6, ",");
    if (v > 999)
        s.insert(s.size() - 3, ",");
    return str(s.c_str());
}

bool fileExists(const str& name)
{
    return TFile::Exists(name);
}

void HSVToRGB(double h, double s, double v, double& r, double& g, double& b)
{
    const double eps = 0.001;
    if (std::fabs(s) < eps)
    {
        r = g = b = v;
        return;
    }
    double vh = h * 6.0;
    if (std::fabs(vh - 6.0) < eps)
        vh = 0;
    int i = static_cast<int>(vh);
    double f = vh - i;
    double p = v * (1 - s);
    double q = v * (1 - s * f);
    double t = v * (1 - s * (1 - f));
    if (std::fabs(i - 0.0) < eps)
    {
        r = v;
        g = t;
        b = p;
    }
    else if (std::fabs(i - 1.0) < eps)
    {
        r = q;
        g = v;
        b = p;
    }
    else if (std::fabs(i - 2.0) < eps)
    {
        r = p;
        g = v;
        b = t;
    }
    else if (std::fabs(i - 3.0) < eps)
    {
        r = p;
        g = q;
        b = v;
    }
    else if (std::fabs(i - 4.0) < eps)
    {
        r = t;
        g = p;
        b = v;
    }
    else
    {
        r = v;
        g = p;
        b = q;
    }
}

void RGBToHSV(double r, double g, double b, double& h, double& s, double& v)
{
    const double eps = 0.001;
    double max = maximum(r, g, b);
    double min = minimum(r, g, b);
    double delta = max - min;
    v = max;
    if (std::fabs(delta) < eps)
    {
        h = 0;
        s = 0;
        return;
    }
    s = delta / max;
    double dr = ((max - r) / 6 + delta / 2) / delta;
    double dg = ((max - g) / 6 + delta / 2) / delta;
    double db = ((max - b) / 6 + delta / 2) / delta;
    h = 0;
    if (std::fabs(r - max) < eps)
        h = db - dg;
    else if (std::fabs(g - max) < eps)
        h = 1.0 / 3.0 + dr - db;
    else if (std::fabs(b - max) < eps)
        h = 2.0 / 3.0 + dg - dr;
    if (h < 0)
        h += 1;
    if (h > 1)
        h -= 1;
}

}  // namespace WGUI
