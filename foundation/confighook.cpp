// The configuration reader the platform installs for the foundation.
#include "foundation/confighook.h"

static TConfigReader sConfigReader = nullptr;

void qfSetConfigReader(TConfigReader reader)
{
    sConfigReader = reader;
}

str qfGetConfig(const char* key)
{
    if (!sConfigReader || !key)
        return str();
    return sConfigReader(key);
}
