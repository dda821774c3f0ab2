// UnitConverter: lengths in metres as short text with a fitting unit.
#include "unitconverter.h"

#include <cmath>
#include <cstdio>
#include <locale.h>

#include "foundation/singletons.h"
#include "wgui_font.h"

namespace Game
{

UnitConverter* UnitConverter::sInstance = nullptr;

namespace
{

struct UnitRow
{
    const char* key;
    double factor;
};

const UnitRow kUnits[UnitConverter::kNumUnits] = {
    {"picometers", 1e-12},
    {"nanometers", 1e-9},
    {"micrometers", 1e-6},
    {"millimeters", 0.001},
    {"centimeters", 0.01},
    {"meters", 1.0},
    {"kilometers", 1000.0},
    {"megameters", 1e6},
    {"gigameters", 1e9},
    {"astronomicalunit", 1.496e11},
    {"kiloastronomicalunit", 1.496e14},
    {"parsec", 3.086e16},
    {"kiloparsec", 3.086e19},
    {"megaparsec", 3.086e22},
    {"gigaparsec", 3.086e25},
    {"teraparsec", 3.086e28},
    {"pentaparsec", 3.086e31},
    {"exaparsec", 3.086e34},
};

// "%.3g" with a '.' decimal point whatever the process locale is.
str formatC(double v)
{
    char buffer[64];
    locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    locale_t old = c ? uselocale(c) : static_cast<locale_t>(nullptr);
    std::snprintf(buffer, sizeof buffer, "%.3g", v);
    if (c)
    {
        uselocale(old);
        freelocale(c);
    }
    return str(buffer);
}

}  // namespace

UnitConverter* UnitConverter::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "UnitConverter");
        sInstance = new UnitConverter();
    }
    return sInstance;
}

UnitConverter* UnitConverter::instance()
{
    if (!sInstance)
        qfSingletonNotMade("UnitConverter");
    return createInstance();
}

void UnitConverter::deleteInstance()
{
    qfNoteLifetime("delete", "UnitConverter");
    delete sInstance;
    sInstance = nullptr;
}

UnitConverter::UnitConverter()
{
    for (int i = 0; i < kNumUnits; ++i)
    {
        factors[i] = kUnits[i].factor;
        texts[i] = WGUI::StringTable::instance()->getString(kUnits[i].key);
    }
}

str UnitConverter::metersToDisplay(double meters)
{
    // The status display asks at every frame, mostly for the size it asked for last; the
    // answer depends on nothing else that changes, so the last one is kept.
    if (lastValid && meters == lastMeters)
        return lastText;
    lastText = str("0");
    for (int i = kNumUnits - 1; i >= 0; --i)
        if (factors[i] * threshold <= meters)
        {
            lastText = metersUnitDisplay(meters, factors[i], texts[i]);
            break;
        }
    lastMeters = meters;
    lastValid = true;
    return lastText;
}

str UnitConverter::metersUnitDisplay(double meters, double unitFactor, str unitText)
{
    return formatC(meters / unitFactor) + unitText;
}

const char* UnitConverter::unitKey(int i)
{
    return i >= 0 && i < kNumUnits ? kUnits[i].key : "";
}

double UnitConverter::unitFactor(int i)
{
    return i >= 0 && i < kNumUnits ? kUnits[i].factor : 0.0;
}

}  // namespace Game
