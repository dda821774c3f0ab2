// TWindowStyle: a read-only view of the description a window is built from (the script table
// of the window, then its default style chain). The window core reads it through these typed
// getters only; the script bridge provides the implementation.
#pragma once

#include "foundation/str.h"

class TWindowStyle
{
public:
    virtual ~TWindowStyle() {}
    // The value under the key, or the default when the key is absent.
    virtual double GetNumber(const str& key, double defaultValue) const = 0;
    virtual bool GetBool(const str& key, bool defaultValue) const = 0;
    virtual str GetString(const str& key, const str& defaultValue) const = 0;
};
