// Compiles asset.h on its own: TAsset lives entirely in its header.
#include "foundation/asset.h"
