// Configuration values reach the foundation through a reader that the platform layer installs,
// so that the foundation never depends on the layers above it.
#pragma once

#include "foundation/str.h"

typedef str (*TConfigReader)(const char* key);

// Installs the reader (null removes it).
void qfSetConfigReader(TConfigReader reader);
// The configuration value of key; "" without a reader or for an unknown key.
str qfGetConfig(const char* key);
