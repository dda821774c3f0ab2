// Lengths in metres as short text with a fitting unit, from picometres to exaparsecs, so one
// scale serves levels among microbes and among galaxies.
#pragma once

#include "foundation/str.h"

namespace Game
{

class UnitConverter
{
public:
    static const int kNumUnits = 18;

    static UnitConverter* instance();
    // Made by the start-up, before any look-up (reads its file where it has one); returns
    // the one made already when there is one.
    static UnitConverter* createInstance();
    static void deleteInstance();

    // The largest unit of which m is at least 0.9995 (so that what "%.3g" would print as 1000
    // of a unit reads as 1 of the next); "0" when none fits (zero, negative, not a number).
    str metersToDisplay(double meters);
    // meters / unitFactor as "%.3g" in the C locale, followed directly by unitText.
    static str metersUnitDisplay(double meters, double unitFactor, str unitText);
    // The unit table, smallest first (i in 0 .. kNumUnits - 1): the string-table key of unit i
    // and its metres per unit.
    static const char* unitKey(int i);
    static double unitFactor(int i);

private:
    UnitConverter();
    ~UnitConverter() = default;

    double factors[kNumUnits];
    double threshold = 0.9995;
    str texts[kNumUnits];
    bool lastValid = false;  // metersToDisplay's last answer
    double lastMeters = 0;
    str lastText;
    static UnitConverter* sInstance;
};

}  // namespace Game
